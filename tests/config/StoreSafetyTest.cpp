// What the stores must never do: replace a file by a short one, block or exhaust memory on a
// special file, lose another instance's saves, or hang or forget at exit.
#include "config/GeneralConfigs.h"
#include "config/MediaConfigs.h"
#include "config/SettingsModule.h"

#include "StoreTestFiles.h"
#include "support/FixedPlatform.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <condition_variable>
#include <csignal>
#include <fcntl.h>
#include <malloc.h>
#include <memory>
#include <mutex>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace StoreTestFiles;
using Entry = TFileProbe::Entry;

namespace {

QDateTime FixedNow() {
    return QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7));
}

ino_t InodeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

class StoreSafetyTest : public testing::Test {
protected:
    QString At(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

// ---- a failed write never replaces the file ----

struct WriteSize {
    const char* name;
    int sections; // of the new content, written over a small old file
};

class FailedWrite : public StoreSafetyTest, public testing::WithParamInterface<WriteSize> {};

TEST_P(FailedWrite, LeavesThePreviousFileByteForByteAndKeepsTheChanges) {
    const QByteArray old = "[Old]\r\nPath=/m/kept.mp3\r\nTime=12\r\n\r\n";
    WriteBytes(At("Play.ind"), old);
    TM3MediaConfigs store(At("Play.ind"), kComma);
    for (int i = 0; i < GetParam().sections; ++i)
        store.SetResumeTime("/m/" + QString::number(i) + ".mp3", i + 1);
    ASSERT_GT(store.Serialize().size(), 1024);
    {
        const WriteLimit limit(1024);
        EXPECT_FALSE(store.SaveToDisk());
    }
    EXPECT_EQ(ReadBytes(At("Play.ind")), old);
    EXPECT_EQ(Entries(dir.path()), QStringList({"Play.ind"})) << "the new file is removed";
    EXPECT_TRUE(store.SaveToDisk()) << "the changes were kept for the next save";
    TM3MediaConfigs reopened(At("Play.ind"), kComma);
    EXPECT_EQ(reopened.GetResumeTime("/m/0.mp3"), 1);
    EXPECT_EQ(reopened.SectionNames().size(), GetParam().sections + 1);
}

// A write smaller than the buffer of a buffered file fails only when it is flushed.
INSTANTIATE_TEST_SUITE_P(Sizes, FailedWrite,
                         testing::Values(WriteSize{"SmallerThanAWriteBuffer", 100},
                                         WriteSize{"LargerThanAWriteBuffer", 4000}),
                         [](const testing::TestParamInfo<WriteSize>& info) {
                             return std::string(info.param.name);
                         });

// A small tmpfs, mounted for the test and filled up.
class FullDisk {
public:
    explicit FullDisk(const QString& folder) : FFolder(QFile::encodeName(folder)) {
        FMounted = ::mount("tmpfs", FFolder.constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k") == 0;
    }
    ~FullDisk() {
        if (FMounted)
            ::umount2(FFolder.constData(), MNT_DETACH);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;
    bool Mounted() const { return FMounted; }
    /// Turns the file system read-only; false when it cannot be done here.
    bool MakeReadOnly() {
        return ::mount("tmpfs", FFolder.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV,
                       "size=64k") == 0;
    }
    /// Frees what Fill took.
    void Free() { ASSERT_EQ(::unlink((FFolder + "/filler").constData()), 0); }
    /// Writes a filler file until the file system is full.
    void Fill() {
        const int fd = ::open((FFolder + "/filler").constData(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        const QByteArray block(4096, 'f');
        while (::write(fd, block.constData(), static_cast<size_t>(block.size())) > 0) {
        }
        ::close(fd);
    }

private:
    QByteArray FFolder;
    bool FMounted = false;
};

TEST_F(StoreSafetyTest, AFullDiskLeavesThePreviousFileByteForByte) {
    ASSERT_TRUE(QDir().mkpath(At("disk")));
    FullDisk disk(At("disk"));
    if (!disk.Mounted())
        GTEST_SKIP() << "a tmpfs cannot be mounted here (needs root and CAP_SYS_ADMIN)";
    const QString file = At("disk/Play.ind");
    const QByteArray old = "[mkeptmp3]\r\nPath=/m/kept.mp3\r\nTime=12\r\n\r\n";
    WriteBytes(file, old);
    TM3MediaConfigs store(file, kComma);
    for (int i = 0; i < 50; ++i)
        store.SetResumeTime("/m/" + QString::number(i) + ".mp3", i + 1);
    disk.Fill();
    EXPECT_FALSE(store.SaveToDisk());
    EXPECT_TRUE(store.LastSaveError().contains("No space left")) << store.LastSaveError().toStdString();
    EXPECT_EQ(ReadBytes(file), old);
    QStringList left = Entries(At("disk"));
    left.sort();
    EXPECT_EQ(left, QStringList({"Play.ind", "filler"})) << "the new file is removed";
}

// The disk fills and frees while the store saves: the saves stay on the file the next start reads.
TEST_F(StoreSafetyTest, AFullDiskIsTriedAgainNotLeft) {
    ASSERT_TRUE(QDir().mkpath(At("disk")));
    FullDisk disk(At("disk"));
    if (!disk.Mounted())
        GTEST_SKIP() << "a tmpfs cannot be mounted here (needs root and CAP_SYS_ADMIN)";
    const QString file = At("disk/Play.ind");
    TM3MediaConfigs store(file, kComma);
    bool moved = false;
    store.SetFallback(At("fallback.ind"),
                      [&moved](const QString&, const QString&, const QString&) { moved = true; });
    store.SetResumeTime("/m/book.mp3", 13.2);
    ASSERT_TRUE(store.SaveToDisk());
    disk.Fill();
    for (int i = 0; i < 50; ++i)
        store.SetResumeTime("/m/" + QString::number(i) + ".mp3", i + 1);
    store.SetResumeTime("/m/book.mp3", 20);
    EXPECT_FALSE(store.SaveToDisk());
    disk.Free();
    store.SetResumeTime("/m/book.mp3", 25.5);
    EXPECT_TRUE(store.SaveToDisk());
    EXPECT_FALSE(moved);
    EXPECT_FALSE(QFileInfo::exists(At("fallback.ind")));
    TM3MediaConfigs reread(file, kComma);
    EXPECT_EQ(reread.GetResumeTime("/m/book.mp3"), 25.5);
    EXPECT_EQ(reread.GetResumeTime("/m/49.mp3"), 50);
}

TEST_F(StoreSafetyTest, AFolderTurnedReadOnlyMovesTheSavesToTheFallback) {
    ASSERT_TRUE(QDir().mkpath(At("disk")));
    FullDisk disk(At("disk"));
    if (!disk.Mounted())
        GTEST_SKIP() << "a tmpfs cannot be mounted here (needs root and CAP_SYS_ADMIN)";
    const QString file = At("disk/Play.ind");
    TM3MediaConfigs store(file, kComma);
    QString told;
    store.SetFallback(At("fallback.ind"),
                      [&told](const QString&, const QString& to, const QString&) { told = to; });
    store.SetResumeTime("/m/book.mp3", 13.2);
    ASSERT_TRUE(store.SaveToDisk());
    if (!disk.MakeReadOnly())
        GTEST_SKIP() << "the tmpfs cannot be made read-only here";
    store.SetResumeTime("/m/book.mp3", 20);
    EXPECT_TRUE(store.SaveToDisk());
    EXPECT_EQ(told, At("fallback.ind"));
    EXPECT_EQ(TM3MediaConfigs(At("fallback.ind"), kComma).GetResumeTime("/m/book.mp3"), 20);
}

// ---- special files are "cannot be read", at once ----

struct SpecialFile {
    const char* name;
    void (*make)(const QString& path);
};

class SpecialStoreFile : public StoreSafetyTest, public testing::WithParamInterface<SpecialFile> {};

TEST_P(SpecialStoreFile, CannotBeReadAndNeverBlocks) {
    GetParam().make(At("Play.ind"));
    try {
        TM3MediaConfigs store(At("Play.ind"), kComma); // a FIFO would block here for ever
        FAIL() << "loaded";
    } catch (const StoreError& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains("cannot read")) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SpecialStoreFile,
    testing::Values(
        SpecialFile{"Fifo",
                    [](const QString& p) { ASSERT_EQ(::mkfifo(QFile::encodeName(p).constData(), 0644), 0); }},
        SpecialFile{"LinkToDevZero", [](const QString& p) { ASSERT_TRUE(QFile::link("/dev/zero", p)); }},
        SpecialFile{"LinkToDevNull", [](const QString& p) { ASSERT_TRUE(QFile::link("/dev/null", p)); }},
        SpecialFile{"UnixSocket",
                    [](const QString& p) {
                        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
                        sockaddr_un address{};
                        address.sun_family = AF_UNIX;
                        const QByteArray bytes = QFile::encodeName(p);
                        ASSERT_LT(static_cast<std::size_t>(bytes.size()), sizeof address.sun_path);
                        std::memcpy(address.sun_path, bytes.constData(),
                                    static_cast<std::size_t>(bytes.size()));
                        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
                        ::close(fd);
                    }},
        SpecialFile{"LargerThanTheBound",
                    [](const QString& p) {
                        // Sparse: no disk space is used.
                        const int fd = ::open(QFile::encodeName(p).constData(), O_CREAT | O_WRONLY, 0644);
                        ASSERT_EQ(::ftruncate(fd, StoreFile::kMaxFileSize + 1), 0);
                        ::close(fd);
                    }}),
    [](const testing::TestParamInfo<SpecialFile>& info) { return std::string(info.param.name); });

TEST_F(StoreSafetyTest, AFileOfExactlyTheBoundIsRead) {
    const int fd = ::open(QFile::encodeName(At("Play.cfg")).constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_EQ(::write(fd, "[General]\r\nSortType=2\r\n", 23), 23);
    ASSERT_EQ(::ftruncate(fd, StoreFile::kMaxFileSize), 0); // the rest is NUL bytes of one line
    ::close(fd);
    TSectionedStore store(At("Play.cfg"), kComma);
    EXPECT_EQ(store.ReadInt("General", "SortType", 0), 2);
}

// Bytes the allocator holds for the program, heap and mapped blocks together.
std::size_t HeapInUse() {
    const struct mallinfo2 info = ::mallinfo2();
    return info.uordblks + info.hblkhd;
}

struct Flood {
    const char* name;
    QByteArray (*header)(int i);
};

class ManySections : public StoreSafetyTest, public testing::WithParamInterface<Flood> {};

TEST_P(ManySections, TakeASmallMultipleOfTheFileInMemory) {
    QByteArray file;
    for (int i = 0; file.size() < 4 * 1024 * 1024; ++i)
        file += GetParam().header(i);
    WriteBytes(At("Play.ind"), file);
    const qsizetype size = file.size();
    file = QByteArray();
    const std::size_t before = HeapInUse();
    const TSectionedStore store(At("Play.ind"), kComma);
    const double ratio = static_cast<double>(HeapInUse() - before) / static_cast<double>(size);
    EXPECT_LT(ratio, 8.0) << "memory held per byte of the file";
    std::cout << GetParam().name << ": " << ratio << " bytes of memory per byte of the file\n";
}

INSTANTIATE_TEST_SUITE_P(
    Headers, ManySections,
    testing::Values(Flood{"EmptyNames", [](int) { return QByteArray("[]\r\n"); }},
                    Flood{"EmptyNamesLf", [](int) { return QByteArray("[]\n"); }},
                    Flood{"DistinctNames", [](int i) { return "[s" + QByteArray::number(i) + "]\r\n"; }}),
    [](const testing::TestParamInfo<Flood>& info) { return std::string(info.param.name); });

// ---- a byte-order mark is no part of the first header ----

TEST_F(StoreSafetyTest, AByteOrderMarkBeforeTheFirstHeaderIsAccepted) {
    WriteBytes(At("Play.cfg"), "\xEF\xBB\xBF[General]\r\nSortType=2\r\nExtensions=.mp3.ogg\r\n");
    TM3GeneralConfigs options(At("Play.cfg"), kComma, FixedNow);
    EXPECT_EQ(options.SortType(), 2);
    EXPECT_EQ(options.ExtensionList(), ".mp3.ogg");
    options.SaveToDisk();
    EXPECT_EQ(ReadBytes(At("Play.cfg")), QByteArray("[General]\r\nSortType=2\r\nExtensions=.mp3.ogg\r\n\r\n"))
        << "written back in the code page, which holds every character";
}

TEST_F(StoreSafetyTest, AFileWithAByteOrderMarkIsReadAsUtf8) {
    WriteBytes(At("Play.ind"), "\xEF\xBB\xBF[x]\r\nPath=/m/\xC3\xA9t\xC3\xA9.mp3\r\nTime=5\r\n");
    TM3MediaConfigs store(At("Play.ind"), kComma);
    EXPECT_EQ(store.GetResumeTime(QString::fromUtf8("/m/été.mp3")), 5);
}

// ---- saving merges this run's changes over the file as it is now ----

TEST_F(StoreSafetyTest, TheFirstSaveRemovesWhatKilledSavesLeftButNotALiveWritersFile) {
    // A child that has exited and been reaped names a process that is certainly gone.
    const pid_t dead = ::fork();
    if (dead == 0)
        ::_exit(0);
    ASSERT_GT(dead, 0);
    ASSERT_EQ(::waitpid(dead, nullptr, 0), dead);
    const QString gone = QStringLiteral("Play.ind.%1.0.tmp").arg(dead);
    const QString live = QStringLiteral("Play.ind.%1.7.tmp").arg(::getppid());
    const QStringList kept = {"Play.cfg.tmp", "Play.ind.x.1.tmp", "Play.ind.tmp", "Play.indy.1.2.tmp", live};
    const QStringList written = QStringList(kept) << gone;
    for (const QString& name : written)
        WriteBytes(At(name), "[a]\r\n");
    TM3MediaConfigs store(At("Play.ind"), kComma);
    store.SetResumeTime("/m/p.mp3", 20);
    ASSERT_TRUE(store.SaveToDisk());
    QStringList expected = QStringList(kept) << "Play.ind";
    expected.sort();
    EXPECT_EQ(Entries(dir.path()), expected);
}

TEST_F(StoreSafetyTest, TwoInstancesKeepEachOthersPositions) {
    WriteBytes(At("Play.ind"), "[mxmp3]\r\nPath=/m/x.mp3\r\nTime=10\r\n\r\n");
    TM3MediaConfigs first(At("Play.ind"), kComma);
    TM3MediaConfigs second(At("Play.ind"), kComma);
    first.SetResumeTime("/m/p.mp3", 20);
    second.SetResumeTime("/m/q.mp3", 30);
    first.SaveToDisk();
    second.SaveToDisk();
    {
        TM3MediaConfigs reread(At("Play.ind"), kComma);
        EXPECT_EQ(reread.GetResumeTime("/m/x.mp3"), 10);
        EXPECT_EQ(reread.GetResumeTime("/m/p.mp3"), 20);
        EXPECT_EQ(reread.GetResumeTime("/m/q.mp3"), 30);
    }
    first.SetResumeTime("/m/p.mp3", 0); // forgetting reaches the other's file too
    first.SaveToDisk();
    second.SetResumeTime("/m/x.mp3", 11);
    second.SaveToDisk();
    TM3MediaConfigs reread(At("Play.ind"), kComma);
    EXPECT_EQ(reread.GetResumeTime("/m/x.mp3"), 11);
    EXPECT_EQ(reread.GetResumeTime("/m/p.mp3"), 0);
    EXPECT_EQ(reread.GetResumeTime("/m/q.mp3"), 30);
    EXPECT_EQ(second.GetResumeTime("/m/p.mp3"), 0) << "a save leaves the store holding what it wrote";
}

TEST_F(StoreSafetyTest, TwoInstancesPickingTheSameSectionNameForDifferentFilesKeepBoth) {
    TM3MediaConfigs first(At("Play.ind"), kComma);
    TM3MediaConfigs second(At("Play.ind"), kComma);
    first.SetResumeTime("/m/Track1.mp3", 1);
    second.SetResumeTime("/m/track1.MP3", 2); // the same section name, chosen by each alone
    first.SaveToDisk();
    second.SaveToDisk();
    TM3MediaConfigs reread(At("Play.ind"), kComma);
    EXPECT_EQ(reread.GetResumeTime("/m/Track1.mp3"), 1);
    EXPECT_EQ(reread.GetResumeTime("/m/track1.MP3"), 2);
}

TEST_F(StoreSafetyTest, OptionsWrittenByTwoInstancesAreBothKept) {
    TM3GeneralConfigs first(At("Play.cfg"), kComma, FixedNow);
    TM3GeneralConfigs second(At("Play.cfg"), kComma, FixedNow);
    first.SetSortType(2);
    second.SetDeactivatedVolume(35);
    first.SaveToDisk();
    second.SaveToDisk();
    EXPECT_EQ(ReadBytes(At("Play.cfg")),
              QByteArray("[General]\r\nSortType=2\r\nDeactivatedVolume=35\r\n\r\n"));
}

TEST_F(StoreSafetyTest, AnEditWhileRunningSurvivesTheNextSave) {
    WriteBytes(At("Play.cfg"), "[General]\r\nSortType=1\r\n");
    TM3GeneralConfigs options(At("Play.cfg"), kComma, FixedNow);
    options.SetDeactivatedVolume(15);
    options.SaveToDisk();
    WriteBytes(At("Play.cfg"), "; edited by hand\r\n[General]\r\nSortType=1\r\nDeactivatedVolume=15\r\n"
                               "Extensions=.mp3\r\n");
    options.SetSortType(2);
    options.SaveToDisk();
    EXPECT_EQ(ReadBytes(At("Play.cfg")),
              QByteArray("[General]\r\nSortType=2\r\nDeactivatedVolume=15\r\nExtensions=.mp3\r\n\r\n"));
}

TEST_F(StoreSafetyTest, APurgeDropsOnlyTheEntriesItFoundGone) {
    TM3MediaConfigs first(At("Play.ind"), kComma);
    first.SetResumeTime(At("gone.mp3"), 1);
    first.SaveToDisk();
    TM3MediaConfigs second(At("Play.ind"), kComma);
    second.SetResumeTime(At("added-meanwhile.mp3"), 2); // not there either, but not checked by first
    second.SaveToDisk();
    first.Purge();
    first.SaveToDisk();
    TM3MediaConfigs reread(At("Play.ind"), kComma);
    EXPECT_EQ(reread.GetResumeTime(At("gone.mp3")), 0);
    EXPECT_EQ(reread.GetResumeTime(At("added-meanwhile.mp3")), 2);
}

TEST_F(StoreSafetyTest, SavingAgainWithoutChangesLeavesTheFileAlone) {
    // The player saves every few seconds; with nothing new that costs one stat.
    TM3MediaConfigs store(At("Play.ind"), kComma);
    store.SetResumeTime("/m/a.mp3", 1);
    store.SaveToDisk();
    const ino_t written = InodeOf(At("Play.ind"));
    store.SaveToDisk();
    store.SetResumeTime("/m/a.mp3", 1); // the same position again
    store.SaveToDisk();
    EXPECT_EQ(InodeOf(At("Play.ind")), written);
    store.SetResumeTime("/m/a.mp3", 2);
    store.SaveToDisk();
    EXPECT_NE(InodeOf(At("Play.ind")), written);
    EXPECT_EQ(TM3MediaConfigs(At("Play.ind"), kComma).GetResumeTime("/m/a.mp3"), 2);
}

TEST_F(StoreSafetyTest, TheFirstSaveRewritesAnUnchangedFileCanonically) {
    WriteBytes(At("Play.cfg"), "; comment\r\n\r\n[General]\r\n SortType = 1 \r\n");
    TM3GeneralConfigs options(At("Play.cfg"), kComma, FixedNow);
    options.SaveToDisk();
    EXPECT_EQ(ReadBytes(At("Play.cfg")), QByteArray("[General]\r\nSortType=1\r\n\r\n"));
}

// ---- the purge forgets only what is gone, and in bounded time ----

// A share whose one path does not answer until released; everything else is missing.
struct StalledShare {
    std::mutex mutex;
    std::condition_variable changed;
    bool released = false;
    bool returned = false;
    QString stalled;

    TFileProbe::Lookup Lookup(const std::shared_ptr<StalledShare>& self) {
        return [self](const QString& path) {
            if (path != self->stalled)
                return Entry::Missing;
            std::unique_lock lock(self->mutex);
            self->changed.wait(lock, [&] { return self->released; });
            self->returned = true;
            self->changed.notify_all();
            return Entry::File;
        };
    }
    /// Lets the stalled question return, and waits until it has (the bound only ends a hang).
    bool Release() {
        std::unique_lock lock(mutex);
        released = true;
        changed.notify_all();
        return changed.wait_for(lock, std::chrono::seconds(60), [&] { return returned; });
    }
};

TEST_F(StoreSafetyTest, APurgeStalledOnAShareKeepsWhatItCouldNotCheck) {
    auto share = std::make_shared<StalledShare>();
    share->stalled = "/share/stalled.mp3";
    TM3MediaConfigs store(At("Play.ind"), kComma);
    store.SetResumeTime("/a/gone.mp3", 1);
    store.SetResumeTime(share->stalled, 2);
    store.SetResumeTime("/b/after.mp3", 3); // asked only after the stalled one
    store.SetPurgeProbe(share->Lookup(share), std::chrono::milliseconds(500));
    store.Purge(); // returns although a question never comes back
    EXPECT_EQ(store.GetResumeTime("/a/gone.mp3"), 0);
    EXPECT_EQ(store.GetResumeTime(share->stalled), 2);
    EXPECT_EQ(store.GetResumeTime("/b/after.mp3"), 3);
    EXPECT_TRUE(share->Release());
}

TEST_F(StoreSafetyTest, FinishSavesBothFilesWhenThePurgeStalls) {
    FixedPlatform platform;
    platform.folder = At("bin") + "/";
    QDir().mkpath(platform.folder);
    auto share = std::make_shared<StalledShare>();
    share->stalled = "/share/stalled.mp3";
    {
        TSettingsModule module(platform);
        module.MediaConfigs().SetResumeTime(share->stalled, 83.4);
        module.GeneralConfigs().SetSortType(1);
        module.MediaConfigs().SetPurgeProbe(share->Lookup(share), std::chrono::milliseconds(200));
        module.Finish();
    }
    EXPECT_TRUE(ReadBytes(platform.folder + "Play.ind").contains("Path=/share/stalled.mp3\r\n"));
    EXPECT_EQ(ReadBytes(platform.folder + "Play.cfg"), QByteArray("[General]\r\nSortType=1\r\n\r\n"));
    EXPECT_TRUE(share->Release());
}

TEST_F(StoreSafetyTest, APurgeThatFailsPartWayKeepsTheRestAndFinishStillSaves) {
    FixedPlatform platform;
    platform.folder = At("bin") + "/";
    QDir().mkpath(platform.folder);
    TSettingsModule module(platform);
    module.MediaConfigs().SetResumeTime("/a/gone.mp3", 1);
    module.MediaConfigs().SetResumeTime("/b/broken.mp3", 2);
    module.MediaConfigs().SetResumeTime("/c/gone.mp3", 3);
    module.MediaConfigs().SetPurgeProbe(
        [](const QString& path) {
            if (path.startsWith("/b"))
                throw std::runtime_error("probe failed");
            return Entry::Missing;
        },
        std::chrono::seconds(60));
    module.Finish();
    TM3MediaConfigs reread(platform.folder + "Play.ind", kComma);
    EXPECT_EQ(reread.GetResumeTime("/a/gone.mp3"), 0);
    EXPECT_EQ(reread.GetResumeTime("/b/broken.mp3"), 2);
    EXPECT_EQ(reread.GetResumeTime("/c/gone.mp3"), 3);
}

TEST_F(StoreSafetyTest, APurgeForgetsOnlyWhatTheSystemSaysIsNotThere) {
    WriteBytes(At("afile"), "x");
    WriteBytes(At("present.mp3"), "x");
    ASSERT_TRUE(QFile::link(At("loop.mp3"), At("loop.mp3"))); // stat: ELOOP, which proves nothing
    TM3MediaConfigs store(At("Play.ind"), kComma);
    store.SetResumeTime(At("present.mp3"), 1);
    store.SetResumeTime(At("loop.mp3"), 2);
    store.SetResumeTime(At("gone.mp3"), 3);        // ENOENT
    store.SetResumeTime(At("afile/below.mp3"), 4); // ENOTDIR
    store.Purge();
    EXPECT_EQ(store.GetResumeTime(At("present.mp3")), 1);
    EXPECT_EQ(store.GetResumeTime(At("loop.mp3")), 2);
    EXPECT_EQ(store.GetResumeTime(At("gone.mp3")), 0);
    EXPECT_EQ(store.GetResumeTime(At("afile/below.mp3")), 0);

    store.SetPurgeProbe([](const QString&) { return Entry::Unknown; }, std::chrono::seconds(60));
    store.SetResumeTime(At("gone.mp3"), 3);
    store.Purge(); // an I/O error or no permission, say: nothing is forgotten
    EXPECT_EQ(store.GetResumeTime(At("gone.mp3")), 3);
}

} // namespace
