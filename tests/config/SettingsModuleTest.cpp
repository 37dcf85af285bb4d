#include "config/SettingsModule.h"

#include "config/BookmarkStore.h"
#include "config/SessionRecord.h"
#include "config/SpeedConfigs.h"
#include "config/StoreError.h"

#include "StoreTestFiles.h"
#include "support/FixedPlatform.h"
#include "texts/Texts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <future>
#include <optional>

using namespace StoreTestFiles;

namespace {

// Sets an environment variable for one test and restores it afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value) : FName(name) {
        if (qEnvironmentVariableIsSet(name))
            FSaved = qgetenv(name);
        qputenv(name, value);
    }
    ~ScopedEnv() {
        if (FSaved)
            qputenv(FName, *FSaved);
        else
            qunsetenv(FName);
    }

private:
    const char* FName;
    std::optional<QByteArray> FSaved;
};

class SettingsModuleTest : public testing::Test {
protected:
    SettingsModuleTest() {
        exeFolder = dir.filePath("bin") + "/";
        QDir().mkpath(exeFolder);
        platform.folder = exeFolder;
    }

    QTemporaryDir dir;
    QString exeFolder;
    ScopedEnv xdg{"XDG_CONFIG_HOME", dir.filePath("xdg").toUtf8()};
    FixedPlatform platform;
};

TEST_F(SettingsModuleTest, WritableExecutableFolderIsUsed) {
    EXPECT_EQ(TSettingsModule::SettingsFolder(exeFolder), exeFolder);
    QString withoutSlash = exeFolder;
    withoutSlash.chop(1);
    EXPECT_EQ(TSettingsModule::SettingsFolder(withoutSlash), exeFolder);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("xdg/varnel")));
}

TEST_F(SettingsModuleTest, UnusableExecutableFolderFallsBackToTheConfigFolder) {
    const QString expected = dir.filePath("xdg") + "/varnel/";
    EXPECT_EQ(TSettingsModule::SettingsFolder(dir.filePath("does/not/exist/")), expected);
    EXPECT_TRUE(QFileInfo(expected).isDir()) << "created when missing";
    WriteBytes(dir.filePath("afile"), "x");
    EXPECT_EQ(TSettingsModule::SettingsFolder(dir.filePath("afile") + "/"), expected);
    EXPECT_EQ(TSettingsModule::SettingsFolder(""), expected);
}

TEST_F(SettingsModuleTest, ReadOnlyFolderFallsBack) {
    // Root may write anywhere, so only a folder on a read-only file system is refused for
    // everyone. /proc is one wherever the tests run.
    const QFileInfo proc("/proc/self/");
    if (proc.isWritable())
        GTEST_SKIP() << "no read-only folder to test with";
    EXPECT_EQ(TSettingsModule::SettingsFolder("/proc/self/"), dir.filePath("xdg") + "/varnel/");
}

TEST_F(SettingsModuleTest, SystemFolderFallsBackEvenWhenWritable) {
    // Root may write into /usr/bin; an installed program must still keep its files per user.
    const QString expected = dir.filePath("xdg") + "/varnel/";
    EXPECT_EQ(TSettingsModule::SettingsFolder("/usr/bin/"), expected);
    EXPECT_EQ(TSettingsModule::SettingsFolder("/usr/local/bin"), expected);
    EXPECT_EQ(TSettingsModule::SettingsFolder("/opt/"), expected);
    // A link into a system folder is judged by where it leads.
    const QString link = dir.filePath("linked-bin");
    ASSERT_TRUE(QFile::link("/usr/bin", link));
    EXPECT_EQ(TSettingsModule::SettingsFolder(link + "/"), expected);
    // Only whole folder names count: a portable folder named like a system one is still portable.
    const QString lookalike = dir.filePath("usr/bin") + "/";
    QDir().mkpath(lookalike);
    EXPECT_EQ(TSettingsModule::SettingsFolder(lookalike), lookalike);
}

TEST_F(SettingsModuleTest, NoXdgConfigHomeMeansDotConfigInHome) {
    ScopedEnv home("HOME", dir.filePath("home").toUtf8());
    ScopedEnv unset("XDG_CONFIG_HOME", "");
    EXPECT_EQ(TSettingsModule::SettingsFolder(""), dir.filePath("home") + "/.config/varnel/");
    ScopedEnv relative("XDG_CONFIG_HOME", "relative/path");
    EXPECT_EQ(TSettingsModule::SettingsFolder(""), dir.filePath("home") + "/.config/varnel/")
        << "a relative XDG_CONFIG_HOME is ignored, as the XDG rules ask";
}

