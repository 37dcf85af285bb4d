#include "config/SectionedStore.h"

#include "config/StoreText.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <utility>

namespace {

// A section longer than this gets a hash of its entry names; shorter ones (every section of
// "Play.ind" holds two lines) are searched from the end, which costs less than a hash apiece.
constexpr std::size_t LineIndexThreshold = 16;

// Tombstones are removed once they outnumber the live sections and there are enough of them
// to be worth one pass.
constexpr int CompactionMinimum = 1024;

// The most sections reserved ahead of loading, so that a file of brackets reserves little.
constexpr qsizetype MaxReservedSections = 1 << 20;

bool HasLineBreak(const QString& text) {
    return text.contains(u'\r') || text.contains(u'\n');
}

std::string Describe(const QString& fileName, const QString& problem) {
    return QStringLiteral("%1: %2").arg(fileName, problem).toStdString();
}

// Upper-cased entry names of recent lines. Files repeat a few names ("Path", "Time") thousands of
// times; sharing one upper-cased copy saves an allocation per line.
class NameKeys {
public:
    QString KeyOf(QByteArrayView name) {
        for (Recent& r : FRecent) {
            if (r.used && r.name == name)
                return r.key;
        }
        Recent& slot = FRecent[FNext];
        FNext = (FNext + 1) % FRecent.size();
        slot.used = true;
        slot.name = name.toByteArray();
        slot.key = StoreText::UpperKey(StoreText::DecodeCp1252(name));
        return slot.key;
    }

private:
    struct Recent {
        bool used = false;
        QByteArray name;
        QString key;
    };
    std::array<Recent, 4> FRecent;
    std::size_t FNext = 0;
};

QString Decode(QByteArrayView bytes) {
    return StoreText::DecodeCp1252(bytes);
}

} // namespace

