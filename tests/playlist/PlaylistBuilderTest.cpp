#include "playlist/PlaylistBuilder.h"

#include "util/FileNameCodec.h"

#include "CurrentFolderGuard.h"
#include "GrowthCheck.h"
#include "TouchFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <ostream>
#include <string>
#include <utility>

namespace {

bool IsMp3OrWav(const QString& name) {
    return name.endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive) ||
           name.endsWith(QLatin1String(".wav"), Qt::CaseInsensitive);
}

bool AnyName(const QString&) {
    return true;
}

void Touch(const QTemporaryDir& dir, const QStringList& relatives) {
    for (const QString& relative : relatives)
        TouchFile(QFile::encodeName(dir.path()), relative.toUtf8());
}

QStringList Scan(const QString& folder, const MediaTest& isMedia = IsMp3OrWav) {
    QStringList files;
    ScanFolder(folder, isMedia, files);
    return files;
}

TEST(ScanFolderTest, ListsByNameIgnoringCaseAndEntersFoldersAtOnce) {
    QTemporaryDir dir;
    Touch(dir, {"b.mp3", "sub/a.wav", "c.txt", "A.mp3", "B2.wav", "m/x.mp3", "m/deeper/y.wav", "z.MP3",
                ".hidden.mp3", "README"});
    const QString root = dir.path() + '/';
    const QStringList expected{root + ".hidden.mp3",    root + "A.mp3",   root + "b.mp3",     root + "B2.wav",
                               root + "m/deeper/y.wav", root + "m/x.mp3", root + "sub/a.wav", root + "z.MP3"};
    const QStringList found = Scan(root);
    EXPECT_EQ(found, expected);
    // A large tree lists a hundred thousand paths: none keeps room to grow.
    for (const QString& path : found)
        EXPECT_EQ(path.capacity(), path.size()) << path.toStdString();
}

// Each upper-cased UTF-16 unit compared by value, a tie settled by the exact name: not the locale's
// collation and not lower-case folding, which put '_' and letters the other way round.
TEST(ScanFolderTest, NameOrderRules) {
    const std::pair<const char*, const char*> inOrder[] = {
        {"ab", "a_b"}, {"A", "a"}, {"10.mp3", "9.mp3"}, {"Zeta", "ärger"}, {"a b", "a-b"}, {"abc", "ABD"}};
    for (const auto& [first, second] : inOrder) {
        QTemporaryDir dir;
        Touch(dir, {QString::fromUtf8(second), QString::fromUtf8(first)});
        const QString root = dir.path() + '/';
        EXPECT_EQ(Scan(root, AnyName),
                  (QStringList{root + QString::fromUtf8(first), root + QString::fromUtf8(second)}))
            << first << " / " << second;
    }
}

TEST(ScanFolderTest, PredicateSeesBareNames) {
    QTemporaryDir dir;
    Touch(dir, {"one.x", "sub/two.y"});
    QStringList seen;
    Scan(dir.path() + '/', [&](const QString& name) {
        seen.append(name);
        return false;
    });
    EXPECT_EQ(seen, (QStringList{"one.x", "two.y"}));
}

TEST(ScanFolderTest, LinkedFoldersAreSearchedOnceAndLoopsEnd) {
    QTemporaryDir dir;
    Touch(dir, {"top/a.mp3", "top/real/c.mp3", "top/sub/b.mp3", "outside/o.mp3"});
    const QByteArray root = QFile::encodeName(dir.path());
    ASSERT_EQ(symlink("..", (root + "/top/sub/up").constData()), 0);
    ASSERT_EQ(symlink(".", (root + "/top/self").constData()), 0);
    ASSERT_EQ(symlink("real", (root + "/top/alias").constData()), 0);
    ASSERT_EQ(symlink((root + "/outside").constData(), (root + "/top/ext").constData()), 0);
    ASSERT_EQ(symlink("real/c.mp3", (root + "/top/linked.mp3").constData()), 0);
    const QString top = dir.path() + "/top/";
    // "alias" comes before "real", so the folder is searched under that name and not again.
    const QStringList expected{top + "a.mp3", top + "alias/c.mp3", top + "ext/o.mp3", top + "linked.mp3",
                               top + "sub/b.mp3"};
    EXPECT_EQ(Scan(top), expected);
}

TEST(ScanFolderTest, FolderThatVanishesIsSkipped) {
    QTemporaryDir dir;
    Touch(dir, {"a.mp3", "gone/x.mp3", "z.mp3"});
    const QString root = dir.path() + '/';
    const QStringList files = Scan(root, [&](const QString& name) {
        if (name == "a.mp3")
            QDir(root + "gone").removeRecursively();
        return true;
    });
    EXPECT_EQ(files, (QStringList{root + "a.mp3", root + "z.mp3"}));
    EXPECT_TRUE(Scan(root + "missing/").isEmpty());
}

