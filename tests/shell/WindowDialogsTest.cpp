// The options and key help windows run modally from the keys, pausing and resuming around them.
#include "WindowFixture.h"

#include <QComboBox>
#include <QDialog>
#include <QTreeView>

#include <ostream>
#include <string>

namespace {
struct Seen {
    bool shown = false;
    int stateDuring = -1;
    bool busyDuring = false;
    QString caption;
    QString text;
};

class Dialogs : public WindowFixture {
protected:
    /// Closes the next modal window from the event loop, noting what it showed.
    void CloseNextModal(Seen& seen, bool accept = false) {
        ModalAnswer([this, &seen, accept](QWidget* modal) {
            auto* dialog = static_cast<QDialog*>(modal);
            seen.shown = true;
            seen.stateDuring = control->state;
            seen.busyDuring = window->Core().Busy();
            seen.caption = dialog->windowTitle();
            if (QWidget* memo = dialog->findChild<QWidget*>("Memo1"))
                seen.text = memo->property("plainText").toString();
            accept ? dialog->accept() : dialog->reject();
        });
    }
};
} // namespace

TEST_F(Dialogs, OptionsPauseAPlayingTrackAndResumeIt) {
    Start({Touch("a.mp3")});
    Seen seen;
    CloseNextModal(seen, true);
    Press(Tempo(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_TRUE(seen.shown);
    EXPECT_EQ(seen.caption, "Varnel - Opzioni");
    EXPECT_EQ(seen.stateDuring, psPaused);
    EXPECT_TRUE(seen.busyDuring);
    EXPECT_EQ(control->state, psPlaying);
    EXPECT_FALSE(window->Core().Busy());
}

TEST_F(Dialogs, OptionsWhilePausedLeaveItPausedAndWorkWhenIdle) {
    Start({Touch("a.mp3")});
    Press(Tempo(), Qt::Key_Space);
    Seen seen;
    CloseNextModal(seen);
    Press(Lista(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_TRUE(seen.shown);
    EXPECT_EQ(control->state, psPaused);

    Press(Tempo(), Qt::Key_S, Qt::ControlModifier);
    Seen idle;
    CloseNextModal(idle);
    Press(Tempo(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_TRUE(idle.shown);
    EXPECT_EQ(control->state, psStopped);
}

TEST_F(Dialogs, KeyHelpFollowsTheFocusedControlAndTheLanguage) {
    Start({Touch("a.mp3")});
    Seen edit;
    CloseNextModal(edit);
    Press(Tempo(), Qt::Key_F1);
    EXPECT_EQ(edit.caption, "Varnel - Aiuto dei tasti");
    EXPECT_TRUE(edit.text.startsWith("Aiuto per i tasti utili nel campo di editazione\n"))
        << edit.text.toStdString();
    EXPECT_EQ(edit.stateDuring, psPaused);
    EXPECT_EQ(control->state, psPlaying);
    EXPECT_FALSE(window->Core().Busy());

    Seen list;
    CloseNextModal(list);
    Press(Lista(), Qt::Key_F1);
    EXPECT_TRUE(list.text.startsWith("Aiuto per i tasti utili nell'elenco dei brani"));
}

TEST_F(Dialogs, KeyHelpInSpanishWhilePausedStaysPaused) {
    platform.languageId = 3082;
    Start({Touch("a.mp3")});
    Press(Tempo(), Qt::Key_Space);
    Seen list;
    CloseNextModal(list);
    Press(Lista(), Qt::Key_F1);
    EXPECT_TRUE(list.text.startsWith("Ayuda para las teclas útiles en la lista de pistas"));
    EXPECT_EQ(list.caption, "Varnel - Aiuto dei tasti");
    EXPECT_EQ(control->state, psPaused);
}

TEST_F(Dialogs, KeyHelpWithShiftIsNoCommand) {
    Start({Touch("a.mp3")});
    Seen seen;
    CloseNextModal(seen);
    Press(Tempo(), Qt::Key_F1, Qt::ShiftModifier);
    DrainEvents();
    EXPECT_FALSE(seen.shown);
}

namespace {
struct DesktopNextCase {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool accept;
};

void PrintTo(const DesktopNextCase& c, std::ostream* os) {
    *os << c.name;
}

class DialogsDesktopNext : public Dialogs, public ::testing::WithParamInterface<DesktopNextCase> {};
} // namespace

// The desktop's Next (MPRIS) runs while the window is up; closing it must not pause the new track,
// nor move it to a time typed for the old one.
TEST_P(DialogsDesktopNext, LeavesTheNewTrackPlayingFromItsStart) {
    const QString a = Touch("n/a.mp3");
    const QString b = Touch("n/b.mp3");
    Start({Root() + "n"});
    control->position = 50;
    const bool accept = GetParam().accept;
    ModalAnswer answer([this, accept](QWidget* modal) {
        auto* dialog = static_cast<QDialog*>(modal);
        window->Core().PlayNext();
        accept ? dialog->accept() : dialog->reject();
    });
    Press(Tempo(), GetParam().key, GetParam().modifiers);
    EXPECT_TRUE(answer.Seen());
    EXPECT_EQ(control->opened, QStringList({a, b}));
    EXPECT_EQ(control->state, psPlaying);
    EXPECT_EQ(control->position, 0.0);
    EXPECT_TRUE(window->Core().TimerActive());
    EXPECT_FALSE(window->Core().Busy());
}

TEST_F(Dialogs, ADesktopPlayDuringTheWindowIsNotUndoneWhenItCloses) {
    Start({Touch("a.mp3")});
    ModalAnswer answer([this](QWidget* dialog) {
        window->Core().PauseToggle(); // the desktop resumed it already
        static_cast<QDialog*>(dialog)->reject();
    });
    Press(Tempo(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_TRUE(answer.Seen());
    EXPECT_EQ(control->state, psPlaying);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, DialogsDesktopNext,
    ::testing::Values(DesktopNextCase{"Options", Qt::Key_O, Qt::ControlModifier, false},
                      DesktopNextCase{"KeyHelp", Qt::Key_F1, Qt::NoModifier, false},
                      DesktopNextCase{"JumpCancelled", Qt::Key_J, Qt::ControlModifier, false},
                      DesktopNextCase{"JumpConfirmed", Qt::Key_J, Qt::ControlModifier, true}),
    [](const ::testing::TestParamInfo<DesktopNextCase>& info) { return std::string(info.param.name); });
