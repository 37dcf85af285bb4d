// The key map: each row reaches its command, modifiers are exact, unknown keys pass untouched.
#include "WindowFixture.h"

#include "shell/SpokenNotice.h"

#include <QDialog>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTreeView>

namespace {
class Keys : public WindowFixture {
protected:
    void StartPlaying(int files = 1) {
        QStringList paths;
        for (int i = 0; i < files; ++i)
            paths.append(Touch(QString("k/%1.mp3").arg(i)));
        Start({Root() + "k"});
        control->position = 20;
    }
    /// Answers the jump dialog, noting what it showed.
    void AnswerJump(const QString& value, bool accept) {
        WindowFixture::AnswerJump(value, accept, [this](QDialog* dialog, QLineEdit* edit) {
            prefilled = edit->text();
            wholeSelected = edit->selectedText() == edit->text();
            maxLength = edit->maxLength();
            caption = dialog->windowTitle();
            stateDuringDialog = control->state;
        });
    }
    QString prefilled, caption;
    bool wholeSelected = false;
    int maxLength = 0;
    int stateDuringDialog = -1;
};
} // namespace

TEST_F(Keys, SeeksInBothControls) {
    StartPlaying();
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        double expected;
    } cases[] = {
        {Qt::Key_Left, Qt::NoModifier, 15},
        {Qt::Key_Left, Qt::ControlModifier, -10},
        {Qt::Key_Right, Qt::NoModifier, 25},
        {Qt::Key_Right, Qt::ControlModifier, 50},
    };
    for (QWidget* target : {static_cast<QWidget*>(Tempo()), static_cast<QWidget*>(Lista())}) {
        for (const Case& c : cases) {
            control->position = 20;
            Press(target, c.key, c.mods);
            EXPECT_EQ(control->position, c.expected) << target->objectName().toStdString() << " " << c.key;
        }
    }
    control->position = 20;
    Press(Tempo(), Qt::Key_Left);
    EXPECT_EQ(TempoText(), "15 sec");
}

