#include "listening/SleepTimer.h"

#include "ListeningFixture.h"
#include "texts/ListeningTexts.h"
#include "texts/Texts.h"

#include <QSignalSpy>

namespace {

class SleepTimerTest : public ListeningFixture {
protected:
    SleepTimerTest() : timer(*player, clock) {}

    // Steps the cycle until it reaches choice.
    void Choose(int choice) {
        while (timer.Choice() != choice)
            timer.Cycle();
    }
    // Plays for seconds, looking every `every` seconds as the window's tick does.
    void PlayFor(double seconds, double every = 1) {
        for (double t = 0; t < seconds; t += every) {
            clock.now += every;
            fake->position += every;
            timer.Tick();
        }
    }

    TSleepTimer timer;
};

TEST_F(SleepTimerTest, KeyStepsThroughTheChoicesAndSaysEachInBothLanguages) {
    const struct {
        int choice;
        const char* italian;
        const char* spanish;
    } cycle[] = {
        {15, "Timer 15 minuti", "Temporizador 15 minutos"},
        {30, "Timer 30 minuti", "Temporizador 30 minutos"},
        {45, "Timer 45 minuti", "Temporizador 45 minutos"},
        {60, "Timer 60 minuti", "Temporizador 60 minutos"},
        {90, "Timer 90 minuti", "Temporizador 90 minutos"},
        {kSleepAtTrackEnd, "Timer fine brano", "Temporizador fin de pista"},
        {0, "Timer spento", "Temporizador apagado"},
        {15, "Timer 15 minuti", "Temporizador 15 minutos"},
    };
    EXPECT_FALSE(timer.Armed());
    for (const auto& step : cycle) {
        SCOPED_TRACE(step.italian);
        EXPECT_EQ(timer.Cycle(), step.choice);
        EXPECT_EQ(timer.Armed(), step.choice != 0);
        EXPECT_EQ(SleepTimerSpokenText(step.choice, LangItalian), QString::fromUtf8(step.italian));
        EXPECT_EQ(SleepTimerSpokenText(step.choice, LangOther), QString::fromUtf8(step.italian));
        EXPECT_EQ(SleepTimerSpokenText(step.choice, LangSpanish), QString::fromUtf8(step.spanish));
    }
}

TEST_F(SleepTimerTest, CountsOnlyWhilePlayingThenFadesInStepsAndPauses) {
    PlayAt("/b/one.mp3");
    fake->durations["/b/one.mp3"] = 3600;
    fake->volume = 80;
    QSignalSpy expired(&timer, &TSleepTimer::Expired);
    Choose(15);

    PlayFor(10 * 60);
    player->TogglePause();
    clock.now += 3 * 3600; // a long pause counts nothing
    timer.Tick();
    player->TogglePause();
    player->CloseMedia();
    clock.now += 3600; // nor does a stop
    timer.Tick();
    PlayAt("/b/one.mp3", 600);
    PlayFor(5 * 60 - 10);
    EXPECT_TRUE(fake->volumePuts.isEmpty()) << "no fade before the last 10 s of playing";
    EXPECT_EQ(expired.count(), 0);

    // The last 10 s, looked at every 2 s: the volume falls in even steps, never rising.
    PlayFor(8, 2);
    EXPECT_EQ(fake->volumePuts, QList<int>({64, 48, 32, 16}));
    EXPECT_EQ(fake->state, psPlaying);
    PlayFor(2, 2);
    EXPECT_EQ(fake->state, psPaused) << "paused, not stopped";
    EXPECT_EQ(fake->volume, 80) << "the volume is back for the next play";
    EXPECT_EQ(expired.count(), 1);
    EXPECT_FALSE(timer.Armed());
}

TEST_F(SleepTimerTest, KeyInTheFadeCancelsItAndGivesTheVolumeBackAtOnce) {
    PlayAt("/b/one.mp3");
    fake->volume = 60;
    Choose(15);
    PlayFor(15 * 60 - 5);
    ASSERT_TRUE(timer.Fading());
    ASSERT_EQ(fake->volume, 30);
    EXPECT_EQ(timer.Cycle(), 0) << "off, not the next choice";
    EXPECT_EQ(fake->volume, 60);
    PlayFor(30);
    EXPECT_EQ(fake->state, psPlaying);
    EXPECT_EQ(fake->volume, 60);
}

TEST_F(SleepTimerTest, DuckingInTheFadeLowersTheListenersVolumeAndTheFadeGoesOnFromIt) {
    PlayAt("/b/one.mp3");
    fake->volume = 80;
    Choose(15);
    PlayFor(15 * 60 - 5);
    ASSERT_EQ(fake->volume, 40);
    // The window in the background: the listener's volume is 80, the ceiling 20.
    EXPECT_EQ(timer.Volume(), 80);
    timer.SetVolume(20);
    EXPECT_EQ(fake->volume, 10);
    timer.SetVolume(80); // back in front
    EXPECT_EQ(fake->volume, 40);
    PlayFor(5);
    EXPECT_EQ(fake->state, psPaused);
    EXPECT_EQ(fake->volume, 80);
}

TEST_F(SleepTimerTest, PauseInTheFadeGivesTheVolumeBackUntilPlayingGoesOn) {
    PlayAt("/b/one.mp3");
    fake->volume = 50;
    Choose(15);
    PlayFor(15 * 60 - 4);
    ASSERT_EQ(fake->volume, 20);
    player->TogglePause();
    clock.now += 60;
    timer.Tick();
    EXPECT_EQ(fake->volume, 50);
    player->TogglePause();
    PlayFor(2);
    EXPECT_EQ(fake->volume, 10) << "2 s of playing left";
}

TEST_F(SleepTimerTest, TrackEndFadesTheTracksLastSecondsAtItsSpeedAndIsTakenOnce) {
    PlayAt("/b/one.mp3", 100);
    fake->durations["/b/one.mp3"] = 130;
    fake->rate = 2; // 30 s of the file are 15 s of listening
    fake->volume = 100;
    Choose(kSleepAtTrackEnd);
    clock.now += 3600; // no time limit: only the track's end counts
    timer.Tick();
    EXPECT_TRUE(fake->volumePuts.isEmpty());
    fake->position = 120; // 5 s of listening left
    timer.Tick();
    EXPECT_EQ(fake->volume, 50);
    EXPECT_EQ(fake->state, psPlaying) << "the track plays to its end";
    fake->FinishMedia();
    timer.Tick();
    EXPECT_EQ(fake->volume, 100);
    EXPECT_TRUE(timer.TakeTrackEnd());
    EXPECT_FALSE(timer.Armed());
    EXPECT_FALSE(timer.TakeTrackEnd());
}

} // namespace
