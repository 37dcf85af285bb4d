// Start-up, the track list built from the arguments, closing and the final shutdown.
#include "WindowFixture.h"

#include "texts/Texts.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QThread>
#include <QTreeView>

#include <mutex>

namespace {
QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
} // namespace

TEST_F(WindowFixture, NoArgumentsLeaveTheIdleWindow) {
    Start({});
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8(kIdleTitle));
    EXPECT_EQ(StatusText(), QString::fromUtf8(kProductWebAddress));
    EXPECT_EQ(TempoText(), "-");
    EXPECT_TRUE(control->opened.isEmpty());
    EXPECT_EQ(Lista()->model()->rowCount(), 0);
    EXPECT_FALSE(window->Core().TimerActive());
}

TEST_F(WindowFixture, TheListShowsTheTracksFoundWithThePlayingOneSelected) {
    Touch("music/b.mp3");
    Touch("music/A.mp3");
    const QString named = Touch("song.txt");
    Start({Root() + "music", named});
    const QString m = Root() + "music/";
    EXPECT_EQ(ListRows(), QStringList({"A.mp3|" + m + "A.mp3", "b.mp3|" + m + "b.mp3", "song.txt|" + named}));
    EXPECT_EQ(SelectedRow(), 0);
    EXPECT_EQ(window->windowTitle(), "A");
}

TEST_F(WindowFixture, TracksFoundAfterTheFirstPlayedJoinTheListWhereTheListenerIs) {
    const QString first = Touch("big/a.mp3");
    const QString second = Touch("big/b.mp3");
    const QString third = Touch("big/c.mp3");
    Start({});
    window->LoadCommandLine({Root() + "big"}, {first}, true);
    DrainEvents();
    EXPECT_EQ(window->windowTitle(), "a");
    Lista()->setFocus();
    Lista()->setCurrentIndex(Lista()->model()->index(0, 0));
    Press(Lista(), Qt::Key_Down); // nowhere to go yet

    window->Core().FilesFound({second, third}, true);
    EXPECT_EQ(Lista()->model()->rowCount(), 3);
    EXPECT_EQ(SelectedRow(), 0);
    EXPECT_EQ(Lista()->currentIndex().row(), 0);
    Press(Lista(), Qt::Key_Down);
    EXPECT_EQ(SelectedRow(), 1);
    EXPECT_EQ(control->opened, QStringList({first})); // the move only selects
}

TEST_F(WindowFixture, EveryTrackFoundAfterTheFirstPlayedHasItsLengthReadOnce) {
    // Far more rows than the reader is handed at a time, in two batches of the search.
    std::mutex lock;
    QStringList read;
    lengthReader = [&](const QString& path) -> std::optional<double> {
        const std::lock_guard hold(lock);
        read.append(path);
        return 60.0;
    };
    const QString first = Touch("big/0000.mp3");
    QStringList expected{first};
    TPathList batch;
    for (int i = 1; i < 1200; ++i) {
        expected.append(Root() + QString("big/%1 è.mp3").arg(i, 4, 10, QLatin1Char('0')));
        if (i < 1100)
            batch.append(expected.constLast());
    }
    Start({});
    window->LoadCommandLine({Root() + "big"}, {first}, true);
    DrainEvents();
    ASSERT_EQ(window->Core().Player().State(), psPlaying);
    window->Core().FilesFound(batch, false);
    window->Core().FilesFound(TPathList(expected.mid(1100)), true);

    QElapsedTimer waited;
    waited.start();
    auto readCount = [&] {
        const std::lock_guard hold(lock);
        return read.size();
    };
    // Not a speed check: the bound only keeps a lost row from hanging the suite.
    while (readCount() < expected.size() && waited.elapsed() < 60000) {
        DrainEvents();
        QThread::msleep(1);
    }
    DrainEvents();
    const std::lock_guard hold(lock);
    EXPECT_EQ(read, expected);
}

TEST_F(WindowFixture, ClosingWhilePlayingRemembersThePositionAndShutdownWritesBothFiles) {
    const QString song = Touch("a/b.mp3");
    Start({song});
    control->position = 83.4;
    window->close();
    settings->Finish();
    const QByteArray ind = ReadAll(Root() + "Play.ind");
    EXPECT_TRUE(ind.contains("Path=" + song.toLatin1() + "\r\nTime=83,4\r\n")) << ind.toStdString();
    EXPECT_TRUE(ReadAll(Root() + "Play.cfg").startsWith("[General]\r\n"));
}

TEST_F(WindowFixture, ClosingIdleWritesNothingButShutdownStillWritesBothFiles) {
    Start({});
    window->close();
    settings->Finish();
    EXPECT_EQ(ReadAll(Root() + "Play.ind"), QByteArray());
    EXPECT_NE(ReadAll(Root() + "Play.cfg"), QByteArray("<missing>"));
}

TEST_F(WindowFixture, EscapeForgetsThePositionAndClosesTheWindow) {
    const QString song = Touch("song.mp3");
    OpenSettings([&](TSettingsModule& s) { s.MediaConfigs().SetResumeTime(song, 50); });
    Start({song});
    window->show();
    control->position = 83.4;
    Press(Tempo(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(Remembered(song), 0.0);
    EXPECT_EQ(control->state, psStopped);
}

TEST_F(WindowFixture, WindowLayoutIsFixedWithTheTimeFieldFocused) {
    Start({});
    window->show();
    EXPECT_EQ(window->size(), QSize(300, 200));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(Tempo()->isReadOnly());
    EXPECT_EQ(window->focusWidget(), Tempo());
    EXPECT_FALSE(Tempo()->hasSelectedText());
}
