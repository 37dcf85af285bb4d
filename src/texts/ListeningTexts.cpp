#include "texts/ListeningTexts.h"

#include "texts/Texts.h"

QString SleepTimerSpokenText(int minutes, int language) {
    if (minutes == 0)
        return InLanguage(language, "Timer spento", "Temporizador apagado");
    if (minutes == kSleepAtTrackEnd)
        return InLanguage(language, "Timer fine brano", "Temporizador fin de pista");
    return InLanguage(language, "Timer %1 minuti", "Temporizador %1 minutos").arg(minutes);
}

QString RewindOptionText(int language) {
    return InLanguage(language, "&Riascolta qualche secondo dopo una pausa lunga",
                      "&Repetir unos segundos tras una pausa larga");
}
