// The last session from the idle window, bookmarks and their list, and back to before a jump.
#include "WindowFixture.h"

#include "shell/SpokenNotice.h"

#include <QListWidget>
#include <QTest>

#include <functional>

namespace {

class Return : public WindowFixture {
public: // to the case tables too
    QString Said() const { return window->findChild<TSpokenNotice*>("StepNotice")->Pending(); }

    /// Ends this run the way a listener would, saves as the exit does, and opens the settings anew.
    void EndRun(const std::function<void()>& close) {
        close();
        window.reset();
        settings->Finish();
        settings.reset();
        OpenSettings();
    }

    /// Chooses row of the places list that the next key opens, noting how playback stood meanwhile.
    void ChoosePlace(int row, int* stateDuring = nullptr, bool* busyDuring = nullptr) {
        ModalAnswer([=, this](QWidget* modal) {
            if (stateDuring)
                *stateDuring = control->state;
            if (busyDuring)
                *busyDuring = window->Core().Busy();
            auto* list = modal->findChild<QListWidget*>("LbPlaces");
            list->setCurrentRow(row);
            QTest::keyClick(list, Qt::Key_Return);
        });
    }
};

TEST_F(Return, ThePlayKeysOfTheIdleWindowBringBackTheLastSessionAtItsPlace) {
    const struct {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool inList;
        bool escape; // the run ended with Escape, which forgets the track's own position
    } cases[] = {
        {"Space", Qt::Key_Space, Qt::NoModifier, false, false},
        {"EnterInTheTimeField", Qt::Key_Return, Qt::NoModifier, false, true},
        {"EnterInTheList", Qt::Key_Return, Qt::NoModifier, true, false},
        {"CtrlP", Qt::Key_P, Qt::ControlModifier, true, true},
        {"MediaPlay", Qt::Key_Play, Qt::NoModifier, false, false},
        {"MediaPlayPause", Qt::Key_MediaTogglePlayPause, Qt::NoModifier, true, false},
    };
    StartThree(0);
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        Press(Tempo(), Qt::Key_Down);
        control->position = 42;
        EndRun([&] {
            if (k.escape)
                Press(Tempo(), Qt::Key_Escape);
            else
                window->close();
        });
        Start({});
        EXPECT_TRUE(control->opened.isEmpty()) << "a start without arguments plays nothing by itself";
        EXPECT_EQ(TempoText(), "-");
        Press(k.inList ? static_cast<QWidget*>(Lista()) : Tempo(), k.key, k.modifiers);
        EXPECT_EQ(control->opened, QStringList{b});
        EXPECT_EQ(control->state, psPlaying);
        EXPECT_EQ(control->position, 42);
        EXPECT_EQ(window->Core().Files().ToStringList(), QStringList({a, b, c}));
        EXPECT_EQ(SelectedRow(), 1);
        EXPECT_EQ(window->windowTitle(), "b"); // announced like any start
        // The restored session goes on as the last one.
        Press(Tempo(), Qt::Key_Up);
        control->position = 0;
    }
}

TEST_F(Return, WithNothingLeftThePlayKeysSaySoAndDoNothing) {
    const struct {
        int languageId;
        bool hadSession;
        const char* said;
    } cases[] = {{1040, false, "Nessuna sessione da riprendere"},
                 {3082, true, "Ninguna sesión para reanudar"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.said);
        platform.languageId = c.languageId;
        if (c.hadSession) {
            const QString gone = Touch("gone/x.mp3");
            Start({Root() + "gone"});
            EndRun([&] { window->close(); });
            QFile::remove(gone);
        } else {
            OpenSettings();
        }
        Start({});
        Press(Tempo(), Qt::Key_Space);
        EXPECT_EQ(Said(), QString::fromUtf8(c.said));
        EXPECT_TRUE(control->opened.isEmpty());
        EXPECT_TRUE(window->Core().Files().isEmpty());
        window.reset();
        settings.reset();
    }
}

