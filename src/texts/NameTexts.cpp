#include "texts/NameTexts.h"

#include "texts/Texts.h"

QString ListPlaceText(int number, int count, int language) {
    const QString of = InLanguage(language, "di", "de");
    return QStringLiteral("%1 %2 %3").arg(number).arg(of).arg(count);
}
