#include "listening/ResumeRewind.h"

#include "ListeningFixture.h"

namespace {

class ResumeRewindTest : public ListeningFixture {
protected:
    ResumeRewindTest() : rewind(*player, clock) {}

    // Pauses at position for pausedSeconds, then resumes as the window does; the position resumed at.
    double ResumeAfter(double position, double pausedSeconds, double rate = 1, bool enabled = true) {
        PlayAt("/b/one.mp3", position);
        fake->rate = rate;
        player->TogglePause();
        clock.now += pausedSeconds;
        rewind.BeforeResume(enabled);
        player->TogglePause();
        EXPECT_EQ(fake->state, psPlaying);
        return fake->position;
    }

    TResumeRewind rewind;
};

TEST_F(ResumeRewindTest, MovesBackMoreAfterALongerPauseTimesTheSpeed) {
    const struct {
        const char* name;
        double paused;
        double rate;
        double resumedAt; // from 100 s
    } cases[] = {
        {"just under 10 s: exact", 9.9, 1, 100},
        {"10 s", 10, 1, 97},
        {"59.9 s", 59.9, 1, 97},
        {"1 min", 60, 1, 90},
        {"just under 5 min", 299.9, 1, 90},
        {"5 min", 300, 1, 80},
        {"just under 30 min", 1799.9, 1, 80},
        {"30 min", 1800, 1, 70},
        {"a night", 8 * 3600, 1, 70},
        {"1 min at 1.5x", 60, 1.5, 85},
        {"5 min at 0.5x", 300, 0.5, 90},
        {"a rate the control did not give counts as 1x", 60, 0, 90},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_DOUBLE_EQ(ResumeAfter(100, c.paused, c.rate), c.resumedAt);
    }
}

TEST_F(ResumeRewindTest, ResumesExactlyWhenMovedOffOrNeverBeforeTheStart) {
    EXPECT_DOUBLE_EQ(ResumeAfter(2, 600), 0) << "never before the file's start";
    EXPECT_DOUBLE_EQ(ResumeAfter(100, 600, 1, false), 100) << "the option off";

    // A seek or a jump in the pause chose the place.
    PlayAt("/b/one.mp3", 100);
    player->TogglePause();
    clock.now += 600;
    player->SeekBackward(30);
    EXPECT_EQ(rewind.BeforeResume(true), 0);
    EXPECT_DOUBLE_EQ(fake->position, 70);

    // A new file ends the pause: it starts where it is remembered.
    PlayAt("/b/one.mp3", 100);
    player->TogglePause();
    clock.now += 600;
    player->PlayFile("/b/two.mp3");
    DrainEvents();
    fake->position = 100;
    EXPECT_EQ(rewind.BeforeResume(true), 0);
    EXPECT_DOUBLE_EQ(fake->position, 100);

    // Two resumes of one pause (the first one refused by the control) move back once.
    PlayAt("/b/one.mp3", 100);
    player->TogglePause();
    clock.now += 600;
    EXPECT_EQ(rewind.BeforeResume(true), 20);
    EXPECT_EQ(rewind.BeforeResume(true), 0);
    EXPECT_DOUBLE_EQ(fake->position, 80);
}

} // namespace
