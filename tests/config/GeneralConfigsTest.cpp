#include "config/GeneralConfigs.h"

#include "CaseName.h"
#include "StoreTestFiles.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace StoreTestFiles;

namespace {

class GeneralConfigsTest : public testing::Test {
protected:
    std::unique_ptr<TM3GeneralConfigs> Open(const QByteArray* bytes = nullptr) {
        if (bytes != nullptr)
            WriteBytes(Path(), *bytes);
        return std::make_unique<TM3GeneralConfigs>(Path(), kComma, [this] { return now; });
    }
    std::unique_ptr<TM3GeneralConfigs> OpenWith(const QByteArray& bytes) { return Open(&bytes); }
    QString Path() const { return dir.filePath("Play.cfg"); }

    QTemporaryDir dir;
    QDateTime now{QDate(2026, 12, 8), QTime(10, 30, 0)};
};

TEST_F(GeneralConfigsTest, DefaultsWhenTheFileIsMissing) {
    auto configs = Open();
    EXPECT_EQ(configs->ExtensionList(), QString::fromLatin1(kDefaultExtensions));
    EXPECT_EQ(configs->DeactivatedVolume(), 20);
    EXPECT_EQ(configs->SortType(), 0);
}

TEST_F(GeneralConfigsTest, CaseAndSpacesDoNotMatter) {
    EXPECT_EQ(OpenWith("[general]\r\nsorttype = 1\r\n")->SortType(), 1);
}

TEST_F(GeneralConfigsTest, DeactivatedVolumeValues) {
    EXPECT_EQ(OpenWith("[General]\nDeactivatedVolume=0x1E\n")->DeactivatedVolume(), 30);
    EXPECT_EQ(OpenWith("[General]\nDeactivatedVolume=abc\n")->DeactivatedVolume(), 20);
    EXPECT_EQ(OpenWith("[General]\nDeactivatedVolume= 25\n")->DeactivatedVolume(), 25);
    EXPECT_EQ(OpenWith("[Other]\nDeactivatedVolume=50\n")->DeactivatedVolume(), 20);
}

TEST_F(GeneralConfigsTest, OptionsAreReadAfreshEachTime) {
    auto configs = Open();
    configs->SetDeactivatedVolume(35);
    configs->SetSortType(2);
    EXPECT_EQ(configs->DeactivatedVolume(), 35);
    EXPECT_EQ(configs->SortType(), 2);
    configs->WriteText("general", "sorttype", "1");
    EXPECT_EQ(configs->SortType(), 1);
    EXPECT_EQ(configs->Serialize(), QByteArray("[General]\r\nDeactivatedVolume=35\r\nsorttype=1\r\n\r\n"));
}

TEST_F(GeneralConfigsTest, ExtensionListIsTrimmedLowerCasedAndKept) {
    auto configs = OpenWith("[General]\nExtensions=\"\"\n[General]\nExtensions=  .MP3.Ogg \n");
    EXPECT_EQ(configs->ExtensionList(), ".mp3.ogg");
    configs->WriteText("General", "Extensions", ".wav");
    EXPECT_EQ(configs->ExtensionList(), ".mp3.ogg") << "read once and kept";
    EXPECT_TRUE(configs->IsMediaFile("song.OGG"));
    EXPECT_FALSE(configs->IsMediaFile("song.wav"));
}

TEST_F(GeneralConfigsTest, EmptyExtensionListMatchesNothingAndIsReadAgain) {
    auto configs = OpenWith("[General]\nExtensions=\n");
    EXPECT_EQ(configs->ExtensionList(), "");
    EXPECT_FALSE(configs->IsMediaFile("a.mp3"));
    configs->WriteText("General", "Extensions", ".MP3");
    EXPECT_EQ(configs->ExtensionList(), ".mp3") << "an empty kept copy is no copy";
}

TEST_F(GeneralConfigsTest, ProgramNeverWritesExtensions) {
    auto configs = Open();
    configs->ExtensionList();
    configs->IsMediaFile("a.mp3");
    EXPECT_EQ(configs->Serialize(), QByteArray());
}

// The line the README and the manual pages give for book formats is one line, the same everywhere,
// and lists those formats besides every default one.
TEST_F(GeneralConfigsTest, TheDocumentedLineForBookFormatsWorks) {
    const auto read = [](const char* relative) {
        QFile file(QStringLiteral(VARNEL_SOURCE_DIR "/") + QString::fromLatin1(relative));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << relative;
        return QString::fromUtf8(file.readAll()).replace(QStringLiteral("\\-"), QStringLiteral("-"));
    };
    const QString readme = read("README.md");
    const qsizetype start = readme.indexOf(QStringLiteral("    Extensions=."));
    ASSERT_GE(start, 0);
    const QString line = readme.mid(start + 4, readme.indexOf(u'\n', start) - start - 4);
    for (const char* page :
         {"resources/man/varnel.1", "resources/man/it/varnel.1", "resources/man/es/varnel.1"})
        EXPECT_TRUE(read(page).contains(u'\n' + line + u'\n')) << page;

    auto configs = OpenWith("[General]\n" + line.toUtf8() + "\n");
    QStringList wanted = QString::fromLatin1(kDefaultExtensions).split(u'.', Qt::SkipEmptyParts);
    wanted << "m4b"
           << "mka"
           << "opus"
           << "ogg"
           << "flac";
    for (const QString& extension : wanted)
        EXPECT_TRUE(configs->IsMediaFile(QStringLiteral("/libri/uno.") + extension))
            << extension.toStdString();
    EXPECT_FALSE(configs->IsMediaFile(QStringLiteral("/libri/uno.txt")));
}

struct MediaCase {
    const char* name;
    bool media;
};

class IsMediaFileTest : public testing::TestWithParam<MediaCase> {};

TEST_P(IsMediaFileTest, PlainSubstringOfTheDefaultList) {
    QTemporaryDir dir;
    TM3GeneralConfigs configs(dir.filePath("Play.cfg"), kComma, [] { return QDateTime::currentDateTime(); });
    EXPECT_EQ(configs.IsMediaFile(QString::fromUtf8(GetParam().name)), GetParam().media) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Names, IsMediaFileTest,
    testing::Values(MediaCase{"song.mp3", true}, MediaCase{"SONG.MP3", true}, MediaCase{"x.mp", true},
                    MediaCase{"x.m", true}, MediaCase{"x.3g", true}, MediaCase{"x.s", true},
                    MediaCase{"clip.dvr-ms", true}, MediaCase{"a.tar.flv", true}, MediaCase{"x.ogg", false},
                    MediaCase{"README", false}, MediaCase{"song.mp3.txt", false}, MediaCase{".mp3", true},
                    MediaCase{"/music/album.mp3/README", false}, MediaCase{"/music/a.b/track.wav", true},
                    // The bare dot of "x." occurs in the list; the substring rule takes it.
                    MediaCase{"x.", true}, MediaCase{"x.mp4v", true}, MediaCase{"x.mp5", false},
                    MediaCase{"", false}),
    [](const testing::TestParamInfo<MediaCase>& info) { return CaseName::FromText(info.param.name); });

TEST_F(GeneralConfigsTest, MissingDonateDateIsDueInEveryMonthButDecember) {
    auto configs = Open();
    for (int month = 1; month <= 12; ++month) {
        now = QDateTime(QDate(2026, month, 15), QTime(12, 0));
        EXPECT_EQ(configs->DonateDue(), month != 12) << "month " << month;
    }
}

TEST_F(GeneralConfigsTest, UnreadableDonateDateCountsAsDecember1899) {
    auto configs = OpenWith("[General]\nDonateDate=not a date\n");
    now = QDateTime(QDate(2026, 12, 1), QTime(9, 0));
    EXPECT_FALSE(configs->DonateDue());
    now = QDateTime(QDate(2026, 11, 30), QTime(9, 0));
    EXPECT_TRUE(configs->DonateDue());
}

TEST_F(GeneralConfigsTest, OnlyTheMonthIsCompared) {
    auto configs = Open();
    configs->WriteStamp("General", "DonateDate", QDateTime(QDate(2019, 3, 2), QTime(8, 0)));
    now = QDateTime(QDate(2026, 3, 28), QTime(8, 0));
    EXPECT_FALSE(configs->DonateDue());
    now = QDateTime(QDate(2026, 4, 1), QTime(0, 0));
    EXPECT_TRUE(configs->DonateDue());
}

TEST_F(GeneralConfigsTest, DonateDoneStoresTheClockInTheRegionalForm) {
    auto configs = Open();
    now = QDateTime(QDate(2026, 5, 8), QTime(10, 30, 0));
    EXPECT_TRUE(configs->DonateDue());
    configs->DonateDone();
    EXPECT_FALSE(configs->DonateDue());
    configs->SaveToDisk();
    EXPECT_EQ(ReadBytes(Path()), QByteArray("[General]\r\nDonateDate=08/05/26 10:30:00\r\n\r\n"));
    TM3GeneralConfigs reopened(Path(), kComma, [this] { return now; });
    EXPECT_FALSE(reopened.DonateDue());
    EXPECT_EQ(reopened.ReadStamp("General", "DonateDate", QDateTime()), now);
}

TEST_F(GeneralConfigsTest, UnchangedRunStillRewritesCanonically) {
    auto configs = OpenWith("; my settings\r\n\r\n[General]\r\n  SortType = 1 \r\n\r\n\r\n; end\r\n");
    EXPECT_EQ(configs->SortType(), 1);
    configs->SaveToDisk();
    EXPECT_EQ(ReadBytes(Path()), QByteArray("[General]\r\nSortType=1\r\n\r\n"));
}

TEST_F(GeneralConfigsTest, SoundOptionsAreOffUnlessStoredOn) {
    struct Sound {
        bool even, mono, silences;
        bool operator==(const Sound&) const = default;
    };
    const auto read = [](const TM3GeneralConfigs& c) {
        return Sound{c.EvenLoudness(), c.MonoSound(), c.ShortSilences()};
    };
    const struct {
        const char* name;
        QByteArray file;
        Sound sound;
    } cases[] = {
        {"a file of a release without them", "[General]\r\nDeactivatedVolume=35\r\nSortType=1\r\n", {}},
        {"no file", "", {}},
        {"all on", "[General]\r\nEvenLoudness=1\r\nMonoSound=1\r\nShortSilences=1\r\n", {true, true, true}},
        {"each alone, any case", "[general]\r\nmonosound = 1\r\n", {false, true, false}},
        {"written off", "[General]\r\nEvenLoudness=0\r\nShortSilences=1\r\n", {false, false, true}},
        {"unreadable", "[General]\r\nEvenLoudness=yes\r\nMonoSound=\r\n", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(read(*OpenWith(c.file)), c.sound);
    }
}

TEST_F(GeneralConfigsTest, SoundOptionsGoBesideTheKeysAnOlderReleaseReads) {
    const QByteArray release =
        "[General]\r\nDeactivatedVolume=35\r\nSortType=1\r\nDonateDate=08/12/2026\r\n\r\n";
    {
        auto configs = OpenWith(release);
        configs->SetEvenLoudness(true);
        configs->SetShortSilences(true);
        configs->SetMonoSound(false);
        ASSERT_TRUE(configs->SaveToDisk());
    }
    // The release's lines stay as they were, in place: an older release reads its options as before
    // and keeps the new lines it does not know.
    EXPECT_EQ(ReadBytes(Path()), QByteArray("[General]\r\nDeactivatedVolume=35\r\nSortType=1\r\n"
                                            "DonateDate=08/12/2026\r\nEvenLoudness=1\r\nShortSilences=1\r\n"
                                            "MonoSound=0\r\n\r\n"));
    auto reopened = Open();
    EXPECT_TRUE(reopened->EvenLoudness());
    EXPECT_FALSE(reopened->MonoSound());
    EXPECT_TRUE(reopened->ShortSilences());
    EXPECT_EQ(reopened->DeactivatedVolume(), 35);
    EXPECT_EQ(reopened->SortType(), 1);
}

} // namespace
