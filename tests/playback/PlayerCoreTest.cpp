// The list and its moves, with no window: what the keys, the desktop and the end of a track do.
#include "config/SessionRecord.h"
#include "support/CoreFixture.h"
#include "support/CurrentFolderGuard.h"

#include <QDir>

#include <QSignalSpy>

namespace {

class PlayerCoreTest : public CoreFixture {
protected:
    /// The folder l/ with a, b and c, each remembered at 33 s by an earlier run; a plays.
    TPlayerCore& StartThree() {
        a = Touch("l/a.mp3");
        b = Touch("l/b.mp3");
        c = Touch("l/c.mp3");
        settings = std::make_unique<TSettingsModule>(platform);
        for (const QString& p : {a, b, c})
            settings->MediaConfigs().SetResumeTime(p, 33);
        return Start({Root() + "l"});
    }

    QString a, b, c;
};

TEST_F(PlayerCoreTest, ArgumentsThatNameNothingAreIgnored) {
    TPlayerCore& k = Start({"", Root() + "missing.mp3", Root() + "nowhere/"});
    EXPECT_TRUE(k.Files().isEmpty());
    EXPECT_TRUE(control->opened.isEmpty());
    EXPECT_FALSE(k.TimerActive());
}

TEST_F(PlayerCoreTest, FoldersAreSearchedDepthFirstInNameOrderAndFiltered) {
    Touch("music/b.mp3");
    Touch("music/Sub/a.wav");
    Touch("music/c.txt");
    Touch("music/A.mp3");
    Touch("music/x.mp");  // a piece of a longer extension counts
    Touch("music/x.ogg"); // not in the default list
    Touch("music/README");
    const QString named = Touch("song.txt"); // named directly: taken whatever its extension
    TPlayerCore& k = Start({Root() + "music", named});
    const QString m = Root() + "music/";
    EXPECT_EQ(k.Files().ToStringList(),
              QStringList({m + "A.mp3", m + "b.mp3", m + "Sub/a.wav", m + "x.mp", named}));
    EXPECT_EQ(control->opened, QStringList({m + "A.mp3"}));
    EXPECT_TRUE(k.TimerActive());
}

TEST_F(PlayerCoreTest, ARelativeFolderGivesRelativePathsAndFilesBecomeAbsolute) {
    Touch("dir/one.mp3");
    Touch("dir/two.mp3");
    const CurrentFolderGuard folder;
    QDir::setCurrent(Root() + "dir");
    EXPECT_EQ(Start({".", "../dir/./two.mp3"}).Files().ToStringList(),
              QStringList({"./one.mp3", "./two.mp3", Root() + "dir/two.mp3"}));
}

TEST_F(PlayerCoreTest, TheSortOptionOrdersTheListBeforeTheFirstTrackPlays) {
    Touch("z/c.mp3");
    Touch("a/B.mp3");
    Touch("a/a.mp3");
    settings = std::make_unique<TSettingsModule>(platform);
    settings->GeneralConfigs().SetSortType(1);
    TPlayerCore& k = Start({Root() + "z", Root() + "a"});
    EXPECT_EQ(k.Files().ToStringList(),
              QStringList({Root() + "a/a.mp3", Root() + "a/B.mp3", Root() + "z/c.mp3"}));
    EXPECT_EQ(control->opened, QStringList({Root() + "a/a.mp3"}));
}

TEST_F(PlayerCoreTest, TheShuffleOptionPlaysTheFirstShuffledEntry) {
    QStringList names;
    for (int i = 0; i < 12; ++i)
        names.append(Touch(QString("s/%1.mp3").arg(i, 2, 10, QLatin1Char('0'))));
    settings = std::make_unique<TSettingsModule>(platform);
    settings->GeneralConfigs().SetSortType(2);
    QSignalSpy moved(&MakeCore(), &TPlayerCore::CurrentMoved);
    core->LoadCommandLine({Root() + "s"});
    DrainEvents();
    QStringList sorted = core->Files().ToStringList();
    sorted.sort();
    EXPECT_EQ(sorted, names);
    EXPECT_NE(core->Files().ToStringList(), names);
    EXPECT_EQ(core->Current(), 0);
    EXPECT_EQ(control->opened, QStringList({core->Files().first()}));
    EXPECT_EQ(moved.count(), 1);
}

TEST_F(PlayerCoreTest, TheFirstTrackStartsAtItsRememberedPlace) {
    const QString song = Touch("song.mp3");
    settings = std::make_unique<TSettingsModule>(platform);
    settings->MediaConfigs().SetResumeTime(song, 83.4);
    Start({song});
    EXPECT_EQ(control->positionPuts, QList<double>({83.4}));
}

TEST_F(PlayerCoreTest, AStartWritesNothingBeforeItsFirstSound) {
    const QString earlier = Touch("e/old.mp3");
    Touch("s/a.mp3");
    settings = std::make_unique<TSettingsModule>(platform);
    settings->MediaConfigs().SetResumeTime(earlier, 12);
    ASSERT_TRUE(settings->MediaConfigs().SaveToDisk());
    const auto onDisk = [this] {
        QFile file(Root() + "Play.ind");
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray before = onDisk();
    MakeCore().LoadCommandLine({Root() + "s"});
    // Opened, not heard yet: a crash now leaves the last run's file as it was.
    EXPECT_EQ(onDisk(), before);
    DrainEvents(); // the control reports playing
    ASSERT_EQ(control->state, psPlaying);
    EXPECT_EQ(onDisk(), before);
    core->TimerTic(); // the first tick after the first sound writes the new session
    TSettingsModule next(platform);
    const std::optional<SessionState> session = TSessionRecord(next.MediaConfigs()).Load();
    ASSERT_TRUE(session.has_value());
    EXPECT_EQ(session->arguments, QStringList({Root() + "s"}));
    EXPECT_EQ(next.MediaConfigs().GetResumeTime(earlier), 12.0);
}

TEST_F(PlayerCoreTest, AnEndRacingAKeyAdvancesOnceFromWhereTheListenerWent) {
    struct Case {
        const char* name;
        std::function<void(TPlayerCore&)> key; // pressed between the end and its posted advance
        int current;                           // where the list stands after the advance ran
        QStringList opened;
    };
    const Case cases[] = {
        {"Next", [](TPlayerCore& k) { k.PlayNext(); }, 1, {"a", "b"}},
        {"Previous", [](TPlayerCore& k) { k.PlayPrevious(); }, 0, {"b", "a"}}, // from b
        {"PlayAnother", [](TPlayerCore& k) { k.PlayAt(2, true); }, 2, {"a", "c"}},
        {"Stop", [](TPlayerCore& k) { k.Stop(); }, 0, {"a"}},
    };
    for (const Case& cs : cases) {
        SCOPED_TRACE(cs.name);
        core.reset();
        settings.reset();
        TPlayerCore& k = StartThree();
        if (QString::fromLatin1(cs.name) == QLatin1String("Previous")) {
            k.PlayNext();
            DrainEvents();
        }
        control->opened.clear();
        control->opened.append(k.CurrentFile());
        control->FinishMedia(); // the advance is posted, not run
        ASSERT_TRUE(k.AdvancePending());
        cs.key(k);
        DrainEvents(); // the stale advance arrives and must skip nothing
        EXPECT_FALSE(k.AdvancePending());
        EXPECT_EQ(k.Current(), cs.current);
        QStringList names;
        for (const QString& p : control->opened)
            names.append(p.mid(p.lastIndexOf('/') + 1, 1));
        EXPECT_EQ(names, cs.opened);
    }
}

TEST_F(PlayerCoreTest, TheEndOfATrackForgetsItAndTheListStopsAfterTheLast) {
    TPlayerCore& k = StartThree();
    control->FinishMedia();
    DrainEvents();
    EXPECT_EQ(k.Current(), 1);
    EXPECT_EQ(Remembered(a), 0.0);
    EXPECT_EQ(Remembered(b), 33.0);
    k.PlayAt(2, false);
    DrainEvents();
    control->FinishMedia();
    DrainEvents();
    // The list ran out: stopped, the last track forgotten, no jump recorded by the end itself.
    EXPECT_EQ(k.Current(), 2);
    EXPECT_EQ(Remembered(c), 0.0);
    EXPECT_FALSE(IsActiveState(control->state));
    EXPECT_FALSE(k.TimerActive());
}

TEST_F(PlayerCoreTest, AFileThatFailsIsSkippedButKeepsItsPlace) {
    TPlayerCore& k = StartThree();
    control->FailMedia();
    DrainEvents();
    EXPECT_EQ(k.Current(), 1);
    EXPECT_EQ(Remembered(a), 33.0);
}

TEST_F(PlayerCoreTest, ManualMovesAreJumpsTheWayBackUndoesButTheEndOfATrackIsNot) {
    TPlayerCore& k = StartThree();
    control->position = 40;
    k.PlayNext();
    DrainEvents();
    control->position = 12;
    control->FinishMedia(); // b ends: c follows by itself
    DrainEvents();
    ASSERT_EQ(k.Current(), 2);
    // Back goes to where the listener pressed the key, in a, not to the end of b.
    const std::optional<double> back = k.GoBack();
    DrainEvents();
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, 40.0);
    EXPECT_EQ(k.Current(), 0);
    EXPECT_FALSE(k.GoBack().has_value());
}

TEST_F(PlayerCoreTest, ASeekFromTheDesktopIsAJumpTooAndAShortSeekIsNot) {
    TPlayerCore& k = StartThree();
    control->position = 50;
    k.SeekBy(5, false);
    EXPECT_FALSE(k.GoBack().has_value());
    control->position = 70;
    k.JumpTo(300); // the desktop's SetPosition and the jump dialog
    const std::optional<double> back = k.GoBack();
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, 70.0);
    EXPECT_EQ(control->positionPuts.last(), 70.0);
}

