// A termination signal closes whatever is on screen and lets the position be saved; a reader that
// went away does not kill the player.
#include "WindowFixture.h"

#include "shell/TerminationSignals.h"

#include <QApplication>
#include <QTimer>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <ostream>
#include <string>
#include <thread>
#include <unistd.h>

namespace {
/// Raises SIGTERM once a modal window is up; a modal window still open long after is closed by the
/// guard, which only bounds a hang (the checks then fail).
class SignalWhileModal {
public:
    SignalWhileModal() {
        FGuard.setSingleShot(true);
        QObject::connect(&FGuard, &QTimer::timeout, [this] {
            hung = true;
            TTerminationSignals::CloseModalWindows();
        });
        FGuard.start(60'000);
    }
    bool ModalSeen() { return FAnswer.Seen(); }
    bool hung = false;

private:
    ModalAnswer FAnswer{[](QWidget*) { ::raise(SIGTERM); }};
    QTimer FGuard;
};

struct ModalCase {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};

void PrintTo(const ModalCase& c, std::ostream* os) {
    *os << c.name;
}

class TerminationSignalsModal : public WindowFixture, public ::testing::WithParamInterface<ModalCase> {};
} // namespace

TEST_P(TerminationSignalsModal, ClosesTheModalWindowAndTheMainWindowWhichRemembersThePosition) {
    const QString song = Touch("a.mp3");
    Start({song});
    window->show();
    control->position = 42;
    TTerminationSignals termination;
    termination.SetMainWindow(window.get());
    SignalWhileModal signal;
    Press(Tempo(), GetParam().key, GetParam().modifiers);
    EXPECT_TRUE(signal.ModalSeen());
    EXPECT_FALSE(signal.hung);
    EXPECT_TRUE(termination.Requested());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(Remembered(song), 42.0);
}

INSTANTIATE_TEST_SUITE_P(Modal, TerminationSignalsModal,
                         ::testing::Values(ModalCase{"Options", Qt::Key_O, Qt::ControlModifier},
                                           ModalCase{"KeyHelp", Qt::Key_F1, Qt::NoModifier},
                                           ModalCase{"Jump", Qt::Key_J, Qt::ControlModifier}),
                         [](const ::testing::TestParamInfo<ModalCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(WindowFixture, TerminationSignalsDuringTheReminderCloseItBeforeTheWindowExists) {
    OpenSettings();
    platform.now = platform.now.addMonths(1); // the reminder is due again
    TTerminationSignals termination;
    SignalWhileModal signal;
    auto fake = std::make_unique<FakeMediaControl>();
    window = std::make_unique<TVarnelPlayer>(*settings, std::move(fake));
    EXPECT_TRUE(signal.ModalSeen());
    EXPECT_FALSE(signal.hung);
    EXPECT_TRUE(termination.Requested());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(TTerminationSignals, AReaderThatWentAwayMakesWritesFailInsteadOfKilling) {
    struct sigaction before {};
    ::sigaction(SIGPIPE, nullptr, &before);
    TTerminationSignals::IgnoreBrokenPipe();
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[0]);
    errno = 0;
    const ssize_t written = ::write(ends[1], "x", 1);
    const int error = errno;
    ::close(ends[1]);
    ::sigaction(SIGPIPE, &before, nullptr);
    EXPECT_EQ(written, -1);
    EXPECT_EQ(error, EPIPE);
}

TEST(TerminationSignalsDeathTest, ATeardownThatDoesNotReturnEndsTheProcessCleanly) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            TTeardownWatchdog watchdog(std::chrono::milliseconds(100));
            for (;;)
                std::this_thread::sleep_for(std::chrono::hours(1)); // a teardown stuck for good
        },
        ::testing::ExitedWithCode(0), "");
}
