#include "config/StoreText.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace StoreText {
namespace {

// Bytes 0x80 to 0x9F of Windows-1252. The five bytes the code page leaves undefined map to the
// C1 controls of the same number, as Windows' own conversion does, so every byte round-trips.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char EncodeChar(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (std::size_t i = 0; i < kCp1252High.size(); ++i) {
        if (kCp1252High[i] == c)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

int HexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

bool IsAsciiDigit(QChar c) {
    return c.unicode() >= '0' && c.unicode() <= '9';
}

// Removes the time-zone fields ('t' runs outside quotes), brackets left empty by that, and the
// spaces that then lead, trail or double up.
QString WithoutTimeZone(const QString& format) {
    QString out;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u't')
            continue;
        out += c;
    }
    out.replace(QLatin1String("()"), QString());
    QString collapsed;
    quoted = false;
    for (const QChar c : out) {
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u' ' && (collapsed.isEmpty() || collapsed.endsWith(u' ')))
            continue;
        collapsed += c;
    }
    while (collapsed.endsWith(u' '))
        collapsed.chop(1);
    return collapsed;
}

// True when the format's only year field has two digits ("yy" but no "yyyy").
bool HasTwoDigitYear(const QString& format) {
    return format.contains(QLatin1String("yy")) && !format.contains(QLatin1String("yyyy"));
}

} // namespace

void DecodeCp1252Into(QByteArrayView bytes, char16_t* dst) {
    const auto* src = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char b = src[i];
        // Latin-1 agrees with Windows-1252 everywhere but 0x80 to 0x9F.
        dst[i] = (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : static_cast<char16_t>(b);
    }
}

QString DecodeCp1252(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    DecodeCp1252Into(bytes, reinterpret_cast<char16_t*>(text.data()));
    return text;
}

void EncodeCp1252(QStringView text, QByteArray& out) {
    const qsizetype start = out.size();
    out.resize(start + text.size());
    char* dst = out.data() + start;
    const char16_t* src = text.utf16();
    const qsizetype n = text.size();
    qsizetype written = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = src[i];
        // A character outside the basic plane is one '?', not two.
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(src[i + 1]))
            ++i;
        dst[written++] = EncodeChar(c);
    }
    out.truncate(start + written);
}

bool EncodeCp1252Exact(QStringView text, QByteArray& out) {
    const qsizetype start = out.size();
    out.resize(start + text.size());
    char* dst = out.data() + start;
    const char16_t* src = text.utf16();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = src[i];
        const char b = EncodeChar(c);
        if (b == '?' && c != u'?') {
            out.truncate(start + i);
            return false;
        }
        dst[i] = b;
    }
    return true;
}

QStringView TrimControls(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= u' ')
        ++begin;
    while (end > begin && text[end - 1].unicode() <= u' ')
        --end;
    return text.sliced(begin, end - begin);
}

QByteArrayView TrimControls(QByteArrayView bytes) {
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && static_cast<unsigned char>(bytes[begin]) <= ' ')
        ++begin;
    while (end > begin && static_cast<unsigned char>(bytes[end - 1]) <= ' ')
        --end;
    return bytes.sliced(begin, end - begin);
}

std::optional<int> ParseInt(QStringView text) {
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && text[i] == u' ')
        ++i;
    if (i == n)
        return std::nullopt;

    bool hex = false;
    bool negative = false;
    const QChar first = text[i];
    if (first == u'$' || first == u'x' || first == u'X') {
        hex = true;
        ++i;
    } else if (first == u'0' && i + 1 < n && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        hex = true;
        i += 2;
    } else if (first == u'-') {
        negative = true;
        ++i;
    } else if (first == u'+') {
        ++i;
    }
    if (i == n)
        return std::nullopt;

    if (hex) {
        quint32 value = 0;
        for (; i < n; ++i) {
            const int digit = HexDigit(text[i]);
            if (digit < 0 || (value & 0xF0000000u) != 0)
                return std::nullopt;
            value = (value << 4) | static_cast<quint32>(digit);
        }
        // Eight digits fill the 32 bits: $FFFFFFFF is -1, as the files have always been read.
        return static_cast<int>(value);
    }

    quint64 value = 0;
    for (; i < n; ++i) {
        if (!IsAsciiDigit(text[i]))
            return std::nullopt;
        value = value * 10 + (text[i].unicode() - u'0');
        if (value > 2147483648ull)
            return std::nullopt;
    }
    if (negative)
        return static_cast<int>(-static_cast<qint64>(value));
    if (value > 2147483647ull)
        return std::nullopt;
    return static_cast<int>(value);
}

namespace {

// Maps ASCII letters from..to onto the other case; nullopt when text holds non-ASCII characters.
std::optional<QString> AsciiCase(QStringView text, char16_t from, char16_t to) {
    QString out(text.size(), Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    const char16_t* src = text.utf16();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = src[i];
        if (c >= 0x80)
            return std::nullopt;
        dst[i] = (c >= from && c <= to) ? static_cast<char16_t>(c ^ 0x20) : c;
    }
    return out;
}

} // namespace

QString UpperKey(QStringView text) {
    if (auto ascii = AsciiCase(text, u'a', u'z'))
        return *std::move(ascii);
    return text.toString().toUpper();
}

QString LowerText(QStringView text) {
    if (auto ascii = AsciiCase(text, u'A', u'Z'))
        return *std::move(ascii);
    return text.toString().toLower();
}