TEST_F(SettingsModuleTest, StartUpChoosesLanguageFolderAndStores) {
    platform.languageId = 3082; // Spanish (Spain, modern sort)
    TSettingsModule module(platform);
    EXPECT_EQ(module.Language(), LanguageFromId(3082));
    EXPECT_EQ(module.AppFolder(), exeFolder);
    EXPECT_EQ(module.GeneralConfigs().FileName(), exeFolder + "Play.cfg");
    EXPECT_EQ(module.MediaConfigs().FileName(), exeFolder + "Play.ind");
}

TEST_F(SettingsModuleTest, StoresUseThePlatformLocaleAndClock) {
    platform.locale = QLocale(QLocale::Italian, QLocale::Italy);
    platform.now = QDateTime(QDate(2026, 4, 3), QTime(9, 8, 7));
    TSettingsModule module(platform);
    module.MediaConfigs().SetResumeTime("/m/a.mp3", 1.5);
    EXPECT_EQ(module.MediaConfigs().ReadText("mamp3", "Time", ""), "1,5");
    EXPECT_TRUE(module.GeneralConfigs().DonateDue());
    module.GeneralConfigs().DonateDone();
    EXPECT_EQ(module.GeneralConfigs().ReadText("General", "DonateDate", ""), "03/04/26 09:08:07");
    platform.now = QDateTime(QDate(2026, 5, 1), QTime(9, 0));
    EXPECT_TRUE(module.GeneralConfigs().DonateDue()) << "the clock is asked each time";
}

TEST_F(SettingsModuleTest, PointLocaleWritesPoint) {
    platform.locale = QLocale(QLocale::English, QLocale::UnitedStates);
    TSettingsModule module(platform);
    module.MediaConfigs().SetResumeTime("/m/a.mp3", 1.5);
    EXPECT_EQ(module.MediaConfigs().ReadText("mamp3", "Time", ""), "1.5");
}

TEST_F(SettingsModuleTest, ExistingFilesAreLoaded) {
    WriteBytes(exeFolder + "Play.cfg", "[General]\r\nSortType=2\r\n");
    WriteBytes(exeFolder + "Play.ind", "[mamp3]\r\nPath=/m/a.mp3\r\nTime=4,25\r\n");
    TSettingsModule module(platform);
    EXPECT_EQ(module.GeneralConfigs().SortType(), 2);
    EXPECT_EQ(module.MediaConfigs().GetResumeTime("/m/a.mp3"), 4.25);
}

TEST_F(SettingsModuleTest, UnreadableFileStopsStartUp) {
    ASSERT_TRUE(QDir().mkpath(exeFolder + "Play.cfg"));
    EXPECT_THROW(TSettingsModule module(platform), StoreError);
    ASSERT_TRUE(QDir().rmdir(exeFolder + "Play.cfg"));
    ASSERT_TRUE(QDir().mkpath(exeFolder + "Play.ind"));
    EXPECT_THROW(TSettingsModule module(platform), StoreError);
}

TEST_F(SettingsModuleTest, FinishPurgesThenWritesBothFiles) {
    const QString kept = dir.filePath("kept.mp3");
    WriteBytes(kept, "x");
    WriteBytes(exeFolder + "Play.cfg", "; comment\r\n[General]\r\nSortType = 1\r\n");
    TSettingsModule module(platform);
    module.MediaConfigs().SetResumeTime(kept, 83.4);
    module.MediaConfigs().SetResumeTime(dir.filePath("deleted.mp3"), 12);
    module.Finish();
    const QString keptSection = TM3MediaConfigs::SectionName(kept);
    EXPECT_EQ(ReadBytes(exeFolder + "Play.ind"),
              "[" + keptSection.toLatin1() + "]\r\nPath=" + kept.toLatin1() + "\r\nTime=83,4\r\n\r\n");
    EXPECT_EQ(ReadBytes(exeFolder + "Play.cfg"), QByteArray("[General]\r\nSortType=1\r\n\r\n"));
}