TEST_F(PlayerCoreTest, AModalPauseResumesOnlyTheTrackItPaused) {
    TPlayerCore& k = StartThree();
    ASSERT_EQ(control->state, psPlaying);
    {
        const TPlayerCore::ModalPause pause(k);
        EXPECT_TRUE(k.Busy());
        EXPECT_EQ(control->state, psPaused);
        EXPECT_TRUE(pause.SameTrack());
    }
    EXPECT_FALSE(k.Busy());
    EXPECT_EQ(control->state, psPlaying);

    {
        const TPlayerCore::ModalPause pause(k);
        k.PlayNext(); // the desktop moved on while the window was up
        DrainEvents();
        EXPECT_FALSE(pause.SameTrack());
        k.PauseToggle(); // and the listener paused the new track from there
    }
    // Resuming now would undo what the listener chose.
    EXPECT_EQ(control->state, psPaused);

    k.PauseToggle();
    control->failing.insert("PlayState");
    EXPECT_ANY_THROW({ const TPlayerCore::ModalPause pause(k); });
    EXPECT_FALSE(k.Busy()); // a failing control must not leave the core deaf
}

TEST_F(PlayerCoreTest, TheSoundFollowsTheOptionsFromTheStartAndWhenAModalWindowCloses) {
    Touch("l/a.mp3");
    settings = std::make_unique<TSettingsModule>(platform);
    settings->GeneralConfigs().SetMonoSound(true);
    TPlayerCore& k = Start({Root() + "l"});
    ASSERT_FALSE(control->soundPuts.isEmpty());
    EXPECT_EQ(control->soundPuts.last(), (SoundOptions{false, true, false}));
    {
        const TPlayerCore::ModalPause pause(k);
        // What the options dialog does on OK.
        settings->GeneralConfigs().SetEvenLoudness(true);
        settings->GeneralConfigs().SetMonoSound(false);
        settings->GeneralConfigs().SetShortSilences(true);
    }
    // Before playback goes on, so that not a moment is heard the old way.
    EXPECT_EQ(control->soundPuts.last(), (SoundOptions{true, false, true}));
    EXPECT_EQ(control->state, psPlaying);
    // A control that refuses the filters leaves the core working.
    control->failing.insert("SetSound");
    { const TPlayerCore::ModalPause pause(k); }
    EXPECT_FALSE(k.Busy());
    EXPECT_EQ(control->state, psPlaying);
}

