#include "engine/MpvPreparedNext.h"

#include "MpvHandBuiltEvents.h"
#include "engine/MpvFileTracker.h"

#include <gtest/gtest.h>
#include <mpv/client.h>

#include <vector>

namespace {

// Entry 6 plays "a"; entry 7, "b" from its start, waits behind it in mpv's playlist.
TEST(MpvPreparedNext, ASetFileTakesOverTheAppendedEntryOnlyWhenItIsThatEntry) {
    const MpvLoad b{"/b.wav", 0.0, 0, std::nullopt};
    const MpvLoad stretch{"/b.wav", 0.0, 0, 1.5}; // b played up to 1.5 s only
    struct Case {
        const char* name;
        MpvAppendedEntry appended;
        std::vector<MpvEventData> events; // after "a" has loaded
        MpvLoad set;
        MpvAdoption expected;
    };
    const Case cases[] = {
        {"mpv started it", {b, 7}, {End(6, MPV_END_FILE_REASON_EOF), Start(7)}, b, MpvAdoption::Adopt},
        {"mpv has not said yet", {b, 7, true}, {End(6, MPV_END_FILE_REASON_EOF)}, b, MpvAdoption::Wait},
        {"mpv went idle instead", {b, 7, false}, {End(6, MPV_END_FILE_REASON_EOF)}, b, MpvAdoption::Load},
        {"its entry is not yet known", {b, 0, true}, {End(6, MPV_END_FILE_REASON_EOF)}, b, MpvAdoption::Load},
        {"another place",
         {b, 7},
         {End(6, MPV_END_FILE_REASON_EOF), Start(7)},
         {"/b.wav", 0.25, 0, std::nullopt},
         MpvAdoption::Load},
        {"the whole file, not a stretch",
         {stretch, 7},
         {End(6, MPV_END_FILE_REASON_EOF), Start(7)},
         b,
         MpvAdoption::Load},
        {"another end",
         {stretch, 7},
         {End(6, MPV_END_FILE_REASON_EOF), Start(7)},
         {"/b.wav", 0.0, 0, 2.0},
         MpvAdoption::Load},
        {"the same stretch",
         {stretch, 7},
         {End(6, MPV_END_FILE_REASON_EOF), Start(7)},
         stretch,
         MpvAdoption::Adopt},
        {"another file",
         {b, 7},
         {End(6, MPV_END_FILE_REASON_EOF), Start(7)},
         {"/c.wav", 0.0, 0, std::nullopt},
         MpvAdoption::Load},
        {"it is over already",
         {b, 7},
         {End(6, MPV_END_FILE_REASON_EOF), Start(7), End(7, MPV_END_FILE_REASON_EOF)},
         b,
         MpvAdoption::Load},
    };
    for (const Case& c : cases) {
        MpvFileTracker tracker;
        tracker.LoadRequested(1);
        tracker.OnEvent(LoadReply(1, 6));
        tracker.OnEvent(Start(6));
        tracker.OnEvent(Loaded());
        for (const MpvEventData& e : c.events)
            tracker.OnEvent(e);
        tracker.LoadRequested(2); // the program sets the next file
        EXPECT_EQ(AdoptionVerdict(c.set, c.appended, tracker), c.expected) << c.name;
    }
}

} // namespace
