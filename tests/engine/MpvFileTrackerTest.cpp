#include "engine/MpvFileTracker.h"

#include "MpvHandBuiltEvents.h"

#include <gtest/gtest.h>
#include <mpv/client.h>

#include <algorithm>
#include <vector>

namespace {

using Verdict = MpvFileTracker::Verdict;

TEST(MpvFileTracker, FollowsOneFileFromLoadToEnd) {
    MpvFileTracker t;
    t.LoadRequested(1);
    EXPECT_EQ(t.OnEvent(LoadReply(1, 5)), Verdict::None);
    EXPECT_FALSE(t.CurrentFileStarted());
    EXPECT_EQ(t.OnEvent(Start(5)), Verdict::None);
    EXPECT_TRUE(t.CurrentFileStarted());
    EXPECT_EQ(t.OnEvent(Loaded()), Verdict::Loaded);
    EXPECT_TRUE(t.CurrentFileLoaded());
    EXPECT_EQ(t.OnEvent(End(5, MPV_END_FILE_REASON_EOF)), Verdict::MediaEnded);
    EXPECT_FALSE(t.CurrentFileLoaded());
    // A second END_FILE for the same entry must not end it twice.
    EXPECT_EQ(t.OnEvent(End(5, MPV_END_FILE_REASON_EOF)), Verdict::None);
}

// The old file ends on its own just as the next one is asked for: in every order mpv may
// deliver the events, only the new file's end counts.
TEST(MpvFileTracker, EventsOfAReplacedFileAreDropped) {
    const std::vector<std::vector<MpvEventData>> orders = {
        {End(1, MPV_END_FILE_REASON_EOF), LoadReply(2, 2), Start(2), Loaded()},
        {LoadReply(2, 2), End(1, MPV_END_FILE_REASON_EOF), Start(2), Loaded()},
        {LoadReply(2, 2), End(1, MPV_END_FILE_REASON_STOP), Start(2), Loaded()},
        {Loaded(), LoadReply(1, 1), LoadReply(2, 2), Start(2), Loaded()},
    };
    for (size_t i = 0; i < orders.size(); ++i) {
        MpvFileTracker t;
        t.LoadRequested(1);
        t.OnEvent(LoadReply(1, 1));
        t.OnEvent(Start(1));
        t.OnEvent(Loaded());
        t.LoadRequested(2);
        std::vector<Verdict> verdicts;
        for (const MpvEventData& e : orders[i])
            verdicts.push_back(t.OnEvent(e));
        EXPECT_EQ(std::count(verdicts.begin(), verdicts.end(), Verdict::MediaEnded), 0) << "order " << i;
        EXPECT_EQ(std::count(verdicts.begin(), verdicts.end(), Verdict::Loaded), 1) << "order " << i;
        EXPECT_EQ(t.OnEvent(End(2, MPV_END_FILE_REASON_EOF)), Verdict::MediaEnded) << "order " << i;
    }
}

TEST(MpvFileTracker, ALoadStillOnItsWayIgnoresTheOldFile) {
    MpvFileTracker t;
    t.LoadRequested(1);
    t.LoadRequested(2);
    // The first load's reply and file belong to a request already superseded.
    EXPECT_EQ(t.OnEvent(LoadReply(1, 1)), Verdict::None);
    EXPECT_EQ(t.OnEvent(Start(1)), Verdict::None);
    EXPECT_EQ(t.OnEvent(Loaded()), Verdict::None);
    EXPECT_EQ(t.OnEvent(End(1, MPV_END_FILE_REASON_EOF)), Verdict::None);
    EXPECT_EQ(t.OnEvent(LoadReply(2, 2)), Verdict::None);
    EXPECT_EQ(t.OnEvent(Start(2)), Verdict::None);
    EXPECT_EQ(t.OnEvent(Loaded()), Verdict::Loaded);
}

TEST(MpvFileTracker, AbandonedFileNeverEnds) {
    MpvFileTracker t;
    t.LoadRequested(1);
    t.OnEvent(LoadReply(1, 1));
    t.OnEvent(Start(1));
    t.Abandon();
    EXPECT_EQ(t.OnEvent(Loaded()), Verdict::None);
    EXPECT_EQ(t.OnEvent(End(1, MPV_END_FILE_REASON_EOF)), Verdict::None);
}

TEST(MpvFileTracker, RefusedLoadEndsTheFile) {
    MpvFileTracker t;
    t.LoadRequested(4);
    EXPECT_EQ(t.OnEvent(LoadReply(4, 0, MPV_ERROR_INVALID_PARAMETER)), Verdict::Failed);
    EXPECT_EQ(t.OnEvent(LoadReply(4, 0, MPV_ERROR_INVALID_PARAMETER)), Verdict::None);
}

TEST(MpvFileTracker, EndVerdictsFollowTheReason) {
    struct Case {
        int reason;
        int error;
        Verdict expected;
    };
    const Case cases[] = {
        {MPV_END_FILE_REASON_ERROR, MPV_ERROR_AO_INIT_FAILED, Verdict::Stopped},
        {MPV_END_FILE_REASON_ERROR, MPV_ERROR_UNKNOWN_FORMAT, Verdict::Failed},
        {MPV_END_FILE_REASON_REDIRECT, 0, Verdict::Redirected},
        {MPV_END_FILE_REASON_QUIT, 0, Verdict::Stopped},
    };
    for (const Case& c : cases) {
        MpvFileTracker t;
        t.LoadRequested(1);
        t.OnEvent(LoadReply(1, 9));
        t.OnEvent(Start(9));
        EXPECT_EQ(t.OnEvent(End(9, c.reason, c.error)), c.expected) << c.reason << "/" << c.error;
    }
}

} // namespace

namespace {

// An entry mpv moved to by itself becomes the current file with what was already seen of it.
TEST(MpvFileTracker, AdoptedEntryCountsWhatWasSeenOfIt) {
    struct Case {
        const char* name;
        std::vector<MpvEventData> before; // events of the entry before it is adopted
        bool started;
        bool loaded;
    };
    const Case cases[] = {
        {"not yet started", {}, false, false},
        {"started", {Start(7)}, true, false},
        {"started and loaded", {Start(7), Loaded()}, true, true},
    };
    for (const Case& c : cases) {
        MpvFileTracker t;
        t.LoadRequested(1);
        t.OnEvent(LoadReply(1, 6));
        t.OnEvent(Start(6));
        t.OnEvent(Loaded());
        EXPECT_EQ(t.OnEvent(End(6, MPV_END_FILE_REASON_EOF)), Verdict::MediaEnded) << c.name;
        t.LoadRequested(2); // the next file is asked for: nothing of entry 7 is current yet
        for (const MpvEventData& e : c.before)
            EXPECT_EQ(t.OnEvent(e), Verdict::None) << c.name;
        EXPECT_EQ(t.LastStartedId(), c.started ? 7 : 6) << c.name;
        t.Adopt(7);
        EXPECT_EQ(t.CurrentFileStarted(), c.started) << c.name;
        EXPECT_EQ(t.CurrentFileLoaded(), c.loaded) << c.name;
        if (!c.started)
            t.OnEvent(Start(7));
        EXPECT_EQ(t.OnEvent(Loaded()), c.loaded ? Verdict::None : Verdict::Loaded) << c.name;
        EXPECT_FALSE(t.HasEnded(7)) << c.name;
        EXPECT_EQ(t.OnEvent(End(7, MPV_END_FILE_REASON_EOF)), Verdict::MediaEnded) << c.name;
        EXPECT_TRUE(t.HasEnded(7)) << c.name;
    }
}

} // namespace
