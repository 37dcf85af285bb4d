#pragma once

#include "config/ChangeJournal.h"
#include "config/SectionTable.h"
#include "config/StoreError.h"
#include "config/StoreFile.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <functional>

/// An in-memory copy of a sectioned text file ("[section]" headers, "name=value" lines), loaded
/// whole at creation and written back by SaveToDisk. Names match without regard to case; where a
/// name occurs twice, lookups find the last one.
///
/// The store remembers what this run changed. SaveToDisk applies those changes over the file as
/// it is on disk at that moment, so that another instance's saves in between are kept.
///
/// Its parts, one job each: the text form (StoreTextForm), the sections in memory (TSectionTable),
/// the one journal of this run's changes (TChangeJournal), the file on disk (StoreFile); this class
/// holds them together and saves: merge over the file as it is, retry, and the fallback.
class TSectionedStore {
public:
    /// Loads fileName if it exists (a missing file gives an empty store); throws StoreError when
    /// the file exists but cannot be read (a folder, a FIFO or device, too large, no permission).
    /// regional supplies the decimal separator and date forms.
    TSectionedStore(QString fileName, QLocale regional);
    virtual ~TSectionedStore();

    TSectionedStore(const TSectionedStore&) = delete;
    TSectionedStore& operator=(const TSectionedStore&) = delete;

    const QString& FileName() const { return FFileName; }

    QString ReadText(const QString& section, const QString& key, const QString& def) const;
    /// Replaces the entry in place or appends it. Throws StoreError, changing nothing, when the
    /// section, key or value holds CR or LF: such text would break the line-based file.
    void WriteText(const QString& section, const QString& key, const QString& value);
    /// Default for a missing, malformed or out-of-range value.
    int ReadInt(const QString& section, const QString& key, int def) const;
    void WriteInt(const QString& section, const QString& key, int value);
    /// Default for a missing or unconvertible value; either decimal separator is read.
    double ReadReal(const QString& section, const QString& key, double def) const;
    /// Written with the regional decimal separator.
    void WriteReal(const QString& section, const QString& key, double value);
    /// Default for a missing or unconvertible value (regional short date, space, long time).
    QDateTime ReadStamp(const QString& section, const QString& key, const QDateTime& def) const;
    void WriteStamp(const QString& section, const QString& key, const QDateTime& value);

    /// Drops the section a lookup would find (an earlier one of the same name becomes visible);
    /// nothing happens when there is none.
    void DropSection(const QString& section);
    /// True when a section of that name is held, with lines or without.
    bool HasSection(const QString& section) const;
    /// Counts the changes through the public writers and every reload from disk; an index derived
    /// from the content is rebuilt when this moves.
    quint64 Generation() const { return FGeneration; }
    /// Section names in store order.
    QStringList SectionNames() const;
    /// The entry names of the section a lookup would find, each once, in file order; none when
    /// there is no such section.
    QStringList KeyNames(const QString& section) const;

    /// Writes this run's changes over the file as it is now and replaces it; the store then holds
    /// what was written. Cheap when nothing changed since the last save: the file is left alone.
    /// Made to be called often, it never throws: false when the file could not be written, which
    /// is then left whole, with the changes kept for the next save (LastSaveError says why).
    bool SaveToDisk() noexcept;
    /// Writes bytes over fileName whole or not at all, throwing StoreError otherwise.
    using Writer = std::function<void(const QString& fileName, const QByteArray& bytes)>;
    /// How saves write the file: StoreFile::Replace unless set (an empty writer restores it);
    /// tests pass one that fails as a full disk does.
    void SetWriter(Writer writer);
    /// Told once when saves move to the fallback file: the file left, the file used now, and why.
    using MovedHandler = std::function<void(const QString& from, const QString& to, const QString& why)>;
    /// Where saves go once fileName cannot be written any more because its folder turned
    /// read-only or went away: the whole store is written there, and every later save goes there
    /// too. Any other failure (a full disk, a passing I/O error) keeps the saves on fileName,
    /// each trying it again, so that the next start finds them where it looks.
    void SetFallback(QString fileName, MovedHandler moved);
    /// Why the last SaveToDisk failed; empty after one that succeeded.
    const QString& LastSaveError() const { return FLastSaveError; }

    /// The canonical text of the store (what SaveToDisk writes): Windows-1252 while every
    /// character fits, else UTF-8 after a byte-order mark.
    QByteArray Serialize() const;

protected:
    const QLocale& Regional() const { return FRegional; }

    /// WriteText and DropSection that change the copy in memory only, for a subclass that
    /// records its changes its own way (RecordChange). RemoveSection is true when one was dropped.
    void PutText(const QString& section, const QString& key, const QString& value);
    bool RemoveSection(const QString& section);
    /// Records a change to replay when the file changed on disk before a save: one per subject
    /// (which never begins with a line break), the latest replacing an earlier one where it
    /// stands, in the same journal as the public writes.
    void RecordChange(const QString& subject, TChangeJournal::Replay replay);

    /// Calls visit(name, value, visible) for every section in store order, earlier duplicates
    /// included (visible false: a lookup of the name finds a later one). value is the section's
    /// last entry named key, or a null string.
    void VisitSections(
        const QString& key,
        const std::function<void(const QString& name, const QString& value, bool visible)>& visit) const;

private:
    void WriteToDisk();
    void LoadFile();
    bool TryWrite() noexcept;

    QString FFileName;
    QLocale FRegional;
    TSectionTable FTable;
    TChangeJournal FJournal;
    quint64 FGeneration = 0;

    StoreFile::Stamp FDiskStamp;    // the file as this store last read or wrote it
    bool FDiskIsCanonical = false;  // the file holds exactly Serialize()
    bool FLeftoversRemoved = false; // once a run: what killed saves left in the folder
    QString FLastSaveError;
    QString FFallback;
    MovedHandler FMoved;
    Writer FWriter;
};
