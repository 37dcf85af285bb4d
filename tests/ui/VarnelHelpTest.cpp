#include "ui/VarnelHelp.h"

#include "texts/Texts.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>

namespace {

struct HelpCase {
    const char* context;
    int language;
    const char* resource;
    int lineCount;
    const char* firstLine;
    int sampleIndex; // a line with accented letters, zero-based
    const char* sampleLine;
};

const HelpCase HelpCases[] = {
    {"edit", LangItalian, "EDITITA", 36, "Aiuto per i tasti utili nel campo di editazione", 8,
     "Freccia giù o tasto multimediale Avanti: Riproduce il brano successivo."},
    {"edit", LangSpanish, "EDITSPA", 36, "Ayuda para las teclas útiles en el campo de edición", 34,
     "F12: Sirve para efectuar una donación de cinco euros con Paypal."},
    {"list", LangOther, "LISTITA", 38, "Aiuto per i tasti utili nell'elenco dei brani", 34,
     "I tasti freccia su e freccia giù in questo elenco sono utilizzati per esplorare la lista dei brani "
     "disponibili. La riproduzione del brano non viene interrotta."},
    {"LIST", LangSpanish, "LISTSPA", 38, "Ayuda para las teclas útiles en la lista de pistas", 2,
     "Intro, Control+p o tecla multimedia Play: Inicia la reproducción de la pista seleccionada."},
};

void PrintTo(const HelpCase& c, std::ostream* os) {
    *os << c.resource;
}

class HelpResource : public testing::TestWithParam<HelpCase> {};

TEST_P(HelpResource, DecodesToTheExpectedLines) {
    const HelpCase& c = GetParam();
    const QStringList lines = HelpLines(LoadHelpText(QString::fromLatin1(c.context), c.language));
    ASSERT_EQ(lines.size(), c.lineCount);
    EXPECT_EQ(lines.front(), QString::fromUtf8(c.firstLine));
    EXPECT_EQ(lines.at(1), QString());
    EXPECT_EQ(lines.at(c.sampleIndex), QString::fromUtf8(c.sampleLine));
    EXPECT_EQ(lines.at(c.lineCount - 3), QString()) << "the empty line before the donation lines";
    EXPECT_TRUE(lines.back().contains(QStringLiteral("Varnel")));
}

TEST_P(HelpResource, StoredBytesAreWindows1252WithCrLfLines) {
    const HelpCase& c = GetParam();
    LoadHelpText(QString::fromLatin1(c.context), c.language); // registers the resources
    QFile file(QStringLiteral(":/help/") + QString::fromLatin1(c.resource));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(bytes.count("\r\n"), c.lineCount - 1) << "no line break after the last line";
    EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n")) << "no lone LF";
    EXPECT_EQ(bytes.count('\r'), bytes.count("\r\n")) << "no lone CR";
    // A single byte per accented letter: no UTF-8 lead byte 0xC3 sits in these texts.
    EXPECT_FALSE(bytes.contains('\xc3'));
    const bool italian = c.language != LangSpanish;
    EXPECT_TRUE(bytes.contains(italian ? "gi\xf9" : "\xfatiles"));
}

INSTANTIATE_TEST_SUITE_P(AllFour, HelpResource, testing::ValuesIn(HelpCases),
                         [](const testing::TestParamInfo<HelpCase>& info) {
                             return std::string(info.param.resource);
                         });

TEST(LoadHelpText, MissingResourceThrowsNamingIt) {
    for (const char* context : {"", "tempo", "edit/", "../help/edit"}) {
        SCOPED_TRACE(context);
        try {
            LoadHelpText(QString::fromLatin1(context), LangItalian);
            ADD_FAILURE() << "no error for a missing resource";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(
                std::string(e.what()).find(QString::fromLatin1(context).toUpper().toStdString() + "ITA"),
                std::string::npos)
                << e.what();
        }
    }
}

TEST(HelpLines, SplitsAtEveryKindOfLineBreak) {
    const struct {
        const char* text;
        QStringList lines;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb", {"a", "b"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"a\rb\nc", {"a", "b", "c"}},
        {"\r\n", {""}},
        {"a\n\r\n", {"a", ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(HelpLines(QString::fromLatin1(c.text)), c.lines);
    }
}

TEST(VarnelHelp, ShowHelpFillsTheFieldWithTheCaretAtTheStart) {
    const struct {
        const char* context;
        int language;
        int lines;
        const char* firstLine;
    } cases[] = {
        {"edit", LangSpanish, 36, "Ayuda para las teclas útiles en el campo de edición"},
        {"list", LangOther, 38, "Aiuto per i tasti utili nell'elenco dei brani"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.context);
        TVarnelHelp help;
        help.ShowHelp(QString::fromLatin1(c.context), c.language);
        EXPECT_EQ(help.windowTitle(), QStringLiteral("Varnel - Aiuto dei tasti"));
        // The caption names the window only; on the text too it would be said twice.
        EXPECT_TRUE(help.Memo1->accessibleName().isEmpty());
        EXPECT_EQ(help.Memo1->blockCount(), c.lines);
        EXPECT_EQ(help.Memo1->document()->firstBlock().text(), QString::fromUtf8(c.firstLine));
        EXPECT_FALSE(help.Memo1->toPlainText().contains(QLatin1Char('\r')));
        EXPECT_EQ(help.Memo1->textCursor().position(), 0);
        EXPECT_FALSE(help.Memo1->textCursor().hasSelection());
    }
}

TEST(VarnelHelp, MissingTextThrowsAndLeavesNoOldText) {
    TVarnelHelp help;
    help.ShowHelp(QStringLiteral("edit"), LangItalian);
    EXPECT_THROW(help.ShowHelp(QStringLiteral("menu"), LangItalian), std::runtime_error);
    EXPECT_TRUE(help.Memo1->toPlainText().isEmpty());
}

} // namespace
