// A talking book in the window: the keys that choose the unit, move, go to a page and say where
// the listener is, the places list, the options that leave parts unread, and a bad book's word.
#include "WindowFixture.h"

#include "DaisyBookWriter.h"
#include "shell/SpokenNotice.h"
#include "texts/Texts.h"
#include "ui/PlacesDialog.h"

#include <QCheckBox>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace {

class WindowBook : public WindowFixture {
protected:
    /// The generator's sample book (see the talking-book guide's tests for its times) in book/.
    void StartBook(int language = LangItalian) {
        ASSERT_TRUE(QDir().mkpath(Root() + "book"));
        ASSERT_TRUE(WriteDaisyBook(Root() + "book", SampleBookPlan(TBookFormat::Daisy202)));
        platform.languageId = language == LangSpanish ? 3082 : 1040;
        Start({Root() + "book"});
        DrainEvents();
    }
    QString Said() const {
        return window->findChild<TSpokenNotice*>(QStringLiteral("StepNotice"))->Pending();
    }
};

} // namespace

TEST_F(WindowBook, TheListShowsTheBookByItsTitle) {
    StartBook();
    EXPECT_TRUE(ListRows().value(0).startsWith("Il libro di prova")) << ListRows().value(0).toStdString();
    EXPECT_EQ(window->windowTitle(), "Il libro di prova");
}

