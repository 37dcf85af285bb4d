#include "listening/SpeedMemory.h"

#include "ListeningFixture.h"
#include "config/SpeedConfigs.h"

#include <QFile>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

class SpeedMemoryTest : public ListeningFixture {
protected:
    SpeedMemoryTest() : speeds(*resume), memory(*player, speeds) {}

    // Starts path as the window does: the file, then its folder's speed; whether the speed changed.
    bool Start(const QString& path) {
        PlayAt(path);
        return memory.Apply(path);
    }

    TSpeedConfigs speeds;
    TSpeedMemory memory;
};

TEST_F(SpeedMemoryTest, EachFolderStartsAtItsOwnSpeedAcrossARestart) {
    EXPECT_FALSE(Start("/books/one/01.mp3"));
    player->SetRate(1.6);
    memory.Remember("/books/one/01.mp3");
    EXPECT_FALSE(Start("/books/two/01.mp3")) << "a folder without a speed keeps the one that plays";
    EXPECT_EQ(fake->rate, 1.6);
    player->SetRate(1.2);
    memory.Remember("/books/two/01.mp3");
    EXPECT_TRUE(Start("/books/one/02.mp3"));
    EXPECT_EQ(fake->rate, 1.6);
    EXPECT_FALSE(Start("/books/one/03.mp3")) << "said only when it differs";
    ASSERT_TRUE(resume->SaveToDisk());

    // The next run: a new store over the same file, normal speed at start.
    resume = std::make_unique<TM3MediaConfigs>(dir.filePath("Play.ind"), QLocale::c());
    TSpeedConfigs reread(*resume);
    TSpeedMemory next(*player, reread);
    player->SetRate(1.0);
    PlayAt("/books/two/05.mp3");
    EXPECT_TRUE(next.Apply("/books/two/05.mp3"));
    EXPECT_EQ(fake->rate, 1.2);
    EXPECT_EQ(reread.RateOf("/books/one"), 1.6);
    EXPECT_EQ(reread.RateOf("/books/three"), std::nullopt);
}

TEST_F(SpeedMemoryTest, AHandEditedRateTheKeysCouldNotSetIsNotApplied) {
    WriteAll(dir.filePath("Play.ind"), "[Speed:a]\r\nFolder=/a\r\nRate=1e6\r\n\r\n"
                                       "[Speed:b]\r\nFolder=/b\r\nRate=-2\r\n\r\n"
                                       "[Speed:c]\r\nFolder=/c\r\nRate=abc\r\n\r\n"
                                       "[Speed:d]\r\nFolder=/d\r\nRate=5\r\n\r\n");
    resume = std::make_unique<TM3MediaConfigs>(dir.filePath("Play.ind"), QLocale::c());
    TSpeedConfigs stored(*resume);
    for (const char* folder : {"/a", "/b", "/c"})
        EXPECT_EQ(stored.RateOf(folder), std::nullopt) << folder;
    EXPECT_EQ(stored.RateOf("/d"), 5.0);
}

TEST_F(SpeedMemoryTest, FoldersThatReduceToOneNameKeepTheirOwnSpeeds) {
    speeds.SetRate("/a/b c", 1.4);
    speeds.SetRate("/a/bc", 0.8);
    speeds.SetRate("/a/b c ", 2.0); // a trailing blank survives the file's trimming
    ASSERT_TRUE(resume->SaveToDisk());
    TM3MediaConfigs reread(dir.filePath("Play.ind"), QLocale::c());
    TSpeedConfigs stored(reread);
    EXPECT_EQ(stored.RateOf("/a/b c"), 1.4);
    EXPECT_EQ(stored.RateOf("/a/bc"), 0.8);
    EXPECT_EQ(stored.RateOf("/a/b c "), 2.0);
    EXPECT_EQ(ReadAll(dir.filePath("Play.ind")),
              QByteArray("[Speed:abc]\r\nFolder=/a/b c\r\nRate=1.4\r\n\r\n"
                         "[Speed:abc~2]\r\nFolder=/a/bc\r\nRate=0.8\r\n\r\n"
                         "[Speed:abc~3]\r\nFolder=\"/a/b c \"\r\nRate=2\r\n\r\n"));
}

TEST_F(SpeedMemoryTest, OlderFileIsReadAndWrittenBackLosingNothing) {
    const QByteArray older = "[dabmp3]\r\nPath=/d/a/b.mp3\r\nTime=83.4\r\n\r\n"
                             "[handmade]\r\nTime=12\r\nnote without equals\r\n\r\n";
    WriteAll(dir.filePath("Play.ind"), older);
    resume = std::make_unique<TM3MediaConfigs>(dir.filePath("Play.ind"), QLocale::c());
    TSpeedConfigs store(*resume);
    store.SetRate("/d/a", 1.8);
    ASSERT_TRUE(resume->SaveToDisk());
    const QByteArray written = ReadAll(dir.filePath("Play.ind"));
    EXPECT_EQ(written, older + "[Speed:da]\r\nFolder=/d/a\r\nRate=1.8\r\n\r\n");

    // The positions' own rules, all an older program has, leave the speed alone: the purge finds
    // no Path in it, and forgetting every file changes nothing of it.
    TM3MediaConfigs older2(dir.filePath("Play.ind"), QLocale::c());
    older2.SetPurgeProbe([](const QString&) { return TFileProbe::Entry::Missing; }, std::chrono::seconds(60));
    older2.Purge();
    older2.SetResumeTime("/d/a/b.mp3", 0);
    EXPECT_TRUE(older2.Serialize().contains("[Speed:da]\r\nFolder=/d/a\r\nRate=1.8\r\n"));
    EXPECT_EQ(TSpeedConfigs(older2).RateOf("/d/a"), 1.8);
}

TEST_F(SpeedMemoryTest, TwoRunsSavingInTurnKeepBothSpeeds) {
    TM3MediaConfigs other(dir.filePath("Play.ind"), QLocale::c());
    TSpeedConfigs(other).SetRate("/books/other", 1.4);
    other.SetResumeTime("/books/other/1.mp3", 50);
    speeds.SetRate("/books/mine", 2.2);
    ASSERT_TRUE(resume->SaveToDisk());
    ASSERT_TRUE(other.SaveToDisk());
    TM3MediaConfigs reread(dir.filePath("Play.ind"), QLocale::c());
    TSpeedConfigs both(reread);
    EXPECT_EQ(both.RateOf("/books/mine"), 2.2);
    EXPECT_EQ(both.RateOf("/books/other"), 1.4);
    EXPECT_EQ(reread.GetResumeTime("/books/other/1.mp3"), 50);
}

TEST_F(SpeedMemoryTest, PurgeDropsOnlyFoldersThatAreGone) {
    const struct {
        const char* folder;
        TFileProbe::Entry answer;
        bool kept;
    } cases[] = {
        {"/gone", TFileProbe::Entry::Missing, false},
        {"/here", TFileProbe::Entry::Folder, true},
        {"/unreadable", TFileProbe::Entry::Unknown, true},
        {"/now-a-file", TFileProbe::Entry::File, true},
    };
    for (const auto& c : cases)
        speeds.SetRate(QString::fromLatin1(c.folder), 1.4);
    speeds.Purge(
        [&](const QString& path) {
            for (const auto& c : cases)
                if (path == QLatin1String(c.folder))
                    return c.answer;
            return TFileProbe::Entry::Unknown;
        },
        std::chrono::seconds(60));
    for (const auto& c : cases)
        EXPECT_EQ(speeds.RateOf(QString::fromLatin1(c.folder)).has_value(), c.kept) << c.folder;
}

} // namespace
