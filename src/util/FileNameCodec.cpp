#include "util/FileNameCodec.h"

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// A low surrogate in the escape range that is the second half of a real pair is text, not an escape.
bool IsEscapeAt(const QString& path, qsizetype i) {
    const char16_t unit = path[i].unicode();
    if (unit < 0xDC80 || unit > 0xDCFF)
        return false;
    return i == 0 || !path[i - 1].isHighSurrogate();
}

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Length of the well-formed UTF-8 sequence at bytes[i] (Unicode table 3-7), or 0 when there is none,
// so overlong forms and encoded surrogates are escaped byte by byte like any other invalid input.
qsizetype SequenceLength(QByteArrayView bytes, qsizetype i) {
    const auto at = [&](qsizetype k) { return static_cast<unsigned char>(bytes[i + k]); };
    const unsigned char lead = at(0);
    const qsizetype left = bytes.size() - i;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return left >= 2 && IsContinuation(at(1)) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (left < 3 || !IsContinuation(at(1)) || !IsContinuation(at(2)))
            return 0;
        if (lead == 0xE0 && at(1) < 0xA0)
            return 0;
        if (lead == 0xED && at(1) > 0x9F)
            return 0;
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (left < 4 || !IsContinuation(at(1)) || !IsContinuation(at(2)) || !IsContinuation(at(3)))
            return 0;
        if (lead == 0xF0 && at(1) < 0x90)
            return 0;
        if (lead == 0xF4 && at(1) > 0x8F)
            return 0;
        return 4;
    }
    return 0;
}

} // namespace

QString DecodeFileName(QByteArrayView bytes) {
    if (bytes.isValidUtf8())
        return QString::fromUtf8(bytes);
    QString text;
    text.reserve(bytes.size());
    qsizetype i = 0;
    while (i < bytes.size()) {
        const qsizetype length = SequenceLength(bytes, i);
        if (length == 0) {
            text.append(QChar(char16_t(kEscapeBase + static_cast<unsigned char>(bytes[i]))));
            ++i;
            continue;
        }
        text.append(QString::fromUtf8(bytes.sliced(i, length)));
        i += length;
    }
    return text;
}

QByteArray EncodeFileName(const QString& path) {
    qsizetype first = 0;
    while (first < path.size() && !IsEscapeAt(path, first))
        ++first;
    if (first == path.size())
        return path.toUtf8();
    QByteArray bytes;
    bytes.reserve(path.size());
    qsizetype runStart = 0;
    for (qsizetype i = first; i < path.size(); ++i) {
        if (!IsEscapeAt(path, i))
            continue;
        bytes.append(QStringView(path).sliced(runStart, i - runStart).toUtf8());
        bytes.append(char(path[i].unicode() - kEscapeBase));
        runStart = i + 1;
    }
    bytes.append(QStringView(path).sliced(runStart).toUtf8());
    return bytes;
}