TEST_F(SettingsModuleTest, FinishWithNothingWritesEmptyFiles) {
    TSettingsModule module(platform);
    module.Finish();
    EXPECT_EQ(ReadBytes(exeFolder + "Play.ind"), QByteArray());
    EXPECT_EQ(ReadBytes(exeFolder + "Play.cfg"), QByteArray());
    EXPECT_EQ(Entries(exeFolder), QStringList({"Play.cfg", "Play.ind"}));
}

TEST_F(SettingsModuleTest, FailedResumeWriteStillWritesTheOptions) {
    TSettingsModule module(platform);
    module.GeneralConfigs().SetSortType(2);
    MakeBlockingFolder(exeFolder + "Play.ind");
    EXPECT_NO_THROW(module.Finish());
    EXPECT_EQ(ReadBytes(exeFolder + "Play.cfg"), QByteArray("[General]\r\nSortType=2\r\n\r\n"));
    EXPECT_TRUE(QFileInfo(exeFolder + "Play.ind/inside").isDir());
}

TEST_F(SettingsModuleTest, FailedOptionsWriteStillWritesTheResumeFile) {
    TSettingsModule module(platform);
    module.MediaConfigs().WriteText("nopath", "Time", "5");
    MakeBlockingFolder(exeFolder + "Play.cfg");
    EXPECT_NO_THROW(module.Finish());
    EXPECT_EQ(ReadBytes(exeFolder + "Play.ind"), QByteArray("[nopath]\r\nTime=5\r\n\r\n"));
}

TEST_F(SettingsModuleTest, ConfigFolderLayoutWhenTheProgramFolderIsUnusable) {
    platform.folder = dir.filePath("missing/bin/");
    TSettingsModule module(platform);
    EXPECT_EQ(module.AppFolder(), dir.filePath("xdg") + "/varnel/");
    module.GeneralConfigs().SetDeactivatedVolume(15);
    module.Finish();
    EXPECT_EQ(ReadBytes(dir.filePath("xdg/varnel/Play.cfg")),
              QByteArray("[General]\r\nDeactivatedVolume=15\r\n\r\n"));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("xdg/varnel/Play.ind")));
}

TEST_F(SettingsModuleTest, AProgramFolderLostWhileRunningMovesTheSavesToTheConfigFolderAndSaysSo) {
    WriteBytes(exeFolder + "Play.ind", "[old]\r\nPath=/m/old.mp3\r\nTime=7\r\n\r\n");
    TSettingsModule module(platform);
    module.MediaConfigs().SetResumeTime("/m/new.mp3", 14.5);
    ASSERT_TRUE(module.MediaConfigs().SaveToDisk());
    ASSERT_TRUE(QDir(exeFolder).removeRecursively());
    module.MediaConfigs().SetResumeTime("/m/new.mp3", 26.5);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(module.MediaConfigs().SaveToDisk());
    module.MediaConfigs().SetResumeTime("/m/later.mp3", 3);
    EXPECT_TRUE(module.MediaConfigs().SaveToDisk());
    const std::string said = testing::internal::GetCapturedStderr();
    const QString moved = dir.filePath("xdg/varnel/Play.ind");
    EXPECT_NE(said.find(moved.toStdString()), std::string::npos) << said;
    EXPECT_EQ(said.find("varnel:"), said.rfind("varnel:")) << "said once: " << said;
    TM3MediaConfigs reread(moved, kComma);
    EXPECT_EQ(reread.GetResumeTime("/m/old.mp3"), 7);
    EXPECT_EQ(reread.GetResumeTime("/m/new.mp3"), 26.5);
    EXPECT_EQ(reread.GetResumeTime("/m/later.mp3"), 3);
}

