// One remembered position per file, found again from any name of the file and written back exactly.
#include "config/MediaConfigs.h"
#include "util/FileNameCodec.h"

#include "StoreTestFiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace StoreTestFiles;

namespace {

// Creates an empty file at path, whose bytes are those of the name codec (any name at all).
void MakeFileAt(const QString& path) {
    const int fd = ::open(EncodeFileName(path).constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0) << path.toStdString();
    ::close(fd);
}

// Runs a test from another current folder and goes back afterwards.
class InFolder {
public:
    explicit InFolder(const QString& folder) : FSaved(QDir::currentPath()) { QDir::setCurrent(folder); }
    ~InFolder() { QDir::setCurrent(FSaved); }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;

private:
    QString FSaved;
};

class ResumeIdentityTest : public testing::Test {
protected:
    ResumeIdentityTest() : root(QDir(dir.path()).canonicalPath()) {}
    QString At(const QString& name) const { return root + u'/' + name; }
    QString Store() const { return At("Play.ind"); }
    QString Made(const QString& name) {
        MakeFileAt(At(name));
        return At(name);
    }

    QTemporaryDir dir;
    QString root; // without links, as the store resolves it
};

TEST_F(ResumeIdentityTest, TheSameRelativeNameInTwoFoldersIsTwoFiles) {
    QDir().mkpath(At("BookA"));
    QDir().mkpath(At("BookB"));
    Made("BookA/01.mp3");
    Made("BookB/01.mp3");
    {
        TM3MediaConfigs store(Store(), kComma);
        {
            const InFolder a(At("BookA"));
            store.SetResumeTime("./01.mp3", 600);
        }
        const InFolder b(At("BookB"));
        EXPECT_EQ(store.GetResumeTime("./01.mp3"), 0) << "BookB's first chapter was never played";
        store.SetResumeTime("01.mp3", 30);
        store.SaveToDisk();
    }
    TM3MediaConfigs reopened(Store(), kComma);
    EXPECT_EQ(reopened.GetResumeTime(At("BookA/01.mp3")), 600);
    EXPECT_EQ(reopened.GetResumeTime(At("BookB/01.mp3")), 30);
    const QByteArray saved = ReadBytes(Store());
    EXPECT_TRUE(saved.contains("Path=" + EncodeFileName(At("BookA/01.mp3")) + "\r\n")) << saved.constData();
    EXPECT_FALSE(saved.contains("Path=./")) << saved.constData();
}

struct Naming {
    const char* name;
    QString (*spell)(const QString& root); // another way to name root + "/music/album/t.mp3"
};

class AnyNameOfTheFile : public ResumeIdentityTest, public testing::WithParamInterface<Naming> {};

TEST_P(AnyNameOfTheFile, FindsItsPosition) {
    QDir().mkpath(At("music/album"));
    QDir().mkpath(At("elsewhere"));
    const QString file = Made("music/album/t.mp3");
    ASSERT_TRUE(QFile::link(At("music/album"), At("linked")));
    ASSERT_TRUE(QFile::link(At("music/album/t.mp3"), At("elsewhere/t-link.mp3")));
    TM3MediaConfigs store(Store(), kComma);
    store.SetResumeTime(file, 83.4);
    const InFolder from(At("music"));
    const QString other = GetParam().spell(root);
    EXPECT_DOUBLE_EQ(store.GetResumeTime(other), 83.4) << other.toStdString();
    store.SetResumeTime(other, 90);
    EXPECT_EQ(store.SectionNames().size(), 1) << "one file, one entry";
    EXPECT_EQ(store.GetResumeTime(file), 90);
    store.SetResumeTime(other, 0);
    EXPECT_EQ(store.GetResumeTime(file), 0);
    EXPECT_TRUE(store.SectionNames().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Ways, AnyNameOfTheFile,
    testing::Values(Naming{"RelativeToTheCurrentFolder",
                           [](const QString&) { return QStringLiteral("album/t.mp3"); }},
                    Naming{"DotSlash", [](const QString&) { return QStringLiteral("./album/./t.mp3"); }},
                    Naming{"DotDot", [](const QString& r) { return r + "/music/album/../album/t.mp3"; }},
                    Naming{"DoubleSlash", [](const QString& r) { return r + "//music//album/t.mp3"; }},
                    Naming{"ThroughALinkedFolder", [](const QString& r) { return r + "/linked/t.mp3"; }},
                    Naming{"ALinkToTheFile", [](const QString& r) { return r + "/elsewhere/t-link.mp3"; }},
                    Naming{"DotDotAfterALink",
                           [](const QString&) { return QStringLiteral("../linked/../album/t.mp3"); }}),
    [](const testing::TestParamInfo<Naming>& info) { return std::string(info.param.name); });

TEST_F(ResumeIdentityTest, DotDotIsResolvedByTheSystemNotAsText) {
    // "lnk/.." is the folder above the link's target, not the folder holding the link.
    QDir().mkpath(At("deep/target"));
    Made("deep/t.mp3");
    Made("t.mp3");
    ASSERT_TRUE(QFile::link(At("deep/target"), At("lnk")));
    TM3MediaConfigs store(Store(), kComma);
    store.SetResumeTime(At("lnk/../t.mp3"), 12);
    EXPECT_EQ(store.GetResumeTime(At("deep/t.mp3")), 12);
    EXPECT_EQ(store.GetResumeTime(At("t.mp3")), 0);
}

struct Pair {
    const char* name;
    const char* first;
    const char* second;
};

class AlikePaths : public ResumeIdentityTest, public testing::WithParamInterface<Pair> {};

TEST_P(AlikePaths, KeepAPositionEach) {
    const QString first = Made(QString::fromUtf8(GetParam().first));
    const QString second = Made(QString::fromUtf8(GetParam().second));
    ASSERT_EQ(TM3MediaConfigs::SectionName(first), TM3MediaConfigs::SectionName(second));
    {
        TM3MediaConfigs store(Store(), kComma);
        store.SetResumeTime(first, 100);
        EXPECT_EQ(store.GetResumeTime(second), 0) << "never played, so it starts at the beginning";
        store.SetResumeTime(second, 200);
        EXPECT_EQ(store.GetResumeTime(first), 100);
        store.SaveToDisk();
    }
    TM3MediaConfigs reopened(Store(), kComma);
    EXPECT_EQ(reopened.GetResumeTime(first), 100);
    EXPECT_EQ(reopened.GetResumeTime(second), 200);
    reopened.SetResumeTime(first, 0);
    EXPECT_EQ(reopened.GetResumeTime(first), 0);
    EXPECT_EQ(reopened.GetResumeTime(second), 200) << "forgetting one keeps the other";
    reopened.SetResumeTime(first, 5); // a third section name is not needed: the first is free again
    EXPECT_EQ(reopened.SectionNames().size(), 2);
}

INSTANTIATE_TEST_SUITE_P(Pairs, AlikePaths,
                         testing::Values(Pair{"Cyrillic", "Песня.mp3", "Другая.mp3"},
                                         Pair{"Punctuation", "01 - Intro.mp3", "01 Intro.mp3"},
                                         Pair{"LetterCase", "Track1.mp3", "track1.MP3"},
                                         Pair{"Accents", "Música.mp3", "Msica.mp3"}),
                         [](const testing::TestParamInfo<Pair>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(ResumeIdentityTest, EntriesOfOlderFilesKeepReading) {
    const QString a = Made("a.mp3");
    ASSERT_TRUE(QFile::link(root, At("viaLink")));
    const QString linked = At("viaLink/a.mp3"); // an older program stored the path as given
    QByteArray file = "[" + TM3MediaConfigs::SectionName(linked).toLatin1() +
                      "]\r\nPath=" + EncodeFileName(linked) +
                      "\r\nTime=40\r\n\r\n"
                      "[nopathmp3]\r\nTime=7,5\r\n\r\n"
                      "[gonemp3]\r\nPath=/gone.mp3\r\nTime=3\r\n\r\n";
    WriteBytes(Store(), file);
    TM3MediaConfigs store(Store(), kComma);
    EXPECT_EQ(store.GetResumeTime(linked), 40);
    EXPECT_EQ(store.GetResumeTime("/no/path.mp3"), 7.5) << "a section without Path is read by its name";
    EXPECT_EQ(store.GetResumeTime("/gone.mp3"), 3);
    EXPECT_EQ(store.GetResumeTime("/gone!.mp3"), 0) << "the same section name, another Path";
    store.SetResumeTime(linked, 41); // rewrites the old entry under the resolved path
    EXPECT_EQ(store.GetResumeTime(a), 41);
    EXPECT_EQ(store.SectionNames().size(), 3);
    store.SetResumeTime("/no/path.mp3", 0);
    EXPECT_EQ(store.SectionNames().size(), 2);
}

TEST_F(ResumeIdentityTest, AnOlderFileInTheCodePageIsWrittenBackByteForByte) {
    QByteArray file = "[homemsicaxmp3]\r\nPath=/home/M\xFAsica/x.mp3\r\nTime=83,4\r\n\r\n"
                      "[nopath]\r\nTime=9\r\n\r\n";
    WriteBytes(Store(), file);
    TM3MediaConfigs store(Store(), kComma);
    EXPECT_DOUBLE_EQ(store.GetResumeTime(QString::fromUtf8("/home/Música/x.mp3")), 83.4);
    store.SaveToDisk();
    EXPECT_EQ(ReadBytes(Store()), file);
}

struct Name {
    const char* name;
    QByteArray bytes; // the file name as the system holds it
};

class NameWrittenBackExactly : public ResumeIdentityTest, public testing::WithParamInterface<Name> {};

TEST_P(NameWrittenBackExactly, KeepsItsPositionAcrossRunsAndPurges) {
    const QString path = root + u'/' + DecodeFileName(GetParam().bytes);
    MakeFileAt(path);
    {
        TM3MediaConfigs store(Store(), kComma);
        store.SetResumeTime(path, 42.5);
        store.SaveToDisk();
    }
    for (int run = 0; run < 2; ++run) {
        TM3MediaConfigs store(Store(), kComma);
        EXPECT_EQ(store.GetResumeTime(path), 42.5) << "run " << run;
        store.Purge(); // asks for the same bytes the program plays
        EXPECT_EQ(store.SectionNames().size(), 1) << "run " << run;
        store.SaveToDisk();
    }
    EXPECT_TRUE(ReadBytes(Store()).contains(GetParam().bytes)) << "the name's own bytes";
}

INSTANTIATE_TEST_SUITE_P(
    Names, NameWrittenBackExactly,
    testing::Values(Name{"Cyrillic", "Песня.mp3"}, Name{"Greek", "Τραγούδι.mp3"}, Name{"Cjk", "歌.mp3"},
                    Name{"Emoji", "\xF0\x9F\x8E\xB5.mp3"}, Name{"Polish", "Łódź.mp3"},
                    Name{"NotUtf8", "caf\xE9.mp3"}, Name{"NotUtf8Windows1251", "\xCF\xE5\xF1\xED\xFF.mp3"},
                    Name{"NotUtf8BesideUtf8", "\xD0\x9F\xFF.mp3"}, Name{"TrailingBlank", "song.mp3 "},
                    Name{"TrailingTab", "song.mp3\t"}, Name{"Quoted", "\"q\".mp3"}),
    [](const testing::TestParamInfo<Name>& info) { return std::string(info.param.name); });

TEST_F(ResumeIdentityTest, ABlankAtTheEndOfANameIsNotAnotherFile) {
    const QString blank = Made("a.mp3 ");
    const QString plain = Made("a.mp3");
    TM3MediaConfigs store(Store(), kComma);
    store.SetResumeTime(blank, 1);
    store.SetResumeTime(plain, 2);
    store.SaveToDisk();
    TM3MediaConfigs reopened(Store(), kComma);
    EXPECT_EQ(reopened.GetResumeTime(blank), 1);
    EXPECT_EQ(reopened.GetResumeTime(plain), 2);
}

TEST_F(ResumeIdentityTest, AMissingFileStillHasOneIdentity) {
    // Gone for now (an unmounted drive): every spelling of it still finds the one entry.
    QDir().mkpath(At("here"));
    TM3MediaConfigs store(Store(), kComma);
    store.SetResumeTime(At("here/not/yet.mp3"), 5);
    const InFolder from(At("here"));
    EXPECT_EQ(store.GetResumeTime("not/yet.mp3"), 5);
    EXPECT_EQ(store.GetResumeTime("./not//./yet.mp3"), 5);
    EXPECT_EQ(store.ReadText(store.SectionNames().value(0), "Path", ""), At("here/not/yet.mp3"));
}

} // namespace