SectionedStore::SectionedStore(QString fileName, QLocale regional)
    : FFileName(std::move(fileName)), FRegional(std::move(regional)) {
    const QFileInfo info(FFileName);
    if (!info.exists())
        return;
    if (info.isDir())
        throw StoreError(
            Describe(FFileName, QStringLiteral("cannot read the settings file: it is a folder")));
    QFile file(FFileName);
    if (!file.open(QIODevice::ReadOnly))
        throw StoreError(
            Describe(FFileName, QStringLiteral("cannot read the settings file: ") + file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw StoreError(
            Describe(FFileName, QStringLiteral("cannot read the settings file: ") + file.errorString()));
    Load(bytes);
}

// Works on the bytes and decodes only what it keeps: the characters the format looks at (CR, LF,
// '[', ']', ';', '=' and the controls trimmed) are the same bytes in the code page.
void SectionedStore::Load(const QByteArray& bytes) {
    const char* data = bytes.constData();
    const qsizetype size = bytes.size();
    NameKeys keys;
    // Room for the sections up front: growing the vector would copy it and touch twice the
    // memory. Every header holds a '['; an overestimate only reserves address space.
    const auto brackets = std::count(data, data + size, '[');
    FSections.reserve(static_cast<std::size_t>(std::min<qsizetype>(brackets, MaxReservedSections)));
    Section* current = nullptr; // lines before the first header belong nowhere and are dropped
    qsizetype pos = 0;
    while (pos < size) {
        qsizetype end = pos;
        while (end < size && data[end] != '\r' && data[end] != '\n')
            ++end;
        const QByteArrayView line = StoreText::TrimControls(QByteArrayView(data + pos, end - pos));
        // CR LF, a lone CR and a lone LF each end one line.
        pos = (end + 1 < size && data[end] == '\r' && data[end + 1] == '\n') ? end + 2 : end + 1;

        if (line.isEmpty() || line.front() == ';')
            continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            current = &AppendSection(Decode(StoreText::TrimControls(line.sliced(1, line.size() - 2))));
            continue;
        }
        if (current == nullptr)
            continue;
        const qsizetype eq = line.indexOf('=');
        if (eq < 0) {
            AddLine(*current, Decode(line), QString(), -1);
            continue;
        }
        const QByteArrayView name = StoreText::TrimControls(line.first(eq));
        const QByteArrayView value = StoreText::TrimControls(line.sliced(eq + 1));
        QString stored(name.size() + 1 + value.size(), Qt::Uninitialized);
        char16_t* out = reinterpret_cast<char16_t*>(stored.data());
        StoreText::DecodeCp1252Into(name, out);
        out[name.size()] = u'=';
        StoreText::DecodeCp1252Into(value, out + name.size() + 1);
        AddLine(*current, std::move(stored), keys.KeyOf(name), name.size() + 1);
    }
}

SectionedStore::Section& SectionedStore::AppendSection(QString name) {
    const int index = static_cast<int>(FSections.size());
    Section& s = FSections.emplace_back();
    s.key = StoreText::UpperKey(name);
    s.name = std::move(name);
    s.lines.reserve(2); // the usual size, a "Play.ind" section
    s.previousSame = FLastSectionOf.value(s.key, -1);
    FLastSectionOf.insert(s.key, index);
    return s;
}

SectionedStore::Section* SectionedStore::FindSection(const QString& section) {
    const int index = FLastSectionOf.value(StoreText::UpperKey(section), -1);
    return index < 0 ? nullptr : &FSections[static_cast<std::size_t>(index)];
}

const SectionedStore::Section* SectionedStore::FindSection(const QString& section) const {
    const int index = FLastSectionOf.value(StoreText::UpperKey(section), -1);
    return index < 0 ? nullptr : &FSections[static_cast<std::size_t>(index)];
}

SectionedStore::Section& SectionedStore::SectionForWrite(const QString& section) {
    if (Section* s = FindSection(section))
        return *s;
    return AppendSection(section);
}

int SectionedStore::FindLine(const Section& s, const QString& nameKey) {
    if (s.indexed)
        return s.lastLineOf.value(nameKey, -1);
    for (int i = static_cast<int>(s.lines.size()) - 1; i >= 0; --i) {
        const Line& line = s.lines[static_cast<std::size_t>(i)];
        if (line.valueStart >= 0 && line.nameKey == nameKey)
            return i;
    }
    return -1;
}

void SectionedStore::AddLine(Section& s, QString text, QString nameKey, qsizetype valueStart) {
    Line& line = s.lines.emplace_back();
    line.text = std::move(text);
    line.nameKey = std::move(nameKey);
    line.valueStart = valueStart;
    if (s.indexed) {
        if (valueStart >= 0)
            s.lastLineOf.insert(line.nameKey, static_cast<int>(s.lines.size()) - 1);
        return;
    }
    if (s.lines.size() > LineIndexThreshold)
        IndexLines(s);
}

void SectionedStore::IndexLines(Section& s) {
    s.lastLineOf.clear();
    for (std::size_t i = 0; i < s.lines.size(); ++i) {
        if (s.lines[i].valueStart >= 0)
            s.lastLineOf.insert(s.lines[i].nameKey, static_cast<int>(i));
    }
    s.indexed = true;
}

QString SectionedStore::ReadText(const QString& section, const QString& key, const QString& def) const {
    const Section* s = FindSection(section);
    if (s == nullptr)
        return def;
    const int index = FindLine(*s, StoreText::UpperKey(key));
    if (index < 0)
        return def;
    const Line& line = s->lines[static_cast<std::size_t>(index)];
    return line.text.sliced(line.valueStart);
}

void SectionedStore::WriteText(const QString& section, const QString& key, const QString& value) {
    if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value))
        throw StoreError(
            Describe(FFileName, QStringLiteral("a line break cannot be stored in a line-based file")));
    Section& s = SectionForWrite(section);
    QString text;
    text.reserve(key.size() + 1 + value.size());
    text.append(key).append(u'=').append(value);
    QString nameKey = StoreText::UpperKey(key);
    const int index = FindLine(s, nameKey);
    if (index >= 0) {
        // In place, with the name spelled as this writer gives it; its upper-cased form is unchanged.
        Line& line = s.lines[static_cast<std::size_t>(index)];
        line.text = std::move(text);
        line.valueStart = key.size() + 1;
        return;
    }
    // A name holding '=' is split at its first '=', as it would be when the file is read again.
    const qsizetype eq = key.indexOf(u'=');
    if (eq >= 0)
        nameKey = StoreText::UpperKey(key.first(eq));
    AddLine(s, std::move(text), std::move(nameKey), (eq >= 0 ? eq : key.size()) + 1);
}