// Positions, speeds and bookmarks are purged in one pass that asks about each path once; the
// session is left whole, as it always was.
TEST_F(SettingsModuleTest, FinishPurgesEveryKindAskingOncePerPath) {
    const QString gone = "/m/gone.mp3";
    const QString kept = "/m/kept.mp3";
    QHash<QString, int> asked;
    {
        TSettingsModule module(platform);
        TM3MediaConfigs& store = module.MediaConfigs();
        store.SetPurgeProbe(
            [&asked](const QString& path) {
                ++asked[path];
                return path.contains("gone") ? TFileProbe::Entry::Missing : TFileProbe::Entry::File;
            },
            std::chrono::seconds(60));
        for (const QString& path : {gone, kept}) {
            store.SetResumeTime(path, 12);
            TBookmarkStore(store).Add(path, 3);
            TSpeedConfigs(store).SetRate(path.chopped(4), 1.5);
        }
        TSessionRecord(store).Begin({gone}, 0, {gone});
        module.Finish();
    }
    for (const QString& path : {gone, kept, gone.chopped(4), kept.chopped(4)})
        EXPECT_EQ(asked.value(path), 1) << path.toStdString();
    TM3MediaConfigs reread(exeFolder + "Play.ind", kComma);
    EXPECT_EQ(reread.GetResumeTime(gone), 0);
    EXPECT_EQ(reread.GetResumeTime(kept), 12);
    EXPECT_TRUE(TBookmarkStore(reread).Of(gone).isEmpty());
    EXPECT_EQ(TBookmarkStore(reread).Of(kept).size(), 1);
    EXPECT_EQ(TSpeedConfigs(reread).RateOf(gone.chopped(4)), std::nullopt);
    EXPECT_EQ(TSpeedConfigs(reread).RateOf(kept.chopped(4)), 1.5);
    const std::optional<SessionState> session = TSessionRecord(reread).Load();
    ASSERT_TRUE(session);
    EXPECT_EQ(session->arguments, QStringList{gone});
}

// A share that stopped answering: the one budget runs out, every kind keeps its entries, and the
// positions of the run are saved all the same.
TEST_F(SettingsModuleTest, AShareThatDoesNotAnswerKeepsEveryKindAndStillSaves) {
    std::promise<void> answer;
    std::shared_future<void> answered = answer.get_future().share();
    const QString path = "/share/book.mp3";
    {
        TSettingsModule module(platform);
        TM3MediaConfigs& store = module.MediaConfigs();
        store.SetPurgeProbe(
            [answered](const QString&) {
                answered.wait();
                return TFileProbe::Entry::Missing;
            },
            std::chrono::milliseconds(20));
        store.SetResumeTime(path, 12);
        TBookmarkStore(store).Add(path, 3);
        TSpeedConfigs(store).SetRate("/share", 1.5);
        module.Finish();
    }
    answer.set_value(); // lets the asking thread end
    TM3MediaConfigs reread(exeFolder + "Play.ind", kComma);
    EXPECT_EQ(reread.GetResumeTime(path), 12);
    EXPECT_EQ(TBookmarkStore(reread).Of(path).size(), 1);
    EXPECT_EQ(TSpeedConfigs(reread).RateOf("/share"), 1.5);
}

// ---- where the saves go when the program folder fails, and where the next start looks ----

void SetModified(const QString& path, const QDateTime& when) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite)) << path.toStdString();
    ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime));
}

// The program folder's disk fills while a book plays and frees again: the saves stay on the one
// file the next start reads, and it resumes at the place reached after space returned.
TEST_F(SettingsModuleTest, ADiskFullForAWhileKeepsTheSavesWhereTheNextStartLooks) {
    const QString book = dir.filePath("book.mp3"); // there, so that the purge at exit keeps it
    WriteBytes(book, "x");
    testing::internal::CaptureStderr();
    {
        TSettingsModule module(platform);
        TM3MediaConfigs& store = module.MediaConfigs();
        store.SetResumeTime(book, 13.2);
        ASSERT_TRUE(store.SaveToDisk());
        int failed = 0;
        store.SetWriter([&failed](const QString& fileName, const QByteArray&) {
            ++failed;
            throw StoreError(fileName.toStdString() +
                             ": cannot write the settings file: No space left on device");
        });
        for (const double seconds : {18.0, 25.2}) {
            store.SetResumeTime(book, seconds);
            EXPECT_FALSE(store.SaveToDisk());
        }
        EXPECT_EQ(failed, 2) << "each checkpoint tries the same file again";
        store.SetWriter({}); // space is back
        store.SetResumeTime(book, 37.4);
        EXPECT_TRUE(store.SaveToDisk());
        store.SetResumeTime(book, 41.8);
        module.Finish();
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "nothing moved";
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("xdg/varnel/Play.ind")));
    TSettingsModule next(platform);
    EXPECT_EQ(next.MediaConfigs().GetResumeTime(book), 41.8);
}