TEST_F(PlayerCoreTest, StatesAreSignalledButNotActedOnWhileACommandRuns) {
    TPlayerCore& k = StartThree();
    QSignalSpy states(&k, &TPlayerCore::StateChanged);
    QSignalSpy shown(&k, &TPlayerCore::DisplayChanged);
    {
        const TPlayerCore::ModalPause pause(k);
        control->ChangeState(psMediaEnded); // while busy: no advance is posted
        EXPECT_FALSE(k.AdvancePending());
    }
    DrainEvents();
    EXPECT_EQ(k.Current(), 0);
    EXPECT_GE(states.count(), 1);
    EXPECT_GE(shown.count(), 1);
}

TEST_F(PlayerCoreTest, TheCheckpointWritesEveryFifthTickAndOnPause) {
    TPlayerCore& k = StartThree();
    control->position = 33;
    k.TimerTic(); // the start's own write, once heard
    control->position = 10;
    for (int i = 1; i < TPlayerCore::kSaveEveryTicks; ++i)
        k.TimerTic();
    TSettingsModule fresh(platform); // reads what is on disk
    EXPECT_EQ(fresh.MediaConfigs().GetResumeTime(a), 33.0);
    k.TimerTic();
    TSettingsModule afterTick(platform);
    EXPECT_EQ(afterTick.MediaConfigs().GetResumeTime(a), 10.0);
    control->position = 14;
    k.PauseToggle();
    TSettingsModule afterPause(platform);
    EXPECT_EQ(afterPause.MediaConfigs().GetResumeTime(a), 14.0);
}

