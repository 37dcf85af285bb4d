#pragma once

#include <QHash>
#include <QSet>
#include <QString>

#include <functional>

/// Answers "is there a file at this path?" for one purge of the resume store, remembering the
/// folders it found missing: files of one folder are often gone together (a deleted album, a
/// drive that is not mounted), and then every path below such a folder is missing without asking
/// the file system again. That is exact, not a guess: the system resolves a path one folder at a
/// time, so nothing below a folder that does not resolve can resolve. Internal to src/config.
class TFileProbe {
public:
    /// What the file system holds at a path (symbolic links followed).
    enum class Entry { File, Folder, Missing, Unknown };
    using Lookup = std::function<Entry(const QString& path)>;

    /// lookup asks the file system; tests pass one that counts or fakes.
    explicit TFileProbe(Lookup lookup = SystemLookup);

    /// What is at path: Missing only when the system says nothing is there; Unknown when it could
    /// not tell (no permission, an I/O error) and for an empty path.
    Entry Find(const QString& path);
    /// True when a file, not a folder, is at path; false as well when that cannot be found out.
    bool FileExists(const QString& path);

    /// Reads folder's entries once, so that its files are answered without a question each (an
    /// album with many remembered tracks). Nothing changes when the folder cannot be read or
    /// holds a name that does not come back as its bytes: its files are then asked one by one.
    void ListFolder(const QString& folder);

    /// stat(2) of the path's bytes (DecodeFileName's form): Missing when nothing is there
    /// (ENOENT, ENOTDIR), Unknown for any other failure.
    static Entry SystemLookup(const QString& path);

private:
    bool UnderMissingRoot(const QString& folder) const;
    bool ProbeFolder(const QString& folder);

    Lookup FLookup;
    QHash<QString, bool> FFolders;                   // folder -> known missing (false: ask for each file)
    QSet<QString> FMissingRoots;                     // outermost missing folders found so far
    QHash<QString, QHash<QString, Entry>> FListings; // folder -> its entries (Unknown: ask)
};