QString FormatInt(int value) {
    return QString::number(value);
}

QString FormatReal(double value, QStringView decimalPoint) {
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (value == 0)
        return QStringLiteral("0");

    // 15 significant digits, correctly rounded, as "d.dddddddddddddde+XX"; never locale-dependent.
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
    const std::string scientific(buffer, result.ptr);
    const bool negative = scientific[0] == '-';
    const std::size_t mantissaStart = negative ? 1 : 0;
    const std::size_t ePos = scientific.find('e');
    std::string digits;
    for (std::size_t i = mantissaStart; i < ePos; ++i) {
        if (scientific[i] != '.')
            digits += scientific[i];
    }
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    const int exponent = std::atoi(scientific.c_str() + ePos + 1);

    QString out;
    if (negative)
        out += u'-';
    // The general form the files have always used: plain notation from 1E-4 up to 15 integer digits.
    if (exponent >= -4 && exponent <= 14) {
        if (exponent < 0) {
            out += u'0';
            out += decimalPoint;
            out += QString(-exponent - 1, u'0');
            out += QLatin1String(digits.data(), static_cast<qsizetype>(digits.size()));
            return out;
        }
        const std::size_t integerDigits = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= integerDigits) {
            out += QLatin1String(digits.data(), static_cast<qsizetype>(digits.size()));
            out += QString(static_cast<qsizetype>(integerDigits - digits.size()), u'0');
            return out;
        }
        out += QLatin1String(digits.data(), static_cast<qsizetype>(integerDigits));
        out += decimalPoint;
        out += QLatin1String(digits.data() + integerDigits,
                             static_cast<qsizetype>(digits.size() - integerDigits));
        return out;
    }
    out += QChar::fromLatin1(digits[0]);
    if (digits.size() > 1) {
        out += decimalPoint;
        out += QLatin1String(digits.data() + 1, static_cast<qsizetype>(digits.size() - 1));
    }
    out += u'E';
    out += QString::number(exponent);
    return out;
}

std::optional<double> ParseReal(QStringView text, QStringView decimalPoint) {
    qsizetype i = 0;
    qsizetype n = text.size();
    while (i < n && text[i] == u' ')
        ++i;
    while (n > i && text[n - 1] == u' ')
        --n;

    // Rebuild the number in the C form from_chars reads.
    std::string plain;
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
        if (text[i] == u'-')
            plain += '-';
        ++i;
    }
    int mantissaDigits = 0;
    auto takeDigits = [&](int& count) {
        while (i < n && IsAsciiDigit(text[i])) {
            plain += static_cast<char>(text[i].unicode());
            ++count;
            ++i;
        }
    };
    takeDigits(mantissaDigits);
    const QStringView rest = text.sliced(i, n - i);
    qsizetype separator = 0;
    if (!decimalPoint.isEmpty() && rest.startsWith(decimalPoint))
        separator = decimalPoint.size();
    else if (rest.startsWith(u'.') || rest.startsWith(u','))
        separator = 1;
    if (separator > 0) {
        plain += '.';
        i += separator;
        takeDigits(mantissaDigits);
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        plain += 'e';
        ++i;
        if (i < n && (text[i] == u'-' || text[i] == u'+')) {
            plain += static_cast<char>(text[i].unicode());
            ++i;
        }
        int exponentDigits = 0;
        takeDigits(exponentDigits);
        if (exponentDigits == 0)
            return std::nullopt;
    }
    if (i != n)
        return std::nullopt;

    double value = 0;
    const auto result = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (result.ec != std::errc() || result.ptr != plain.data() + plain.size())
        return std::nullopt;
    return value;
}

QString LongTimeFormat(const QLocale& regional) {
    return WithoutTimeZone(regional.timeFormat(QLocale::LongFormat));
}

QString FormatStamp(const QDateTime& value, const QLocale& regional) {
    if (!value.isValid())
        return QString();
    QString text = regional.toString(value.date(), regional.dateFormat(QLocale::ShortFormat));
    const QTime time = value.time();
    // As the files have always had it: no time part when hours, minutes and seconds are all zero.
    if (time.hour() == 0 && time.minute() == 0 && time.second() == 0)
        return text;
    text += u' ';
    text += regional.toString(time, LongTimeFormat(regional));
    return text;
}

std::optional<QDateTime> ParseStamp(QStringView text, const QLocale& regional) {
    const QString trimmed = TrimControls(text).toString();
    if (trimmed.isEmpty())
        return std::nullopt;
    const QString dateFormat = regional.dateFormat(QLocale::ShortFormat);
    QDateTime stamp = regional.toDateTime(trimmed, dateFormat + u' ' + LongTimeFormat(regional));
    if (!stamp.isValid()) {
        const QDate date = regional.toDate(trimmed, dateFormat);
        if (!date.isValid())
            return std::nullopt;
        stamp = QDateTime(date, QTime(0, 0));
    }
    // Qt reads a two-digit year as 19yy; the system's window reads 00 to 29 as 2000 to 2029.
    if (HasTwoDigitYear(dateFormat) && stamp.date().year() < 1930)
        stamp = stamp.addYears(100);
    if (!stamp.isValid())
        return std::nullopt;
    return stamp;
}

bool HasLineBreak(QStringView text) {
    return text.contains(u'\r') || text.contains(u'\n');
}

} // namespace StoreText
