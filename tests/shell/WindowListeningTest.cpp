// The main window's part in long listening: the sleep timer key, its end-of-track choice and the
// speed per folder, as a listener meets them. The rules themselves are tested in tests/listening.
#include "WindowFixture.h"

#include "shell/SpokenNotice.h"

#include <QTest>

namespace {

class WindowListening : public WindowFixture {
protected:
    void ShowInFront() {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        DrainEvents();
    }
    QString Said(const char* notice = "StepNotice") const {
        return window->findChild<TSpokenNotice*>(QString::fromLatin1(notice))->Pending();
    }
};

TEST_F(WindowListening, SleepKeySaysEachChoiceAndTheTrackEndChoiceOpensTheNextTrackPaused) {
    StartThree(0);
    const char* said[] = {"Timer 15 minuti", "Timer 30 minuti", "Timer 45 minuti",
                          "Timer 60 minuti", "Timer 90 minuti", "Timer fine brano"};
    for (const char* text : said) {
        Press(Tempo(), Qt::Key_T, Qt::ControlModifier);
        EXPECT_EQ(Said(), QString::fromUtf8(text));
    }
    // Waiting for the end, the next track is not prepared to follow by itself.
    ASSERT_FALSE(control->nextHints.isEmpty());
    EXPECT_EQ(control->nextHints.last().first, QString());

    control->FinishMedia();
    DrainEvents();
    EXPECT_EQ(window->Core().Current(), 1);
    EXPECT_EQ(control->url, b);
    EXPECT_EQ(control->state, psPaused);
    EXPECT_FALSE(window->Core().TimerActive());
    EXPECT_EQ(TempoText(), "0 sec (in pausa)");
    Press(Tempo(), Qt::Key_Space);
    EXPECT_EQ(control->state, psPlaying);
    EXPECT_EQ(control->url, b) << "the next play goes on with the next track";
    Press(Tempo(), Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(Said(), "Timer 15 minuti") << "the choice was used up";
}

TEST_F(WindowListening, EachFolderStartsAtItsSpeedSaidOnceAndKeptAcrossARestart) {
    const QString x1 = Touch("x/1.mp3");
    const QString x2 = Touch("x/2.mp3");
    const QString y1 = Touch("y/1.mp3");
    Start({x1, x2, y1});
    ShowInFront();
    Press(Tempo(), Qt::Key_F5); // x at 1.2
    Press(Tempo(), Qt::Key_Down);
    Press(Tempo(), Qt::Key_Down);
    EXPECT_EQ(control->rate, 1.2) << "a folder without a speed keeps the one that plays";
    Press(Tempo(), Qt::Key_F4); // y at 1.0
    EXPECT_EQ(control->ratePuts, QList<double>({1.2, 1.0}));
    Press(Tempo(), Qt::Key_Up);
    EXPECT_EQ(control->ratePuts, QList<double>({1.2, 1.0, 1.2}));
    // With the title, in one notice: of two at once a screen reader speaks only one.
    EXPECT_EQ(Said("TitleNotice"), QString::fromUtf8("2, Velocità 1,2"));
    EXPECT_EQ(Said(), QString::fromUtf8("Velocità 1,0")) << "the speed is not said twice";
    Press(Tempo(), Qt::Key_Up);
    EXPECT_EQ(control->ratePuts.size(), 3) << "the same speed is not set or said again";

    window.reset();
    settings->Finish();
    settings.reset();
    Start({y1, x1});
    EXPECT_TRUE(control->ratePuts.isEmpty()) << "y's 1.0 is the speed a run starts at";
    Press(Tempo(), Qt::Key_Down);
    EXPECT_EQ(control->ratePuts, QList<double>({1.2}));
}

} // namespace
