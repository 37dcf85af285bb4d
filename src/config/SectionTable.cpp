#include "config/SectionTable.h"

#include "config/StoreNameKeys.h"
#include "config/StoreText.h"

#include <QSet>

#include <algorithm>
#include <utility>

using namespace StoreNames;

namespace {

// A section longer than this gets a hash of its entry names; shorter ones (every section of
// "Play.ind" holds two lines) are searched from the end, which costs less than a hash apiece.
constexpr std::size_t kLineIndexThreshold = 16;

// Tombstones are removed once they outnumber the live sections and there are enough of them
// to be worth one pass.
constexpr int kCompactionMinimum = 1024;

} // namespace

void TSectionTable::Reserve(qsizetype sections) {
    FSections.reserve(static_cast<std::size_t>(sections));
    FLastSectionOf.Reserve(std::min<qsizetype>(sections, 4096));
}

void TSectionTable::Clear() {
    FSections.clear();
    FSections.shrink_to_fit();
    FNames.clear();
    FBodies.clear();
    FBodies.shrink_to_fit();
    FLastSectionOf.Clear();
    FDroppedCount = 0;
}

void TSectionTable::Squeeze() {
    FNames.squeeze();
}

QStringView TSectionTable::NameOf(const Section& s) const {
    return QStringView(FNames).sliced(s.nameStart, s.nameLength);
}

int TSectionTable::Append(QStringView name) {
    const int index = static_cast<int>(FSections.size());
    Section& s = FSections.emplace_back();
    s.nameStart = static_cast<quint32>(FNames.size());
    s.nameLength = static_cast<quint32>(name.size());
    FNames.append(name);
    const quint32 hash = HashOfName(name);
    const QString upper = StoreText::UpperKey(name);
    const qsizetype slot = FLastSectionOf.Find(
        hash, [&](int i) { return NameHasKey(NameOf(FSections[static_cast<std::size_t>(i)]), upper); });
    if (slot >= 0) {
        s.previousSame = FLastSectionOf.ValueAt(slot);
        FLastSectionOf.SetValueAt(slot, index);
    } else {
        FLastSectionOf.Insert(hash, index);
    }
    return index;
}

int TSectionTable::FindIndex(const QString& upperName) const {
    const qsizetype slot = FLastSectionOf.Find(HashOfUpper(upperName), [&](int i) {
        return NameHasKey(NameOf(FSections[static_cast<std::size_t>(i)]), upperName);
    });
    return slot < 0 ? -1 : FLastSectionOf.ValueAt(slot);
}

int TSectionTable::Find(const QString& section) const {
    return FindIndex(StoreText::UpperKey(section));
}

bool TSectionTable::Has(const QString& section) const {
    return Find(section) >= 0;
}

const TSectionTable::Body* TSectionTable::BodyOf(const Section& s) const {
    return s.body >= 0 ? &FBodies[static_cast<std::size_t>(s.body)] : nullptr;
}

TSectionTable::Body* TSectionTable::BodyOf(const Section& s) {
    return s.body >= 0 ? &FBodies[static_cast<std::size_t>(s.body)] : nullptr;
}

int TSectionTable::FindLine(const Body* b, const QString& nameKey) {
    if (b == nullptr)
        return -1;
    if (b->indexed)
        return b->lastLineOf.value(nameKey, -1);
    const std::vector<Line>& lines = b->lines;
    for (int i = static_cast<int>(lines.size()) - 1; i >= 0; --i) {
        const Line& line = lines[static_cast<std::size_t>(i)];
        if (line.valueStart >= 0 && line.nameKey == nameKey)
            return i;
    }
    return -1;
}

void TSectionTable::AddLine(int index, QString text, QString nameKey, qsizetype valueStart) {
    Section& s = FSections[static_cast<std::size_t>(index)];
    if (s.body < 0) {
        s.body = static_cast<int>(FBodies.size());
        FBodies.emplace_back();
    }
    Body& b = FBodies[static_cast<std::size_t>(s.body)];
    Line& line = b.lines.emplace_back();
    line.text = std::move(text);
    line.nameKey = std::move(nameKey);
    line.valueStart = valueStart;
    if (b.indexed) {
        if (valueStart >= 0)
            b.lastLineOf.insert(line.nameKey, static_cast<int>(b.lines.size()) - 1);
        return;
    }
    if (b.lines.size() > kLineIndexThreshold)
        IndexLines(b);
}

void TSectionTable::IndexLines(Body& b) {
    b.lastLineOf.clear();
    for (std::size_t i = 0; i < b.lines.size(); ++i) {
        if (b.lines[i].valueStart >= 0)
            b.lastLineOf.insert(b.lines[i].nameKey, static_cast<int>(i));
    }
    b.indexed = true;
}

