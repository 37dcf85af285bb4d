#pragma once

#include "config/FileProbe.h"
#include "config/PathSections.h"

#include <QHash>
#include <QList>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

class TSectionedStore;

/// One bookmark of a file.
struct Bookmark {
    QString key;        // its entry in the file's section, unique across instances
    double seconds = 0; // where it is
    QString name;       // empty until the user names it
    int number = 0;     // 1 for the earliest of the file's bookmarks, and so on
};

/// The bookmarks of every file, in the resume file: one section per file, named "Bookmarks:"
/// and the file's section name (with "~2" and on when two files reduce to one name), holding
/// File=<path> (quoted when it begins or ends with a blank) and one entry per bookmark, "<seconds>" or
/// "<seconds> <name>".
///
/// Every bookmark has an entry of its own, written once and never dropped with its section: the
/// store replays this run's writes over another instance's saves, so the two sets merge. A
/// removed bookmark keeps its entry, emptied, for the same reason. Sections have no Path entry,
/// so the resume store's rules and older builds leave them alone.
class TBookmarkStore {
public:
    static const QString kPrefix;
    /// A new entry's name; tests pass one that counts.
    using KeyMaker = std::function<QString()>;

    explicit TBookmarkStore(TSectionedStore& store, KeyMaker keys = UniqueKey);

    /// path's bookmarks in time order, numbered; none on failure.
    QList<Bookmark> Of(const QString& path) const;
    /// Adds one at seconds; nothing when it cannot be stored (a line break in the path).
    std::optional<Bookmark> Add(const QString& path, double seconds);
    /// Failures are ignored, as for the two below.
    void Remove(const QString& path, const QString& key);
    void Rename(const QString& path, const QString& key, const QString& name);
    /// Drops the bookmarks of the files the system says are gone (nothing there, or a folder
    /// now), asking no longer than budget in all; files not answered by then keep theirs.
    void Purge(const TFileProbe::Lookup& lookup, std::chrono::milliseconds budget);
    /// The files the purge asks about, and the drop of those the answers say are gone: the two
    /// halves of Purge, for the one purge at exit that asks about every kind at once.
    QStringList PurgePaths() const;
    void DropGone(const QHash<QString, TFileProbe::Entry>& answers);

    /// The time of creation and a random part: two instances never make the same.
    static QString UniqueKey();

private:
    static QString Value(double seconds, const QString& name);

    TSectionedStore& FStore;
    TPathSections FSections;
    KeyMaker FKeys;
};
