#include "engine/MpvHeldPosition.h"

#include "MpvHandBuiltEvents.h"

#include <gtest/gtest.h>

namespace {

MpvEventData SeekReply(std::uint64_t sequence, int error = 0) {
    MpvEventData e;
    e.kind = MpvEventKind::CommandReply;
    e.userdata = MakeRequestTag(MpvRequest::Seek, sequence);
    e.error = error;
    return e;
}

// mpv keeps reporting the old place until a seek has landed; after that its own report counts.
TEST(MpvHeldPosition, ASeekIsHeldUntilItLandsWhicheverOfReplyAndRestartComesFirst) {
    struct Case {
        const char* name;
        bool restartFirst;
        int error;
        double shownAfter; // after mpv reports 28.5 once both arrived
    };
    for (const Case& c : {Case{"reply, then restart", false, 0, 28.5},
                          Case{"restart, then reply", true, 0, 28.5}, Case{"refused", false, -1, 28.5}}) {
        MpvHeldPosition held;
        held.Set(20);
        held.HoldForSeek(7);
        held.OnReported(3); // the place before the seek
        EXPECT_EQ(held.Position(), 20) << c.name;
        if (c.restartFirst)
            held.OnPlaybackRestart(true);
        held.OnSeekReply(SeekReply(7, c.error));
        if (!c.restartFirst)
            held.OnPlaybackRestart(true);
        held.OnReported(28.5);
        EXPECT_EQ(held.Position(), c.shownAfter) << c.name;
    }
}

TEST(MpvHeldPosition, ARestartBeforeALaterSeekDoesNotReleaseIt) {
    MpvHeldPosition held;
    held.HoldForSeek(1);
    held.OnPlaybackRestart(true); // the first seek landed before its reply
    held.Set(60);
    held.HoldForSeek(2); // a second seek is on its way
    held.OnSeekReply(SeekReply(1));
    held.OnReported(30);
    EXPECT_EQ(held.Position(), 60) << "the first seek's reply says nothing of the second";
    held.OnSeekReply(SeekReply(2));
    held.OnReported(31);
    EXPECT_EQ(held.Position(), 60) << "accepted, but not landed yet";
    held.OnPlaybackRestart(true);
    held.OnReported(60.2);
    EXPECT_EQ(held.Position(), 60.2);
}

} // namespace
