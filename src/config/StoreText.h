#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringView>

#include <optional>

/// The text rules of the sectioned store files: their single-byte code page and the typed value
/// forms. Internal to src/config; pure functions, so they are tested directly.
namespace StoreText {

/// Decodes Windows-1252 bytes; every byte maps to one character, so decoding never fails and
/// EncodeCp1252 gives the same bytes back.
QString DecodeCp1252(QByteArrayView bytes);
/// Decodes bytes into dst, which has room for bytes.size() characters.
void DecodeCp1252Into(QByteArrayView bytes, char16_t* dst);
/// Appends text as Windows-1252 bytes to out; a character the code page lacks becomes '?'.
void EncodeCp1252(QStringView text, QByteArray& out);
/// Appends text as Windows-1252 bytes; false, having appended part of it, at the first character
/// the code page lacks.
bool EncodeCp1252Exact(QStringView text, QByteArray& out);

/// Drops spaces and control characters (everything up to U+0020) at both ends; unlike
/// QString::trimmed it keeps U+00A0 and U+0085, which are ordinary bytes of the code page.
QStringView TrimControls(QStringView text);
/// The same for single-byte text, whose bytes up to 0x20 are the same characters.
QByteArrayView TrimControls(QByteArrayView bytes);

/// True when text holds CR or LF: stored, it would split its line and the file's meaning.
bool HasLineBreak(QStringView text);

/// The upper-cased form names are matched by: QString::toUpper, with a fast path for plain ASCII
/// (Qt's general case mapping costs about a microsecond a name, and every lookup needs one).
QString UpperKey(QStringView text);
/// The lower-cased form, as QString::toLower, with the same fast path.
QString LowerText(QStringView text);

/// The integer of text; nullopt for an empty, malformed or out-of-range value.
std::optional<int> ParseInt(QStringView text);
QString FormatInt(int value);

/// The shortest general form with up to 15 significant digits, using decimalPoint.
QString FormatReal(double value, QStringView decimalPoint);
/// The value of text written with decimalPoint, "." or ","; nullopt when it cannot be converted.
/// Either separator is read, so that a file written under another locale keeps its values.
std::optional<double> ParseReal(QStringView text, QStringView decimalPoint);

/// Regional short date, a space and the long time form; the time is left out at midnight.
QString FormatStamp(const QDateTime& value, const QLocale& regional);
/// nullopt when text is not in the form FormatStamp writes under the same locale.
std::optional<QDateTime> ParseStamp(QStringView text, const QLocale& regional);
/// The regional long time form without its time-zone fields, which the stored dates never
/// had and which do not read back.
QString LongTimeFormat(const QLocale& regional);

} // namespace StoreText
