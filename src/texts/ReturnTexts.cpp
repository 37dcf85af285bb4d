#include "texts/ReturnTexts.h"

#include "texts/Texts.h"
#include "texts/TimeLabel.h"

#include <array>

namespace {

struct ReturnTextPair {
    ReturnTextId id;
    const char* italian;
    const char* spanish;
};

// UTF-8 source; in the order of ReturnTextId, which the lookup checks.
constexpr std::array<ReturnTextPair, 6> kReturnTexts{{
    {ReturnTextId::NothingToRestore, "Nessuna sessione da riprendere", "Ninguna sesión para reanudar"},
    {ReturnTextId::PlacesCaption, "Segnalibri e capitoli", "Marcadores y capítulos"},
    {ReturnTextId::NoPlaces, "Nessun segnalibro", "Ningún marcador"},
    {ReturnTextId::NameCaption, "Nome del segnalibro", "Nombre del marcador"},
    {ReturnTextId::NamePrompt, "Nome:", "Nombre:"},
    {ReturnTextId::NothingToGoBack, "Nessun punto precedente", "Ningún punto anterior"},
}};

} // namespace

QString ReturnText(ReturnTextId id, int language) {
    const ReturnTextPair& pair = kReturnTexts.at(static_cast<std::size_t>(id));
    Q_ASSERT_X(pair.id == id, "ReturnText", "table out of the enumeration's order");
    return InLanguage(language, pair.italian, pair.spanish);
}

QString BookmarkTitle(int number, int language) {
    return InLanguage(language, "Segnalibro ", "Marcador ") + QString::number(number);
}

QString BookmarkLabel(int number, const QString& name, double seconds, int language) {
    const QString title = name.isEmpty() ? BookmarkTitle(number, language) : name;
    return title + QStringLiteral(", ") + TimeLabel(seconds);
}

QString WentBackText(double seconds, int language) {
    return InLanguage(language, "Ritorno a ", "Vuelta a ") + TimeLabel(seconds);
}
