#include "texts/ListeningTexts.h"

#include "texts/TextTable.h"
#include "texts/Texts.h"

namespace {
constexpr Wording kTimerOff = {"Timer spento", "Temporizador apagado"};
constexpr Wording kTimerAtTrackEnd = {"Timer fine brano", "Temporizador fin de pista"};
constexpr Wording kTimerMinutes = {"Timer %1 minuti", "Temporizador %1 minutos"};
constexpr Wording kRewindOption = {"&Riascolta qualche secondo dopo una pausa lunga",
                                   "&Repetir unos segundos tras una pausa larga"};
} // namespace

QString SleepTimerSpokenText(int minutes, int language) {
    if (minutes == 0)
        return InLanguage(kTimerOff, language);
    if (minutes == kSleepAtTrackEnd)
        return InLanguage(kTimerAtTrackEnd, language);
    return InLanguage(kTimerMinutes, language).arg(minutes);
}

QString RewindOptionText(int language) {
    return InLanguage(kRewindOption, language);
}
