// A talking book as one track of the list: found, named, played as clips in book time.
#include "support/BookFixture.h"

#include "daisy/DaisyLocator.h"
#include "playlist/PlaylistOrder.h"

#include <QCollator>

namespace {

class BookPlaybackTest : public BookFixture {};

TEST_F(BookPlaybackTest, ABookIsOneEntryInPlaceOfItsAudioNamedByItsTitle) {
    const QString first = WriteSample("shelf/A first", TBookFormat::Daisy3);
    const QString second = WriteSample("shelf/b second");
    const QString plain = Touch("shelf/c plain/song.mp3");
    const QString loose = Touch("shelf/a.wav");
    TPlayerCore& k = Start({Root() + "shelf"});
    // The books' own WAVs are media by name, yet only the books are listed.
    EXPECT_EQ(k.Files().ToStringList(),
              QStringList({RootFile(first, TBookFormat::Daisy3), loose, RootFile(second), plain}));
    EXPECT_EQ(k.ListedTitle(k.Files()[0]), "Il libro di prova");
    EXPECT_EQ(k.ListedTitle(loose), QString());
    // Named by its root file, whatever the Extensions option says, or by its folder.
    EXPECT_EQ(Start({RootFile(second)}).Files().ToStringList(), QStringList({RootFile(second)}));
    EXPECT_EQ(Start({second}).Files().ToStringList(), QStringList({RootFile(second)}));
}

TEST(BookOrderTest, BooksSortAsTheirFoldersWould) {
    // By full path "x-y/" would come first ('-' sorts before '/'); by folder "x" does.
    QStringList files{"/r/x-y/book.opf", "/r/x/ncc.html", "/r/x.mp3"};
    SortPaths(files, QCollator(QLocale::c()));
    EXPECT_EQ(files, QStringList({"/r/x/ncc.html", "/r/x-y/book.opf", "/r/x.mp3"}));
    EXPECT_EQ(DaisySortPath("/r/x/NCC.HTM"), "/r/x");
    EXPECT_EQ(DaisySortPath("/r/x/ncc.mp3"), "/r/x/ncc.mp3");
}

TEST_F(BookPlaybackTest, ItPlaysItsClipsInReadingOrderInBookTimeUnderItsTitle) {
    StartSample();
    ASSERT_EQ(control->clipsOpened.size(), 1);
    const QList<MediaClip>& clips = control->clipsOpened.front();
    const QString folder = Root() + "book/";
    // Touching clips of one file join; a clip of another file, or a jump in a file, starts anew.
    const QList<MediaClip> expected{
        {folder + "audio/front.wav", 0.0, 3.0, 0.0}, {folder + "main.wav", 0.0, 2.0, 3.0},
        {folder + "notes.wav", 0.0, 1.0, 5.0},       {folder + "main.wav", 2.0, 4.5, 6.0},
        {folder + "notes.wav", 1.0, 2.5, 8.5},       {folder + "main.wav", 4.5, 6.0, 10.0},
        {folder + "notes.wav", 2.5, 4.0, 11.5}};
    ASSERT_EQ(clips.size(), expected.size());
    for (qsizetype i = 0; i < clips.size(); ++i) {
        EXPECT_EQ(clips[i].path, expected[i].path) << i;
        EXPECT_NEAR(clips[i].begin, expected[i].begin, 1e-6) << i;
        EXPECT_NEAR(clips[i].end, expected[i].end, 1e-6) << i;
        EXPECT_NEAR(clips[i].at, expected[i].at, 1e-6) << i;
    }
    EXPECT_EQ(control->opened, QStringList({"Il libro di prova"}));
    EXPECT_EQ(core->Player().Tags().artist, "Ana Pérez");
    EXPECT_DOUBLE_EQ(core->Player().Duration(), 13.0);
    ASSERT_NE(core->Book(), nullptr);
}

TEST_F(BookPlaybackTest, PageNumbersAndNotesLeftOutKeepTheBookTime) {
    settings = std::make_unique<TSettingsModule>(platform);
    settings->GeneralConfigs().SetReadPageNumbers(false);
    settings->GeneralConfigs().SetReadNotes(false);
    StartSample();
    ASSERT_EQ(control->clipsOpened.size(), 1);
    QList<double> starts;
    for (const MediaClip& clip : control->clipsOpened.front())
        starts.append(clip.at);
    // "iv", "1", the note reference, the note, "2", the producer's note, the sidebar and "A-1" are gone.
    EXPECT_EQ(starts, QList<double>({1.0, 3.5, 6.0, 10.0}));
    EXPECT_DOUBLE_EQ(core->Player().Duration(), 13.0);
}

TEST_F(BookPlaybackTest, ItsPlaceIsKeptUnderItsRootFileInBookTime) {
    StartSample();
    control->position = 8.25;
    core->RememberPosition();
    EXPECT_DOUBLE_EQ(Remembered(book), 8.25);
    // The next start opens it there.
    core.reset();
    Start({Root() + "book"});
    ASSERT_FALSE(control->positionPuts.isEmpty());
    EXPECT_DOUBLE_EQ(control->positionPuts.front(), 8.25);
}

TEST_F(BookPlaybackTest, NewOptionsReopenTheBookAtItsPlaceAndPauseWithoutANewTrack) {
    StartSample();
    control->position = 7.5;
    core->PauseToggle();
    ASSERT_EQ(control->state, psPaused);
    const quint64 serial = core->Serial();
    settings->GeneralConfigs().SetReadNotes(false);
    core->ReopenBook();
    DrainEvents();
    ASSERT_EQ(control->clipsOpened.size(), 2);
    EXPECT_LT(control->clipsOpened.back().size(), control->clipsOpened.front().size());
    EXPECT_DOUBLE_EQ(control->position, 7.5);
    EXPECT_EQ(control->state, psPaused);
    EXPECT_EQ(core->Serial(), serial);
}

TEST_F(BookPlaybackTest, ABookIsNeverPreparedAsTheNextFileAndTheDesktopMayOpenOne) {
    const QString song = Touch("list/a.mp3");
    book = RootFile(WriteSample("list/b"));
    TPlayerCore& k = Start({Root() + "list"});
    ASSERT_EQ(k.Files().ToStringList(), QStringList({song, book}));
    ASSERT_FALSE(control->nextHints.isEmpty());
    EXPECT_EQ(control->nextHints.back().first, QString());
    EXPECT_TRUE(k.IsPlayableFile(book));
    // A package that is no talking book is no media either.
    const QString package = Touch("other/thing.opf");
    EXPECT_FALSE(k.IsPlayableFile(package));
}

TEST_F(BookPlaybackTest, ABookWithoutAudioEndsAsAFailureAndTheListGoesOn) {
    const QString folder = WriteSample("list/a");
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    QFile ncc(folder + "/ncc.html");
    ASSERT_TRUE(ncc.open(QIODevice::WriteOnly));
    ncc.write(
        "<html><head><title>Vuoto</title></head><body><h1><a href=\"x.smil#p\">Uno</a></h1></body></html>");
    ncc.close();
    const QString song = Touch("list/b.mp3");
    TPlayerCore& k = Start({Root() + "list"});
    ASSERT_EQ(k.Files().size(), 2);
    ASSERT_EQ(control->clipsOpened.size(), 1);
    EXPECT_TRUE(control->clipsOpened.front().isEmpty());
    ASSERT_NE(k.Book(), nullptr);
    EXPECT_FALSE(k.Book()->FProblems.empty());
    // The control ends a track of no clips as a failure, as it ends a file it cannot open.
    control->FailMedia();
    DrainEvents();
    EXPECT_EQ(control->opened.back(), song);
    EXPECT_EQ(k.Book(), nullptr);
}

} // namespace
