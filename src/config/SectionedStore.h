#pragma once

#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <stdexcept>
#include <vector>

/// Raised when a store file exists but cannot be read, or cannot be written.
class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// An in-memory copy of a sectioned text file ("[section]" headers, "name=value" lines), loaded
/// whole at creation and written back whole by SaveToDisk. Names match without regard to case;
/// where a name occurs twice, lookups find the last one.
class SectionedStore {
public:
    /// Loads fileName if it exists (a missing file gives an empty store); throws StoreError when
    /// the file exists but cannot be read. regional supplies the decimal separator and date forms.
    SectionedStore(QString fileName, QLocale regional);
    virtual ~SectionedStore() = default;

    SectionedStore(const SectionedStore&) = delete;
    SectionedStore& operator=(const SectionedStore&) = delete;

    const QString& FileName() const { return FFileName; }

    QString ReadText(const QString& section, const QString& key, const QString& def) const;
    /// Replaces the entry in place or appends it. Throws StoreError, changing nothing, when the
    /// section, key or value holds CR or LF: such text would break the line-based file.
    void WriteText(const QString& section, const QString& key, const QString& value);
    /// Default for a missing, malformed or out-of-range value.
    int ReadInt(const QString& section, const QString& key, int def) const;
    void WriteInt(const QString& section, const QString& key, int value);
    /// Default for a missing or unconvertible value (read with the regional decimal separator).
    double ReadReal(const QString& section, const QString& key, double def) const;
    void WriteReal(const QString& section, const QString& key, double value);
    /// Default for a missing or unconvertible value (regional short date, space, long time).
    QDateTime ReadStamp(const QString& section, const QString& key, const QDateTime& def) const;
    void WriteStamp(const QString& section, const QString& key, const QDateTime& value);

    /// Drops the section a lookup would find (an earlier one of the same name becomes visible);
    /// nothing happens when there is none.
    void DropSection(const QString& section);
    /// Section names in store order.
    QStringList SectionNames() const;
    /// Replaces the file atomically; throws StoreError and leaves the old file whole on failure.
    void SaveToDisk() const;

    /// The canonical text of the store (what SaveToDisk writes), as single-byte text.
    QByteArray Serialize() const;

protected:
    const QLocale& Regional() const { return FRegional; }

private:
    struct Line {
        QString text;              // the stored line as written back
        QString nameKey;           // upper-cased name before the first '='
        qsizetype valueStart = -1; // index just past the first '='; -1 for a line without '='
    };
    struct Section {
        QString name;
        QString key; // upper-cased name
        std::vector<Line> lines;
        QHash<QString, int> lastLineOf; // upper-cased name -> its last line; only for long sections
        bool indexed = false;           // lastLineOf is in use
        int previousSame = -1;          // the live section of the same name before this one, or -1
        bool dropped = false;
    };

    void Load(const QByteArray& bytes);
    Section* FindSection(const QString& section);
    const Section* FindSection(const QString& section) const;
    Section& SectionForWrite(const QString& section);
    Section& AppendSection(QString name);
    void CompactIfSparse();
    static int FindLine(const Section& s, const QString& nameKey);
    /// Appends a line; nameKey is its upper-cased name and valueStart as in Line.
    static void AddLine(Section& s, QString text, QString nameKey, qsizetype valueStart);
    static void IndexLines(Section& s);

    QString FFileName;
    QLocale FRegional;
    // Sections in store order. A dropped section stays as a tombstone until CompactIfSparse
    // removes the tombstones in one pass, so DropSection never shifts the vector.
    std::vector<Section> FSections;
    // Upper-cased name -> index of the last live section of that name. Lookups and drops only
    // ever touch that last one; previousSame chains the earlier ones, so a drop reveals the
    // earlier duplicate in constant time.
    QHash<QString, int> FLastSectionOf;
    int FDroppedCount = 0;
};
