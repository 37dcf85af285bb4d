// A list that starts playing before the search of its arguments is over: the rest arrives later.
#include "config/SessionRecord.h"
#include "support/CoreFixture.h"

#include <QSignalSpy>

namespace {

class PlayerCoreSearchTest : public CoreFixture {
protected:
    /// a plays, alone on the list, while b and c are still being found.
    TPlayerCore& StartSearching() {
        a = Touch("l/a.mp3");
        b = Touch("l/b.mp3");
        c = Touch("l/c.mp3");
        MakeCore().LoadCommandLine({Root() + "l"}, {a}, true);
        DrainEvents();
        return *core;
    }

    QString a, b, c;
};

TEST_F(PlayerCoreSearchTest, TheRestIsAppendedAndTheNextTrackPreparedWithoutDisturbingTheFirst) {
    TPlayerCore& k = StartSearching();
    EXPECT_EQ(control->opened, QStringList({a}));
    EXPECT_EQ(k.Current(), 0);
    QSignalSpy coming(&k, &TPlayerCore::ListAboutToGrow);
    QSignalSpy grew(&k, &TPlayerCore::ListGrew);
    QSignalSpy rebuilt(&k, &TPlayerCore::ListChanged);
    control->nextHints.clear();

    k.FilesFound({b, c}, true);
    EXPECT_EQ(k.Files().ToStringList(), QStringList({a, b, c}));
    ASSERT_EQ(coming.count(), 1);
    EXPECT_EQ(coming.first(), QVariantList({1, 2})); // the rows added, told before they are
    EXPECT_EQ(grew.count(), 1);
    EXPECT_EQ(rebuilt.count(), 0); // not a new list: the view keeps its place
    EXPECT_EQ(control->opened, QStringList({a}));
    ASSERT_FALSE(control->nextHints.isEmpty());
    EXPECT_EQ(control->nextHints.last().first, b); // gapless into the second track

    control->FinishMedia();
    DrainEvents();
    EXPECT_EQ(control->opened, QStringList({a, b}));
}

TEST_F(PlayerCoreSearchTest, AListThatRanOutWhileSearchingGoesOnWithWhatWasFound) {
    TPlayerCore& k = StartSearching();
    control->FailMedia(); // the first file found is unreadable, and the rest is not here yet
    DrainEvents();
    EXPECT_EQ(control->opened, QStringList({a}));
    EXPECT_EQ(control->closes, 0); // not stopped: the list's end is not known yet

    k.FilesFound({b, c}, true);
    DrainEvents();
    EXPECT_EQ(control->opened, QStringList({a, b}));
    EXPECT_EQ(k.Current(), 1);
}

TEST_F(PlayerCoreSearchTest, BatchesFoundWhileTheSearchGoesOnAreHeardInTurn) {
    TPlayerCore& k = StartSearching();
    k.FilesFound({b}, false);
    control->FinishMedia();
    DrainEvents();
    EXPECT_EQ(control->opened, QStringList({a, b}));
    control->FinishMedia(); // b is the last found so far: the list waits for the search
    DrainEvents();
    EXPECT_EQ(control->closes, 0);
    k.FilesFound({}, false); // a batch of nothing changes nothing
    EXPECT_EQ(control->opened, QStringList({a, b}));

    k.FilesFound({c}, true);
    DrainEvents();
    EXPECT_EQ(control->opened, QStringList({a, b, c}));
    EXPECT_EQ(k.Files().ToStringList(), QStringList({a, b, c}));
}

TEST_F(PlayerCoreSearchTest, NothingMoreFoundEndsTheListAsIfItHadBeenWhole) {
    TPlayerCore& k = StartSearching();
    control->position = 20;
    control->FinishMedia();
    DrainEvents();
    k.FilesFound({}, true);
    DrainEvents();
    EXPECT_EQ(control->opened, QStringList({a}));
    EXPECT_EQ(k.Current(), 0);
    EXPECT_FALSE(k.TimerActive());
    EXPECT_EQ(Remembered(a), 0); // played to its end: nothing to resume
}

TEST_F(PlayerCoreSearchTest, AMoveMadeWhileWaitingIsNotUndoneWhenTheRestArrives) {
    TPlayerCore& k = StartSearching();
    control->FinishMedia();
    DrainEvents();
    k.SetSelection([] { return 0; });
    k.PlayPause(); // the listener starts the track again before the rest is found
    DrainEvents();
    ASSERT_EQ(control->opened, QStringList({a, a}));

    k.FilesFound({b, c}, true);
    DrainEvents();
    EXPECT_EQ(control->opened, QStringList({a, a})); // a plays on; b is only prepared
    EXPECT_EQ(k.Current(), 0);
}

TEST_F(PlayerCoreSearchTest, AWholeListIgnoresALateEnd) {
    a = Touch("l/a.mp3");
    TPlayerCore& k = Start({Root() + "l"});
    k.FilesFound({Root() + "l/stray.mp3"}, true);
    EXPECT_EQ(k.Files().ToStringList(), QStringList({a}));
}

} // namespace