TEST_F(WindowBook, UnitMovesWhereAmIAndThePageDialogInItalian) {
    StartBook();
    Press(Tempo(), Qt::Key_F7, Qt::ShiftModifier);
    EXPECT_EQ(Said(), "Livello 2");
    Press(Tempo(), Qt::Key_F7, Qt::ShiftModifier);
    Press(Tempo(), Qt::Key_F7, Qt::ShiftModifier);
    EXPECT_EQ(Said(), "Pagine");
    Press(Tempo(), Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_EQ(Said(), "Livello 3");
    Press(Lista(), Qt::Key_F7);
    EXPECT_EQ(Said(), "Capitolo 2 di 3: Capitolo 1");
    EXPECT_DOUBLE_EQ(control->position, 3.0);
    Press(Tempo(), Qt::Key_PageDown);
    EXPECT_EQ(Said(), "Livello 2, 1 di 1: Sezione 1.1");
    // Ctrl+Z undoes a move by heading, as any jump.
    Press(Tempo(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(control->position, 3.0);

    control->position = 10.5;
    Press(Tempo(), Qt::Key_F2, Qt::ShiftModifier);
    EXPECT_EQ(Said(), "Sezione 1.1.1, livello 3, pagina 2");

    QString offered;
    AnswerJump("a-1", true, [&](QDialog* dialog, QLineEdit* edit) {
        offered = edit->text();
        EXPECT_EQ(dialog->windowTitle(), "Vai alla pagina");
    });
    Press(Tempo(), Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(offered, "2");
    EXPECT_EQ(Said(), "Pagina A-1");
    EXPECT_DOUBLE_EQ(control->position, 12.0);
    EXPECT_EQ(control->state, psPlaying);

    AnswerJump("99");
    Press(Tempo(), Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(Said(), "La pagina 99 non c'è");
    EXPECT_DOUBLE_EQ(control->position, 12.0);
}

TEST_F(WindowBook, TheKeysSpeakSpanishToo) {
    StartBook(LangSpanish);
    Press(Tempo(), Qt::Key_F7, Qt::ShiftModifier);
    EXPECT_EQ(Said(), "Nivel 2");
    Press(Tempo(), Qt::Key_F7, Qt::ShiftModifier);
    Press(Tempo(), Qt::Key_F7, Qt::ShiftModifier);
    EXPECT_EQ(Said(), "Páginas");
    Press(Tempo(), Qt::Key_F7);
    EXPECT_EQ(Said(), "Página 1");
    Press(Tempo(), Qt::Key_F2, Qt::ShiftModifier);
    EXPECT_EQ(Said(), "Capitolo 1, nivel 1, página 1");
    AnswerJump("IV");
    Press(Tempo(), Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(Said(), "Página iv");
    EXPECT_DOUBLE_EQ(control->position, 0.0);
}

TEST_F(WindowBook, ThePlacesListHoldsTheHeadingsWithTheBookmarks) {
    StartBook();
    control->position = 4.0;
    Press(Tempo(), Qt::Key_B, Qt::ControlModifier);
    QStringList rows;
    ModalAnswer([&](QWidget* modal) {
        auto* list = modal->findChild<QListWidget*>();
        ASSERT_NE(list, nullptr);
        for (int i = 0; i < list->count(); ++i)
            rows << list->item(i)->text();
        static_cast<QDialog*>(modal)->reject();
    });
    Press(Tempo(), Qt::Key_L, Qt::ControlModifier);
    ASSERT_EQ(rows.size(), 4);
    EXPECT_TRUE(rows[0].startsWith("Capitolo 1 di 3: Prefazione"));
    EXPECT_TRUE(rows[1].startsWith("Capitolo 2 di 3: Capitolo 1"));
    EXPECT_FALSE(rows[2].startsWith("Capitolo")); // the bookmark at 4 s
    EXPECT_TRUE(rows[3].startsWith("Capitolo 3 di 3: Capitolo 2"));
}

TEST_F(WindowBook, TheOptionsLeaveNotesUnreadAtOnceAndKeepThePlace) {
    StartBook();
    control->position = 7.5;
    ModalAnswer([](QWidget* modal) {
        auto* notes = modal->findChild<QCheckBox*>(QStringLiteral("CkReadNotes"));
        ASSERT_NE(notes, nullptr);
        EXPECT_TRUE(notes->isChecked());
        notes->setChecked(false);
        modal->findChild<QPushButton*>(QStringLiteral("BtOk"))->click();
    });
    window->ShowOptions();
    DrainEvents();
    EXPECT_FALSE(settings->GeneralConfigs().ReadNotes());
    ASSERT_EQ(control->clipsOpened.size(), 2);
    EXPECT_LT(control->clipsOpened.back().size(), control->clipsOpened.front().size());
    EXPECT_DOUBLE_EQ(control->position, 7.5);
    EXPECT_EQ(control->state, psPlaying);
}

TEST_F(WindowBook, ABookWithAMissingFileSaysSoWithItsTitleAndStillPlays) {
    ASSERT_TRUE(QDir().mkpath(Root() + "l/book"));
    ASSERT_TRUE(WriteDaisyBook(Root() + "l/book", SampleBookPlan(TBookFormat::Daisy202)));
    ASSERT_TRUE(QFile::remove(Root() + "l/book/s0003.smil"));
    Start({Touch("l/a.mp3"), Root() + "l/book"});
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    DrainEvents();
    Press(Tempo(), Qt::Key_Down);
    DrainEvents();
    EXPECT_EQ(control->state, psPlaying);
    ASSERT_EQ(control->clipsOpened.size(), 1);
    EXPECT_FALSE(control->clipsOpened.front().isEmpty());
    const auto* title = window->findChild<TSpokenNotice*>(QStringLiteral("TitleNotice"));
    // One notice, the title first; never a path.
    EXPECT_EQ(title->Pending(), "Il libro di prova. Libro con errori: manca il file s0003.smil");
    // Heard once: the same book again says only its title.
    Press(Tempo(), Qt::Key_Up);
    Press(Tempo(), Qt::Key_Down);
    DrainEvents();
    EXPECT_EQ(title->Pending(), "Il libro di prova");
}

TEST_F(WindowBook, TheLastSessionBringsTheBookBackAtItsPlaceInBookTime) {
    StartBook();
    control->position = 8.5;
    window->close();
    window.reset();
    settings->Finish();
    settings.reset();
    OpenSettings();
    Start({});
    Press(Tempo(), Qt::Key_Space);
    EXPECT_EQ(window->Core().Files().ToStringList(), QStringList({Root() + "book/ncc.html"}));
    ASSERT_FALSE(control->clipsOpened.isEmpty());
    EXPECT_EQ(control->state, psPlaying);
    EXPECT_DOUBLE_EQ(control->position, 8.5);
    EXPECT_EQ(window->windowTitle(), "Il libro di prova");
}
