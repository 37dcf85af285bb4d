#include "texts/ReturnTexts.h"

#include "texts/TextTable.h"
#include "texts/Texts.h"
#include "texts/TimeLabel.h"

namespace {

constexpr TextTable<ReturnTextId, 6> kReturnTexts{{{
    {ReturnTextId::NothingToRestore, {"Nessuna sessione da riprendere", "Ninguna sesión para reanudar"}},
    {ReturnTextId::PlacesCaption, {"Segnalibri e capitoli", "Marcadores y capítulos"}},
    {ReturnTextId::NoPlaces, {"Nessun segnalibro", "Ningún marcador"}},
    {ReturnTextId::NameCaption, {"Nome del segnalibro", "Nombre del marcador"}},
    {ReturnTextId::NamePrompt, {"Nome:", "Nombre:"}},
    {ReturnTextId::NothingToGoBack, {"Nessun punto precedente", "Ningún punto anterior"}},
}}};
static_assert(kReturnTexts.InIdOrder(), "kReturnTexts must list every ReturnTextId in declaration order");

constexpr Wording kBookmark = {"Segnalibro ", "Marcador "};
constexpr Wording kWentBack = {"Ritorno a ", "Vuelta a "};

} // namespace

QString ReturnText(ReturnTextId id, int language) {
    return kReturnTexts(id, language);
}

QString BookmarkTitle(int number, int language) {
    return InLanguage(kBookmark, language) + QString::number(number);
}

QString BookmarkLabel(int number, const QString& name, double seconds, int language) {
    const QString title = name.isEmpty() ? BookmarkTitle(number, language) : name;
    return title + QStringLiteral(", ") + TimeLabel(seconds);
}

QString WentBackText(double seconds, int language) {
    return InLanguage(kWentBack, language) + TimeLabel(seconds);
}