// The folder went away and came back with the file it held then: the start takes the moved file,
// which holds every save since, back to the program folder.
TEST_F(SettingsModuleTest, AStartBringsBackTheFileARunMovedAway) {
    const QString book = dir.filePath("book.mp3");
    const QString other = dir.filePath("other.mp3");
    WriteBytes(book, "x");
    WriteBytes(other, "x");
    const QByteArray stale = "[" + TM3MediaConfigs::SectionName(book).toUtf8() +
                             "]\r\nPath=" + book.toUtf8() + "\r\nTime=13,2\r\n\r\n";
    WriteBytes(exeFolder + "Play.ind", stale);
    testing::internal::CaptureStderr();
    {
        TSettingsModule module(platform);
        module.MediaConfigs().SetResumeTime(other, 5);
        ASSERT_TRUE(QDir(exeFolder).removeRecursively());
        module.MediaConfigs().SetResumeTime(book, 26.5);
        ASSERT_TRUE(module.MediaConfigs().SaveToDisk());
        module.MediaConfigs().SetResumeTime(book, 31);
        module.Finish();
    }
    testing::internal::GetCapturedStderr();
    const QString moved = dir.filePath("xdg/varnel/Play.ind");
    ASSERT_TRUE(QFileInfo::exists(moved));
    ASSERT_TRUE(QDir().mkpath(exeFolder));
    WriteBytes(exeFolder + "Play.ind", stale);
    SetModified(exeFolder + "Play.ind", QFileInfo(moved).lastModified().addSecs(-60));
    {
        TSettingsModule module(platform);
        EXPECT_EQ(module.MediaConfigs().FileName(), exeFolder + "Play.ind");
        EXPECT_EQ(module.MediaConfigs().GetResumeTime(book), 31);
        EXPECT_EQ(module.MediaConfigs().GetResumeTime(other), 5);
    }
    EXPECT_FALSE(ReadBytes(exeFolder + "Play.ind").contains("Moved:"));
    EXPECT_FALSE(ReadBytes(moved).contains("Moved:")) << "taken back once";
    // A later run saves here; a start after it reads its own file, not the old moved one.
    WriteBytes(exeFolder + "Play.ind", stale);
    SetModified(exeFolder + "Play.ind", QFileInfo(moved).lastModified().addSecs(-60));
    TSettingsModule later(platform);
    EXPECT_EQ(later.MediaConfigs().GetResumeTime(book), 13.2);
}

TEST_F(SettingsModuleTest, TheUserFoldersFilesOfAnotherCopyAreNotTaken) {
    const QString book = "/m/book.mp3";
    WriteBytes(exeFolder + "Play.ind", "[mbookmp3]\r\nPath=/m/book.mp3\r\nTime=13,2\r\n\r\n");
    SetModified(exeFolder + "Play.ind", QDateTime::currentDateTime().addSecs(-3600));
    ASSERT_TRUE(QDir().mkpath(dir.filePath("xdg/varnel")));
    // An installed copy's file, or one moved from another program folder.
    const QByteArray others = "[Moved:elsewherebinplayind]\r\nFrom=/elsewhere/bin/Play.ind\r\n\r\n"
                              "[mbookmp3]\r\nPath=/m/book.mp3\r\nTime=99\r\n\r\n";
    WriteBytes(dir.filePath("xdg/varnel/Play.ind"), others);
    TSettingsModule module(platform);
    EXPECT_EQ(module.MediaConfigs().GetResumeTime(book), 13.2);
    EXPECT_EQ(ReadBytes(dir.filePath("xdg/varnel/Play.ind")), others);
}

TEST_F(SettingsModuleTest, AMovedFileOlderThanTheProgramFoldersIsNotTakenAndLosesItsMark) {
    const QString book = "/m/book.mp3";
    const QString home = exeFolder + "Play.ind";
    const QString moved = dir.filePath("xdg/varnel/Play.ind");
    ASSERT_TRUE(QDir().mkpath(dir.filePath("xdg/varnel")));
    WriteBytes(moved, "[Moved:x]\r\nFrom=" + home.toUtf8() +
                          "\r\n\r\n[mbookmp3]\r\nPath=/m/book.mp3\r\nTime=7\r\n\r\n");
    SetModified(moved, QDateTime::currentDateTime().addSecs(-3600));
    WriteBytes(home, "[mbookmp3]\r\nPath=/m/book.mp3\r\nTime=13,2\r\n\r\n");
    TSettingsModule module(platform);
    EXPECT_EQ(module.MediaConfigs().GetResumeTime(book), 13.2);
    EXPECT_EQ(ReadBytes(moved), "[mbookmp3]\r\nPath=/m/book.mp3\r\nTime=7\r\n\r\n");
}

} // namespace
