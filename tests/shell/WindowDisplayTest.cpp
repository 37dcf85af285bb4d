// What the window shows, the play-state events and the background volume.
#include "WindowFixture.h"

#include "texts/Texts.h"

#include <QDialog>
#include <QTimer>

TEST_F(WindowFixture, ThreeLooksInItalian) {
    const QString song = Touch("Brano uno.mp3");
    Start({song});
    control->position = 75.4;
    window->RefreshDisplay();
    EXPECT_EQ(window->windowTitle(), "Brano uno");
    EXPECT_EQ(TempoText(), "1 min  15 sec");
    EXPECT_EQ(StatusText(), "3 min  20 sec");

    control->position = 5;
    Press(Tempo(), Qt::Key_Space);
    EXPECT_EQ(TempoText(), "5 sec (in pausa)");
    EXPECT_EQ(window->windowTitle(), "Brano uno");
    EXPECT_FALSE(window->Core().TimerActive());

    Press(Tempo(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(TempoText(), "-");
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8(kIdleTitle));
    EXPECT_EQ(StatusText(), QString::fromUtf8(kProductWebAddress));
}

TEST_F(WindowFixture, PausedSuffixInSpanish) {
    platform.languageId = 3082;
    Start({Touch("x.mp3")});
    control->position = 5;
    Press(Tempo(), Qt::Key_Space);
    EXPECT_EQ(TempoText(), "5 sec (en pausa)");
}

TEST_F(WindowFixture, TimerTickRefreshesTheElapsedTime) {
    Start({Touch("x.mp3")});
    control->position = 61;
    QTimer* timer = window->findChild<QTimer*>("Timer");
    ASSERT_TRUE(timer);
    ASSERT_TRUE(QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection));
    EXPECT_EQ(TempoText(), "1 min  1 sec");
}

TEST_F(WindowFixture, EndOfTrackAdvancesThroughThePostedMessageAndForgetsThePosition) {
    const QString a = Touch("l/a.mp3");
    const QString b = Touch("l/b.mp3");
    OpenSettings([&](TSettingsModule& s) {
        s.MediaConfigs().SetResumeTime(a, 10);
        s.MediaConfigs().SetResumeTime(b, 20);
    });
    Start({Root() + "l"});
    control->FinishMedia();
    // Posted, not called: nothing opens from inside the control's event.
    EXPECT_EQ(control->opened.size(), 1);
    DrainEvents();
    EXPECT_EQ(control->opened, QStringList({a, b}));
    EXPECT_EQ(window->Core().Current(), 1);
    EXPECT_EQ(Remembered(a), 0.0);
    EXPECT_EQ(control->positionPuts.last(), 20.0);
    EXPECT_EQ(SelectedRow(), 1);
}

TEST_F(WindowFixture, EndOfTheLastTrackStopsAndShowsTheIdleTexts) {
    const QString a = Touch("a.mp3");
    Start({a});
    control->position = 42;
    control->FinishMedia();
    DrainEvents();
    EXPECT_EQ(control->opened.size(), 1);
    EXPECT_EQ(control->closes, 1);
    EXPECT_EQ(TempoText(), "-");
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8(kIdleTitle));
    EXPECT_FALSE(window->Core().TimerActive());
    EXPECT_EQ(window->Core().Current(), 0);
}

TEST_F(WindowFixture, EventsWhileBusyChangeNothing) {
    Start({Touch("l/a.mp3"), Touch("l/b.mp3")});
    control->position = 30;
    window->RefreshDisplay();
    const QString before = TempoText();
    QString during;
    // The track ends while the options dialog holds the busy flag.
    ModalAnswer answer([&](QWidget* dialog) {
        control->position = 0;
        control->FinishMedia();
        during = TempoText();
        static_cast<QDialog*>(dialog)->reject();
    });
    window->ShowOptions();
    EXPECT_TRUE(answer.Seen());
    EXPECT_EQ(control->opened.size(), 1);
    EXPECT_EQ(window->Core().Current(), 0);
    EXPECT_EQ(during, before);
    // Once the dialog is gone the field shows the state as it now is, before the focus is back in it.
    EXPECT_EQ(TempoText(), "-");
    EXPECT_FALSE(window->Core().Busy());
}

TEST_F(WindowFixture, BackgroundVolumeFallsToTheOptionAndReturns) {
    Start({Touch("a.mp3")});
    control->volume = 80;
    window->Core().AppDeactivate();
    EXPECT_EQ(control->volume, 20);
    window->Core().AppActivate();
    EXPECT_EQ(control->volume, 80);

    control->volume = 10; // already below the ceiling: left alone, and restored as it was
    window->Core().AppDeactivate();
    EXPECT_EQ(control->volume, 10);
    window->Core().AppActivate();
    EXPECT_EQ(control->volume, 10);

    settings->GeneralConfigs().SetDeactivatedVolume(5); // read afresh each time
    control->volume = 60;
    window->Core().AppDeactivate();
    EXPECT_EQ(control->volume, 5);
}

TEST_F(WindowFixture, FirstActivationSetsFullVolumeEvenWhenNothingPlays) {
    Start({});
    control->volume = 35;
    window->Core().AppActivate();
    EXPECT_EQ(control->volume, 100);
}

TEST_F(WindowFixture, VolumeKeysThenSwitchingAwayAndBackKeepTheChangedValue) {
    Start({Touch("a.mp3")});
    window->Core().AppActivate();
    Press(Tempo(), Qt::Key_F8);
    Press(Tempo(), Qt::Key_F8);
    EXPECT_EQ(control->volume, 90);
    window->Core().AppDeactivate();
    window->Core().AppActivate();
    EXPECT_EQ(control->volume, 90);
}

TEST_F(WindowFixture, VolumeSetFromTheDesktopInTheBackgroundIsKeptOnReturn) {
    Start({Touch("a.mp3")});
    window->Core().AppActivate();
    control->volume = 80;
    window->Core().AppDeactivate();
    window->Core().SetVolume(60);
    EXPECT_EQ(control->volume, 60);
    window->Core().AppActivate();
    EXPECT_EQ(control->volume, 60);
    window->Core().SetVolume(30); // in front: nothing to remember for later
    window->Core().AppDeactivate();
    window->Core().AppActivate();
    EXPECT_EQ(control->volume, 30);
}
