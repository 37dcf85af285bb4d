#include "texts/BookTexts.h"

#include "texts/ChapterTexts.h"
#include "texts/TextTable.h"

#include <array>

namespace {

constexpr TextTable<BookTextId, 10> kTexts{{{
    {BookTextId::Pages, {"Pagine", "Páginas"}},
    {BookTextId::Phrases, {"Frasi", "Frases"}},
    {BookTextId::BookStart, {"Inizio del libro", "Principio del libro"}},
    {BookTextId::BookEnd, {"Fine del libro", "Fin del libro"}},
    {BookTextId::NoPages, {"Nessuna pagina", "Sin páginas"}},
    {BookTextId::PageCaption, {"Vai alla pagina", "Ir a la página"}},
    {BookTextId::PagePrompt, {"Pagina:", "Página:"}},
    {BookTextId::NoHeading, {"Prima del primo titolo", "Antes del primer título"}},
    {BookTextId::ReadPageNumbers, {"Leggi i numeri di &pagina", "Leer los números de &página"}},
    {BookTextId::ReadNotes, {"Leggi le &note", "Leer las &notas"}},
}}};
static_assert(kTexts.InIdOrder());

constexpr Wording kLevel = {"Livello %1", "Nivel %1"};
constexpr Wording kDeepHeading = {"Livello %1, %2 di %3", "Nivel %1, %2 de %3"};
constexpr Wording kPage = {"Pagina %1", "Página %1"};
constexpr Wording kPageMissing = {"La pagina %1 non c'è", "No hay página %1"};
constexpr Wording kAtLevel = {"livello %1", "nivel %1"};
constexpr Wording kAtPage = {"pagina %1", "página %1"};
constexpr Wording kBadBook = {"Libro con errori: %1", "Libro con errores: %1"};
constexpr Wording kMore = {"%1 e altri %2", "%1 y %2 más"};

// In the order of the reader's problem codes.
constexpr std::array<Wording, 9> kProblems{{
    {"file illeggibile %1", "archivo ilegible %1"},
    {"manca il file %1", "falta el archivo %1"},
    {"manca l'audio %1", "falta el audio %1"},
    {"audio fuori dal libro %1", "audio fuera del libro %1"},
    {"collegamento rotto %1", "enlace roto %1"},
    {"tempo illeggibile %1", "tiempo ilegible %1"},
    {"frammento rovesciato %1", "fragmento invertido %1"},
    {"frammento oltre la fine del file %1", "fragmento más allá del final de %1"},
    {"nessun audio", "sin audio"},
}};

// The last part of what the book names: never a folder of the listener's.
QString ShortItem(const QString& item) {
    const QString name = item.mid(item.lastIndexOf(u'/') + 1);
    return name.left(80);
}

} // namespace

QString BookText(BookTextId id, int language) {
    return kTexts(id, language);
}

QString LevelUnitText(int level, int language) {
    return InLanguage(kLevel, language).arg(level);
}

QString HeadingSpokenText(int level, int number, int count, const QString& text, int language) {
    if (level <= 1)
        return ChapterSpokenText(number, count, text, language);
    QString said = InLanguage(kDeepHeading, language).arg(level).arg(number).arg(count);
    if (!text.trimmed().isEmpty())
        said += QStringLiteral(": ") + text.trimmed();
    return said;
}

QString PageSpokenText(const QString& label, int language) {
    return InLanguage(kPage, language).arg(label);
}

QString PageMissingText(const QString& label, int language) {
    return InLanguage(kPageMissing, language).arg(label);
}

QString WhereAmIText(const QString& heading, int level, const QString& pageLabel, int language) {
    QString said =
        heading.trimmed().isEmpty() ? BookText(BookTextId::NoHeading, language) : heading.trimmed();
    if (level > 0)
        said += QStringLiteral(", ") + InLanguage(kAtLevel, language).arg(level);
    if (!pageLabel.isEmpty())
        said += QStringLiteral(", ") + InLanguage(kAtPage, language).arg(pageLabel);
    return said;
}

QString BookProblemText(int code, const QString& item, int more, int language) {
    if (code < 0 || code >= static_cast<int>(kProblems.size()))
        return {};
    QString problem = InLanguage(kProblems[static_cast<std::size_t>(code)], language);
    if (problem.contains(QLatin1String("%1")))
        problem = problem.arg(ShortItem(item));
    if (more > 0)
        problem = InLanguage(kMore, language).arg(problem, QString::number(more));
    return InLanguage(kBadBook, language).arg(problem);
}
