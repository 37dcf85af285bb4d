#include "engine/MpvStateDecision.h"

#include "MpvHandBuiltEvents.h"
#include "engine/MediaControl.h"

#include <gtest/gtest.h>
#include <mpv/client.h>

namespace {

TEST(MpvStateDecision, EventsOfTheCurrentFileBecomeTheStatesReported) {
    struct Case {
        const char* name;
        MpvEventData event;
        bool pauseWanted;
        MpvStateDecision expected;
    };
    const Case cases[] = {
        {"loaded", Loaded(), false, {psPlaying}},
        {"loaded after a pause was asked", Loaded(), true, {psPaused}},
        {"played to its end", End(5, MPV_END_FILE_REASON_EOF), false, {psMediaEnded}},
        {"unreadable",
         End(5, MPV_END_FILE_REASON_ERROR, MPV_ERROR_UNKNOWN_FORMAT),
         false,
         {psMediaEnded, true}},
        {"a list in disguise", End(5, MPV_END_FILE_REASON_REDIRECT), false, {psMediaEnded, true, true}},
        // Every file would fail alike on a dead output: no 8, so the list does not run through.
        {"the audio output died",
         End(5, MPV_END_FILE_REASON_ERROR, MPV_ERROR_AO_INIT_FAILED),
         false,
         {psStopped}},
        {"the end of a file already replaced", End(4, MPV_END_FILE_REASON_EOF), false, {}},
    };
    for (const Case& c : cases) {
        MpvFileTracker tracker;
        tracker.LoadRequested(1);
        tracker.OnEvent(LoadReply(1, 5));
        tracker.OnEvent(Start(5));
        const MpvStateDecision decision = DecideState(tracker.OnEvent(c.event), c.pauseWanted);
        EXPECT_EQ(decision.state, c.expected.state) << c.name;
        EXPECT_EQ(decision.failure, c.expected.failure) << c.name;
        EXPECT_EQ(decision.stopPlayback, c.expected.stopPlayback) << c.name;
    }
}

} // namespace
