#pragma once

#include "config/FileProbe.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <initializer_list>
#include <optional>

class TSectionedStore;

/// The one way a section is kept for a file or a folder: named after the path as SectionName
/// reduces it, behind the kind's prefix ("Speed:", "Bookmarks:"; none for positions), with "~2",
/// "~3" and on after the name when several paths reduce alike, and the path in the kind's own
/// entry, quoted when loading would trim it. Every kind of section and the session record keep
/// their values by these rules, so what one writes another reads the same way.
class TPathSections {
public:
    TPathSections(const TSectionedStore& store, QString prefix, QString pathKey);

    /// The path lower-cased, keeping only '0'-'9' and 'a'-'z'.
    static QString SectionName(const QString& path);
    /// The value that stores text: in quotes when it begins or ends with a blank (loading trims
    /// values) or begins with a quote; as it is otherwise, so older files write back unchanged.
    static QString Quote(const QString& text);
    /// The text a stored value holds; an unquoted value is taken as it is.
    static QString Unquote(const QString& value);
    /// A name no other instance makes: the time of making and a random part, in base 36.
    static QString NewId();

    /// True when section is of this kind (its prefix, in any case).
    bool Holds(const QString& section) const;
    /// The section that holds path; nothing when none does.
    std::optional<QString> Find(const QString& path) const;
    /// The first name free for path: its base name, else the base with "~2", "~3" ...
    QString FreeName(const QString& path) const;
    /// The path stored in section, unquoted; empty when none.
    QString PathIn(const QString& section) const;

    /// A section of this kind and the path it holds.
    struct Entry {
        QString section;
        QString path;
    };
    /// Every section of this kind that holds a path, in store order.
    QList<Entry> Entries() const;
    /// The paths of every section of this kind, for a purge to ask about.
    QStringList Paths() const;
    /// The sections whose path the purge's answers call gone: one of the answers in gone. A path
    /// not answered, or answered otherwise, proves nothing.
    QStringList SectionsGone(const QHash<QString, TFileProbe::Entry>& answers,
                             std::initializer_list<TFileProbe::Entry> gone) const;

private:
    void IndexIfStale() const;

    const TSectionedStore& FStore;
    QString FPrefix;
    QString FPathKey;
    // Path -> the section holding it, rebuilt when the store changed: a name freed by a purge
    // leaves a gap in the "~n" numbers, which a walk from the base would stop at.
    mutable QHash<QString, QString> FSectionOf;
    mutable quint64 FIndexed = ~quint64(0);
};
