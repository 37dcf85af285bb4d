#include "config/MediaConfigs.h"

#include "GrowthCheck.h"
#include "StoreTestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <limits>

using namespace StoreTestFiles;

namespace {

class MediaConfigsTest : public testing::Test {
protected:
    QString PathOf(const QString& name) const { return dir.filePath(name); }
    std::unique_ptr<TM3MediaConfigs> OpenWith(const QByteArray& bytes, const QLocale& locale = kComma) {
        WriteBytes(PathOf("Play.ind"), bytes);
        return std::make_unique<TM3MediaConfigs>(PathOf("Play.ind"), locale);
    }
    QString MakeFile(const QString& name) {
        WriteBytes(PathOf(name), "x");
        return PathOf(name);
    }

    QTemporaryDir dir;
};

TEST(MediaConfigsSectionName, KeepsOnlyPlainLettersAndDigits) {
    EXPECT_EQ(TM3MediaConfigs::SectionName("C:\\Musica\\Brano 01.mp3"), "cmusicabrano01mp3");
    EXPECT_EQ(TM3MediaConfigs::SectionName(QString::fromUtf8("C:\\Música\\x.mp3")), "cmsicaxmp3");
    EXPECT_EQ(TM3MediaConfigs::SectionName("C:\\Msica\\x.mp3"), "cmsicaxmp3");
    EXPECT_EQ(TM3MediaConfigs::SectionName(QString::fromUtf8("/home/u/ÄB_c-9 [x].OGG")), "homeubc9xogg");
    EXPECT_EQ(TM3MediaConfigs::SectionName(QString::fromUtf8("/日本/ß.mp3")), "mp3");
    EXPECT_EQ(TM3MediaConfigs::SectionName(""), "");
}

TEST_F(MediaConfigsTest, RemembersPathAndTimeWithTheRegionalComma) {
    TM3MediaConfigs store(PathOf("Play.ind"), kComma);
    store.SetResumeTime("/D/a/b.mp3", 83.4);
    EXPECT_DOUBLE_EQ(store.GetResumeTime("/D/a/b.mp3"), 83.4);
    store.SaveToDisk();
    EXPECT_EQ(ReadBytes(PathOf("Play.ind")), QByteArray("[dabmp3]\r\nPath=/D/a/b.mp3\r\nTime=83,4\r\n\r\n"));
    TM3MediaConfigs reopened(PathOf("Play.ind"), kComma);
    EXPECT_DOUBLE_EQ(reopened.GetResumeTime("/D/a/b.mp3"), 83.4);
}

TEST_F(MediaConfigsTest, PointLocaleWritesAPoint) {
    TM3MediaConfigs store(PathOf("Play.ind"), kPoint);
    store.SetResumeTime("/m/b.mp3", 83.456);
    EXPECT_EQ(store.Serialize(), QByteArray("[mbmp3]\r\nPath=/m/b.mp3\r\nTime=83.456\r\n\r\n"));
}

TEST_F(MediaConfigsTest, FileWrittenUnderAnotherSeparatorResumesThere) {
    EXPECT_DOUBLE_EQ(OpenWith("[mbmp3]\r\nPath=/m/b.mp3\r\nTime=83.4\r\n", kComma)->GetResumeTime("/m/b.mp3"),
                     83.4);
    EXPECT_DOUBLE_EQ(OpenWith("[mbmp3]\r\nPath=/m/b.mp3\r\nTime=83,4\r\n", kPoint)->GetResumeTime("/m/b.mp3"),
                     83.4);
}

TEST_F(MediaConfigsTest, NothingRememberedIsZero) {
    TM3MediaConfigs store(PathOf("Play.ind"), kComma);
    EXPECT_EQ(store.GetResumeTime("/m/never.mp3"), 0);
}

TEST_F(MediaConfigsTest, ZeroForgetsTheSection) {
    TM3MediaConfigs store(PathOf("Play.ind"), kComma);
    store.SetResumeTime("/m/a.mp3", 10);
    store.SetResumeTime("/m/b.mp3", 20);
    store.SetResumeTime("/m/a.mp3", 0);
    EXPECT_EQ(store.GetResumeTime("/m/a.mp3"), 0);
    EXPECT_EQ(store.SectionNames(), QStringList({"mbmp3"}));
    store.SetResumeTime("/m/never.mp3", 0); // nothing to forget: nothing happens
    EXPECT_EQ(store.SectionNames(), QStringList({"mbmp3"}));
}

TEST_F(MediaConfigsTest, PathsThatReduceAlikeKeepAnEntryEach) {
    TM3MediaConfigs store(PathOf("Play.ind"), kComma);
    store.SetResumeTime(QString::fromUtf8("/C/Música/x.mp3"), 5);
    store.SetResumeTime("/C/Msica/x.mp3", 7.5);
    EXPECT_EQ(store.GetResumeTime(QString::fromUtf8("/C/Música/x.mp3")), 5);
    EXPECT_EQ(store.GetResumeTime("/C/Msica/x.mp3"), 7.5);
    EXPECT_EQ(store.Serialize(), QByteArray("[cmsicaxmp3]\r\nPath=/C/M\xFAsica/x.mp3\r\nTime=5\r\n\r\n"
                                            "[cmsicaxmp3~2]\r\nPath=/C/Msica/x.mp3\r\nTime=7,5\r\n\r\n"));
}

TEST_F(MediaConfigsTest, PathsWithLineBreaksAreNeverRemembered) {
    auto store = OpenWith("[abmp3]\r\nPath=/a/b.mp3\r\nTime=3\r\n");
    const QByteArray before = store->Serialize();
    store->SetResumeTime("/a\n[evil]\nb.mp3", 42);
    store->SetResumeTime("/a/b.mp3\r", 42);
    store->SetResumeTime("/a\r\nb.mp3", 0); // reduces to "abmp3", yet must not erase it
    EXPECT_EQ(store->Serialize(), before);
    EXPECT_EQ(store->GetResumeTime("/a/b.mp3"), 3);
}

TEST_F(MediaConfigsTest, PurgeDropsMissingFilesAndKeepsTheRest) {
    const QString kept = MakeFile("kept.mp3");
    const QString folder = PathOf("afolder.mp3");
    ASSERT_TRUE(QDir().mkpath(folder));
    TM3MediaConfigs store(PathOf("Play.ind"), kComma);
    store.SetResumeTime(kept, 12);
    store.SetResumeTime(PathOf("deleted.mp3"), 34);
    store.SetResumeTime(folder, 56);
    store.WriteText("nopath", "Time", "9");
    store.WriteText("emptypath", "Path", "");
    store.Purge();
    EXPECT_EQ(store.SectionNames(), QStringList({TM3MediaConfigs::SectionName(kept), "nopath", "emptypath"}));
    EXPECT_EQ(store.GetResumeTime(kept), 12);
}

TEST_F(MediaConfigsTest, PurgeChecksEachDuplicateInTurn) {
    const QString exists = MakeFile("x.mp3");
    QByteArray file = "[dup]\r\nPath=" + exists.toLatin1() +
                      "\r\nTime=1\r\n"
                      "[dup]\r\nPath=/no/such/file\r\nTime=2\r\n"
                      "[twice]\r\nPath=/no/such/a\r\n"
                      "[twice]\r\nPath=/no/such/b\r\n";
    auto store = OpenWith(file);
    store->Purge();
    EXPECT_EQ(store->SectionNames(), QStringList({"dup"}));
    EXPECT_EQ(store->ReadText("dup", "Time", ""), "1");
}

TEST_F(MediaConfigsTest, PurgeTreatsANulInThePathAsMissing) {
    TM3MediaConfigs store(PathOf("Play.ind"), kComma);
    store.WriteText("s", "Path", MakeFile("f.mp3") + QChar(0));
    store.Purge();
    EXPECT_TRUE(store.SectionNames().isEmpty());
}

// Remembered files, half of them gone: the exit must not slow down more than the file grows. The
// figures for 20,000 files are in the benchmarks.
TEST_F(MediaConfigsTest, LoadPurgeAndSaveGrowLinearly) {
    const QString existing = MakeFile("present.mp3");
    const auto resumeFile = [&](int count) {
        QByteArray file;
        for (int i = 0; i < count; ++i) {
            // Even entries all name the one existing file, odd ones missing files.
            const QByteArray path = (i % 2 == 0)
                                        ? existing.toLatin1()
                                        : PathOf("missing/" + QString::number(i) + ".mp3").toLatin1();
            file += "[s" + QByteArray::number(i) + "]\r\nPath=" + path + "\r\nTime=" + QByteArray::number(i) +
                    ",5\r\n\r\n";
        }
        return file;
    };

    struct Costs {
        long long load = std::numeric_limits<long long>::max();
        long long purge = std::numeric_limits<long long>::max();
        long long save = std::numeric_limits<long long>::max();
    };
    const auto measure = [&](int count) {
        const QByteArray file = resumeFile(count);
        Costs best;
        // Best of three: the first run also pays for the heap growing.
        for (int run = 0; run < 3; ++run) {
            WriteBytes(PathOf("Play.ind"), file);
            GrowthCheck::LapTimer timer;
            TM3MediaConfigs store(PathOf("Play.ind"), kComma);
            best.load = std::min(best.load, timer.Lap());
            store.Purge();
            best.purge = std::min(best.purge, timer.Lap());
            store.SaveToDisk();
            best.save = std::min(best.save, timer.Lap());
            EXPECT_EQ(store.SectionNames().size(), count / 2);
            EXPECT_EQ(store.ReadReal("s" + QString::number(count - 2), "Time", 0), count - 2 + 0.5);
            EXPECT_EQ(store.ReadReal("s" + QString::number(count - 1), "Time", 0), 0);
        }
        return best;
    };
    const Costs small = measure(2500);
    const Costs large = measure(2500 * GrowthCheck::kInputFactor);
    GrowthCheck::ExpectLinearGrowth(small.load, large.load, "load");
    GrowthCheck::ExpectLinearGrowth(small.purge, large.purge, "purge");
    GrowthCheck::ExpectLinearGrowth(small.save, large.save, "save");
}

TEST_F(MediaConfigsTest, PurgeOfAnAlbumWithManyRememberedTracksKeepsExactlyThePresentOnes) {
    // Enough tracks of one folder that the purge reads the folder once instead of asking per file.
    QDir().mkpath(PathOf("album"));
    TM3MediaConfigs store(PathOf("Play.ind"), kComma);
    QStringList present;
    for (int i = 0; i < 40; ++i) {
        const QString path = MakeFile(QString("album/%1.mp3").arg(i));
        store.SetResumeTime(path, i + 1);
        if (i % 3 == 0)
            QFile::remove(path);
        else
            present.append(TM3MediaConfigs::SectionName(path));
    }
    QFile::link(PathOf("album/1.mp3"), PathOf("album/link.mp3"));
    QFile::link(PathOf("album/0.mp3"), PathOf("album/dangling.mp3"));
    store.SetResumeTime(PathOf("album/link.mp3"), 7); // the file it links to: 1.mp3's entry
    store.SetResumeTime(PathOf("album/dangling.mp3"), 8);
    store.SetResumeTime(PathOf("album/sub"), 9); // a folder is not a file
    QDir().mkpath(PathOf("album/sub"));
    store.Purge();
    EXPECT_EQ(store.SectionNames(), present);
}

TEST_F(MediaConfigsTest, PurgeDropsEverythingUnderAMissingFolder) {
    // A drive that is not mounted: every remembered file under it is gone (FileProbeTest counts
    // the questions the purge asks the file system).
    TM3MediaConfigs store(PathOf("Play.ind"), kComma);
    const QString kept = MakeFile("kept.mp3");
    store.SetResumeTime(kept, 1);
    for (int i = 0; i < 20000; ++i)
        store.SetResumeTime(PathOf(QString("unmounted/album%1/track%2.mp3").arg(i % 100).arg(i)), 5);
    store.SetResumeTime(PathOf("unmounted.mp3"), 2); // a name that merely starts like the folder
    store.SetResumeTime(PathOf("unmountedx/y.mp3"), 3);
    store.Purge();
    EXPECT_EQ(store.SectionNames(), QStringList({TM3MediaConfigs::SectionName(kept)}));
}

TEST_F(MediaConfigsTest, PurgeFindsFilesBesideAMissingFolder) {
    ASSERT_TRUE(QDir().mkpath(PathOf("a")));
    const QString kept = MakeFile("kept.mp3");
    const QString inA = MakeFile("a/in.mp3");
    TM3MediaConfigs store(PathOf("Play.ind"), kComma);
    store.SetResumeTime(PathOf("a/gone/x.mp3"), 1); // "a/gone" is missing, "a" is not
    store.SetResumeTime(inA, 2);
    store.SetResumeTime(kept, 3);
    store.SetResumeTime(PathOf("a/gone/../in.mp3"), 4); // through a missing folder: unreachable
    store.Purge();
    EXPECT_EQ(store.SectionNames(),
              QStringList({TM3MediaConfigs::SectionName(inA), TM3MediaConfigs::SectionName(kept)}));
}

} // namespace