TEST(ScanFolderTest, UnreadableFolderIsSkipped) {
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop root";
    QTemporaryDir dir;
    Touch(dir, {"a.mp3", "locked/x.mp3", "z.mp3"});
    const QString root = dir.path() + '/';
    ASSERT_EQ(chmod(QFile::encodeName(root + "locked").constData(), 0), 0);
    EXPECT_EQ(Scan(root), (QStringList{root + "a.mp3", root + "z.mp3"}));
    chmod(QFile::encodeName(root + "locked").constData(), 0755);
}

// QTemporaryDir cannot remove names that are not UTF-8; this removes the test's own by their bytes.
class RawNamesCleanup {
public:
    explicit RawNamesCleanup(QByteArray root) : root_(std::move(root)) {}
    ~RawNamesCleanup() {
        unlink((root_ + "/caf\xe9.mp3").constData());
        unlink((root_ + "/d\xff/in.mp3").constData());
        rmdir((root_ + "/d\xff").constData());
    }

private:
    QByteArray root_;
};

TEST(ScanFolderTest, NamesThatAreNotUtf8CanBeOpenedAgain) {
    QTemporaryDir dir;
    const QByteArray root = QFile::encodeName(dir.path());
    const RawNamesCleanup cleanup(root);
    TouchFile(root, "caf\xe9.mp3");
    TouchFile(root, "d\xff/in.mp3");
    const QStringList files = Scan(dir.path() + '/');
    ASSERT_EQ(files.size(), 2);
    EXPECT_EQ(EncodeFileName(files[0]), root + "/caf\xe9.mp3");
    EXPECT_EQ(EncodeFileName(files[1]), root + "/d\xff/in.mp3");
    struct stat info {};
    for (const QString& file : files)
        EXPECT_EQ(stat(EncodeFileName(file).constData(), &info), 0);
}

TEST(AddFolderTest, RelativeFolderGivesRelativePaths) {
    QTemporaryDir dir;
    Touch(dir, {"music/a.mp3", "music/inner/b.wav"});
    CurrentFolderGuard guard;
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    for (const QString& argument : {QStringLiteral("music"), QStringLiteral("music/")}) {
        QStringList files;
        AddFolder(argument, IsMp3OrWav, files);
        EXPECT_EQ(files, (QStringList{"music/a.mp3", "music/inner/b.wav"})) << qPrintable(argument);
    }
}

TEST(AddFileTest, MakesAbsoluteWithDotsResolved) {
    QTemporaryDir dir;
    Touch(dir, {"x/song.txt", "sub/keep"});
    const QString base = QDir(dir.path()).canonicalPath();
    CurrentFolderGuard guard;
    ASSERT_TRUE(QDir::setCurrent(base + "/sub"));
    QStringList files;
    AddFile("../x/./song.txt", files);
    AddFile(base + "/x/../x/song.txt", files);
    EXPECT_EQ(files, (QStringList{base + "/x/song.txt", base + "/x/song.txt"}));
}

TEST(AddArgumentTest, ArgumentKinds) {
    QTemporaryDir dir;
    Touch(dir, {"album/1.mp3", "album/notes.txt", "song.txt"});
    const QString base = QDir(dir.path()).canonicalPath();
    CurrentFolderGuard guard;
    ASSERT_TRUE(QDir::setCurrent(base));
    struct Case {
        QString argument;
        QStringList expected;
    };
    const Case cases[] = {
        {"", {}},
        {"nothing-here", {}},
        {"album", {"album/1.mp3"}},
        {base + "/album/", {base + "/album/1.mp3"}},
        {"song.txt", {base + "/song.txt"}}, // named directly: any extension
        {"./album/../song.txt", {base + "/song.txt"}},
    };
    for (const Case& c : cases) {
        QStringList files;
        AddArgument(c.argument, IsMp3OrWav, files);
        EXPECT_EQ(files, c.expected) << qPrintable(c.argument);
    }
}

