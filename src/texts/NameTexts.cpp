#include "texts/NameTexts.h"

#include "texts/Texts.h"

QString ListPlaceText(int number, int count, int language) {
    const QString of = language == LangSpanish ? QStringLiteral("de") : QStringLiteral("di");
    return QStringLiteral("%1 %2 %3").arg(number).arg(of).arg(count);
}
