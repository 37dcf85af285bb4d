#include "config/SectionedStore.h"

#include "CaseName.h"
#include "GrowthCheck.h"
#include "StoreTestFiles.h"

#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <csignal>
#include <cstring>
#include <limits>
#include <string_view>
#include <sys/resource.h>

using namespace StoreTestFiles;

namespace {

QByteArray Bytes(std::string_view bytes) {
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

class SectionedStoreTest : public testing::Test {
protected:
    QString PathOf(const QString& name) const { return dir.filePath(name); }

    /// A store loaded from bytes written to "Play.cfg".
    std::unique_ptr<TSectionedStore> LoadFrom(const QByteArray& bytes, const QLocale& locale = kComma) {
        WriteBytes(PathOf("Play.cfg"), bytes);
        return std::make_unique<TSectionedStore>(PathOf("Play.cfg"), locale);
    }

    QTemporaryDir dir;
};

TEST_F(SectionedStoreTest, MissingFileGivesEmptyStoreAndEmptyFile) {
    TSectionedStore store(PathOf("absent.cfg"), kComma);
    EXPECT_TRUE(store.SectionNames().isEmpty());
    EXPECT_EQ(store.ReadText("General", "SortType", "def"), "def");
    store.SaveToDisk();
    EXPECT_TRUE(QFile::exists(PathOf("absent.cfg")));
    EXPECT_EQ(ReadBytes(PathOf("absent.cfg")), QByteArray());
}

TEST_F(SectionedStoreTest, MissingFolderGivesEmptyStore) {
    TSectionedStore store(PathOf("no/such/folder/Play.cfg"), kComma);
    EXPECT_TRUE(store.SectionNames().isEmpty());
}

TEST_F(SectionedStoreTest, CanonicalExampleRoundTripsByteForByte) {
    const QByteArray canonical = "[General]\r\nDeactivatedVolume=20\r\nSortType=1\r\n\r\n";
    auto store = LoadFrom(canonical);
    EXPECT_EQ(store->ReadInt("General", "DeactivatedVolume", 0), 20);
    EXPECT_EQ(store->Serialize(), canonical);
    store->SaveToDisk();
    EXPECT_EQ(ReadBytes(PathOf("Play.cfg")), canonical);
}

TEST_F(SectionedStoreTest, WritingBuildsTheCanonicalLayout) {
    TSectionedStore store(PathOf("new.cfg"), kComma);
    store.WriteInt("General", "DeactivatedVolume", 20);
    store.WriteInt("General", "SortType", 1);
    store.WriteText("Other", "Key", "Value");
    store.SaveToDisk();
    EXPECT_EQ(
        ReadBytes(PathOf("new.cfg")),
        QByteArray("[General]\r\nDeactivatedVolume=20\r\nSortType=1\r\n\r\n[Other]\r\nKey=Value\r\n\r\n"));
}

TEST_F(SectionedStoreTest, LoadingAppliesTheLineRules) {
    const QByteArray file = "before=dropped\r\n"
                            "[orphan\r\n"
                            "  [ First ]  \r\n"
                            "; a comment\n"
                            "   ;indented comment\r"
                            "# not a comment\n"
                            "\t name \t=\t value with = inside \t\r\n"
                            "\r\n"
                            "   \r\n"
                            "verbatim line\n"
                            "=no name\n"
                            "empty=\n"
                            "[]\n"
                            "k=v";
    auto store = LoadFrom(file);
    EXPECT_EQ(store->SectionNames(), QStringList({"First", ""}));
    EXPECT_EQ(store->ReadText("first", "NAME", "def"), "value with = inside");
    EXPECT_EQ(store->ReadText("First", "# not a comment", "def"), "def");
    EXPECT_EQ(store->ReadText("First", "empty", "def"), "");
    EXPECT_EQ(store->ReadText("", "k", "def"), "v");
    EXPECT_EQ(store->Serialize(), QByteArray("[First]\r\n"
                                             "# not a comment\r\n"
                                             "name=value with = inside\r\n"
                                             "verbatim line\r\n"
                                             "=no name\r\n"
                                             "empty=\r\n"
                                             "\r\n"
                                             "[]\r\n"
                                             "k=v\r\n"
                                             "\r\n"));
}

TEST_F(SectionedStoreTest, BracketLineWithoutClosingIsAnEntryNotAHeader) {
    auto store = LoadFrom("[S]\n[x\nx]\n[\n");
    EXPECT_EQ(store->SectionNames(), QStringList({"S"}));
    EXPECT_EQ(store->Serialize(), QByteArray("[S]\r\n[x\r\nx]\r\n[\r\n\r\n"));
}

TEST_F(SectionedStoreTest, LookupsIgnoreCaseAndSpacesAroundEquals) {
    auto store = LoadFrom("[general]\nsorttype = 1\n");
    EXPECT_EQ(store->ReadInt("General", "SortType", 0), 1);
    EXPECT_EQ(store->ReadInt("GENERAL", "SORTTYPE", 0), 1);
}

TEST_F(SectionedStoreTest, CaseInsensitiveBeyondAscii) {
    TSectionedStore store(PathOf("x.cfg"), kComma);
    store.WriteText(QString::fromUtf8("Música"), QString::fromUtf8("Ñame"), "1");
    EXPECT_EQ(store.ReadText(QString::fromUtf8("MÚSICA"), QString::fromUtf8("ñAME"), "def"), "1");
}

TEST_F(SectionedStoreTest, LastDuplicateEntryWinsAndIsTheOneWritten) {
    auto store = LoadFrom("[S]\nKey=first\nother=x\nKEY=second\n");
    EXPECT_EQ(store->ReadText("s", "key", "def"), "second");
    store->WriteText("s", "kEy", "third");
    EXPECT_EQ(store->Serialize(), QByteArray("[S]\r\nKey=first\r\nother=x\r\nkEy=third\r\n\r\n"));
}

TEST_F(SectionedStoreTest, LastDuplicateEntryWinsInALongSection) {
    // Long sections are looked up through a hash; the rule must not change with it.
    QByteArray file = "[S]\n";
    for (int i = 0; i < 40; ++i)
        file += "k" + QByteArray::number(i % 10) + "=" + QByteArray::number(i) + "\n";
    auto store = LoadFrom(file);
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(store->ReadInt("S", "K" + QString::number(k), -1), 30 + k);
    store->WriteInt("S", "K3", 99);
    store->WriteInt("S", "new", 7);
    EXPECT_EQ(store->ReadInt("S", "k3", -1), 99);
    EXPECT_EQ(store->ReadInt("S", "NEW", -1), 7);
    const QByteArray saved = store->Serialize();
    EXPECT_TRUE(saved.contains("\r\nk3=3\r\n")) << "earlier duplicate untouched";
    EXPECT_TRUE(saved.contains("\r\nK3=99\r\n")) << "last duplicate rewritten in place";
    EXPECT_TRUE(saved.endsWith("\r\nnew=7\r\n\r\n"));
}

TEST_F(SectionedStoreTest, WritingInPlaceRespellsTheNameAndKeepsThePosition) {
    auto store = LoadFrom("[Sec]\nkey=1\nother=2\n");
    store->WriteText("SEC", "KEY", "9");
    EXPECT_EQ(store->Serialize(), QByteArray("[Sec]\r\nKEY=9\r\nother=2\r\n\r\n"));
}

TEST_F(SectionedStoreTest, NewEntriesAndSectionsAreAppended) {
    auto store = LoadFrom("[B]\nx=1\n[A]\ny=2\n");
    store->WriteText("C", "z", "3");
    store->WriteText("b", "w", "4");
    EXPECT_EQ(store->SectionNames(), QStringList({"B", "A", "C"}));
    EXPECT_EQ(store->Serialize(),
              QByteArray("[B]\r\nx=1\r\nw=4\r\n\r\n[A]\r\ny=2\r\n\r\n[C]\r\nz=3\r\n\r\n"));
}

TEST_F(SectionedStoreTest, RepeatedHeaderStartsASecondSectionAndTheLastWins) {
    auto store = LoadFrom("[S]\na=1\nb=1\n[T]\n[s]\na=2\n");
    EXPECT_EQ(store->SectionNames(), QStringList({"S", "T", "s"}));
    EXPECT_EQ(store->ReadInt("S", "a", 0), 2);
    EXPECT_EQ(store->ReadInt("S", "b", 0), 0) << "the earlier section is hidden, not merged";
    store->WriteInt("S", "c", 3);
    EXPECT_EQ(store->Serialize(),
              QByteArray("[S]\r\na=1\r\nb=1\r\n\r\n[T]\r\n\r\n[s]\r\na=2\r\nc=3\r\n\r\n"));
}

TEST_F(SectionedStoreTest, DropSectionRevealsTheEarlierDuplicate) {
    auto store = LoadFrom("[S]\na=1\n[T]\n[s]\na=2\n[S]\na=3\n");
    store->DropSection("s");
    EXPECT_EQ(store->ReadInt("S", "a", 0), 2);
    EXPECT_EQ(store->SectionNames(), QStringList({"S", "T", "s"}));
    store->DropSection("S");
    EXPECT_EQ(store->ReadInt("S", "a", 0), 1);
    store->DropSection("S");
    EXPECT_EQ(store->ReadInt("S", "a", 0), 0);
    EXPECT_EQ(store->SectionNames(), QStringList({"T"}));
    store->DropSection("S"); // nothing left: nothing happens
    store->DropSection("absent");
    EXPECT_EQ(store->Serialize(), QByteArray("[T]\r\n\r\n"));
    store->WriteInt("S", "a", 4);
    EXPECT_EQ(store->SectionNames(), QStringList({"T", "S"}));
}

TEST_F(SectionedStoreTest, DuplicatesSurviveCompactionOfManyDrops) {
    // Enough drops to compact the tombstones; the chains of duplicates must be rebuilt right.
    auto twin = LoadFrom("[Dup]\nv=1\n[Dup]\nv=2\n");
    for (int i = 0; i < 3000; ++i)
        twin->WriteInt("gone" + QString::number(i), "v", i);
    twin->WriteInt("tail", "v", 5);
    for (int i = 0; i < 3000; ++i)
        twin->DropSection("GONE" + QString::number(i));
    EXPECT_EQ(twin->SectionNames(), QStringList({"Dup", "Dup", "tail"}));
    EXPECT_EQ(twin->ReadInt("dup", "v", 0), 2);
    twin->DropSection("dup");
    EXPECT_EQ(twin->ReadInt("dup", "v", 0), 1);
    EXPECT_EQ(twin->ReadInt("tail", "v", 0), 5);
    twin->WriteInt("tail", "w", 6);
    EXPECT_EQ(twin->Serialize(), QByteArray("[Dup]\r\nv=1\r\n\r\n[tail]\r\nv=5\r\nw=6\r\n\r\n"));
}

TEST_F(SectionedStoreTest, BytesRoundTripAsWindows1252) {
    QByteArray all = "[S]\r\nk=";
    for (int b = 0x21; b <= 0xFF; ++b) {
        if (b != '=')
            all += static_cast<char>(b);
    }
    all += "\r\n\r\n";
    auto store = LoadFrom(all);
    EXPECT_EQ(store->Serialize(), all);
    store->SaveToDisk();
    EXPECT_EQ(ReadBytes(PathOf("Play.cfg")), all);
}

TEST_F(SectionedStoreTest, DecodesTheCodePageNotLatin1) {
    auto store = LoadFrom("[S]\nname=Don\x92t \x80 \xE9\n");
    EXPECT_EQ(store->ReadText("S", "name", ""), QString::fromUtf8("Don’t € é"));
}

TEST_F(SectionedStoreTest, CharactersOutsideTheCodePageTurnTheWholeFileIntoMarkedUtf8) {
    TSectionedStore store(PathOf("x.cfg"), kComma);
    const QString c1 = QString(QChar(0xE9)) + u' ' + QChar(0x80); // 0x80 is not a character of the code page
    store.WriteText(QString::fromUtf8("Séction"), "a", c1);
    store.WriteText("S", "k", QString::fromUtf8("日本 ’ \U0001F600 é"));
    EXPECT_EQ(store.Serialize(), QByteArray("\xEF\xBB\xBF[S\xC3\xA9"
                                            "ction]\r\na=\xC3\xA9 \xC2\x80\r\n\r\n"
                                            "[S]\r\nk=\xE6\x97\xA5\xE6\x9C\xAC \xE2\x80\x99 "
                                            "\xF0\x9F\x98\x80 \xC3\xA9\r\n\r\n"));
    store.SaveToDisk();
    TSectionedStore reread(PathOf("x.cfg"), kComma);
    EXPECT_EQ(reread.ReadText("S", "k", ""), QString::fromUtf8("日本 ’ \U0001F600 é"));
    EXPECT_EQ(reread.ReadText(QString::fromUtf8("SÉCTION"), "A", ""), c1);
}

TEST_F(SectionedStoreTest, NbspIsNotTrimmed) {
    // 0xA0 is an ordinary byte of the code page; only spaces and controls are trimmed.
    auto store = LoadFrom("[S]\nk=\xA0v\xA0\n");
    EXPECT_EQ(store->ReadText("S", "k", ""), QString::fromUtf8("\u00A0v\u00A0"));
}

TEST_F(SectionedStoreTest, LineBreaksAreRefusedAndChangeNothing) {
    auto store = LoadFrom("[S]\nk=v\n");
    const QByteArray before = store->Serialize();
    EXPECT_THROW(store->WriteText("S", "k", "a\r\n[Evil]"), StoreError);
    EXPECT_THROW(store->WriteText("S", "k\n", "v"), StoreError);
    EXPECT_THROW(store->WriteText("New\r", "k", "v"), StoreError);
    EXPECT_EQ(store->Serialize(), before);
    EXPECT_EQ(store->SectionNames(), QStringList({"S"}));
}

// ---- typed values ----

struct IntCase {
    const char* text;
    int expected; // -777 stands for "the default"
};

class ReadIntTest : public testing::TestWithParam<IntCase> {};

TEST_P(ReadIntTest, ReadsDecimalAndHexadecimalForms) {
    QTemporaryDir dir;
    TSectionedStore store(dir.filePath("x.cfg"), kComma);
    store.WriteText("S", "k", QString::fromUtf8(GetParam().text));
    EXPECT_EQ(store.ReadInt("S", "k", -777), GetParam().expected) << "value \"" << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Values, ReadIntTest,
    testing::Values(IntCase{"20", 20}, IntCase{"0", 0}, IntCase{"007", 7}, IntCase{"-5", -5},
                    IntCase{"+7", 7}, IntCase{"  25", 25}, IntCase{"2147483647", 2147483647},
                    IntCase{"-2147483648", std::numeric_limits<int>::min()}, IntCase{"2147483648", -777},
                    IntCase{"-2147483649", -777}, IntCase{"99999999999999999999", -777}, IntCase{"0x1E", 30},
                    IntCase{"0X1e", 30}, IntCase{"$1E", 30}, IntCase{"x1E", 30}, IntCase{"X1e", 30},
                    IntCase{"  $ff", 255}, IntCase{"$7FFFFFFF", 2147483647}, IntCase{"$FFFFFFFF", -1},
                    IntCase{"0x80000000", std::numeric_limits<int>::min()}, IntCase{"$100000000", -777},
                    IntCase{"$", -777}, IntCase{"0x", -777}, IntCase{"$G", -777}, IntCase{"-$10", -777},
                    IntCase{"", -777}, IntCase{"   ", -777}, IntCase{"-", -777}, IntCase{"+", -777},
                    IntCase{"abc", -777}, IntCase{"25 ", -777}, IntCase{"2 5", -777}, IntCase{"1.5", -777},
                    IntCase{"1e3", -777}, IntCase{"\t5", -777}, IntCase{"١٢", -777}, IntCase{"--5", -777}),
    [](const testing::TestParamInfo<IntCase>& info) { return CaseName::FromText(info.param.text); });

TEST(SectionedStoreInt, WritesPlainDecimal) {
    QTemporaryDir dir;
    TSectionedStore store(dir.filePath("x.cfg"), kComma);
    store.WriteInt("S", "a", -42);
    store.WriteInt("S", "b", 0);
    store.WriteInt("S", "c", std::numeric_limits<int>::min());
    EXPECT_EQ(store.Serialize(), QByteArray("[S]\r\na=-42\r\nb=0\r\nc=-2147483648\r\n\r\n"));
    EXPECT_EQ(store.ReadInt("S", "c", 0), std::numeric_limits<int>::min());
}

struct RealCase {
    double value;
    const char* comma; // as written under a decimal comma
};

class WriteRealTest : public testing::TestWithParam<RealCase> {};

TEST_P(WriteRealTest, ShortestFormWithTheRegionalSeparatorAndReadsBack) {
    QTemporaryDir dir;
    TSectionedStore commaStore(dir.filePath("c.ind"), kComma);
    TSectionedStore pointStore(dir.filePath("p.ind"), kPoint);
    const QString commaText = QString::fromUtf8(GetParam().comma);
    QString pointText = commaText;
    pointText.replace(u',', u'.');

    commaStore.WriteReal("S", "Time", GetParam().value);
    pointStore.WriteReal("S", "Time", GetParam().value);
    EXPECT_EQ(commaStore.ReadText("S", "Time", ""), commaText);
    EXPECT_EQ(pointStore.ReadText("S", "Time", ""), pointText);
    // Fifteen digits are kept, so the value comes back to within the 15th digit.
    const double tolerance = std::abs(GetParam().value) * 1e-14;
    EXPECT_NEAR(commaStore.ReadReal("S", "Time", -1), GetParam().value, tolerance);
    EXPECT_NEAR(pointStore.ReadReal("S", "Time", -1), GetParam().value, tolerance);
}

INSTANTIATE_TEST_SUITE_P(
    Values, WriteRealTest,
    testing::Values(RealCase{83.456, "83,456"}, RealCase{83.4, "83,4"}, RealCase{125, "125"},
                    RealCase{0.1 + 0.2, "0,3"}, RealCase{-2.5, "-2,5"}, RealCase{0, "0"},
                    RealCase{1.0 / 3, "0,333333333333333"}, RealCase{123456789012345.0, "123456789012345"},
                    RealCase{1e15, "1E15"}, RealCase{1234567890123456789.0, "1,23456789012346E18"},
                    RealCase{0.0001, "0,0001"}, RealCase{0.00001, "1E-5"}, RealCase{1.5e-7, "1,5E-7"},
                    RealCase{3600.25, "3600,25"}, RealCase{100, "100"}, RealCase{0.5, "0,5"}),
    [](const testing::TestParamInfo<RealCase>& info) { return CaseName::FromText(info.param.comma); });

TEST(SectionedStoreReal, EitherSeparatorIsRead) {
    QTemporaryDir dir;
    TSectionedStore comma(dir.filePath("c.ind"), kComma);
    TSectionedStore point(dir.filePath("p.ind"), kPoint);
    for (TSectionedStore* store : {&comma, &point}) {
        store->WriteText("S", "comma", "83,4");
        store->WriteText("S", "point", "83.4");
        store->WriteText("S", "whole", "83");
        store->WriteText("S", "both", "1,000.5");
        EXPECT_DOUBLE_EQ(store->ReadReal("S", "point", -1), 83.4);
        EXPECT_DOUBLE_EQ(store->ReadReal("S", "comma", -1), 83.4);
        EXPECT_EQ(store->ReadReal("S", "whole", -1), 83);
        EXPECT_EQ(store->ReadReal("S", "both", -1), -1) << "one separator, not a grouping";
    }
}

TEST(SectionedStoreReal, MalformedValuesGiveTheDefault) {
    QTemporaryDir dir;
    TSectionedStore store(dir.filePath("p.ind"), kPoint);
    const char* bad[] = {"",   " ",   "abc", "1.2.3", "1,000.5", ".",    "-",
                         "1e", "1e+", "NAN", "INF",   "1x",      "0x10", "1e999"};
    for (const char* text : bad) {
        store.WriteText("S", "k", text);
        EXPECT_EQ(store.ReadReal("S", "k", -1), -1) << '"' << text << '"';
    }
    EXPECT_EQ(store.ReadReal("S", "missing", 7.5), 7.5);
    const std::pair<const char*, double> good[] = {{" 2.5 ", 2.5}, {"+3", 3},     {".5", 0.5},
                                                   {"5.", 5},      {"1E3", 1000}, {"-1.5e-2", -0.015}};
    for (const auto& [text, value] : good) {
        store.WriteText("S", "k", text);
        EXPECT_DOUBLE_EQ(store.ReadReal("S", "k", -1), value) << '"' << text << '"';
    }
}

TEST(SectionedStoreReal, NeverTouchesTheCLibraryNumericLocale) {
    // libmpv needs LC_NUMERIC "C"; the separator must come from the QLocale alone.
    ASSERT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    QTemporaryDir dir;
    TSectionedStore store(dir.filePath("c.ind"), kComma);
    store.WriteReal("S", "k", 1.5);
    EXPECT_EQ(store.ReadText("S", "k", ""), "1,5");
    EXPECT_EQ(store.ReadReal("S", "k", 0), 1.5);
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
}

TEST(SectionedStoreStamp, ShortDateSpaceLongTimeUnderItalian) {
    QTemporaryDir dir;
    TSectionedStore store(dir.filePath("x.cfg"), kComma);
    const QDateTime stamp(QDate(2026, 12, 8), QTime(10, 30, 5));
    store.WriteStamp("General", "DonateDate", stamp);
    EXPECT_EQ(store.ReadText("General", "DonateDate", ""), "08/12/26 10:30:05");
    EXPECT_EQ(store.ReadStamp("General", "DonateDate", QDateTime()), stamp);
}

TEST(SectionedStoreStamp, MidnightLeavesTheTimeOut) {
    QTemporaryDir dir;
    TSectionedStore store(dir.filePath("x.cfg"), kComma);
    const QDateTime midnight(QDate(2025, 3, 1), QTime(0, 0));
    store.WriteStamp("S", "d", midnight);
    EXPECT_EQ(store.ReadText("S", "d", ""), "01/03/25");
    EXPECT_EQ(store.ReadStamp("S", "d", QDateTime()), midnight);
}

TEST(SectionedStoreStamp, RoundTripsUnderOtherLocales) {
    QTemporaryDir dir;
    const QDateTime stamp(QDate(2027, 1, 31), QTime(23, 59, 58));
    for (const QLocale& locale :
         {kPoint, QLocale(QLocale::German, QLocale::Germany), QLocale(QLocale::Spanish, QLocale::Spain),
          QLocale(QLocale::Hungarian), QLocale(QLocale::Japanese), QLocale::c()}) {
        TSectionedStore store(dir.filePath("x.cfg"), locale);
        store.WriteStamp("S", "d", stamp);
        EXPECT_EQ(store.ReadStamp("S", "d", QDateTime()), stamp)
            << locale.name().toStdString() << ": " << store.ReadText("S", "d", "").toStdString();
        EXPECT_FALSE(store.ReadText("S", "d", "").contains(u'\t'));
    }
    TSectionedStore us(dir.filePath("us.cfg"), kPoint);
    us.WriteStamp("S", "d", stamp);
    EXPECT_EQ(us.ReadText("S", "d", ""), "1/31/27 11:59:58 PM");
}

TEST(SectionedStoreStamp, UnreadableValuesGiveTheDefault) {
    QTemporaryDir dir;
    TSectionedStore store(dir.filePath("x.cfg"), kComma);
    const QDateTime def(QDate(1899, 12, 30), QTime(0, 0));
    for (const char* text : {"", "garbage", "32/13/26", "08/12/26 25:00:00", "2026-12-08T10:30:00"}) {
        store.WriteText("S", "d", text);
        EXPECT_EQ(store.ReadStamp("S", "d", def), def) << text;
    }
    EXPECT_EQ(store.ReadStamp("S", "missing", def), def);
}

// ---- files ----

TEST_F(SectionedStoreTest, SaveReplacesTheOldFileAndLeavesNoTemporaryFile) {
    auto store = LoadFrom("; hand-edited\r\n\r\n[General]\r\n  SortType = 2  \r\n");
    store->WriteInt("General", "DeactivatedVolume", 30);
    store->SaveToDisk();
    EXPECT_EQ(ReadBytes(PathOf("Play.cfg")),
              QByteArray("[General]\r\nSortType=2\r\nDeactivatedVolume=30\r\n\r\n"));
    EXPECT_EQ(Entries(dir.path()), QStringList({"Play.cfg"}));
}

TEST_F(SectionedStoreTest, FolderMissingAtSaveFails) {
    TSectionedStore store(PathOf("gone/Play.cfg"), kComma);
    store.WriteInt("S", "k", 1);
    EXPECT_FALSE(store.SaveToDisk());
}

TEST_F(SectionedStoreTest, FileInPlaceOfTheFolderMakesSaveFail) {
    WriteBytes(PathOf("notafolder"), "x");
    TSectionedStore store(PathOf("notafolder/Play.cfg"), kComma);
    store.WriteInt("S", "k", 1);
    EXPECT_FALSE(store.SaveToDisk());
    EXPECT_TRUE(store.LastSaveError().contains("notafolder/Play.cfg")) << store.LastSaveError().toStdString();
    EXPECT_EQ(ReadBytes(PathOf("notafolder")), QByteArray("x"));
}

TEST_F(SectionedStoreTest, FolderInPlaceOfTheFileMakesSaveFailAndKeepsIt) {
    TSectionedStore store(PathOf("Play.ind"), kComma);
    MakeBlockingFolder(PathOf("Play.ind"));
    store.WriteInt("S", "k", 1);
    EXPECT_FALSE(store.SaveToDisk());
    EXPECT_TRUE(QFileInfo(PathOf("Play.ind/inside")).isDir());
    EXPECT_EQ(Entries(dir.path()), QStringList({"Play.ind"}));
}

TEST_F(SectionedStoreTest, FailedWriteLeavesThePreviousFileWhole) {
    const QByteArray old = "[Old]\r\nkeep=me\r\n\r\n";
    auto store = LoadFrom(old);
    for (int i = 0; i < 2000; ++i)
        store->WriteInt("S" + QString::number(i), "Time", i);
    ASSERT_GT(store->Serialize().size(), 8192);
    {
        WriteLimit limit(4096);
        EXPECT_FALSE(store->SaveToDisk());
    }
    EXPECT_EQ(ReadBytes(PathOf("Play.cfg")), old);
    EXPECT_EQ(Entries(dir.path()), QStringList({"Play.cfg"})) << "the temporary file is removed";
    store->SaveToDisk(); // and the store itself is intact
    EXPECT_EQ(ReadBytes(PathOf("Play.cfg")), store->Serialize());
}

TEST_F(SectionedStoreTest, FileThatIsAFolderCannotBeLoaded) {
    ASSERT_TRUE(QDir().mkpath(PathOf("Play.cfg")));
    try {
        TSectionedStore store(PathOf("Play.cfg"), kComma);
        FAIL() << "the constructor should have thrown";
    } catch (const StoreError& e) {
        const QString message = QString::fromUtf8(e.what());
        EXPECT_TRUE(message.contains(PathOf("Play.cfg"))) << e.what();
        EXPECT_TRUE(message.contains("cannot read")) << e.what();
    }
}

// ---- bad input: never a crash, never a hang, linear time ----

TEST_F(SectionedStoreTest, RandomBinaryLoadsAndReachesAFixedPoint) {
    QRandomGenerator random(12345);
    for (int round = 0; round < 20; ++round) {
        QByteArray bytes(64 * 1024, '\0');
        for (char& b : bytes)
            b = static_cast<char>(random.bounded(256));
        // Sprinkle in the characters the parser looks at.
        for (int i = 0; i < 2000; ++i)
            bytes[random.bounded(bytes.size())] = "[]=;\r\n "[random.bounded(7)];
        auto store = LoadFrom(bytes);
        const QByteArray once = store->Serialize();
        auto again = LoadFrom(once);
        EXPECT_EQ(again->Serialize(), once) << "round " << round;
    }
}

TEST_F(SectionedStoreTest, NulBytesAreOrdinaryCharacters) {
    using namespace std::string_view_literals;
    const QString nul(QChar(0));
    auto store = LoadFrom(Bytes("[a\0b]\r\nk\0x=v\0w\0\r\n\0\r\n"sv));
    EXPECT_EQ(store->SectionNames(), QStringList({"a" + nul + "b"}));
    // A NUL is a control character, so trimming takes it off the ends of names and values.
    EXPECT_EQ(store->ReadText("A" + nul + "B", "K" + nul + "X", ""), "v" + nul + "w");
    EXPECT_EQ(store->Serialize(), Bytes("[a\0b]\r\nk\0x=v\0w\r\n\r\n"sv));
}

TEST_F(SectionedStoreTest, TenMegabyteLine) {
    QByteArray file = "[S]\r\nk=";
    file += QByteArray(10 * 1024 * 1024, 'a');
    file += "\r\n";
    auto store = LoadFrom(file);
    EXPECT_EQ(store->ReadText("S", "k", "").size(), 10 * 1024 * 1024);
    EXPECT_EQ(store->Serialize().size(), file.size() + 2);
}

TEST_F(SectionedStoreTest, FileOfOnlyCarriageReturns) {
    auto store = LoadFrom(QByteArray(4 * 1024 * 1024, '\r'));
    EXPECT_TRUE(store->SectionNames().isEmpty());
    EXPECT_EQ(store->Serialize(), QByteArray());
}

// Long lines and runs of line breaks are where a careless splitter rescans what it has read.
TEST_F(SectionedStoreTest, LongLinesAndLineBreakRunsLoadInLinearTime) {
    GrowthCheck::ExpectLinearGrowth(
        256 * 1024,
        [&](int size) {
            QByteArray file = "[S]\r\nk=" + QByteArray(size, 'a') + "\r\n";
            EXPECT_EQ(LoadFrom(file)->ReadText("S", "k", "").size(), size);
        },
        "one long line");
    GrowthCheck::ExpectLinearGrowth(
        256 * 1024,
        [&](int size) { EXPECT_TRUE(LoadFrom(QByteArray(size, '\r'))->SectionNames().isEmpty()); },
        "carriage returns");
}

TEST_F(SectionedStoreTest, NoFinalNewline) {
    EXPECT_EQ(LoadFrom("[S]\r\nk=v")->ReadText("S", "k", ""), "v");
    EXPECT_EQ(LoadFrom("[S]")->SectionNames(), QStringList({"S"}));
    EXPECT_EQ(LoadFrom("[S]\rk=v\r")->ReadText("S", "k", ""), "v");
}

TEST_F(SectionedStoreTest, ManySectionsLoadAndDropInLinearTime) {
    const auto work = [&](int count) {
        QByteArray file;
        for (int i = 0; i < count; ++i)
            file += "[s" + QByteArray::number(i) + "]\r\nPath=/x/" + QByteArray::number(i) + "\r\nTime=1\r\n";
        auto store = LoadFrom(file);
        EXPECT_EQ(store->SectionNames().size(), count);
        const QString last = QString::number(count - 1);
        EXPECT_EQ(store->ReadText("S" + last, "path", ""), "/x/" + last);
        for (int i = 0; i < count; i += 2)
            store->DropSection("s" + QString::number(i));
        EXPECT_EQ(store->SectionNames().size(), count / 2);
        EXPECT_EQ(store->ReadText("s" + last, "Path", ""), "/x/" + last);
        EXPECT_EQ(store->ReadText("s" + QString::number(count - 2), "Path", "gone"), "gone");
    };
    GrowthCheck::ExpectLinearGrowth(5000, work, "sections");
}

TEST_F(SectionedStoreTest, ManyHeadersOfOneNameLoadAndDropInLinearTime) {
    // Duplicates must not make loading or dropping quadratic either.
    const auto work = [&](int count) {
        QByteArray file;
        for (int i = 0; i < count; ++i)
            file += "[same]\nv=" + QByteArray::number(i) + "\n";
        auto store = LoadFrom(file);
        EXPECT_EQ(store->ReadInt("SAME", "v", -1), count - 1);
        for (int i = 0; i < count - 1; ++i)
            store->DropSection("same");
        EXPECT_EQ(store->ReadInt("same", "v", -1), 0);
    };
    GrowthCheck::ExpectLinearGrowth(5000, work, "headers of one name");
}

} // namespace
