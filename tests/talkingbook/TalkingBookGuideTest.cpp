// Moving through a talking book by heading, page and phrase, and what each move says.
#include "support/BookFixture.h"

#include "talkingbook/TalkingBookGuide.h"
#include "texts/ChapterTexts.h"
#include "texts/Texts.h"

namespace {

// The sample book in book time: "Prefazione" (level 1) at 0 with page "iv", "Capitolo 1" (1) at 3
// with page "1", "Sezione 1.1" (2) at 7 with page "2" at 8, "Sezione 1.1.1" (3) at 10,
// "Capitolo 2" (1) at 11.5 with page "A-1" at 12; 13 s in all.
class TalkingBookGuideTest : public BookFixture {
protected:
    TTalkingBookGuide& Guide(int language = LangItalian) {
        StartSample();
        guide = std::make_unique<TTalkingBookGuide>(*core, settings->GeneralConfigs(), language);
        guide->TrackStarted();
        return *guide;
    }
    /// Steps the unit forward until it is unit.
    void ChooseUnit(BookUnit unit) {
        for (int i = 0; i < 6 && !(guide->Unit() == unit); ++i)
            guide->CycleUnit(true);
        ASSERT_TRUE(guide->Unit() == unit);
    }
    double At() const { return control->position; }

    std::unique_ptr<TTalkingBookGuide> guide;
};

TEST_F(TalkingBookGuideTest, TheUnitCyclesThroughLevelsPagesAndPhrasesInBothLanguages) {
    TTalkingBookGuide& g = Guide();
    EXPECT_TRUE(g.Active());
    EXPECT_TRUE(g.Unit() == (BookUnit{BookUnit::Level, 1}));
    QStringList said;
    for (int i = 0; i < 5; ++i)
        said << g.CycleUnit(true);
    EXPECT_EQ(said, QStringList({"Livello 2", "Livello 3", "Pagine", "Frasi", "Livello 1"}));
    EXPECT_EQ(g.CycleUnit(false), "Frasi");

    guide.reset();
    TTalkingBookGuide& es = Guide(LangSpanish);
    said.clear();
    for (int i = 0; i < 4; ++i)
        said << es.CycleUnit(true);
    EXPECT_EQ(said, QStringList({"Nivel 2", "Nivel 3", "Páginas", "Frases"}));
}

TEST_F(TalkingBookGuideTest, ABookOpensAtLevelOneAndSaysWhatIsWrongOnlyOnce) {
    TTalkingBookGuide& g = Guide();
    g.CycleUnit(true);
    // The same book again (a new start of it) keeps the unit.
    EXPECT_EQ(g.TrackStarted(), QString());
    EXPECT_TRUE(g.Unit() == (BookUnit{BookUnit::Level, 2}));
    // Another book, one of whose audio files is missing, opens at Level 1 and says so once.
    const QString other = WriteSample("other");
    ASSERT_TRUE(QFile::remove(other + "/notes.wav"));
    core->OpenAndPlay(other);
    DrainEvents();
    const QString said = g.TrackStarted();
    EXPECT_EQ(said, "Libro con errori: manca l'audio notes.wav");
    EXPECT_TRUE(g.Unit() == (BookUnit{BookUnit::Level, 1}));
    EXPECT_EQ(g.TrackStarted(), QString());
}

TEST_F(TalkingBookGuideTest, HeadingMovesSayTheHeadingAndStopAtTheEnds) {
    TTalkingBookGuide& g = Guide();
    EXPECT_EQ(g.Next(), "Capitolo 2 di 3: Capitolo 1");
    EXPECT_DOUBLE_EQ(At(), 3.0);
    EXPECT_EQ(g.Next(), "Capitolo 3 di 3: Capitolo 2");
    EXPECT_DOUBLE_EQ(At(), 11.5);
    EXPECT_EQ(g.Next(), "Fine del libro");
    EXPECT_DOUBLE_EQ(At(), 11.5);
    // Within 3 s of its start, back goes to the heading before; later, to its own start.
    control->position = 12.0;
    EXPECT_EQ(g.Previous(), "Capitolo 2 di 3: Capitolo 1");
    EXPECT_DOUBLE_EQ(At(), 3.0);
    control->position = 8.0;
    EXPECT_EQ(g.Previous(), "Capitolo 2 di 3: Capitolo 1");
    EXPECT_DOUBLE_EQ(At(), 3.0);
    control->position = 1.0;
    EXPECT_EQ(g.Previous(), "Inizio del libro");
    EXPECT_DOUBLE_EQ(At(), 1.0);

    // Level 3 stops at every heading of levels 1 to 3, each said at its own level.
    ChooseUnit({BookUnit::Level, 3});
    control->position = 3.0;
    EXPECT_EQ(g.Next(), "Livello 2, 1 di 1: Sezione 1.1");
    EXPECT_DOUBLE_EQ(At(), 7.0);
    EXPECT_EQ(g.Next(), "Livello 3, 1 di 1: Sezione 1.1.1");
    EXPECT_DOUBLE_EQ(At(), 10.0);
}

TEST_F(TalkingBookGuideTest, PagesAreMovedThroughAndReachedByTheirLabel) {
    TTalkingBookGuide& g = Guide();
    ChooseUnit({BookUnit::Pages, 0});
    control->position = 0.5;
    EXPECT_EQ(g.Next(), "Pagina 1");
    EXPECT_DOUBLE_EQ(At(), 3.0);
    EXPECT_EQ(g.GoToPage(" IV "), "Pagina iv");
    EXPECT_DOUBLE_EQ(At(), 0.0);
    EXPECT_EQ(g.GoToPage("a-1"), "Pagina A-1");
    EXPECT_DOUBLE_EQ(At(), 12.0);
    EXPECT_EQ(g.GoToPage("500"), "La pagina 500 non c'è");
    EXPECT_DOUBLE_EQ(At(), 12.0);
    control->position = 8.2;
    EXPECT_EQ(g.CurrentPageLabel(), "2");
    EXPECT_TRUE(g.HasPages());
    // Pages left unread are still pages to go to.
    settings->GeneralConfigs().SetReadPageNumbers(false);
    EXPECT_EQ(g.GoToPage("2"), "Pagina 2");
    EXPECT_DOUBLE_EQ(At(), 8.0);
}

TEST_F(TalkingBookGuideTest, PhraseMovesAreSilentAndPassOverThePartsLeftUnread) {
    TTalkingBookGuide& g = Guide();
    ChooseUnit({BookUnit::Phrases, 0});
    control->position = 3.6;
    EXPECT_EQ(g.Next(), QString());
    EXPECT_DOUBLE_EQ(At(), 4.5); // the note reference
    settings->GeneralConfigs().SetReadNotes(false);
    control->position = 3.6;
    EXPECT_EQ(g.Next(), QString());
    EXPECT_DOUBLE_EQ(At(), 6.0); // past the reference and the note
    EXPECT_EQ(g.Previous(), QString());
    EXPECT_DOUBLE_EQ(At(), 3.5);
    control->position = 0.0;
    EXPECT_EQ(g.Previous(), "Inizio del libro");
}

TEST_F(TalkingBookGuideTest, WhereAmIAndTheTimeLeftFollowTheChosenLevel) {
    TTalkingBookGuide& g = Guide();
    control->position = 10.5;
    EXPECT_EQ(g.WhereAmI(), "Sezione 1.1.1, livello 3, pagina 2");
    // Level 1: the section is "Capitolo 1", up to 11.5.
    control->position = 8.0;
    EXPECT_EQ(g.TimeLeft(), TrackLeftSpokenText(3.5, 5.0, LangItalian));
    ChooseUnit({BookUnit::Level, 3});
    EXPECT_EQ(g.TimeLeft(), TrackLeftSpokenText(2.0, 5.0, LangItalian));
    // Pages and phrases count sections at Level 1.
    ChooseUnit({BookUnit::Pages, 0});
    EXPECT_EQ(g.TimeLeft(), TrackLeftSpokenText(3.5, 5.0, LangItalian));
    // At twice the speed, half the time.
    core->SetRate(2.0);
    EXPECT_EQ(g.TimeLeft(), TrackLeftSpokenText(1.75, 2.5, LangItalian));

    guide.reset();
    TTalkingBookGuide& es = Guide(LangSpanish);
    control->position = 0.2;
    EXPECT_EQ(es.WhereAmI(), "Prefazione, nivel 1, página iv");
}

TEST_F(TalkingBookGuideTest, ThePlacesListHoldsTheHeadingsUpToTheChosenLevel) {
    TTalkingBookGuide& g = Guide();
    QStringList labels;
    for (const Place& p : g.Headings())
        labels << p.label;
    EXPECT_EQ(labels, QStringList({"Capitolo 1 di 3: Prefazione", "Capitolo 2 di 3: Capitolo 1",
                                   "Capitolo 3 di 3: Capitolo 2"}));
    ChooseUnit({BookUnit::Level, 2});
    EXPECT_EQ(g.Headings().size(), 4);
    EXPECT_DOUBLE_EQ(g.Headings()[2].seconds, 7.0);
}

TEST_F(TalkingBookGuideTest, APlainFileLeavesTheKeysToTheChapters) {
    const QString song = Touch("a.mp3");
    Start({song});
    TTalkingBookGuide g(*core, settings->GeneralConfigs(), LangItalian);
    EXPECT_FALSE(g.Active());
    EXPECT_EQ(g.Next(), QString());
    EXPECT_EQ(g.CycleUnit(true), QString());
    EXPECT_EQ(g.TrackStarted(), QString());
}

} // namespace

namespace {

TEST_F(TalkingBookGuideTest, AClipPastItsFileEndIsSaidOncePerBook) {
    TTalkingBookGuide& g = Guide();
    const QString main = Root() + "book/main.wav";
    const QString notes = Root() + "book/notes.wav";
    EXPECT_EQ(g.AudioFiles().size(), 3);
    EXPECT_TRUE(g.AudioFiles().contains(main));
    // main.wav's last clip ends at its last sample; a header's rounding is no fault.
    EXPECT_EQ(g.AudioLengthRead(main, 6.0), QString());
    EXPECT_EQ(g.AudioLengthRead(main, 5.9), QString());
    EXPECT_EQ(g.AudioLengthRead(Root() + "other.wav", 1.0), QString());
    EXPECT_EQ(g.AudioLengthRead(notes, 2.0), "Libro con errori: frammento oltre la fine del file notes.wav");
    EXPECT_EQ(g.AudioLengthRead(main, 1.0), QString());
}

} // namespace
