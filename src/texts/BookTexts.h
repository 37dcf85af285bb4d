#pragma once

#include <QString>

// What the talking-book keys say, in the program's two languages (Spanish for LangSpanish,
// Italian otherwise). Spoken once and briefly; never a path.

enum class BookTextId {
    Pages,           // the unit of pages
    Phrases,         // the unit of phrases
    BookStart,       // a move back at the book's start
    BookEnd,         // a move on at the book's end
    NoPages,         // going to a page in a book without pages
    PageCaption,     // the go-to-page dialog's caption
    PagePrompt,      // its prompt
    NoHeading,       // where am I, before the first heading
    ReadPageNumbers, // the options' check boxes
    ReadNotes,
};

QString BookText(BookTextId id, int language);
/// "Livello 2" / "Nivel 2": the unit of headings of levels 1 to level.
QString LevelUnitText(int level, int language);
/// A heading moved to: at level 1 as a chapter is said ("Capitolo 3 di 12: text"), deeper with
/// its level ("Livello 2, 5 di 40: text"); number and count among the headings of its level.
QString HeadingSpokenText(int level, int number, int count, const QString& text, int language);
/// "Pagina 12" / "Página 12".
QString PageSpokenText(const QString& label, int language);
/// A page the book lacks: "La pagina 500 non c'è".
QString PageMissingText(const QString& label, int language);
/// Where am I: the heading with its level, then the page when there is one.
QString WhereAmIText(const QString& heading, int level, const QString& pageLabel, int language);

/// What is wrong with a book, in one notice: the first problem, and how many more there are.
/// `code` is a value of the reader's problem codes, in their order; item names the file concerned.
QString BookProblemText(int code, const QString& item, int more, int language);
