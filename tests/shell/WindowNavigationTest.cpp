// Moving through the track list: next, previous, play selected, stop, double click.
#include "WindowFixture.h"

#include <QTreeView>

namespace {
class Navigation : public WindowFixture {
protected:
    void SelectRow(int row) {
        Lista()->selectionModel()->setCurrentIndex(
            Lista()->model()->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
};
} // namespace

TEST_F(Navigation, DownAndUpInTheTimeFieldForgetTheTrackLeft) {
    StartThree();
    Press(Tempo(), Qt::Key_Down);
    EXPECT_EQ(window->Core().Current(), 1);
    EXPECT_EQ(Remembered(a), 0.0);
    EXPECT_EQ(Remembered(b), 33.0);
    Press(Tempo(), Qt::Key_Up);
    EXPECT_EQ(window->Core().Current(), 0);
    EXPECT_EQ(Remembered(b), 0.0);
    EXPECT_EQ(control->opened, QStringList({a, b, a}));
}

TEST_F(Navigation, TheEndsOfTheListDoNothingByHand) {
    StartThree();
    Press(Tempo(), Qt::Key_Up);
    EXPECT_EQ(control->opened.size(), 1);
    EXPECT_EQ(Remembered(a), 33.0);
    Press(Tempo(), Qt::Key_Down);
    Press(Tempo(), Qt::Key_Down);
    Press(Tempo(), Qt::Key_Down); // at the last entry: the track keeps playing
    EXPECT_EQ(window->Core().Current(), 2);
    EXPECT_EQ(control->opened.size(), 3);
    EXPECT_EQ(control->state, psPlaying);
    EXPECT_EQ(Remembered(c), 33.0);
}

TEST_F(Navigation, EveryCommandDoesNothingOnAnEmptyList) {
    Start({});
    for (Qt::Key key :
         {Qt::Key_Down, Qt::Key_Up, Qt::Key_MediaNext, Qt::Key_MediaPrevious, Qt::Key_MediaPlay})
        Press(Tempo(), key);
    Press(Lista(), Qt::Key_Return);
    Press(Tempo(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(control->opened.isEmpty());
    EXPECT_EQ(TempoText(), "-");
}

TEST_F(Navigation, UpAndDownInTheListOnlyMoveTheSelection) {
    StartThree();
    Lista()->setFocus();
    Press(Lista(), Qt::Key_Down);
    EXPECT_EQ(SelectedRow(), 1);
    EXPECT_EQ(control->opened.size(), 1);
    Press(Lista(), Qt::Key_Return);
    EXPECT_EQ(window->Core().Current(), 1);
    EXPECT_EQ(control->opened.last(), b);
    EXPECT_EQ(Remembered(a), 0.0);
}

TEST_F(Navigation, PlaySelectedNeedsASelection) {
    StartThree();
    Lista()->selectionModel()->clearSelection();
    Press(Lista(), Qt::Key_Return);
    Press(Tempo(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(control->opened.size(), 1);
    SelectRow(2);
    Press(Tempo(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(control->opened.last(), c);
}

TEST_F(Navigation, MediaPlayPauseTogglesOrPlaysTheSelectedEntryWhenStopped) {
    StartThree();
    Press(Tempo(), Qt::Key_MediaPlay);
    EXPECT_EQ(control->state, psPaused);
    Press(Tempo(), Qt::Key_MediaTogglePlayPause);
    EXPECT_EQ(control->state, psPlaying);
    Press(Tempo(), Qt::Key_MediaStop);
    EXPECT_EQ(control->state, psStopped);
    EXPECT_EQ(Remembered(a), 0.0);
    SelectRow(1);
    Press(Tempo(), Qt::Key_MediaPause);
    EXPECT_EQ(control->opened.last(), b);
    EXPECT_EQ(control->state, psPlaying);
}

TEST_F(Navigation, DoubleClickKeepsThePositionOfTheTrackLeft) {
    StartThree();
    SelectRow(2);
    window->ListaDblClick();
    EXPECT_EQ(window->Core().Current(), 2);
    EXPECT_EQ(control->opened.last(), c);
    EXPECT_EQ(Remembered(a), 33.0);
}

TEST_F(Navigation, DoubleClickWithoutSelectionKeepsPlayingAndNextStartsTheFirstEntry) {
    StartThree();
    Press(Tempo(), Qt::Key_Down);
    Lista()->selectionModel()->clearSelection();
    window->ListaDblClick();
    EXPECT_EQ(control->opened.size(), 2);
    EXPECT_EQ(control->state, psPlaying);
    Press(Tempo(), Qt::Key_Down);
    EXPECT_EQ(window->Core().Current(), 0);
    EXPECT_EQ(control->opened.last(), a);
}

TEST_F(Navigation, StopAfterTheEndOfATrackIsNotUndoneByTheAdvance) {
    StartThree();
    control->FinishMedia();
    Press(Tempo(), Qt::Key_S, Qt::ControlModifier);
    DrainEvents();
    EXPECT_EQ(control->opened.size(), 1);
    EXPECT_EQ(TempoText(), "-");
}
