#pragma once

#include "config/KeyTable.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <span>
#include <vector>

/// The sections of a store in memory, in store order, each with its lines as they are written
/// back. Names match without regard to case; where a name occurs twice, lookups find the last one.
/// A dropped section stays as a tombstone until the tombstones outnumber the live sections, and
/// then all go in one pass, so a drop never shifts the table. Internal to src/config.
class TSectionTable {
public:
    struct Line {
        QString text;              // the stored line as written back
        QString nameKey;           // upper-cased name before the first '='
        qsizetype valueStart = -1; // index just past the first '='; -1 for a line without '='
    };

    /// Appends a section (hiding an earlier one of the same name) and returns its index.
    int Append(QStringView name);
    /// Appends a line to the section at index, as parsed: nameKey already upper-cased.
    void AddLine(int index, QString text, QString nameKey, qsizetype valueStart);
    /// Room for this many sections, so that loading a large file does not copy the table as it grows.
    void Reserve(qsizetype sections);
    /// Empties the table and gives back its memory.
    void Clear();
    /// Gives back the spare room of the names once loading is done.
    void Squeeze();

    /// True when a section of that name is held, with lines or without.
    bool Has(const QString& section) const;
    /// The value of the section's last entry named key; nothing when there is none.
    std::optional<QString> Value(const QString& section, const QString& key) const;
    /// Replaces the entry in place (its name spelled as given) or appends it, and the section too.
    void Put(const QString& section, const QString& key, const QString& value);
    /// Drops the section a lookup finds (an earlier one of the name becomes visible); false when
    /// there is none.
    bool Remove(const QString& section);

    /// Live section names in store order.
    QStringList Names() const;
    /// The entry names of the section a lookup finds, each once, in file order.
    QStringList KeyNames(const QString& section) const;
    /// Calls visit(name, value, visible) for every live section in store order, earlier duplicates
    /// included (visible false); value is the section's last entry named key, or a null string.
    void
    Visit(const QString& key,
          const std::function<void(const QString& name, const QString& value, bool visible)>& visit) const;
    /// Calls visit(QStringView name, std::span<const Line> lines) for every live section in store
    /// order; inline, as writing a file calls it once a section, twice over.
    template <typename Visit> void ForEach(Visit&& visit) const {
        for (const Section& s : FSections) {
            if (s.dropped())
                continue;
            const Body* b = BodyOf(s);
            visit(NameOf(s), b == nullptr ? std::span<const Line>() : std::span<const Line>(b->lines));
        }
    }

private:
    struct Body {
        std::vector<Line> lines;
        QHash<QString, int> lastLineOf; // upper-cased name -> its last line; only for long sections
        bool indexed = false;
    };
    // 16 bytes, so that a file of empty sections stays a small multiple of its size in memory.
    struct Section {
        static constexpr int kNoBody = -1;
        static constexpr int kDropped = -2;
        quint32 nameStart = 0; // the name lives in FNames
        quint32 nameLength = 0;
        int previousSame = -1; // the live section of the same name before this one, or -1
        int body = kNoBody;    // index into FBodies once the section holds a line
        bool dropped() const { return body == kDropped; }
    };

    QStringView NameOf(const Section& s) const;
    int FindIndex(const QString& upperName) const;
    int Find(const QString& section) const;
    const Body* BodyOf(const Section& s) const;
    Body* BodyOf(const Section& s);
    static int FindLine(const Body* b, const QString& nameKey);
    static void IndexLines(Body& b);
    void CompactIfSparse();

    std::vector<Section> FSections;
    QString FNames;            // every section's name, one after another
    std::vector<Body> FBodies; // the lines of the sections that have any
    // Upper-cased name -> index of the last live section of that name. Lookups and drops only
    // ever touch that last one; previousSame chains the earlier ones, so a drop reveals the
    // earlier duplicate in constant time.
    TKeyTable FLastSectionOf;
    int FDroppedCount = 0;
};
