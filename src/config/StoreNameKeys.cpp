#include "config/StoreNameKeys.h"

#include "config/StoreText.h"

namespace {

bool IsAscii(QStringView text) {
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

char16_t AsciiUpper(char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c ^ 0x20) : c;
}

} // namespace

namespace StoreNames {

quint32 HashOfUpper(QStringView upper) {
    quint32 h = 2166136261u; // FNV-1a
    for (const QChar c : upper)
        h = (h ^ c.unicode()) * 16777619u;
    return h;
}

quint32 HashOfName(QStringView name) {
    if (!IsAscii(name))
        return HashOfUpper(StoreText::UpperKey(name));
    quint32 h = 2166136261u;
    for (const QChar c : name)
        h = (h ^ AsciiUpper(c.unicode())) * 16777619u;
    return h;
}

bool NameHasKey(QStringView name, QStringView upper) {
    if (!IsAscii(name))
        return StoreText::UpperKey(name) == upper;
    if (name.size() != upper.size())
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (AsciiUpper(name[i].unicode()) != upper[i].unicode())
            return false;
    }
    return true;
}

QString TNameKeys::KeyOf(QByteArrayView name) {
    for (Recent& r : FRecent) {
        if (r.used && r.name == name)
            return r.key;
    }
    Recent& slot = FRecent[FNext];
    FNext = (FNext + 1) % FRecent.size();
    slot.used = true;
    slot.name = name.toByteArray();
    slot.key = StoreText::UpperKey(FDecode(name));
    return slot.key;
}

} // namespace StoreNames
