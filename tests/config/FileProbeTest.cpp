#include "config/FileProbe.h"
#include "util/FileNameCodec.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

using Entry = TFileProbe::Entry;

// A file system of a few entries; everything else is missing. Counts the questions asked.
class FakeFileSystem {
public:
    TFileProbe::Lookup Lookup() {
        return [this](const QString& path) {
            asked.append(path);
            return entries.value(path, Entry::Missing);
        };
    }

    QHash<QString, Entry> entries;
    QStringList asked;
};

TEST(TFileProbe, UnmountedDriveCostsOneWalkNotOneQuestionPerFile) {
    FakeFileSystem fs;
    fs.entries = {{"/media", Entry::Folder}};
    TFileProbe probe(fs.Lookup());
    for (int i = 0; i < 20000; ++i)
        EXPECT_FALSE(probe.FileExists(QString("/media/usb/album%1/track%2.mp3").arg(i % 100).arg(i)));
    EXPECT_EQ(fs.asked,
              QStringList({"/media/usb/album0/track0.mp3", "/media/usb/album0", "/media/usb", "/media"}));
}

TEST(TFileProbe, FilesOfAnExistingFolderAreEachAsked) {
    FakeFileSystem fs;
    fs.entries = {{"/m", Entry::Folder}, {"/m/a.mp3", Entry::File}, {"/m/sub", Entry::Folder}};
    TFileProbe probe(fs.Lookup());
    EXPECT_TRUE(probe.FileExists("/m/a.mp3"));
    EXPECT_FALSE(probe.FileExists("/m/gone.mp3"));
    EXPECT_FALSE(probe.FileExists("/m/also-gone.mp3"));
    EXPECT_TRUE(probe.FileExists("/m/a.mp3"));
    EXPECT_FALSE(probe.FileExists("/m/sub")) << "a folder is not a file";
    EXPECT_EQ(fs.asked, QStringList({"/m/a.mp3", "/m/gone.mp3", "/m/also-gone.mp3", "/m/a.mp3", "/m/sub"}));
}

TEST(TFileProbe, MissingFolderDoesNotHideASiblingWithALongerName) {
    FakeFileSystem fs;
    fs.entries = {
        {"/media", Entry::Folder}, {"/media/usbx", Entry::Folder}, {"/media/usbx/a.mp3", Entry::File}};
    TFileProbe probe(fs.Lookup());
    EXPECT_FALSE(probe.FileExists("/media/usb/a.mp3"));
    EXPECT_TRUE(probe.FileExists("/media/usbx/a.mp3"));
    EXPECT_FALSE(probe.FileExists("/media/usb/deeper/b.mp3"));
    EXPECT_EQ(fs.asked.count("/media/usb/deeper/b.mp3"), 0);
}

TEST(TFileProbe, OtherFailuresAreNotTakenForMissingFolders) {
    // A folder that cannot be searched (EACCES) says nothing about its neighbours.
    FakeFileSystem fs;
    fs.entries = {
        {"/locked/a.mp3", Entry::Unknown}, {"/locked", Entry::Folder}, {"/locked/b.mp3", Entry::File}};
    TFileProbe probe(fs.Lookup());
    EXPECT_FALSE(probe.FileExists("/locked/a.mp3"));
    EXPECT_TRUE(probe.FileExists("/locked/b.mp3"));
}

TEST(TFileProbe, PathsWithoutFoldersAreAskedAsTheyAre) {
    FakeFileSystem fs;
    fs.entries = {{"song.mp3", Entry::File}, {"rel", Entry::Folder}, {"rel/x.mp3", Entry::File}};
    TFileProbe probe(fs.Lookup());
    EXPECT_TRUE(probe.FileExists("song.mp3"));
    EXPECT_FALSE(probe.FileExists("D:\\a\\b.mp3"));
    EXPECT_TRUE(probe.FileExists("rel/x.mp3"));
    EXPECT_FALSE(probe.FileExists("gone/x.mp3"));
    EXPECT_FALSE(probe.FileExists("gone/y.mp3"));
    EXPECT_EQ(fs.asked.count("gone/y.mp3"), 0);
}

TEST(TFileProbe, EmptyAndNulPathsAreNeverAsked) {
    FakeFileSystem fs;
    TFileProbe probe(fs.Lookup());
    EXPECT_FALSE(probe.FileExists(""));
    EXPECT_FALSE(probe.FileExists(QString("/m/a") + QChar(0) + ".mp3"));
    EXPECT_TRUE(fs.asked.isEmpty());
}

TEST(TFileProbe, SystemLookupTellsFilesFromFolders) {
    EXPECT_EQ(TFileProbe::SystemLookup("/"), Entry::Folder);
    EXPECT_EQ(TFileProbe::SystemLookup("/proc/self/status"), Entry::File);
    EXPECT_EQ(TFileProbe::SystemLookup("/no/such/path/at/all"), Entry::Missing);
    EXPECT_EQ(TFileProbe::SystemLookup("/proc/self/status/below"), Entry::Missing) << "ENOTDIR";
}

TEST(TFileProbe, AListedFolderAnswersItsFilesWithoutAQuestionEach) {
    QTemporaryDir dir;
    const QString f = dir.path();
    QDir().mkdir(f + "/sub");
    QFile(f + "/a.mp3").open(QIODevice::WriteOnly);
    QFile::link(f + "/a.mp3", f + "/link.mp3");
    QFile::link(f + "/nowhere.mp3", f + "/dangling.mp3");
    FakeFileSystem fs;
    fs.entries = {{f + "/link.mp3", Entry::File}};
    TFileProbe probe(fs.Lookup());
    probe.ListFolder(f);
    EXPECT_TRUE(probe.FileExists(f + "/a.mp3"));
    EXPECT_FALSE(probe.FileExists(f + "/gone.mp3"));
    EXPECT_FALSE(probe.FileExists(f + "/A.MP3")) << "names are exact";
    EXPECT_FALSE(probe.FileExists(f + "/sub")) << "a folder is not a file";
    EXPECT_TRUE(probe.FileExists(f + "/link.mp3"));
    EXPECT_FALSE(probe.FileExists(f + "/dangling.mp3"));
    // Only the links, whose targets a listing cannot tell, were asked.
    EXPECT_EQ(fs.asked, QStringList({f + "/link.mp3", f + "/dangling.mp3"}));
}

TEST(TFileProbe, NamesThatAreNotUtf8AreAskedForByTheirOwnBytes) {
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path());
    const QByteArray odd = folder + "/caf\xe9.mp3";
    ASSERT_EQ(::close(::open(odd.constData(), O_CREAT | O_WRONLY, 0644)), 0);
    const QString oddPath = DecodeFileName(odd);
    EXPECT_EQ(TFileProbe::SystemLookup(oddPath), Entry::File);
    EXPECT_EQ(TFileProbe::SystemLookup(QFile::decodeName(odd)), Entry::Missing)
        << "Qt's form names other bytes";

    // A listing of such a folder answers for its names too.
    FakeFileSystem fs;
    TFileProbe probe(fs.Lookup());
    probe.ListFolder(dir.path());
    EXPECT_TRUE(probe.FileExists(oddPath));
    EXPECT_FALSE(probe.FileExists(dir.path() + "/a.mp3"));
    EXPECT_TRUE(fs.asked.isEmpty());
}

} // namespace
