#include "ui/VarnelOptions.h"

#include "ModalAnswer.h"
#include "config/GeneralConfigs.h"
#include "support/FixedPlatform.h"
#include "texts/Texts.h"
#include "ui/SpinEdit.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

class VarnelOptionsTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        configs = MakeConfigs();
    }

    std::unique_ptr<TM3GeneralConfigs> MakeConfigs() {
        return std::make_unique<TM3GeneralConfigs>(dir.filePath(QStringLiteral("Play.cfg")), platform.locale,
                                                   [this] { return platform.now; });
    }

    // A dialog shown and active, so that focus moves and the default button work as for a user.
    std::unique_ptr<TVarnelOptions> ShownDialog(int language = LangItalian) {
        auto dialog = std::make_unique<TVarnelOptions>(*configs, language);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        return dialog;
    }

    static TSpinEdit* Spin(QDialog& d) {
        return d.findChild<TSpinEdit*>(QStringLiteral("SpDeactivatedVolume"));
    }
    static QComboBox* Combo(QDialog& d) { return d.findChild<QComboBox*>(QStringLiteral("CbSortType")); }
    static QCheckBox* Box(QDialog& d, const char* name) {
        return d.findChild<QCheckBox*>(QString::fromLatin1(name));
    }
    static QCheckBox* Rewind(QDialog& d) {
        return d.findChild<QCheckBox*>(QStringLiteral("CkRewindAfterPause"));
    }
    static QPushButton* Button(QDialog& d, const char* name) {
        return d.findChild<QPushButton*>(QString::fromLatin1(name));
    }

    // Replaces the field's text by typing, the way a user would: select all, erase, type.
    static void Type(TSpinEdit* spin, const QString& keys) {
        spin->setFocus();
        spin->selectAll();
        QTest::keyClick(spin, Qt::Key_Backspace);
        QTest::keyClicks(spin, keys);
    }

    FixedPlatform platform;
    QTemporaryDir dir;
    std::unique_ptr<TM3GeneralConfigs> configs;
};

TEST_F(VarnelOptionsTest, ControlsCarryTheTextsOfTheLanguage) {
    const struct {
        int language;
        const char* caption;
        const char* volumeLabel;
        const char* orderLabel;
        QStringList choices;
        const char* ok;
        const char* cancel;
    } cases[] = {
        {LangItalian,
         "Varnel - Opzioni",
         "Volume per finestra in secondo piano:",
         "Ordinamento lista brani:",
         {"Nessuno", "Alfabetico", "Casuale"},
         "&Ok",
         "&Annulla"},
        {LangOther,
         "Varnel - Opzioni",
         "Volume per finestra in secondo piano:",
         "Ordinamento lista brani:",
         {"Nessuno", "Alfabetico", "Casuale"},
         "&Ok",
         "&Annulla"},
        {LangSpanish,
         "Varnel - Opciones",
         "Volumen de la ventana en segundo plano:",
         "Ordenación lista de pistas:",
         {"Ninguna", "Alfabética", "Aleatoria"},
         "&Aceptar",
         "&Cancelar"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        TVarnelOptions dialog(*configs, c.language);
        EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8(c.caption));
        auto* volumeLabel = dialog.findChild<QLabel*>(QStringLiteral("StDeactivatedVolume"));
        auto* orderLabel = dialog.findChild<QLabel*>(QStringLiteral("StSortType"));
        ASSERT_TRUE(volumeLabel && orderLabel);
        EXPECT_EQ(volumeLabel->text(), QString::fromUtf8(c.volumeLabel));
        EXPECT_EQ(orderLabel->text(), QString::fromUtf8(c.orderLabel));
        QStringList items;
        for (int i = 0; i < Combo(dialog)->count(); ++i)
            items << Combo(dialog)->itemText(i);
        EXPECT_EQ(items, c.choices);
        EXPECT_EQ(Button(dialog, "BtOk")->text(), QString::fromUtf8(c.ok));
        EXPECT_EQ(Button(dialog, "BtCancel")->text(), QString::fromUtf8(c.cancel));
        // A screen reader names each field after its label.
        EXPECT_EQ(volumeLabel->buddy(), Spin(dialog));
        EXPECT_EQ(orderLabel->buddy(), Combo(dialog));
        EXPECT_EQ(Spin(dialog)->accessibleName(), volumeLabel->text());
        // The label comes from the buddy; a name of its own would hide the current choice from the reader.
        QAccessibleInterface* combo = QAccessible::queryAccessibleInterface(Combo(dialog));
        ASSERT_TRUE(combo);
        EXPECT_EQ(combo->text(QAccessible::Name), Combo(dialog)->currentText());
    }
}

