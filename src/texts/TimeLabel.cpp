#include "texts/TimeLabel.h"

#include "texts/Texts.h"
#include "util/Rounding.h"

#include <cmath>
#include <stdexcept>

QString TimeLabel(double seconds) {
    // Beyond this the whole seconds no longer fit the integer type of the rounding.
    constexpr double kLargest = 9.0e18;
    if (std::isnan(seconds) || seconds < 0 || seconds >= kLargest)
        throw std::invalid_argument("time label of a negative, unknown or unbounded time");
    const long long n = RoundHalfEven(seconds);
    QString text = QString::number(n % 60) + Text(TextId::SecondsPart, LangOther);
    if (n / 60 > 0)
        text = QString::number(n / 60) + Text(TextId::MinutesSeparator, LangOther) + text;
    return text;
}