TEST_F(Keys, ModifiersAreExactSets) {
    StartPlaying(2);
    Press(Tempo(), Qt::Key_Left, Qt::ShiftModifier);
    Press(Tempo(), Qt::Key_Right, Qt::AltModifier);
    Press(Tempo(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    Press(Tempo(), Qt::Key_Space, Qt::ControlModifier);
    Press(Tempo(), Qt::Key_Down, Qt::ShiftModifier);
    Press(Tempo(), Qt::Key_F9, Qt::ShiftModifier);
    EXPECT_EQ(control->position, 20);
    EXPECT_EQ(control->state, psPlaying);
    EXPECT_EQ(control->opened.size(), 1);
    EXPECT_TRUE(control->volumePuts.isEmpty());
    // The keypad flag is no modifier: the keypad's arrows seek like the others.
    Press(Tempo(), Qt::Key_Left, Qt::KeypadModifier);
    EXPECT_EQ(control->position, 15);
}

TEST_F(Keys, RecognisedKeysAreConsumedAndOthersReachTheControl) {
    StartPlaying(3);
    Lista()->setFocus();
    Press(Lista(), Qt::Key_Right); // a seek, not a move in the list
    EXPECT_EQ(SelectedRow(), 0);
    Press(Lista(), Qt::Key_End); // no command: the list moves
    EXPECT_EQ(SelectedRow(), 2);
    EXPECT_EQ(control->opened.size(), 1);
}

TEST_F(Keys, PauseToggleStopsAndRestartsTheTimer) {
    StartPlaying();
    Press(Lista(), Qt::Key_Space);
    EXPECT_EQ(control->state, psPaused);
    EXPECT_FALSE(window->Core().TimerActive());
    Press(Lista(), Qt::Key_Space);
    EXPECT_EQ(control->state, psPlaying);
    EXPECT_TRUE(window->Core().TimerActive());
}

TEST_F(Keys, VolumeAndSpeedKeys) {
    StartPlaying();
    control->volume = 98;
    Press(Tempo(), Qt::Key_F9);
    EXPECT_EQ(control->volume, 100);
    Press(Tempo(), Qt::Key_VolumeDown);
    Press(Lista(), Qt::Key_F8);
    EXPECT_EQ(control->volume, 90);
    Press(Tempo(), Qt::Key_VolumeUp);
    EXPECT_EQ(control->volume, 95);

    Press(Tempo(), Qt::Key_F5);
    EXPECT_DOUBLE_EQ(control->rate, 1.2);
    Press(Tempo(), Qt::Key_F4);
    EXPECT_DOUBLE_EQ(control->rate, 1.0);
    EXPECT_EQ(platform.beeps, 1);
    Press(Lista(), Qt::Key_F4);
    EXPECT_DOUBLE_EQ(control->rate, 0.9);
}

TEST_F(Keys, ChapterAndTimeLeftKeysAreRoutedAndSpoken) {
    StartPlaying(2);
    control->chapters[control->url] = {{0, "Uno"}, {60, "Due"}, {120, "Tre"}};
    const auto* notice = window->findChild<TSpokenNotice*>(QStringLiteral("StepNotice"));
    ASSERT_NE(notice, nullptr);
    const int selected = SelectedRow();
    struct Case {
        QWidget* target;
        Qt::Key key;
        double from;
        double expected;
        const char* said;
    } cases[] = {
        {Tempo(), Qt::Key_F7, 20, 60, "Capitolo 2 di 3: Due"},
        {Lista(), Qt::Key_F7, 70, 120, "Capitolo 3 di 3: Tre"},
        {Tempo(), Qt::Key_F6, 70, 60, "Capitolo 2 di 3: Due"},
        {Lista(), Qt::Key_F6, 61, 0, "Capitolo 1 di 3: Uno"},
        {Tempo(), Qt::Key_PageDown, 20, 60, "Capitolo 2 di 3: Due"},
        {Tempo(), Qt::Key_PageUp, 70, 60, "Capitolo 2 di 3: Due"},
        {Tempo(), Qt::Key_F2, 20, 20, "Fine del capitolo tra 40 sec, fine del brano tra 3 min  0 sec"},
        {Lista(), Qt::Key_F3, 20, 20, "Fine della lista tra almeno 3 min  0 sec"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.said);
        control->position = c.from;
        Press(c.target, c.key);
        EXPECT_EQ(control->position, c.expected);
        EXPECT_EQ(notice->Pending(), QString::fromUtf8(c.said));
    }
    // In the list Page Down keeps moving the selection and moves no chapter.
    control->position = 20;
    Press(Lista(), Qt::Key_PageDown);
    EXPECT_EQ(control->position, 20);
    EXPECT_NE(SelectedRow(), selected);
}

TEST_F(Keys, VolumeKeysDoNothingWhenIdle) {
    Start({});
    Press(Tempo(), Qt::Key_F9);
    Press(Tempo(), Qt::Key_F8);
    EXPECT_TRUE(control->volumePuts.isEmpty());
}

TEST_F(Keys, JumpPrefillsTheRoundedPositionAndMovesOnOk) {
    StartPlaying();
    control->position = 125.4;
    AnswerJump("1.02.05", true);
    Press(Tempo(), Qt::Key_J, Qt::ControlModifier);
    EXPECT_EQ(prefilled, "2.05");
    EXPECT_TRUE(wholeSelected);
    EXPECT_EQ(maxLength, 255);
    EXPECT_EQ(caption, "Vai alla posizione");
    EXPECT_EQ(stateDuringDialog, psPaused);
    EXPECT_EQ(control->position, 3725);
    EXPECT_EQ(control->state, psPlaying);
    EXPECT_TRUE(window->Core().TimerActive());
    EXPECT_FALSE(window->Core().Busy());
}

TEST_F(Keys, JumpCancelLeavesThePositionAndResumes) {
    StartPlaying();
    control->position = 61;
    AnswerJump("5", false);
    Press(Lista(), Qt::Key_J, Qt::ControlModifier);
    EXPECT_EQ(prefilled, "1.01");
    EXPECT_EQ(control->position, 61);
    EXPECT_EQ(control->state, psPlaying);
}

TEST_F(Keys, JumpWhilePausedStaysPausedAndPassesValuesUnchecked) {
    StartPlaying();
    Press(Tempo(), Qt::Key_Space);
    AnswerJump("-1.30", true);
    Press(Tempo(), Qt::Key_J, Qt::ControlModifier);
    EXPECT_EQ(control->position, -30);
    EXPECT_EQ(control->state, psPaused);
    EXPECT_FALSE(window->Core().TimerActive());
}

TEST_F(Keys, JumpWithNothingPlayingDoesNothing) {
    Start({});
    ModalAnswer answer([](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); });
    Press(Tempo(), Qt::Key_J, Qt::ControlModifier);
    EXPECT_FALSE(answer.Seen());
}

TEST_F(Keys, JumpInSpanish) {
    platform.languageId = 2058;
    StartPlaying();
    AnswerJump("", false);
    Press(Tempo(), Qt::Key_J, Qt::ControlModifier);
    EXPECT_EQ(caption, "Ir a la posición");
}

TEST_F(Keys, F12OpensTheDonationPageFromEitherControl) {
    StartPlaying();
    Press(Lista(), Qt::Key_F12);
    Press(Tempo(), Qt::Key_F12);
    ASSERT_EQ(platform.opened.size(), 2);
    EXPECT_EQ(platform.opened.first().path(), "/paypal.asp");
    EXPECT_EQ(platform.opened.first().query(), "id=Varnel&am=5.00");
}

TEST_F(Keys, AThousandMixedKeysLeaveAConsistentState) {
    StartPlaying(5);
    const Qt::Key keys[] = {Qt::Key_Left, Qt::Key_Right,     Qt::Key_Space,        Qt::Key_Down,
                            Qt::Key_Up,   Qt::Key_MediaNext, Qt::Key_MediaPrevious};
    QRandomGenerator random(7);
    int finished = 0;
    for (int i = 0; i < 1000; ++i) {
        Press(Tempo(), keys[random.bounded(int(std::size(keys)))]);
        if (i % 97 == 0 && control->state == psPlaying) {
            control->FinishMedia();
            ++finished;
        }
        if (i % 10 == 0)
            QCoreApplication::processEvents();
    }
    DrainEvents();
    EXPECT_GT(finished, 0);
    EXPECT_FALSE(window->Core().Busy());
    EXPECT_GE(window->Core().Current(), 0);
    EXPECT_LT(window->Core().Current(), 5);
    EXPECT_EQ(SelectedRow(), window->Core().Current());
    // Whatever happened, the control plays the current entry or nothing at all.
    if (control->state == psPlaying || control->state == psPaused) {
        EXPECT_EQ(control->url, window->Core().Files().at(window->Core().Current()));
    }
    const int before = window->Core().Current();
    Press(Tempo(), Qt::Key_Up);
    EXPECT_EQ(window->Core().Current(), std::max(0, before - 1));
}