TEST_F(PlayerCoreTest, OpenAndPlayAddsAtTheEndAndKeepsThePlaceLeft) {
    TPlayerCore& k = StartThree();
    const QString d = Touch("m/d.mp3");
    Touch("m/notes.txt");
    control->position = 21;
    QSignalSpy lists(&k, &TPlayerCore::ListChanged);
    ASSERT_TRUE(k.OpenAndPlay(Root() + "m"));
    DrainEvents();
    EXPECT_EQ(k.Files().size(), 4);
    EXPECT_EQ(k.CurrentFile(), d);
    EXPECT_EQ(Remembered(a), 21.0);
    EXPECT_EQ(lists.count(), 1);
    EXPECT_FALSE(k.OpenAndPlay(Root() + "m/notes.txt/")); // adds nothing: nothing changes
    EXPECT_EQ(k.CurrentFile(), d);
}

TEST_F(PlayerCoreTest, TheVolumeHasOneOwnerForKeysDesktopAndBackground) {
    TPlayerCore& k = StartThree();
    k.AppActivate();
    k.SetVolume(80);
    k.AppDeactivate(); // the option's 20 while behind another window
    EXPECT_EQ(control->volume, 20);
    k.SetVolume(60); // the desktop, meanwhile: kept for the return
    EXPECT_EQ(control->volume, 60);
    k.AppActivate();
    EXPECT_EQ(control->volume, 60);
    k.StepVolume(false);
    EXPECT_EQ(control->volume, 55);
}

} // namespace