std::optional<QString> TSectionTable::Value(const QString& section, const QString& key) const {
    const int index = Find(section);
    if (index < 0)
        return std::nullopt;
    const Body* b = BodyOf(FSections[static_cast<std::size_t>(index)]);
    const int line = FindLine(b, StoreText::UpperKey(key));
    if (line < 0)
        return std::nullopt;
    const Line& found = b->lines[static_cast<std::size_t>(line)];
    return found.text.sliced(found.valueStart);
}

void TSectionTable::Put(const QString& section, const QString& key, const QString& value) {
    int index = Find(section);
    if (index < 0)
        index = Append(section);
    QString text;
    text.reserve(key.size() + 1 + value.size());
    text.append(key).append(u'=').append(value);
    QString nameKey = StoreText::UpperKey(key);
    const Section& s = FSections[static_cast<std::size_t>(index)];
    const int line = FindLine(BodyOf(s), nameKey);
    if (line >= 0) {
        // In place, with the name spelled as this writer gives it; its upper-cased form is unchanged.
        Line& found = BodyOf(s)->lines[static_cast<std::size_t>(line)];
        found.text = std::move(text);
        found.valueStart = key.size() + 1;
        return;
    }
    // A name holding '=' is split at its first '=', as it would be when the file is read again.
    const qsizetype eq = key.indexOf(u'=');
    if (eq >= 0)
        nameKey = StoreText::UpperKey(key.first(eq));
    AddLine(index, std::move(text), std::move(nameKey), (eq >= 0 ? eq : key.size()) + 1);
}

bool TSectionTable::Remove(const QString& section) {
    const QString upper = StoreText::UpperKey(section);
    const qsizetype slot = FLastSectionOf.Find(HashOfUpper(upper), [&](int i) {
        return NameHasKey(NameOf(FSections[static_cast<std::size_t>(i)]), upper);
    });
    if (slot < 0)
        return false;
    Section& s = FSections[static_cast<std::size_t>(FLastSectionOf.ValueAt(slot))];
    if (s.previousSame >= 0)
        FLastSectionOf.SetValueAt(slot, s.previousSame);
    else
        FLastSectionOf.Erase(slot);
    if (Body* b = BodyOf(s))
        *b = Body();
    s.body = Section::kDropped;
    ++FDroppedCount;
    CompactIfSparse();
    return true;
}

void TSectionTable::CompactIfSparse() {
    const auto live = static_cast<int>(FSections.size()) - FDroppedCount;
    if (FDroppedCount < kCompactionMinimum || FDroppedCount <= live)
        return;
    std::vector<Section> old;
    old.swap(FSections);
    std::vector<Body> oldBodies;
    oldBodies.swap(FBodies);
    const QString oldNames = std::exchange(FNames, QString());
    FSections.reserve(static_cast<std::size_t>(live));
    FLastSectionOf.Clear();
    FDroppedCount = 0;
    for (const Section& s : old) {
        if (s.dropped())
            continue;
        const int kept = Append(QStringView(oldNames).sliced(s.nameStart, s.nameLength));
        if (s.body >= 0) {
            FSections[static_cast<std::size_t>(kept)].body = static_cast<int>(FBodies.size());
            FBodies.push_back(std::move(oldBodies[static_cast<std::size_t>(s.body)]));
        }
    }
}

QStringList TSectionTable::Names() const {
    QStringList names;
    names.reserve(static_cast<qsizetype>(FSections.size()) - FDroppedCount);
    for (const Section& s : FSections) {
        if (!s.dropped())
            names.append(NameOf(s).toString());
    }
    return names;
}

QStringList TSectionTable::KeyNames(const QString& section) const {
    QStringList names;
    const int index = Find(section);
    const Body* b = index < 0 ? nullptr : BodyOf(FSections[static_cast<std::size_t>(index)]);
    if (b == nullptr)
        return names;
    QSet<QString> seen;
    for (const Line& line : b->lines) {
        if (line.valueStart < 0 || seen.contains(line.nameKey))
            continue;
        seen.insert(line.nameKey);
        names.append(line.text.first(line.valueStart - 1));
    }
    return names;
}

void TSectionTable::Visit(
    const QString& key,
    const std::function<void(const QString& name, const QString& value, bool visible)>& visit) const {
    const QString upper = StoreText::UpperKey(key);
    // A live section is hidden when a later live one of its name chains back to it: one pass,
    // where a lookup of each name would hash them all again.
    std::vector<bool> hidden(FSections.size(), false);
    for (const Section& s : FSections) {
        if (!s.dropped() && s.previousSame >= 0)
            hidden[static_cast<std::size_t>(s.previousSame)] = true;
    }
    for (std::size_t i = 0; i < FSections.size(); ++i) {
        const Section& s = FSections[i];
        if (s.dropped())
            continue;
        const QString name = NameOf(s).toString();
        const Body* b = BodyOf(s);
        const int line = FindLine(b, upper);
        const QString value = line < 0 ? QString()
                                       : b->lines[static_cast<std::size_t>(line)].text.sliced(
                                             b->lines[static_cast<std::size_t>(line)].valueStart);
        visit(name, value, !hidden[i]);
    }
}
