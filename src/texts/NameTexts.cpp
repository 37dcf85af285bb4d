#include "texts/NameTexts.h"

#include "texts/TextTable.h"
#include "texts/Texts.h"

namespace {
constexpr Wording kOf = {"di", "de"};
} // namespace

QString ListPlaceText(int number, int count, int language) {
    const QString of = InLanguage(kOf, language);
    return QStringLiteral("%1 %2 %3").arg(number).arg(of).arg(count);
}
