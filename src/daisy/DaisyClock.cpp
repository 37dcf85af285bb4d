#include "daisy/DaisyClock.h"

#include <QList>
#include <QString>

namespace {

bool IsDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

/// A number of digits with an optional fraction ("12", "12.5", ".5", "12."); no sign, no exponent.
std::optional<double> Decimal(QStringView text) {
    bool digits = false;
    bool point = false;
    for (const QChar c : text) {
        if (IsDigit(c)) {
            digits = true;
            continue;
        }
        if (c != QLatin1Char('.') || point)
            return std::nullopt;
        point = true;
    }
    if (!digits)
        return std::nullopt;
    bool ok = false;
    const double value = text.toString().toDouble(&ok); // C locale whatever the user's
    return ok ? std::optional<double>(value) : std::nullopt;
}

/// Whole digits only, as the hours and minutes of a clock are written.
std::optional<double> Whole(QStringView text) {
    if (text.isEmpty())
        return std::nullopt;
    for (const QChar c : text)
        if (!IsDigit(c))
            return std::nullopt;
    return Decimal(text);
}

/// "hh:mm:ss.f" or "mm:ss.f"; the hours may have any number of digits.
std::optional<double> Clock(QStringView text) {
    const QList<QStringView> parts = text.split(QLatin1Char(':'));
    if (parts.size() > 3)
        return std::nullopt;
    const std::optional<double> seconds = Decimal(parts.back());
    const std::optional<double> minutes = Whole(parts[parts.size() - 2]);
    const std::optional<double> hours = parts.size() == 3 ? Whole(parts[0]) : std::optional<double>(0);
    if (!seconds || !minutes || !hours)
        return std::nullopt;
    return *hours * 3600 + *minutes * 60 + *seconds;
}

struct Metric {
    const char* suffix;
    double seconds;
};

// Longest first, so "ms" and "min" are not taken for "s".
constexpr Metric kMetrics[] = {{"min", 60}, {"ms", 0.001}, {"h", 3600}, {"s", 1}};

std::optional<double> Count(QStringView text) {
    for (const Metric& metric : kMetrics) {
        if (text.endsWith(QLatin1String(metric.suffix), Qt::CaseInsensitive)) {
            const std::optional<double> value = Decimal(text.chopped(qsizetype(qstrlen(metric.suffix))));
            return value ? std::optional<double>(*value * metric.seconds) : std::nullopt;
        }
    }
    return Decimal(text);
}

} // namespace

std::optional<double> ParseClockValue(QStringView text) {
    text = text.trimmed();
    if (text.startsWith(QLatin1String("npt="), Qt::CaseInsensitive))
        text = text.mid(4).trimmed();
    if (text.isEmpty())
        return std::nullopt;
    if (text.contains(QLatin1Char(':')))
        return Clock(text);
    return Count(text);
}
