// The options and key help windows run modally from the keys, pausing and resuming around them.
#include "WindowFixture.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QTimer>
#include <QTreeView>

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
        QTimer::singleShot(0, [this, &seen, accept] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            seen.shown = true;
            seen.stateDuring = control->state;
            seen.busyDuring = window->Busy();
            seen.caption = dialog->windowTitle();
            if (QWidget* memo = dialog->findChild<QWidget*>("Memo1"))
                seen.text = memo->property("plainText").toString();
            accept ? dialog->accept() : dialog->reject();
        });
    }
};
}  // namespace

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
    EXPECT_FALSE(window->Busy());
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
    EXPECT_TRUE(edit.text.startsWith("Aiuto per i tasti utili nel campo di editazione\n")) << edit.text.toStdString();
    EXPECT_EQ(edit.stateDuring, psPaused);
    EXPECT_EQ(control->state, psPlaying);
    EXPECT_FALSE(window->Busy());

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
    Settle();
    EXPECT_FALSE(seen.shown);
}