TEST_F(Return, CtrlBMarksThePlaceAndSaysItsNumberAndTime) {
    const struct {
        int languageId;
        double at;
        const char* said;
    } cases[] = {{1040, 725.4, "Segnalibro 1, 12 min  5 sec"},
                 {1040, 100, "Segnalibro 1, 1 min  40 sec"},
                 {3082, 900, "Marcador 3, 15 min  0 sec"}};
    const QString file = Touch("libro.mp3");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.said);
        platform.languageId = c.languageId;
        settings.reset();
        Start({file});
        control->position = c.at;
        Press(Tempo(), Qt::Key_B, Qt::ControlModifier);
        EXPECT_EQ(Said(), QString::fromUtf8(c.said));
        window.reset(); // the bookmark is on disk already
    }
    Start({});
    Press(Tempo(), Qt::Key_B, Qt::ControlModifier); // nothing plays: nothing to mark
    EXPECT_EQ(Said(), "");
}

TEST_F(Return, ThePlacesListPausesJumpsAndResumes) {
    Start({Touch("libro.mp3")});
    Press(Tempo(), Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(Said(), "Nessun segnalibro");
    control->position = 10;
    Press(Tempo(), Qt::Key_B, Qt::ControlModifier);
    control->position = 725.4;
    Press(Tempo(), Qt::Key_B, Qt::ControlModifier);
    control->position = 300;
    int stateDuring = -1;
    bool busyDuring = false;
    ChoosePlace(1, &stateDuring, &busyDuring);
    Press(Lista(), Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(stateDuring, psPaused);
    EXPECT_TRUE(busyDuring);
    EXPECT_EQ(control->position, 725.4);
    EXPECT_EQ(control->state, psPlaying);
    EXPECT_FALSE(window->Core().Busy());
    EXPECT_EQ(Remembered(window->Core().Files()[0]), 725.4);

    // Escape closes it where playback stood, still paused when it was paused.
    Press(Tempo(), Qt::Key_Space);
    ModalAnswer(
        [](QWidget* modal) { QTest::keyClick(modal->findChild<QListWidget*>("LbPlaces"), Qt::Key_Escape); });
    Press(Tempo(), Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(control->position, 725.4);
    EXPECT_EQ(control->state, psPaused);
}

TEST_F(Return, CtrlZGoesBackToBeforeEachKindOfJump) {
    const struct {
        const char* name;
        std::function<void(Return&)> jump;
    } cases[] = {
        {"TypedTime",
         [](Return& t) {
             AnswerJump("1.00");
             t.Press(t.Tempo(), Qt::Key_J, Qt::ControlModifier);
         }},
        {"LongSeekAhead", [](Return& t) { t.Press(t.Tempo(), Qt::Key_Right, Qt::ControlModifier); }},
        {"LongSeekBack", [](Return& t) { t.Press(t.Lista(), Qt::Key_Left, Qt::ControlModifier); }},
        {"Bookmark",
         [](Return& t) {
             t.ChoosePlace(0);
             t.Press(t.Tempo(), Qt::Key_L, Qt::ControlModifier);
         }},
        {"NextTrack", [](Return& t) { t.Press(t.Tempo(), Qt::Key_Down); }},
        {"TrackChosenInTheList",
         [](Return& t) {
             t.Lista()->setCurrentIndex(t.Lista()->model()->index(2, 0));
             t.Press(t.Lista(), Qt::Key_Return);
         }},
    };
    StartThree(0);
    control->position = 5;
    Press(Tempo(), Qt::Key_B, Qt::ControlModifier);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        control->position = 50;
        c.jump(*this);
        EXPECT_NE(std::pair(control->url, control->position), std::pair(a, 50.0)) << "no jump happened";
        Press(Tempo(), Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(control->url, a);
        EXPECT_EQ(window->Core().Current(), 0);
        EXPECT_EQ(control->position, 50);
        EXPECT_EQ(control->state, psPlaying);
        EXPECT_EQ(Said(), "Ritorno a 50 sec");
    }
    Press(Tempo(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Said(), "Nessun punto precedente");
}

TEST_F(Return, CtrlZGoesFurtherBackAcrossFiles) {
    StartThree(0);
    control->position = 20;
    Press(Tempo(), Qt::Key_Down); // a at 20 -> b
    control->position = 30;
    Press(Tempo(), Qt::Key_Right, Qt::ControlModifier); // b at 30 -> 60
    Press(Tempo(), Qt::Key_Down);                       // b at 60 -> c
    const struct {
        QString file;
        double seconds;
    } back[] = {{b, 60}, {b, 30}, {a, 20}};
    for (const auto& place : back) {
        Press(Tempo(), Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(control->url, place.file);
        EXPECT_EQ(control->position, place.seconds);
    }
}

} // namespace