TEST_F(VarnelOptionsTest, TabVisitsTheControlsInLayoutOrderStartingAtTheVolume) {
    auto dialog = ShownDialog();
    const QWidget* order[] = {Spin(*dialog),
                              Combo(*dialog),
                              Button(*dialog, "BtOk"),
                              Button(*dialog, "BtCancel"),
                              Rewind(*dialog),
                              Box(*dialog, "CkEvenLoudness"),
                              Box(*dialog, "CkMonoSound"),
                              Box(*dialog, "CkShortSilences"),
                              Box(*dialog, "CkReadPageNumbers"),
                              Box(*dialog, "CkReadNotes"),
                              Spin(*dialog)};
    for (const QWidget* expected : order) {
        EXPECT_TRUE(expected->hasFocus()) << expected->objectName().toStdString();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
}

TEST_F(VarnelOptionsTest, LoadsStoredValuesOrShowsTheDefaults) {
    const struct {
        const char* stored; // lines of the General section, or empty for none
        const char* volumeText;
        int sortIndex;
    } cases[] = {
        {"", "20", 0},
        {"DeactivatedVolume=35\r\nSortType=2\r\n", "35", 2},
        {"SortType=1\r\n", "20", 1},
        // Out-of-range values: the volume is brought into range, an unknown order leaves the first.
        {"DeactivatedVolume=150\r\nSortType=3\r\n", "100", 0},
        {"DeactivatedVolume=-4\r\nSortType=-1\r\n", "0", 0},
        {"DeactivatedVolume=abc\r\nSortType=x\r\n", "20", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        QFile file(dir.filePath(QStringLiteral("Play.cfg")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray("[General]\r\n") + c.stored);
        file.close();
        configs = MakeConfigs();
        TVarnelOptions dialog(*configs, LangItalian);
        EXPECT_EQ(Spin(dialog)->text(), QString::fromLatin1(c.volumeText));
        EXPECT_EQ(Combo(dialog)->currentIndex(), c.sortIndex);
        // What braille displays and value readers take: the number shown.
        QAccessibleValueInterface* value =
            QAccessible::queryAccessibleInterface(Spin(dialog))->valueInterface();
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(value->currentValue().toInt(), QString::fromLatin1(c.volumeText).toInt());
        EXPECT_EQ(value->minimumValue().toInt(), 0);
        EXPECT_EQ(value->maximumValue().toInt(), 100);
    }
}

TEST_F(VarnelOptionsTest, OkWritesBothValuesIntoTheStore) {
    TVarnelOptions dialog(*configs, LangSpanish);
    Spin(dialog)->SetValue(55);
    Combo(dialog)->setCurrentIndex(2);
    ModalAnswer answer([](QWidget* modal) {
        auto* ok = modal->findChild<QPushButton*>(QStringLiteral("BtOk"));
        ASSERT_NE(ok, nullptr);
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_TRUE(answer.Seen());

    configs->SaveToDisk();
    const auto reread = MakeConfigs();
    EXPECT_EQ(reread->DeactivatedVolume(), 55);
    EXPECT_EQ(reread->SortType(), 2);
}

TEST_F(VarnelOptionsTest, CancelAfterChangingBothValuesWritesNothing) {
    configs->SetDeactivatedVolume(30);
    const QByteArray before = configs->Serialize();
    const std::function<void(QWidget*)> cancels[] = {
        [](QWidget* modal) {
            QTest::mouseClick(modal->findChild<QPushButton*>(QStringLiteral("BtCancel")), Qt::LeftButton);
        },
        [](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); },
    };
    for (const auto& cancel : cancels) {
        TVarnelOptions dialog(*configs, LangItalian);
        Spin(dialog)->SetValue(80);
        Combo(dialog)->setCurrentIndex(1);
        ModalAnswer answer(cancel);
        EXPECT_EQ(dialog.exec(), QDialog::Rejected);
        EXPECT_TRUE(answer.Seen());
        EXPECT_EQ(configs->Serialize(), before);
    }
}

TEST_F(VarnelOptionsTest, RewindBoxIsOnByDefaultAndOnlyItsChangeIsStored) {
    const struct {
        const char* stored; // lines of the General section
        bool shown;
        bool toggle;      // the box is toggled before OK
        const char* line; // the option's line afterwards; empty: none
    } cases[] = {
        {"", true, false, ""},
        {"", true, true, "RewindAfterPause=0"},
        {"RewindAfterPause=0\r\n", false, true, "RewindAfterPause=1"},
        {"RewindAfterPause=0\r\n", false, false, "RewindAfterPause=0"},
        {"RewindAfterPause=abc\r\n", true, false, "RewindAfterPause=abc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        QFile file(dir.filePath(QStringLiteral("Play.cfg")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray("[General]\r\n") + c.stored);
        file.close();
        configs = MakeConfigs();
        for (int language : {LangItalian, LangSpanish}) {
            TVarnelOptions dialog(*configs, language);
            EXPECT_EQ(Rewind(dialog)->text(),
                      language == LangSpanish
                          ? QStringLiteral("&Repetir unos segundos tras una pausa larga")
                          : QStringLiteral("&Riascolta qualche secondo dopo una pausa lunga"));
            EXPECT_EQ(Rewind(dialog)->isChecked(), c.shown);
        }
        auto dialog = ShownDialog();
        // Below the first options, clear of the buttons.
        EXPECT_GT(Rewind(*dialog)->geometry().top(), Combo(*dialog)->geometry().bottom());
        EXPECT_LT(Rewind(*dialog)->geometry().bottom(), Button(*dialog, "BtOk")->geometry().top());
        if (c.toggle) {
            Rewind(*dialog)->setFocus();
            QTest::keyClick(Rewind(*dialog), Qt::Key_Space);
        }
        QTest::keyClick(Button(*dialog, "BtOk"), Qt::Key_Space);
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
        const QByteArray text = configs->Serialize();
        EXPECT_EQ(text.count("RewindAfterPause"), *c.line ? 1 : 0);
        if (*c.line) {
            EXPECT_TRUE(text.contains(QByteArray(c.line) + "\r\n")) << text.constData();
        }
        EXPECT_EQ(configs->RewindAfterPause(), c.shown != c.toggle);
    }
}

TEST_F(VarnelOptionsTest, TheBookBoxesAreOnUnlessStoredOffAndOnlyAChangeIsWritten) {
    QFile file(dir.filePath(QStringLiteral("Play.cfg")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[General]\r\nReadNotes=0\r\n");
    file.close();
    configs = MakeConfigs();
    {
        TVarnelOptions spanish(*configs, LangSpanish);
        EXPECT_EQ(Box(spanish, "CkReadPageNumbers")->text(), QStringLiteral("Leer los números de &página"));
        EXPECT_EQ(Box(spanish, "CkReadNotes")->text(), QStringLiteral("Leer las &notas"));
    }
    auto dialog = ShownDialog();
    QCheckBox* pages = Box(*dialog, "CkReadPageNumbers");
    QCheckBox* notes = Box(*dialog, "CkReadNotes");
    EXPECT_EQ(pages->text(), QStringLiteral("Leggi i numeri di &pagina"));
    EXPECT_TRUE(pages->isChecked());
    EXPECT_FALSE(notes->isChecked());
    EXPECT_LT(notes->geometry().bottom(), Button(*dialog, "BtOk")->geometry().top());
    pages->setFocus();
    QTest::keyClick(pages, Qt::Key_Space);
    QTest::keyClick(Button(*dialog, "BtOk"), Qt::Key_Space);
    const QByteArray text = configs->Serialize();
    EXPECT_TRUE(text.contains("ReadPageNumbers=0\r\n")) << text.constData();
    EXPECT_TRUE(text.contains("ReadNotes=0\r\n")) << text.constData();
    EXPECT_FALSE(configs->ReadPageNumbers());
    EXPECT_FALSE(configs->ReadNotes());
}

TEST_F(VarnelOptionsTest, SoundBoxesShowTheStoreAndStoreOnlyTheirChanges) {
    const struct {
        const char* name;
        const char* texts[2]; // Italian, Spanish
        const char* key;
        bool (TM3GeneralConfigs::*read)() const;
    } boxes[] = {
        {"CkEvenLoudness",
         {"Volume &uniforme del parlato", "Volumen &uniforme de la voz"},
         "EvenLoudness",
         &TM3GeneralConfigs::EvenLoudness},
        {"CkMonoSound",
         {"Audio &mono (stesso suono nei due canali)", "Sonido &mono (igual en los dos canales)"},
         "MonoSound",
         &TM3GeneralConfigs::MonoSound},
        {"CkShortSilences",
         {"Accorcia i &silenzi", "Acortar los &silencios"},
         "ShortSilences",
         &TM3GeneralConfigs::ShortSilences},
    };
    for (const auto& box : boxes) {
        SCOPED_TRACE(box.name);
        for (const bool stored : {false, true}) {
            configs = MakeConfigs();
            configs->DropSection(QStringLiteral("General"));
            if (stored)
                configs->WriteInt(QStringLiteral("General"), QString::fromLatin1(box.key), 1);
            for (int language : {LangItalian, LangSpanish}) {
                TVarnelOptions dialog(*configs, language);
                EXPECT_EQ(Box(dialog, box.name)->text(),
                          QString::fromUtf8(box.texts[language == LangSpanish ? 1 : 0]));
                EXPECT_EQ(Box(dialog, box.name)->isChecked(), stored);
            }
            // OK without a change writes no line: a file that never had the option stays as it was.
            {
                auto dialog = ShownDialog();
                QTest::keyClick(Button(*dialog, "BtOk"), Qt::Key_Space);
                EXPECT_EQ(configs->Serialize().count(box.key), stored ? 1 : 0);
            }
            // Toggled and confirmed: stored, and nothing else of the sound changed with it.
            auto dialog = ShownDialog();
            // In a column below the rewind's box, clear of the buttons.
            EXPECT_GT(Box(*dialog, box.name)->geometry().top(), Rewind(*dialog)->geometry().bottom());
            EXPECT_LT(Box(*dialog, box.name)->geometry().bottom(), Button(*dialog, "BtOk")->geometry().top());
            Box(*dialog, box.name)->setFocus();
            QTest::keyClick(Box(*dialog, box.name), Qt::Key_Space);
            QTest::keyClick(Button(*dialog, "BtOk"), Qt::Key_Space);
            EXPECT_EQ(dialog->result(), QDialog::Accepted);
            EXPECT_EQ(((*configs).*box.read)(), !stored);
            int on = 0;
            for (const auto& other : boxes)
                on += ((*configs).*other.read)() ? 1 : 0;
            EXPECT_EQ(on, stored ? 0 : 1);
        }
    }
    // Cancel after toggling stores nothing.
    configs = MakeConfigs();
    configs->DropSection(QStringLiteral("General"));
    auto dialog = ShownDialog();
    for (const auto& box : boxes) {
        Box(*dialog, box.name)->setFocus();
        QTest::keyClick(Box(*dialog, box.name), Qt::Key_Space);
    }
    QTest::keyClick(Button(*dialog, "BtCancel"), Qt::Key_Space);
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_FALSE(configs->EvenLoudness() || configs->MonoSound() || configs->ShortSilences());
}

TEST_F(VarnelOptionsTest, EnterInTheFieldConfirmsWithTheValueBroughtIntoRange) {
    auto dialog = ShownDialog();
    Type(Spin(*dialog), QStringLiteral("150"));
    QTest::keyClick(Spin(*dialog), Qt::Key_Return);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(platform.beeps, 0);
    EXPECT_EQ(configs->DeactivatedVolume(), 100);
    EXPECT_EQ(configs->SortType(), 0);
}

TEST_F(VarnelOptionsTest, FieldRefusesTypedCharactersOutsideNumbersWithABeep) {
    const struct {
        QLocale locale;
        const char* typed;
        const char* text;
        int beeps;
    } cases[] = {
        {QLocale(QLocale::Italian, QLocale::Italy), "12", "12", 0},
        {QLocale(QLocale::Italian, QLocale::Italy), "+-7", "+-7", 0},
        {QLocale(QLocale::Italian, QLocale::Italy), "1,5", "1,5", 0},
        {QLocale(QLocale::Italian, QLocale::Italy), "1.5", "15", 1},
        {QLocale(QLocale::English, QLocale::UnitedStates), "1.5", "1.5", 0},
        {QLocale(QLocale::English, QLocale::UnitedStates), "1,5", "15", 1},
        {QLocale(QLocale::Italian, QLocale::Italy), "4a b5", "45", 3},
        {QLocale(QLocale::Italian, QLocale::Italy), "abc", "", 3},
        {QLocale(QLocale::Italian, QLocale::Italy),
         "\xd9"
         "9",
         "9", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        platform.locale = c.locale;
        platform.beeps = 0;
        TVarnelOptions dialog(*configs, LangItalian);
        Type(Spin(dialog), QString::fromLatin1(c.typed));
        EXPECT_EQ(Spin(dialog)->text(), QString::fromLatin1(c.text));
        EXPECT_EQ(platform.beeps, c.beeps);
    }
}

TEST_F(VarnelOptionsTest, FieldPassesControlKeysWithoutABeep) {
    TVarnelOptions dialog(*configs, LangItalian);
    TSpinEdit* spin = Spin(dialog);
    Type(spin, QStringLiteral("123"));
    QTest::keyClick(spin, Qt::Key_Backspace);
    EXPECT_EQ(spin->text(), QStringLiteral("12"));
    QTest::keyClick(spin, Qt::Key_Home);
    QTest::keyClick(spin, Qt::Key_Delete);
    EXPECT_EQ(spin->text(), QStringLiteral("2"));
    QTest::keyClick(spin, Qt::Key_End);
    QTest::keyClick(spin, Qt::Key_Left);
    QTest::keyClicks(spin, QStringLiteral("5"));
    EXPECT_EQ(spin->text(), QStringLiteral("52"));
    EXPECT_EQ(platform.beeps, 0);
}

TEST_F(VarnelOptionsTest, ChordsInTheFieldInsertNoLetters) {
    TVarnelOptions dialog(*configs, LangItalian);
    Type(Spin(dialog), QStringLiteral("12"));
    QTest::keyClick(Spin(dialog), Qt::Key_X, Qt::AltModifier);
    QTest::keyClick(Spin(dialog), Qt::Key_5, Qt::AltModifier);
    QTest::keyClick(Spin(dialog), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(Spin(dialog)->text(), QStringLiteral("12"));
    EXPECT_EQ(platform.beeps, 2) << "an Alt chord no button took is refused like a stray letter";
}

TEST_F(VarnelOptionsTest, AcceleratorsPressTheButtonsFromTheField) {
    const struct {
        int language;
        Qt::Key key;
        QDialog::DialogCode result;
    } cases[] = {{LangSpanish, Qt::Key_A, QDialog::Accepted},
                 {LangSpanish, Qt::Key_C, QDialog::Rejected},
                 {LangItalian, Qt::Key_O, QDialog::Accepted},
                 {LangItalian, Qt::Key_A, QDialog::Rejected}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        auto dialog = ShownDialog(c.language);
        dialog->setResult(-1);
        Type(Spin(*dialog), QStringLiteral("33"));
        // Through the window, as the platform delivers it, so that the shortcut map sees it.
        QTest::keyClick(dialog->windowHandle(), c.key, Qt::AltModifier);
        // A mnemonic animates the click, which lands a moment later.
        EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->result() != -1; }, 2000));
        EXPECT_EQ(dialog->result(), c.result);
        EXPECT_EQ(configs->DeactivatedVolume(), c.result == QDialog::Accepted ? 33 : 20);
        configs->SetDeactivatedVolume(20);
    }
}

TEST_F(VarnelOptionsTest, FieldValueIsItsTextAsAnIntegerOrZero) {
    const struct {
        const char* text;
        int value;
    } cases[] = {{"42", 42}, {"+7", 7}, {"-5", -5}, {"150", 150}, {"1,5", 0}, {"-", 0}, {"", 0}, {"+-3", 0}};
    TVarnelOptions dialog(*configs, LangItalian);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Type(Spin(dialog), QString::fromLatin1(c.text));
        EXPECT_EQ(Spin(dialog)->Value(), c.value);
    }
}

TEST_F(VarnelOptionsTest, FieldTextIsBroughtIntoRangeWhenItLosesTheFocus) {
    const struct {
        const char* typed;
        const char* text;
    } cases[] = {{"150", "100"}, {"-5", "0"},  {"1,5", "0"},  {"", "0"},
                 {"+7", "7"},    {"42", "42"}, {"100", "100"}};
    auto dialog = ShownDialog();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        Type(Spin(*dialog), QString::fromLatin1(c.typed));
        ASSERT_TRUE(Spin(*dialog)->hasFocus());
        EXPECT_EQ(Spin(*dialog)->text(), QString::fromLatin1(c.typed)) << "clamped before the focus left";
        Combo(*dialog)->setFocus();
        EXPECT_EQ(Spin(*dialog)->text(), QString::fromLatin1(c.text));
    }
}

TEST_F(VarnelOptionsTest, ArrowsStepByOneWithinTheRange) {
    const struct {
        const char* start;
        Qt::Key key;
        const char* text;
    } cases[] = {{"20", Qt::Key_Up, "21"}, {"20", Qt::Key_Down, "19"},   {"100", Qt::Key_Up, "100"},
                 {"0", Qt::Key_Down, "0"}, {"150", Qt::Key_Down, "100"}, {"abc", Qt::Key_Up, "1"}};
    TVarnelOptions dialog(*configs, LangItalian);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.start);
        Spin(dialog)->findChild<QLineEdit*>()->setText(QString::fromLatin1(c.start));
        QTest::keyClick(Spin(dialog), c.key);
        EXPECT_EQ(Spin(dialog)->text(), QString::fromLatin1(c.text));
    }
}

} // namespace

TEST_F(VarnelOptionsTest, OrderListOffersItsCurrentChoiceAsTextToScreenReaders) {
    TVarnelOptions dialog(*configs, LangItalian);
    QAccessibleInterface* combo = QAccessible::queryAccessibleInterface(Combo(dialog));
    ASSERT_TRUE(combo);
    EXPECT_EQ(combo->role(), QAccessible::ComboBox);
    // A reader looks for the choice of a closed list in its text; the name alone goes under the label.
    QAccessibleTextInterface* text = combo->textInterface();
    ASSERT_TRUE(text);
    EXPECT_EQ(text->text(0, text->characterCount()), QStringLiteral("Nessuno"));
    Combo(dialog)->setCurrentIndex(2);
    EXPECT_EQ(text->text(0, text->characterCount()), QStringLiteral("Casuale"));
    int start = -1;
    int end = -1;
    text->attributes(3, &start, &end);
    EXPECT_EQ(start, 0);
    EXPECT_EQ(end, 7);
    EXPECT_EQ(combo->editableTextInterface(), nullptr);
    // The popup list stays reachable, as the only child.
    ASSERT_EQ(combo->childCount(), 1);
    ASSERT_TRUE(combo->child(0));
    EXPECT_EQ(combo->child(0)->object(), static_cast<QObject*>(Combo(dialog)->view()));
    EXPECT_EQ(combo->indexOfChild(combo->child(0)), 0);
}

TEST_F(VarnelOptionsTest, OrderListHoldsItsWholeChoiceSelectedForScreenReaders) {
    // A reader speaks the choice inserted into a closed list only while that text is the selection. The
    // insertion itself travels only over a reader's bus; the Orca check hears it.
    TVarnelOptions dialog(*configs, LangItalian);
    QAccessibleInterface* combo = QAccessible::queryAccessibleInterface(Combo(dialog));
    ASSERT_TRUE(combo);
    QAccessibleTextInterface* text = combo->textInterface();
    ASSERT_TRUE(text);
    for (int index : {0, 1, 2}) {
        Combo(dialog)->setCurrentIndex(index);
        const QString choice = Combo(dialog)->itemText(index);
        ASSERT_FALSE(choice.isEmpty());
        ASSERT_EQ(text->selectionCount(), 1) << index;
        int start = -1;
        int end = -1;
        text->selection(0, &start, &end);
        EXPECT_EQ(start, 0) << index;
        EXPECT_EQ(end, choice.size()) << index;
        EXPECT_EQ(text->text(start, end), choice) << index;
    }
}
