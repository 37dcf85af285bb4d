#include "util/TimeText.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace {

// Until start-up switches it to '.', the separator is the usual ':' of time formatting.
QChar g_separator = u':';

bool IsBlank(QChar c) {
    return c.unicode() <= 0x20;
}

QString TrimBlanks(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && IsBlank(text[first]))
        ++first;
    while (last > first && IsBlank(text[last - 1]))
        --last;
    return text.mid(first, last - first);
}

// A field that is empty, not a plain signed decimal integer or outside 32 bits counts as 0.
qint64 FieldValue(const QString& field) {
    qsizetype i = 0;
    bool negative = false;
    if (i < field.size() && (field[i] == u'+' || field[i] == u'-')) {
        negative = field[i] == u'-';
        ++i;
    }
    if (i == field.size())
        return 0;
    qint64 value = 0;
    for (; i < field.size(); ++i) {
        const QChar c = field[i];
        if (c < u'0' || c > u'9')
            return 0;
        value = value * 10 + (c.unicode() - u'0');
        if (value > qint64(INT_MAX) + 1)
            return 0;
    }
    if (negative)
        value = -value;
    if (value < INT_MIN || value > INT_MAX)
        return 0;
    return value;
}

QString TwoDigits(qint64 n) {
    return QString::number(n).rightJustified(2, u'0');
}

} // namespace

QChar TimeSeparator() {
    return g_separator;
}

void SetTimeSeparator(QChar separator) {
    g_separator = separator;
}

int FieldCount(const QString& text, QChar separator) {
    const QString trimmed = TrimBlanks(text);
    if (trimmed.isEmpty())
        return 0;
    return 1 + static_cast<int>(trimmed.count(separator));
}

QString GetField(const QString& text, int n, QChar separator) {
    if (n <= 0)
        return {};
    const QString trimmed = TrimBlanks(text);
    qsizetype start = 0;
    for (int passed = 0; passed < n - 1; ++passed) {
        const qsizetype next = trimmed.indexOf(separator, start);
        if (next < 0)
            return {};
        start = next + 1;
    }
    const qsizetype end = trimmed.indexOf(separator, start);
    return trimmed.mid(start, end < 0 ? -1 : end - start);
}

int TimeTextToSeconds(const QString& text) {
    const QChar sep = TimeSeparator();
    const int count = FieldCount(text, sep);
    const auto field = [&](int n) { return FieldValue(GetField(text, n, sep)); };
    // Fields are unchecked, so the sum can leave 32 bits; it saturates instead of wrapping.
    qint64 total = 0;
    if (count == 1)
        total = field(1);
    else if (count == 2)
        total = field(2) + 60 * field(1);
    else if (count >= 3)
        total = field(3) + 3600 * field(1) + 60 * field(2);
    return static_cast<int>(std::clamp<qint64>(total, INT_MIN, INT_MAX));
}

QString SecondsToTimeText(int seconds) {
    // 64 bits so that the absolute value of INT_MIN exists.
    const qint64 n = std::llabs(seconds);
    const qint64 h = n / 3600;
    const qint64 m = (n % 3600) / 60;
    const QString ss = TwoDigits(n % 60);
    const QChar sep = TimeSeparator();
    if (h == 0 && m == 0)
        return ss;
    if (h > 0)
        return QString::number(h) + sep + TwoDigits(m) + sep + ss;
    return QString::number(m) + sep + ss;
}
