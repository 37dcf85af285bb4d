#include "texts/ListeningTexts.h"

#include "texts/Texts.h"

namespace {
QString Pick(int language, const char* italian, const char* spanish) {
    return QString::fromUtf8(language == LangSpanish ? spanish : italian);
}
} // namespace

QString SleepTimerSpokenText(int minutes, int language) {
    if (minutes == 0)
        return Pick(language, "Timer spento", "Temporizador apagado");
    if (minutes == kSleepAtTrackEnd)
        return Pick(language, "Timer fine brano", "Temporizador fin de pista");
    return Pick(language, "Timer %1 minuti", "Temporizador %1 minutos").arg(minutes);
}

QString RewindOptionText(int language) {
    return Pick(language, "&Riascolta qualche secondo dopo una pausa lunga",
                "&Repetir unos segundos tras una pausa larga");
}