// Hard links (to one file per folder) keep the trees cheap to build. The scan must grow with the
// tree, no faster; the figure for 100,000 files is in the benchmarks.
TEST(ScanFolderTest, ScanGrowsLinearlyWithTheTree) {
    const auto buildTree = [](const QByteArray& root, int folders) {
        for (int folder = 0; folder < folders; ++folder) {
            const QByteArray name = "d" + QByteArray::number(folder);
            TouchFile(root, name + "/source.bin");
            const QByteArray source = root + '/' + name + "/source.bin";
            for (int file = 0; file < 250; ++file) {
                const QByteArray track = root + '/' + name + "/Track " + QByteArray::number(file) + ".mp3";
                ASSERT_EQ(link(source.constData(), track.constData()), 0);
            }
            for (int file = 0; file < 5; ++file) {
                const QByteArray cover = root + '/' + name + "/cover" + QByteArray::number(file) + ".jpg";
                ASSERT_EQ(link(source.constData(), cover.constData()), 0);
            }
        }
    };
    QTemporaryDir small, large;
    buildTree(QFile::encodeName(small.path()), 4);
    buildTree(QFile::encodeName(large.path()), 4 * GrowthCheck::kInputFactor);
    ASSERT_FALSE(HasFatalFailure());
    const auto scanOf = [](const QTemporaryDir& dir, int expected) {
        return GrowthCheck::BestOfThree([&] { EXPECT_EQ(Scan(dir.path() + '/').size(), expected); });
    };
    GrowthCheck::ExpectLinearGrowth(scanOf(small, 1000), scanOf(large, 8000), "scan");
}

// "lnk/.." is where the system goes: the folder holding the link's target.
TEST(PlaylistParentSteps, AreResolvedByTheFileSystemForFilesNamedDirectly) {
    QTemporaryDir dir;
    Touch(dir, {"real/sub/keep", "real/t.mp3", "t.mp3"});
    const QString base = QDir(dir.path()).canonicalPath();
    ASSERT_EQ(symlink("real/sub", QFile::encodeName(base + "/lnk").constData()), 0);
    CurrentFolderGuard guard;
    ASSERT_TRUE(QDir::setCurrent(base));
    QStringList files;
    AddFile("lnk/../t.mp3", files);
    AddFile(base + "/lnk/../t.mp3", files);
    AddArgument("./lnk/../t.mp3", IsMp3OrWav, files);
    AddFile("lnk/keep", files); // no "..": the link stays as typed
    EXPECT_EQ(files, (QStringList{base + "/real/t.mp3", base + "/real/t.mp3", base + "/real/t.mp3",
                                  base + "/lnk/keep"}));
}

// A FIFO, a device or a dangling link named like a track would hold the player on its first read.
struct SpecialFileCase {
    const char* name;
    bool (*make)(const QByteArray& folder, const QByteArray& path);
};

void PrintTo(const SpecialFileCase& c, std::ostream* os) {
    *os << c.name;
}

class PlaylistSpecialFiles : public ::testing::TestWithParam<SpecialFileCase> {};

TEST_P(PlaylistSpecialFiles, AreLeftOutOfAScannedFolder) {
    QTemporaryDir dir;
    const QByteArray root = QFile::encodeName(dir.path());
    TouchFile(root, "m/a.mp3");
    TouchFile(root, "m/sub/c.mp3");
    ASSERT_TRUE(GetParam().make(root, root + "/m/b.mp3"));
    ASSERT_EQ(symlink("a.mp3", (root + "/m/linked.mp3").constData()), 0); // a regular file behind it
    EXPECT_EQ(Scan(dir.path() + "/m/"), (QStringList{dir.path() + "/m/a.mp3", dir.path() + "/m/linked.mp3",
                                                     dir.path() + "/m/sub/c.mp3"}));
}

TEST_P(PlaylistSpecialFiles, NamedDirectlyAreSkippedWithoutOpeningThem) {
    QTemporaryDir dir;
    const QByteArray root = QFile::encodeName(dir.path());
    ASSERT_TRUE(GetParam().make(root, root + "/b.mp3"));
    QStringList files;
    AddArgument(dir.path() + "/b.mp3", IsMp3OrWav, files); // an open of a FIFO would wait here
    EXPECT_EQ(files, QStringList());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, PlaylistSpecialFiles,
    ::testing::Values(SpecialFileCase{"Fifo",
                                      [](const QByteArray&, const QByteArray& path) {
                                          return mkfifo(path.constData(), 0644) == 0;
                                      }},
                      SpecialFileCase{"LinkToFifo",
                                      [](const QByteArray& folder, const QByteArray& path) {
                                          const QByteArray fifo = folder + "/pipe";
                                          return mkfifo(fifo.constData(), 0644) == 0 &&
                                                 symlink(fifo.constData(), path.constData()) == 0;
                                      }},
                      SpecialFileCase{"LinkToDevice",
                                      [](const QByteArray&, const QByteArray& path) {
                                          return symlink("/dev/null", path.constData()) == 0;
                                      }},
                      SpecialFileCase{"DanglingLink",
                                      [](const QByteArray& folder, const QByteArray& path) {
                                          return symlink((folder + "/gone").constData(), path.constData()) ==
                                                 0;
                                      }}),
    [](const ::testing::TestParamInfo<SpecialFileCase>& info) { return std::string(info.param.name); });

} // namespace
