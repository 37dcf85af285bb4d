#include "config/SectionedStore.h"

#include "config/StoreNameKeys.h"
#include "config/StoreText.h"
#include "util/FileNameCodec.h"

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

// Files this program writes in UTF-8 begin with it; so may a file an editor saved.
constexpr QByteArrayView kUtf8Mark("\xEF\xBB\xBF", 3);

std::string Describe(const QString& fileName, const QString& problem) {
    return QStringLiteral("%1: %2").arg(fileName, problem).toStdString();
}

QString DecodeCp1252(QByteArrayView bytes) {
    return StoreText::DecodeCp1252(bytes);
}

// UTF-8, with the bytes that are not UTF-8 kept as the file-name codec keeps them: a path that
// is not valid UTF-8 is written as its own bytes and comes back the same.
QString DecodeUtf8(QByteArrayView bytes) {
    return DecodeFileName(bytes);
}

void AppendUtf8(QStringView text, QByteArray& out) {
    out += EncodeFileName(text.toString());
}

} // namespace

SectionedStore::SectionedStore(QString fileName, QLocale regional)
    : FFileName(std::move(fileName)), FRegional(std::move(regional)), FWriter(StoreFile::Replace) {
    LoadFile();
}

SectionedStore::~SectionedStore() = default;

void SectionedStore::LoadFile() {
    // The stamp first: a save that comes later reloads when the file changed after it.
    const StoreFile::Stamp stamp = StoreFile::StampOf(FFileName);
    std::optional<QByteArray> bytes = StoreFile::Read(FFileName);
    Clear();
    FDiskStamp = bytes ? stamp : StoreFile::Stamp{};
    FDiskIsCanonical = false;
    if (bytes)
        Load(*bytes);
    ++FGeneration;
}

void SectionedStore::Clear() {
    FSections.clear();
    FSections.shrink_to_fit();
    FNames.clear();
    FBodies.clear();
    FBodies.shrink_to_fit();
    FLastSectionOf.Clear();
    FDroppedCount = 0;
}

// Works on the bytes and decodes only what it keeps: the characters the format looks at (CR, LF,
// '[', ']', ';', '=' and the controls trimmed) are the same bytes in both encodings.
void SectionedStore::Load(const QByteArray& all) {
    QByteArrayView bytes(all);
    const bool utf8 = bytes.startsWith(kUtf8Mark);
    if (utf8)
        bytes = bytes.sliced(kUtf8Mark.size());
    const Decoder decode = utf8 ? DecodeUtf8 : DecodeCp1252;
    const char* data = bytes.data();
    const qsizetype size = bytes.size();
    NameKeys keys(decode);
    // Room for the sections up front: growing the vector would copy it and hold up to twice the
    // memory. A header is a '[' that begins a line (leading blanks aside, which only makes the
    // count short and the vector grow).
    qsizetype headers = (size > 0 && data[0] == '[') ? 1 : 0;
    for (qsizetype i = 1; i < size; ++i) {
        if (data[i] == '[' && (data[i - 1] == '\n' || data[i - 1] == '\r'))
            ++headers;
    }
    FSections.reserve(static_cast<std::size_t>(headers));
    FLastSectionOf.Reserve(std::min<qsizetype>(headers, 4096));
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
            current = &AppendSection(decode(StoreText::TrimControls(line.sliced(1, line.size() - 2))));
            continue;
        }
        if (current == nullptr)
            continue;
        const qsizetype eq = line.indexOf('=');
        if (eq < 0) {
            AddLine(*current, decode(line), QString(), -1);
            continue;
        }
        const QByteArrayView name = StoreText::TrimControls(line.first(eq));
        const QByteArrayView value = StoreText::TrimControls(line.sliced(eq + 1));
        if (utf8) {
            QString decodedName = decode(name);
            const qsizetype valueStart = decodedName.size() + 1;
            QString stored = std::move(decodedName);
            stored += u'=';
            stored += decode(value);
            AddLine(*current, std::move(stored), keys.KeyOf(name), valueStart);
            continue;
        }
        QString stored(name.size() + 1 + value.size(), Qt::Uninitialized);
        char16_t* out = reinterpret_cast<char16_t*>(stored.data());
        StoreText::DecodeCp1252Into(name, out);
        out[name.size()] = u'=';
        StoreText::DecodeCp1252Into(value, out + name.size() + 1);
        AddLine(*current, std::move(stored), keys.KeyOf(name), name.size() + 1);
    }
    FNames.squeeze();
}

QStringView SectionedStore::NameOf(const Section& s) const {
    return QStringView(FNames).sliced(s.nameStart, s.nameLength);
}

SectionedStore::Section& SectionedStore::AppendSection(QStringView name) {
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
    return s;
}

int SectionedStore::FindSectionIndex(const QString& upperName) const {
    const qsizetype slot = FLastSectionOf.Find(HashOfUpper(upperName), [&](int i) {
        return NameHasKey(NameOf(FSections[static_cast<std::size_t>(i)]), upperName);
    });
    return slot < 0 ? -1 : FLastSectionOf.ValueAt(slot);
}

