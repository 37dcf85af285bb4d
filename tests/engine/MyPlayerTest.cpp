#include "engine/MyPlayer.h"

#include "config/MediaConfigs.h"
#include "support/CaseName.h"
#include "support/FakeMediaControl.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>
#include <sstream>

namespace {

constexpr double kNothing = -1; // the step leaves the rate alone

class MyPlayerTest : public testing::Test {
protected:
    MyPlayerTest() {
        QFile file(dir.filePath("Play.ind"));
        if (file.open(QIODevice::WriteOnly))
            file.write("[dabmp3]\r\nPath=/d/a/b.mp3\r\nTime=83.4\r\n\r\n");
        file.close();
        resume = std::make_unique<TM3MediaConfigs>(file.fileName(), QLocale::c());
        auto owned = std::make_unique<FakeMediaControl>();
        fake = owned.get();
        player = std::make_unique<TMyPlayer>(std::move(owned), *resume, [this] { ++beeps; });
    }

    QTemporaryDir dir;
    std::unique_ptr<TM3MediaConfigs> resume;
    FakeMediaControl* fake = nullptr;
    std::unique_ptr<TMyPlayer> player;
    int beeps = 0;
};

TEST_F(MyPlayerTest, PlayFileStartsAtTheRememberedPositionOrAtZero) {
    player->PlayFile("/d/a/b.mp3");
    player->PlayFile("/d/a/other.mp3");
    EXPECT_EQ(fake->opened, QStringList({"/d/a/b.mp3", "/d/a/other.mp3"}));
    EXPECT_EQ(fake->positionPuts, QList<double>({83.4, 0.0}));
}

TEST_F(MyPlayerTest, PlayFileStepsFailSeparately) {
    fake->failing = {"SetUrl"};
    player->PlayFile("/d/a/b.mp3");
    EXPECT_EQ(fake->positionPuts, QList<double>({83.4}));

    fake->failing = {"SetCurrentPosition"};
    EXPECT_NO_THROW(player->PlayFile("/d/a/b.mp3"));
    EXPECT_EQ(fake->opened, QStringList({"/d/a/b.mp3"}));
}

TEST_F(MyPlayerTest, PrepareNextHintsTheFileWithItsRememberedPosition) {
    player->PrepareNext("/d/a/b.mp3");
    player->PrepareNext("/d/a/other.mp3");
    player->PrepareNext(QString());
    const QList<QPair<QString, double>> expected{
        {"/d/a/b.mp3", 83.4}, {"/d/a/other.mp3", 0.0}, {QString(), 0.0}};
    EXPECT_EQ(fake->nextHints, expected);
    fake->failing = {"SetNextUrl"};
    EXPECT_NO_THROW(player->PrepareNext("/d/a/b.mp3"));
}

struct SpeedCase {
    double rate;
    bool faster;
    double expected; // kNothing when the step does nothing
};

void PrintTo(const SpeedCase& c, std::ostream* os) {
    *os << (c.faster ? "faster from " : "slower from ") << c.rate << " to " << c.expected;
}

class SpeedStepTest : public MyPlayerTest, public testing::WithParamInterface<SpeedCase> {};

TEST_P(SpeedStepTest, StepsAlongTheTableAndBeepsOnNormalSpeed) {
    const SpeedCase c = GetParam();
    fake->rate = c.rate;
    c.faster ? player->Faster() : player->Slower();
    if (c.expected == kNothing) {
        EXPECT_TRUE(fake->ratePuts.isEmpty());
        EXPECT_EQ(beeps, 0);
        return;
    }
    ASSERT_EQ(fake->ratePuts.size(), 1);
    EXPECT_DOUBLE_EQ(fake->ratePuts[0], c.expected);
    EXPECT_EQ(beeps, c.expected == 1.0 ? 1 : 0);
}

std::vector<SpeedCase> SpeedCases() {
    std::vector<SpeedCase> cases;
    // From every table value, one step each way to the neighbour, or nothing at either end.
    for (int i = 0; i < 19; ++i) {
        const double rate = SpeedTable[i] / 100.0;
        cases.push_back({rate, true, i == 18 ? kNothing : SpeedTable[i + 1] / 100.0});
        cases.push_back({rate, false, i == 0 ? kNothing : SpeedTable[i - 1] / 100.0});
    }
    const SpeedCase between[] = {
        {1.05, true, 1.40},
        {1.05, false, 0.90},
        {4.01, true, kNothing},
        {4.5, true, kNothing},
        {0.59, false, kNothing},
        {0.55, false, kNothing},
        {5.01, true, 1.20},
        {9.0, true, 1.20},
        {0.49, false, 0.90},
        {0.0, false, 0.90},
        {0.0, true, 0.60},
        {0.95, true, 1.20},
        {0.85, true, 1.0},
        {1.3, false, 1.0},
        {1.005, true, 1.20},
        {1.015, false, 0.90},
        {std::numeric_limits<double>::infinity(), true, 1.20},
        {std::numeric_limits<double>::quiet_NaN(), true, 1.20},
        {std::numeric_limits<double>::quiet_NaN(), false, 0.90},
    };
    cases.insert(cases.end(), std::begin(between), std::end(between));
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Table, SpeedStepTest, testing::ValuesIn(SpeedCases()),
                         [](const testing::TestParamInfo<SpeedCase>& info) {
                             std::ostringstream rate;
                             rate << info.param.rate;
                             return (info.param.faster ? "FasterFrom" : "SlowerFrom") +
                                    CaseName::FromText(rate.str());
                         });

TEST_F(MyPlayerTest, SpeedStepsFromNormalSpeed) {
    fake->state = psStopped; // they work in any state
    player->Faster();
    player->Slower();
    player->Slower();
    player->Slower();
    player->Faster();
    EXPECT_EQ(fake->ratePuts, QList<double>({1.2, 1.0, 0.9, 0.8, 0.9}));
    EXPECT_EQ(beeps, 1);
}

TEST_F(MyPlayerTest, FasterFromAnUnreadableRateGivesSixtyPercent) {
    fake->failing = {"Rate"};
    player->Faster();
    EXPECT_EQ(fake->ratePuts, QList<double>({0.6}));
}

TEST_F(MyPlayerTest, VolumeStepsStayWithinBoundsAndNeedAnActivePlayer) {
    const struct {
        int state;
        int volume;
        bool up;
        QList<int> puts;
    } cases[] = {
        {psPlaying, 98, true, {100}},     {psPlaying, 3, false, {0}},    {psPaused, 50, true, {55}},
        {psScanReverse, 50, false, {45}}, {psPlaying, 100, true, {100}}, {psStopped, 50, true, {}},
        {psMediaEnded, 50, false, {}},    {psUndefined, 50, true, {}},
    };
    for (const auto& c : cases) {
        fake->state = c.state;
        fake->volume = c.volume;
        fake->volumePuts.clear();
        c.up ? player->VolumeUp() : player->VolumeDown();
        EXPECT_EQ(fake->volumePuts, c.puts) << c.state << " " << c.volume << " " << c.up;
    }
}

TEST_F(MyPlayerTest, VolumeStepWithUnreadableStateDoesNothing) {
    fake->failing = {"PlayState"};
    EXPECT_NO_THROW(player->VolumeUp());
    EXPECT_NO_THROW(player->VolumeDown());
    EXPECT_TRUE(fake->volumePuts.isEmpty());
}

TEST_F(MyPlayerTest, FailuresAreSwallowedExceptForTheStateQueries) {
    fake->state = psPlaying;
    fake->tags.insert(fake->url, {"Titolo", "Autore", "Album"});
    fake->failing = {"SetUrl",          "PlayState",          "Close",         "Play",      "Pause",
                     "CurrentPosition", "SetCurrentPosition", "Volume",        "SetVolume", "Rate",
                     "SetRate",         "MediaName",          "MediaDuration", "Tags"};
    EXPECT_NO_THROW(player->PlayFile("x.mp3"));
    EXPECT_NO_THROW(player->CloseMedia());
    EXPECT_NO_THROW(player->TogglePause());
    EXPECT_NO_THROW(player->SeekBackward(5));
    EXPECT_NO_THROW(player->SeekForward(5));
    EXPECT_NO_THROW(player->SetVolume(10));
    EXPECT_NO_THROW(player->SetRate(2.0));
    EXPECT_NO_THROW(player->Faster());
    EXPECT_EQ(player->GetVolume(), 0);
    EXPECT_EQ(player->GetRate(), 0.0);
    EXPECT_EQ(player->PositionText(), QString());
    EXPECT_EQ(player->DurationText(), QString());
    EXPECT_EQ(player->State(), psUndefined);
    EXPECT_EQ(player->Tags().title, QString());
    player->RememberPosition("/d/a/b.mp3"); // an unreadable position forgets nothing
    EXPECT_EQ(resume->GetResumeTime("/d/a/b.mp3"), 83.4);
    EXPECT_THROW(player->IsActive(), MediaControlError);
    EXPECT_THROW(player->IsPlaying(), MediaControlError);
    EXPECT_THROW(player->JumpTo(10), MediaControlError);
}

TEST_F(MyPlayerTest, StateQueries) {
    for (int state = -1; state <= 10; ++state) {
        fake->state = state;
        EXPECT_EQ(player->IsActive(), state >= 2 && state <= 5) << state;
        EXPECT_EQ(player->IsPlaying(), state >= 3 && state <= 5) << state;
    }
}

TEST_F(MyPlayerTest, TogglePauseResumesPausedAndPausesPlaying) {
    const struct {
        int before;
        int after;
    } cases[] = {
        {psPaused, psPlaying},      {psPlaying, psPaused},
        {psScanForward, psPaused},  {psScanReverse, psPaused},
        {psStopped, psStopped},     {psMediaEnded, psMediaEnded},
        {psUndefined, psUndefined}, {psTransitioning, psTransitioning},
    };
    for (const auto& c : cases) {
        fake->state = c.before;
        player->TogglePause();
        EXPECT_EQ(fake->state, c.after) << c.before;
    }
}

TEST_F(MyPlayerTest, SeeksAskWithoutClampingAndOnlyWhileActive) {
    fake->state = psPlaying;
    fake->position = 3;
    player->SeekBackward(5);
    fake->position = 20;
    player->SeekForward(30);
    fake->state = psPaused;
    player->SeekBackward(30);
    fake->state = psStopped;
    player->SeekForward(5);
    player->SeekBackward(5);
    EXPECT_EQ(fake->positionPuts, QList<double>({-2.0, 50.0, 20.0}));
}

TEST_F(MyPlayerTest, CloseMediaClosesTheControl) {
    player->CloseMedia();
    EXPECT_EQ(fake->closes, 1);
}

TEST_F(MyPlayerTest, PositionAndDurationTexts) {
    fake->state = psPlaying;
    fake->url = "song.mp3";
    fake->position = 75.2;
    fake->durations["song.mp3"] = 3725;
    EXPECT_EQ(player->PositionText(), "1 min  15 sec");
    EXPECT_EQ(player->DurationText(), "62 min  5 sec");
    fake->position = -0.01;
    fake->durations["song.mp3"] = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(player->PositionText(), QString());
    EXPECT_EQ(player->DurationText(), QString());
}

} // namespace