int SectionedStore::ReadInt(const QString& section, const QString& key, int def) const {
    return StoreText::ParseInt(ReadText(section, key, QString())).value_or(def);
}

void SectionedStore::WriteInt(const QString& section, const QString& key, int value) {
    WriteText(section, key, StoreText::FormatInt(value));
}

double SectionedStore::ReadReal(const QString& section, const QString& key, double def) const {
    return StoreText::ParseReal(ReadText(section, key, QString()), FRegional.decimalPoint()).value_or(def);
}

void SectionedStore::WriteReal(const QString& section, const QString& key, double value) {
    WriteText(section, key, StoreText::FormatReal(value, FRegional.decimalPoint()));
}

QDateTime SectionedStore::ReadStamp(const QString& section, const QString& key, const QDateTime& def) const {
    return StoreText::ParseStamp(ReadText(section, key, QString()), FRegional).value_or(def);
}

void SectionedStore::WriteStamp(const QString& section, const QString& key, const QDateTime& value) {
    WriteText(section, key, StoreText::FormatStamp(value, FRegional));
}

void SectionedStore::DropSection(const QString& section) {
    const QString key = StoreText::UpperKey(section);
    const auto found = FLastSectionOf.find(key);
    if (found == FLastSectionOf.end())
        return;
    Section& s = FSections[static_cast<std::size_t>(found.value())];
    if (s.previousSame >= 0)
        found.value() = s.previousSame;
    else
        FLastSectionOf.erase(found);
    s.dropped = true;
    s.lines = {};
    s.lastLineOf = {};
    ++FDroppedCount;
    CompactIfSparse();
}

void SectionedStore::CompactIfSparse() {
    const auto live = static_cast<int>(FSections.size()) - FDroppedCount;
    if (FDroppedCount < CompactionMinimum || FDroppedCount <= live)
        return;
    std::vector<Section> kept;
    kept.reserve(static_cast<std::size_t>(live));
    FLastSectionOf.clear();
    for (Section& s : FSections) {
        if (s.dropped)
            continue;
        s.previousSame = FLastSectionOf.value(s.key, -1);
        FLastSectionOf.insert(s.key, static_cast<int>(kept.size()));
        kept.push_back(std::move(s));
    }
    FSections = std::move(kept);
    FDroppedCount = 0;
}

QStringList SectionedStore::SectionNames() const {
    QStringList names;
    names.reserve(static_cast<qsizetype>(FSections.size()) - FDroppedCount);
    for (const Section& s : FSections) {
        if (!s.dropped)
            names.append(s.name);
    }
    return names;
}

QByteArray SectionedStore::Serialize() const {
    qsizetype size = 0;
    for (const Section& s : FSections) {
        if (s.dropped)
            continue;
        size += s.name.size() + 6;
        for (const Line& line : s.lines)
            size += line.text.size() + 2;
    }
    QByteArray out;
    out.reserve(size);
    for (const Section& s : FSections) {
        if (s.dropped)
            continue;
        out += '[';
        StoreText::EncodeCp1252(s.name, out);
        out += "]\r\n";
        for (const Line& line : s.lines) {
            StoreText::EncodeCp1252(line.text, out);
            out += "\r\n";
        }
        out += "\r\n";
    }
    return out;
}

void SectionedStore::SaveToDisk() const {
    // QSaveFile writes a temporary file beside the target, syncs it and renames it over the
    // target, so a failure at any step leaves the previous file whole.
    QSaveFile file(FFileName);
    if (!file.open(QIODevice::WriteOnly))
        throw StoreError(
            Describe(FFileName, QStringLiteral("cannot write the settings file: ") + file.errorString()));
    const QByteArray bytes = Serialize();
    if (file.write(bytes) != bytes.size()) {
        const QString problem = file.errorString();
        file.cancelWriting();
        throw StoreError(Describe(FFileName, QStringLiteral("cannot write the settings file: ") + problem));
    }
    if (!file.commit())
        throw StoreError(
            Describe(FFileName, QStringLiteral("cannot write the settings file: ") + file.errorString()));
}