SectionedStore::Section* SectionedStore::FindSection(const QString& section) {
    const int index = FindSectionIndex(StoreText::UpperKey(section));
    return index < 0 ? nullptr : &FSections[static_cast<std::size_t>(index)];
}

const SectionedStore::Section* SectionedStore::FindSection(const QString& section) const {
    const int index = FindSectionIndex(StoreText::UpperKey(section));
    return index < 0 ? nullptr : &FSections[static_cast<std::size_t>(index)];
}

SectionedStore::Section& SectionedStore::SectionForWrite(const QString& section) {
    if (Section* s = FindSection(section))
        return *s;
    return AppendSection(section);
}

bool SectionedStore::HasSection(const QString& section) const {
    return FindSection(section) != nullptr;
}

const SectionedStore::Body* SectionedStore::BodyOf(const Section& s) const {
    return s.body >= 0 ? &FBodies[static_cast<std::size_t>(s.body)] : nullptr;
}

SectionedStore::Body* SectionedStore::BodyOf(const Section& s) {
    return s.body >= 0 ? &FBodies[static_cast<std::size_t>(s.body)] : nullptr;
}

int SectionedStore::FindLine(const Body* b, const QString& nameKey) {
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

void SectionedStore::AddLine(Section& s, QString text, QString nameKey, qsizetype valueStart) {
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

void SectionedStore::IndexLines(Body& b) {
    b.lastLineOf.clear();
    for (std::size_t i = 0; i < b.lines.size(); ++i) {
        if (b.lines[i].valueStart >= 0)
            b.lastLineOf.insert(b.lines[i].nameKey, static_cast<int>(i));
    }
    b.indexed = true;
}

QString SectionedStore::ReadText(const QString& section, const QString& key, const QString& def) const {
    const Section* s = FindSection(section);
    if (s == nullptr)
        return def;
    const Body* b = BodyOf(*s);
    const int index = FindLine(b, StoreText::UpperKey(key));
    if (index < 0)
        return def;
    const Line& line = b->lines[static_cast<std::size_t>(index)];
    return line.text.sliced(line.valueStart);
}

void SectionedStore::WriteText(const QString& section, const QString& key, const QString& value) {
    PutText(section, key, value);
    RecordWrite(section, key, value);
    ++FGeneration;
}

void SectionedStore::PutText(const QString& section, const QString& key, const QString& value) {
    if (StoreText::HasLineBreak(section) || StoreText::HasLineBreak(key) || StoreText::HasLineBreak(value))
        throw StoreError(
            Describe(FFileName, QStringLiteral("a line break cannot be stored in a line-based file")));
    Section& s = SectionForWrite(section);
    QString text;
    text.reserve(key.size() + 1 + value.size());
    text.append(key).append(u'=').append(value);
    QString nameKey = StoreText::UpperKey(key);
    const int index = FindLine(BodyOf(s), nameKey);
    if (index >= 0) {
        // In place, with the name spelled as this writer gives it; its upper-cased form is unchanged.
        Line& line = BodyOf(s)->lines[static_cast<std::size_t>(index)];
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
    if (!RemoveSection(section))
        return;
    RecordDrop(section);
    ++FGeneration;
}

bool SectionedStore::RemoveSection(const QString& section) {
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

void SectionedStore::CompactIfSparse() {
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
        Section& kept = AppendSection(QStringView(oldNames).sliced(s.nameStart, s.nameLength));
        if (s.body >= 0) {
            kept.body = static_cast<int>(FBodies.size());
            FBodies.push_back(std::move(oldBodies[static_cast<std::size_t>(s.body)]));
        }
    }
}

QStringList SectionedStore::SectionNames() const {
    QStringList names;
    names.reserve(static_cast<qsizetype>(FSections.size()) - FDroppedCount);
    for (const Section& s : FSections) {
        if (!s.dropped())
            names.append(NameOf(s).toString());
    }
    return names;
}

QStringList SectionedStore::KeyNames(const QString& section) const {
    QStringList names;
    const Section* s = FindSection(section);
    const Body* b = s == nullptr ? nullptr : BodyOf(*s);
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

void SectionedStore::VisitSections(
    const QString& key,
    const std::function<void(const QString& name, const QString& value, bool visible)>& visit) const {
    const QString upper = StoreText::UpperKey(key);
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
        visit(name, value, FindSectionIndex(StoreText::UpperKey(name)) == static_cast<int>(i));
    }
}

QByteArray SectionedStore::Serialize() const {
    qsizetype size = 0;
    for (const Section& s : FSections) {
        if (s.dropped())
            continue;
        size += s.nameLength + 6;
        if (const Body* b = BodyOf(s)) {
            for (const Line& line : b->lines)
                size += line.text.size() + 2;
        }
    }
    // The code page while every character fits, so that the files stay what they have always
    // been; otherwise the whole file in UTF-8, marked so that it is read as such.
    auto encode = [&](QByteArray& out, bool utf8) {
        auto put = [&](QStringView text) {
            if (utf8) {
                AppendUtf8(text, out);
                return true;
            }
            return StoreText::EncodeCp1252Exact(text, out);
        };
        for (const Section& s : FSections) {
            if (s.dropped())
                continue;
            out += '[';
            if (!put(NameOf(s)))
                return false;
            out += "]\r\n";
            if (const Body* b = BodyOf(s)) {
                for (const Line& line : b->lines) {
                    if (!put(line.text))
                        return false;
                    out += "\r\n";
                }
            }
            out += "\r\n";
        }
        return true;
    };
    QByteArray out;
    out.reserve(size);
    if (encode(out, false))
        return out;
    out.clear();
    out += kUtf8Mark.toByteArray();
    encode(out, true);
    return out;
}

void SectionedStore::RecordWrite(const QString& section, const QString& key, const QString& value) {
    QList<int>& writes = FWritesOf[StoreText::UpperKey(section)];
    const QString upperKey = StoreText::UpperKey(key);
    for (const int i : writes) {
        Change& c = FChanges[static_cast<std::size_t>(i)];
        // Writing the same entry again only changes its value: replayed once, it lands the same.
        if (StoreText::UpperKey(c.key) == upperKey) {
            c.key = key;
            c.value = value;
            return;
        }
    }
    writes.append(static_cast<int>(FChanges.size()));
    FChanges.push_back(Change{false, false, section, key, value});
}

void SectionedStore::RecordDrop(const QString& section) {
    // The drop removes what the earlier writes to the section made, wherever they landed.
    const auto found = FWritesOf.find(StoreText::UpperKey(section));
    if (found != FWritesOf.end()) {
        for (const int i : *found)
            FChanges[static_cast<std::size_t>(i)].cancelled = true;
        FWritesOf.erase(found);
    }
    FChanges.push_back(Change{true, false, section, QString(), QString()});
}

void SectionedStore::ReapplyChanges() {
    for (const Change& c : FChanges) {
        if (c.cancelled)
            continue;
        if (c.drop)
            RemoveSection(c.section);
        else
            PutText(c.section, c.key, c.value);
    }
}

void SectionedStore::ChangesSaved() {
    FChanges.clear();
    FWritesOf.clear();
}

bool SectionedStore::HasChanges() const {
    return !FChanges.empty();
}

bool SectionedStore::SaveToDisk() noexcept {
    if (TryWrite())
        return true;
    if (FFallback.isEmpty() || FFallback == FFileName)
        return false;
    try {
        // A full disk or a passing error: the next save tries this file again. Moving would leave
        // the newest positions where the next start does not look.
        if (StoreFile::FolderWritable(FFileName))
            return false;
        // The file held here goes whole to the fallback: what was loaded plus this run's changes.
        const QString left = std::exchange(FFileName, FFallback);
        const QString why = FLastSaveError;
        FDiskStamp = StoreFile::StampOf(FFileName);
        FDiskIsCanonical = false;
        FLeftoversRemoved = false;
        if (FMoved)
            FMoved(left, FFileName, why);
    } catch (...) {
        return false;
    }
    return TryWrite();
}

bool SectionedStore::TryWrite() noexcept {
    QString problem;
    try {
        WriteToDisk();
        FLastSaveError.clear();
        return true;
    } catch (const std::exception& error) {
        problem = QString::fromUtf8(error.what());
    } catch (...) {
    }
    try {
        FLastSaveError =
            problem.isEmpty() ? FFileName + QStringLiteral(": cannot write the settings file") : problem;
    } catch (...) {
    }
    return false;
}

void SectionedStore::SetWriter(Writer writer) {
    FWriter = writer ? std::move(writer) : Writer(StoreFile::Replace);
}

void SectionedStore::SetFallback(QString fileName, MovedHandler moved) {
    FFallback = std::move(fileName);
    FMoved = std::move(moved);
}

void SectionedStore::WriteToDisk() {
    StoreFile::FolderLock lock(FFileName);
    if (!std::exchange(FLeftoversRemoved, true))
        StoreFile::RemoveLeftovers(FFileName);
    const StoreFile::Stamp now = StoreFile::StampOf(FFileName);
    if (now != FDiskStamp && now.exists) {
        // Another instance or an editor wrote the file since this store last saw it: this run's
        // changes go over what it holds now. Unreadable now, it is left as it is. A file that
        // vanished (its folder removed, say) is written again from what this store holds.
        LoadFile();
        ReapplyChanges();
    } else if (FDiskIsCanonical && !HasChanges()) {
        return; // the file already holds exactly this store
    }
    FWriter(FFileName, Serialize());
    FDiskStamp = StoreFile::StampOf(FFileName);
    FDiskIsCanonical = true;
    ChangesSaved();
}
