// What reaches "Play.ind" while listening, and what a failure may not take from it.
#include "WindowFixture.h"

#include <functional>
#include <ostream>
#include <string>

namespace {
class WindowResume : public WindowFixture {
public:
    /// What a new start would read: the file as it is on disk now.
    double OnDisk(const QString& p) const {
        return TM3MediaConfigs(Root() + "Play.ind", platform.locale).GetResumeTime(p);
    }
};
} // namespace

TEST_F(WindowResume, AFileThatCannotBeOpenedIsSkippedButKeepsItsPosition) {
    StartThree();
    control->FailMedia();
    DrainEvents();
    EXPECT_EQ(window->Core().Current(), 1);
    EXPECT_EQ(control->opened, QStringList({a, b}));
    EXPECT_EQ(Remembered(a), 33.0);
    EXPECT_EQ(OnDisk(a), 33.0);
    // A track that plays to its end is still forgotten.
    control->FinishMedia();
    DrainEvents();
    EXPECT_EQ(window->Core().Current(), 2);
    EXPECT_EQ(Remembered(b), 0.0);
    EXPECT_EQ(OnDisk(b), 0.0);
}

TEST_F(WindowResume, TheLastFileFailingStopsPlaybackAndKeepsItsPosition) {
    StartThree();
    Press(Tempo(), Qt::Key_Down);
    Press(Tempo(), Qt::Key_Down);
    control->FailMedia();
    DrainEvents();
    EXPECT_EQ(window->Core().Current(), 2);
    EXPECT_EQ(TempoText(), "-");
    EXPECT_EQ(Remembered(c), 33.0);
    EXPECT_EQ(OnDisk(c), 33.0);
}

TEST_F(WindowResume, ASoundOutputThatFailsKeepsThePositionReached) {
    StartThree();
    control->position = 71.5;
    control->ChangeState(psStopped); // no end of file came first
    EXPECT_EQ(Remembered(a), 71.5);
    EXPECT_EQ(OnDisk(a), 71.5);
    EXPECT_FALSE(window->Core().TimerActive());
    EXPECT_EQ(control->opened.size(), 1); // nothing advances
}

TEST_F(WindowResume, AFailedOutputThatLostThePositionKeepsTheOneRemembered) {
    StartThree();
    control->ChangeState(psPaused);
    control->position = 0;
    control->ChangeState(psStopped);
    EXPECT_EQ(Remembered(a), 33.0);
    EXPECT_EQ(OnDisk(a), 33.0);
}

TEST_F(WindowResume, ThePlayingPositionReachesTheDiskWithinTheTicksBetweenSaves) {
    StartThree();
    window->Core().TimerTic(); // the start's own write, once heard
    control->position = 50;
    for (int tick = 1; tick < TPlayerCore::kSaveEveryTicks; ++tick)
        window->Core().TimerTic();
    control->position = 51;
    window->Core().TimerTic();
    EXPECT_EQ(OnDisk(a), 51.0);
    // Ticks that come while nothing plays write nothing.
    Press(Tempo(), Qt::Key_S, Qt::ControlModifier);
    for (int tick = 0; tick < TPlayerCore::kSaveEveryTicks; ++tick)
        window->Core().TimerTic();
    EXPECT_EQ(OnDisk(a), 0.0);
}

// Each command that changes what plays, or where, is on disk as soon as it returns.
class WindowResumeCommands;
struct CommandCase {
    const char* name;
    std::function<void(WindowResumeCommands&)> run; // with track a playing at 61 s
    std::function<void(WindowResumeCommands&)> check;
};

void PrintTo(const CommandCase& c, std::ostream* os) {
    *os << c.name;
}

class WindowResumeCommands : public WindowResume, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(WindowResumeCommands, AreOnDiskAtOnce) {
    StartThree();
    control->position = 61;
    GetParam().run(*this);
    GetParam().check(*this);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, WindowResumeCommands,
    ::testing::Values(CommandCase{"Pause", [](auto& t) { t.Press(t.Tempo(), Qt::Key_Space); },
                                  [](auto& t) { EXPECT_EQ(t.OnDisk(t.a), 61.0); }},
                      CommandCase{"SeekWhilePaused",
                                  [](auto& t) {
                                      t.Press(t.Tempo(), Qt::Key_Space);
                                      t.Press(t.Tempo(), Qt::Key_Right, Qt::ControlModifier);
                                  },
                                  [](auto& t) { EXPECT_EQ(t.OnDisk(t.a), 91.0); }},
                      CommandCase{"Jump",
                                  [](auto& t) {
                                      t.AnswerJump("1.40");
                                      t.Press(t.Tempo(), Qt::Key_J, Qt::ControlModifier);
                                  },
                                  [](auto& t) { EXPECT_EQ(t.OnDisk(t.a), 100.0); }},
                      CommandCase{"Next", [](auto& t) { t.Press(t.Tempo(), Qt::Key_Down); },
                                  [](auto& t) {
                                      EXPECT_EQ(t.OnDisk(t.a), 0.0);
                                      EXPECT_EQ(t.OnDisk(t.b), 33.0);
                                  }},
                      CommandCase{"Stop", [](auto& t) { t.Press(t.Tempo(), Qt::Key_S, Qt::ControlModifier); },
                                  [](auto& t) { EXPECT_EQ(t.OnDisk(t.a), 0.0); }},
                      CommandCase{"EndOfTrack",
                                  [](auto& t) {
                                      t.control->FinishMedia();
                                      DrainEvents();
                                  },
                                  [](auto& t) { EXPECT_EQ(t.OnDisk(t.a), 0.0); }}),
    [](const ::testing::TestParamInfo<CommandCase>& info) { return std::string(info.param.name); });
