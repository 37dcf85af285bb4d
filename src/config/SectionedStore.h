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
        QString text;     // the stored line as written back
        QString nameKey;  // upper-cased name before '=', empty for a line without '='
    };
    struct Section {
        QString name;
        std::vector<Line> lines;
        QHash<QString, int> lastLineOf;  // upper-cased name -> index of its last line
        bool dropped = false;
    };

    void Load(const QByteArray& bytes);
    Section* FindSection(const QString& section);
    const Section* FindSection(const QString& section) const;
    Section& SectionForWrite(const QString& section);
    static void AddLine(Section& s, QString text);

    QString FFileName;
    QLocale FRegional;
    std::vector<Section> FSections;          // dropped ones are skipped and compacted lazily
    QHash<QString, int> FLastSectionOf;      // upper-cased name -> index of its last live section
    int FDroppedCount = 0;
};
