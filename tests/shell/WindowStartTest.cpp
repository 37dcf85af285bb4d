// Start-up, the track list built from the arguments, closing and the final shutdown.
#include "WindowFixture.h"

#include "texts/Texts.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTreeView>

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

TEST_F(WindowFixture, ArgumentsThatNameNothingAreIgnored) {
    Start({"", Root() + "missing.mp3", Root() + "nowhere/"});
    EXPECT_TRUE(window->Core().Files().isEmpty());
    EXPECT_TRUE(control->opened.isEmpty());
}

TEST_F(WindowFixture, FoldersAreSearchedDepthFirstInNameOrderAndFiltered) {
    Touch("music/b.mp3");
    Touch("music/Sub/a.wav");
    Touch("music/c.txt");
    Touch("music/A.mp3");
    Touch("music/x.mp");  // a piece of a longer extension counts
    Touch("music/x.ogg"); // not in the default list
    Touch("music/README");
    const QString named = Touch("song.txt"); // named directly: taken whatever its extension
    Start({Root() + "music", named});
    const QString m = Root() + "music/";
    EXPECT_EQ(window->Core().Files(),
              QStringList({m + "A.mp3", m + "b.mp3", m + "Sub/a.wav", m + "x.mp", named}));
    EXPECT_EQ(ListRows().first(), "A.mp3|" + m + "A.mp3");
    ASSERT_EQ(control->opened.size(), 1);
    EXPECT_EQ(control->opened.first(), m + "A.mp3");
    EXPECT_EQ(SelectedRow(), 0);
    EXPECT_TRUE(window->Core().TimerActive());
}

TEST_F(WindowFixture, RelativeFolderGivesRelativePathsAndFilesBecomeAbsolute) {
    Touch("dir/one.mp3");
    Touch("dir/two.mp3");
    QDir::setCurrent(Root() + "dir");
    Start({".", "../dir/./two.mp3"});
    EXPECT_EQ(window->Core().Files(), QStringList({"./one.mp3", "./two.mp3", Root() + "dir/two.mp3"}));
}

TEST_F(WindowFixture, SortTypeOneSortsAndPlaysTheFirstSortedFile) {
    Touch("z/c.mp3");
    Touch("a/B.mp3");
    Touch("a/a.mp3");
    OpenSettings([](SettingsModule& s) { s.GeneralConfigs().SetSortType(1); });
    Start({Root() + "z", Root() + "a"});
    EXPECT_EQ(window->Core().Files(),
              QStringList({Root() + "a/a.mp3", Root() + "a/B.mp3", Root() + "z/c.mp3"}));
    EXPECT_EQ(ListRows().at(1), "B.mp3|" + Root() + "a/B.mp3");
    EXPECT_EQ(control->opened, QStringList({Root() + "a/a.mp3"}));
}

TEST_F(WindowFixture, SortTypeTwoShufflesAndPlaysTheFirstShuffledEntry) {
    QStringList names;
    for (int i = 0; i < 12; ++i)
        names.append(Touch(QString("s/%1.mp3").arg(i, 2, 10, QLatin1Char('0'))));
    OpenSettings([](SettingsModule& s) { s.GeneralConfigs().SetSortType(2); });
    Start({Root() + "s"});
    QStringList sorted = window->Core().Files();
    sorted.sort();
    EXPECT_EQ(sorted, names);
    EXPECT_NE(window->Core().Files(), names);
    EXPECT_EQ(window->Core().Current(), 0);
    EXPECT_EQ(control->opened, QStringList({window->Core().Files().first()}));
    EXPECT_EQ(ListRows().first().section('|', 1), window->Core().Files().first());
}

TEST_F(WindowFixture, FirstPlayStartsAtTheRememberedPosition) {
    const QString song = Touch("song.mp3");
    OpenSettings([&](SettingsModule& s) { s.MediaConfigs().SetResumeTime(song, 83.4); });
    Start({song});
    EXPECT_EQ(control->positionPuts, QList<double>({83.4}));
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
    OpenSettings([&](SettingsModule& s) { s.MediaConfigs().SetResumeTime(song, 50); });
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
