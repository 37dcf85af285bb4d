#include "ui/PlacesDialog.h"

#include "ModalAnswer.h"
#include "config/BookmarkStore.h"
#include "config/SectionedStore.h"
#include "texts/Texts.h"

#include <QAccessible>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The dialog over a real bookmark store, with two bookmarks and a chapter between them.
class PlacesDialogTest : public testing::Test {
protected:
    void SetUp() override {
        marks.Add(kFile, 10);
        marks.Add(kFile, 725.4);
    }

    QList<Place> Places() const {
        QList<Place> places = BookmarkPlaces(marks.Of(kFile), LangItalian);
        places.append(Place{300, "Capitolo 2", PlaceKind::Chapter, {}, {}});
        SortPlaces(places);
        return places;
    }

    std::unique_ptr<TPlacesDialog> Shown() {
        auto dialog = std::make_unique<TPlacesDialog>(
            Places(), LangItalian,
            [this](const Place& p) {
                marks.Remove(kFile, p.key);
                return Places();
            },
            [this](const Place& p, const QString& name) {
                marks.Rename(kFile, p.key, name);
                return Places();
            });
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        return dialog;
    }

    static QListWidget* List(QDialog& d) { return d.findChild<QListWidget*>("LbPlaces"); }
    static QStringList Rows(QDialog& d) {
        QStringList rows;
        for (int i = 0; i < List(d)->count(); ++i)
            rows.append(List(d)->item(i)->text());
        return rows;
    }

    const QString kFile = QStringLiteral("/media/libro.mp3");
    QTemporaryDir dir;
    TSectionedStore store{dir.filePath("Play.ind"), QLocale::c()};
    TBookmarkStore marks{store};
};

TEST_F(PlacesDialogTest, ListsThePlacesInTimeOrderAsAListForAScreenReader) {
    const auto dialog = Shown();
    EXPECT_EQ(dialog->windowTitle(), "Segnalibri e capitoli");
    EXPECT_EQ(Rows(*dialog),
              QStringList({"Segnalibro 1, 10 sec", "Capitolo 2", "Segnalibro 2, 12 min  5 sec"}));
    EXPECT_TRUE(List(*dialog)->hasFocus());
    EXPECT_EQ(List(*dialog)->currentRow(), 0);
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(List(*dialog));
    ASSERT_TRUE(list);
    EXPECT_EQ(list->role(), QAccessible::List);
}

TEST_F(PlacesDialogTest, KeysChooseRemoveAndNameBookmarksButLeaveChapters) {
    const struct {
        const char* name;
        int row;
        Qt::Key key;
        const char* typed; // answers the name prompt; null: no prompt comes
        QStringList rows;  // after the key; empty: the list closed
        std::optional<double> chosen;
    } cases[] = {
        {"EnterChoosesAChapter", 1, Qt::Key_Return, nullptr, {}, 300},
        {"EnterChoosesABookmark", 2, Qt::Key_Enter, nullptr, {}, 725.4},
        {"EscapeChoosesNothing", 2, Qt::Key_Escape, nullptr, {}, std::nullopt},
        {"DeleteRemovesABookmark",
         0,
         Qt::Key_Delete,
         nullptr,
         {"Capitolo 2", "Segnalibro 1, 12 min  5 sec"},
         std::nullopt},
        {"DeleteLeavesAChapter",
         1,
         Qt::Key_Delete,
         nullptr,
         {"Segnalibro 1, 10 sec", "Capitolo 2", "Segnalibro 2, 12 min  5 sec"},
         std::nullopt},
        {"F2NamesABookmark",
         2,
         Qt::Key_F2,
         "Ricetta",
         {"Segnalibro 1, 10 sec", "Capitolo 2", "Ricetta, 12 min  5 sec"},
         std::nullopt},
        {"F2LeavesAChapter",
         1,
         Qt::Key_F2,
         nullptr,
         {"Segnalibro 1, 10 sec", "Capitolo 2", "Segnalibro 2, 12 min  5 sec"},
         std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        store.DropSection(store.SectionNames().value(0));
        marks.Add(kFile, 10);
        marks.Add(kFile, 725.4);
        const auto dialog = Shown();
        List(*dialog)->setCurrentRow(c.row);
        const QString typed = c.typed ? QString::fromUtf8(c.typed) : QString();
        ModalAnswer prompt([typed](QWidget* modal) {
            auto* ask = qobject_cast<QInputDialog*>(modal);
            ASSERT_TRUE(ask);
            EXPECT_EQ(ask->labelText(), "Nome:");
            ask->findChild<QLineEdit*>()->setText(typed);
            ask->accept();
        });
        QTest::keyClick(List(*dialog), c.key);
        EXPECT_EQ(prompt.Seen(), c.typed != nullptr);
        EXPECT_EQ(dialog->isVisible(), !c.rows.isEmpty());
        if (!c.rows.isEmpty()) {
            EXPECT_EQ(Rows(*dialog), c.rows);
        }
        EXPECT_EQ(dialog->Chosen().has_value(), c.chosen.has_value());
        if (c.chosen && dialog->Chosen()) {
            EXPECT_EQ(dialog->Chosen()->seconds, *c.chosen);
        }
    }
}

TEST_F(PlacesDialogTest, RemovingTheLastBookmarkClosesTheList) {
    auto dialog = std::make_unique<TPlacesDialog>(
        BookmarkPlaces(marks.Of(kFile), LangSpanish), LangSpanish,
        [this](const Place& p) {
            marks.Remove(kFile, p.key);
            return BookmarkPlaces(marks.Of(kFile), LangSpanish);
        },
        [](const Place&, const QString&) { return QList<Place>(); });
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    EXPECT_EQ(dialog->windowTitle(), "Marcadores y capítulos");
    EXPECT_EQ(Rows(*dialog), QStringList({"Marcador 1, 10 sec", "Marcador 2, 12 min  5 sec"}));
    QTest::keyClick(List(*dialog), Qt::Key_Delete);
    EXPECT_EQ(Rows(*dialog), QStringList{"Marcador 1, 12 min  5 sec"});
    QTest::keyClick(List(*dialog), Qt::Key_Delete);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_TRUE(marks.Of(kFile).isEmpty());
}

} // namespace
