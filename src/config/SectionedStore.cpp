#include "config/SectionedStore.h"

#include "config/StoreText.h"
#include "config/StoreTextForm.h"

#include <utility>

namespace {

std::string Describe(const QString& fileName, const QString& problem) {
    return QStringLiteral("%1: %2").arg(fileName, problem).toStdString();
}

// The journal's subjects of the public writes: a section's writes form a group its drop cancels.
// They begin with a line break, which no subject of a subclass does.
QString GroupOf(const QString& section) {
    return u'\n' + StoreText::UpperKey(section);
}

} // namespace

TSectionedStore::TSectionedStore(QString fileName, QLocale regional)
    : FFileName(std::move(fileName)), FRegional(std::move(regional)), FWriter(StoreFile::Replace) {
    LoadFile();
}

TSectionedStore::~TSectionedStore() = default;

void TSectionedStore::LoadFile() {
    // The stamp first: a save that comes later reloads when the file changed after it.
    const StoreFile::Stamp stamp = StoreFile::StampOf(FFileName);
    std::optional<QByteArray> bytes = StoreFile::Read(FFileName);
    FTable.Clear();
    FDiskStamp = bytes ? stamp : StoreFile::Stamp{};
    FDiskIsCanonical = false;
    if (bytes)
        StoreTextForm::Parse(*bytes, FTable);
    ++FGeneration;
}

QString TSectionedStore::ReadText(const QString& section, const QString& key, const QString& def) const {
    return FTable.Value(section, key).value_or(def);
}

void TSectionedStore::WriteText(const QString& section, const QString& key, const QString& value) {
    PutText(section, key, value);
    const QString group = GroupOf(section);
    FJournal.Record(group, group + u'\n' + StoreText::UpperKey(key), [this, section, key, value] {
        PutText(section, key, value);
        ++FGeneration;
    });
    ++FGeneration;
}

void TSectionedStore::PutText(const QString& section, const QString& key, const QString& value) {
    if (StoreText::HasLineBreak(section) || StoreText::HasLineBreak(key) || StoreText::HasLineBreak(value))
        throw StoreError(
            Describe(FFileName, QStringLiteral("a line break cannot be stored in a line-based file")));
    FTable.Put(section, key, value);
}

int TSectionedStore::ReadInt(const QString& section, const QString& key, int def) const {
    return StoreText::ParseInt(ReadText(section, key, QString())).value_or(def);
}

void TSectionedStore::WriteInt(const QString& section, const QString& key, int value) {
    WriteText(section, key, StoreText::FormatInt(value));
}

double TSectionedStore::ReadReal(const QString& section, const QString& key, double def) const {
    return StoreText::ParseReal(ReadText(section, key, QString()), FRegional.decimalPoint()).value_or(def);
}

void TSectionedStore::WriteReal(const QString& section, const QString& key, double value) {
    WriteText(section, key, StoreText::FormatReal(value, FRegional.decimalPoint()));
}

QDateTime TSectionedStore::ReadStamp(const QString& section, const QString& key, const QDateTime& def) const {
    return StoreText::ParseStamp(ReadText(section, key, QString()), FRegional).value_or(def);
}

void TSectionedStore::WriteStamp(const QString& section, const QString& key, const QDateTime& value) {
    WriteText(section, key, StoreText::FormatStamp(value, FRegional));
}

void TSectionedStore::DropSection(const QString& section) {
    if (!RemoveSection(section))
        return;
    // The drop removes what the earlier writes to the section made, wherever they landed.
    FJournal.Cancel(GroupOf(section));
    FJournal.Record(QString(), QString(), [this, section] {
        RemoveSection(section);
        ++FGeneration;
    });
    ++FGeneration;
}

bool TSectionedStore::RemoveSection(const QString& section) {
    return FTable.Remove(section);
}

void TSectionedStore::RecordChange(const QString& subject, TChangeJournal::Replay replay) {
    FJournal.Record(QString(), subject, std::move(replay));
}

bool TSectionedStore::HasSection(const QString& section) const {
    return FTable.Has(section);
}

QStringList TSectionedStore::SectionNames() const {
    return FTable.Names();
}

QStringList TSectionedStore::KeyNames(const QString& section) const {
    return FTable.KeyNames(section);
}

void TSectionedStore::VisitSections(
    const QString& key,
    const std::function<void(const QString& name, const QString& value, bool visible)>& visit) const {
    FTable.Visit(key, visit);
}

QByteArray TSectionedStore::Serialize() const {
    return StoreTextForm::Serialize(FTable);
}

bool TSectionedStore::SaveToDisk() noexcept {
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

bool TSectionedStore::TryWrite() noexcept {
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

void TSectionedStore::SetWriter(Writer writer) {
    FWriter = writer ? std::move(writer) : Writer(StoreFile::Replace);
}

void TSectionedStore::SetFallback(QString fileName, MovedHandler moved) {
    FFallback = std::move(fileName);
    FMoved = std::move(moved);
}

void TSectionedStore::WriteToDisk() {
    StoreFile::TFolderLock lock(FFileName);
    if (!std::exchange(FLeftoversRemoved, true))
        StoreFile::RemoveLeftovers(FFileName);
    const StoreFile::Stamp now = StoreFile::StampOf(FFileName);
    if (now != FDiskStamp && now.exists) {
        // Another instance or an editor wrote the file since this store last saw it: this run's
        // changes go over what it holds now. Unreadable now, it is left as it is. A file that
        // vanished (its folder removed, say) is written again from what this store holds.
        LoadFile();
        FJournal.ReplayAll();
    } else if (FDiskIsCanonical && FJournal.IsEmpty()) {
        return; // the file already holds exactly this store
    }
    FWriter(FFileName, Serialize());
    FDiskStamp = StoreFile::StampOf(FFileName);
    FDiskIsCanonical = true;
    FJournal.Clear();
}
