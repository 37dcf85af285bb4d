#include "playlist/PlaylistBuilder.h"

#include "daisy/DaisyLocator.h"
#include "util/FileIdentity.h"
#include "util/FileNameCodec.h"

#include <QDir>

#include <cstdlib>
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

using FolderId = std::pair<dev_t, ino_t>;

enum class EntryKind { Folder, File, Other };

struct Entry {
    QString name;
    QString orderKey;
    QByteArray bytes; // kept for folders only, to enter them by their exact name
    EntryKind kind = EntryKind::Other;
};

// Each UTF-16 unit upper-cased on its own and compared by value, the way case-insensitive file systems
// index names. Linux hands out a folder's entries in hash order, which would scramble numbered tracks;
// this order does not depend on the user's locale either.
QString OrderKey(const QString& name) {
    QString key(name.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < name.size(); ++i)
        key[i] = QChar(QChar::toUpper(name[i].unicode()));
    return key;
}

bool ComesBefore(const Entry& a, const Entry& b) {
    if (a.orderKey != b.orderKey)
        return a.orderKey < b.orderKey;
    return a.name < b.name;
}

// Built at its exact length: a path made by appending keeps the room an append leaves for growth,
// about as much again as the path, and a large tree lists a hundred thousand of them.
QString JoinedPath(const QString& folder, const QString& name) {
    QString path(folder.size() + name.size(), Qt::Uninitialized);
    std::copy(folder.cbegin(), folder.cend(), path.begin());
    std::copy(name.cbegin(), name.cend(), path.begin() + folder.size());
    return path;
}

bool IsDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// The entry type comes from the directory itself; only links and file systems that do not report a
// type cost a stat, which for a link follows it to learn what lies behind. Only folders and regular
// files count: a FIFO or a device named like a track would block the list, or never end.
EntryKind KindOf(DIR* dir, const dirent* entry) {
    switch (entry->d_type) {
    case DT_DIR:
        return EntryKind::Folder;
    case DT_REG:
        return EntryKind::File;
    case DT_LNK:
    case DT_UNKNOWN:
        break;
    default:
        return EntryKind::Other;
    }
    struct stat info {};
    if (fstatat(dirfd(dir), entry->d_name, &info, 0) != 0)
        return EntryKind::Other;
    if (S_ISDIR(info.st_mode))
        return EntryKind::Folder;
    return S_ISREG(info.st_mode) ? EntryKind::File : EntryKind::Other;
}

template <typename List> class FolderScan {
public:
    FolderScan(const MediaTest& isMedia, List& files, const SearchHooks& hooks)
        : FIsMedia(isMedia), FFiles(files), FHooks(hooks) {}

    // The byte path goes to the system and the text path into the list, so a folder whose name is not
    // valid text is still entered by its exact bytes.
    void Scan(const QByteArray& folderBytes, const QString& folder) {
        if (FHooks.stop && FHooks.stop->load(std::memory_order_relaxed))
            return;
        const std::vector<Entry> entries = ReadEntries(folderBytes);
        // A talking book is one entry in place of its audio files, whatever their names.
        if (const std::optional<QString> book = BookIn(folder, entries)) {
            Append(*book);
            return;
        }
        for (const Entry& entry : entries) {
            if (entry.kind == EntryKind::Folder) {
                Scan(folderBytes + entry.bytes + '/', folder + entry.name + u'/');
                continue;
            }
            if (entry.kind == EntryKind::File && FIsMedia(entry.name))
                Append(JoinedPath(folder, entry.name));
        }
    }

private:
    // Only a folder holding a root file's name is asked, so a tree of plain media costs a name test.
    static std::optional<QString> BookIn(const QString& folder, const std::vector<Entry>& entries) {
        QStringList roots;
        for (const Entry& entry : entries)
            if (entry.kind == EntryKind::File && IsDaisyRootName(entry.name))
                roots.append(entry.name);
        if (roots.isEmpty())
            return std::nullopt;
        const std::optional<TDaisyLocation> book = LocateDaisyBookIn(folder, roots);
        if (!book)
            return std::nullopt;
        return JoinedPath(folder, book->FRootFile.mid(book->FRootFile.lastIndexOf(u'/') + 1));
    }

    // Reads and closes the folder before any recursion, so a deep tree holds one open handle at a time.
    std::vector<Entry> ReadEntries(const QByteArray& folderBytes) {
        std::vector<Entry> entries;
        const DirHandle dir(opendir(folderBytes.constData()));
        if (!dir)
            return entries;
        // A link back to a parent, or two links to one folder, would otherwise be searched again and again.
        struct stat info {};
        if (fstat(dirfd(dir.get()), &info) != 0 || !FVisited.insert({info.st_dev, info.st_ino}).second)
            return entries;
        while (const dirent* entry = readdir(dir.get())) {
            if (IsDotOrDotDot(entry->d_name))
                continue;
            Entry e;
            e.name = DecodeFileName(entry->d_name);
            e.orderKey = OrderKey(e.name);
            e.kind = KindOf(dir.get(), entry);
            if (e.kind == EntryKind::Other)
                continue;
            if (e.kind == EntryKind::Folder)
                e.bytes = QByteArray(entry->d_name);
            entries.push_back(std::move(e));
        }
        std::sort(entries.begin(), entries.end(), ComesBefore);
        return entries;
    }

    void Append(const QString& path) {
        FFiles.append(path);
        if (FHooks.found)
            FHooks.found(path);
    }

    const MediaTest& FIsMedia;
    List& FFiles;
    const SearchHooks& FHooks;
    std::set<FolderId> FVisited;
};

bool StatPath(const QString& path, struct stat& info) {
    return stat(EncodeFileName(path).constData(), &info) == 0;
}

} // namespace

QString AbsoluteFilePath(const QString& path) {
    // The session record spells paths by the same rule, so that a rebuilt list finds its places.
    return TypedAbsolutePath(path);
}

namespace {

// Written once for both kinds of list: the plain one of the callers that sort or show it at once, and
// the compact one of the track list itself.
template <typename List> void AddFileTo(const QString& path, List& files, const SearchHooks& hooks) {
    const QString absolute = AbsoluteFilePath(path);
    files.append(absolute);
    if (hooks.found)
        hooks.found(absolute);
}

template <typename List>
void ScanFolderInto(const QString& folder, const MediaTest& isMedia, List& files, const SearchHooks& hooks) {
    FolderScan<List>(isMedia, files, hooks).Scan(EncodeFileName(folder), folder);
}

template <typename List>
void AddFolderTo(const QString& path, const MediaTest& isMedia, List& files, const SearchHooks& hooks) {
    ScanFolderInto(path.endsWith(u'/') ? path : path + u'/', isMedia, files, hooks);
}

template <typename List>
void AddArgumentTo(const QString& argument, const MediaTest& isMedia, List& files, const SearchHooks& hooks) {
    if (argument.isEmpty())
        return;
    struct stat info {};
    if (!StatPath(argument, info))
        return;
    if (S_ISDIR(info.st_mode)) {
        AddFolderTo(argument, isMedia, files, hooks);
        return;
    }
    // Told apart by stat alone: opening a FIFO to find out would wait for a writer.
    if (S_ISREG(info.st_mode))
        AddFileTo(argument, files, hooks);
}

} // namespace

void AddFile(const QString& path, QStringList& files) {
    AddFileTo(path, files, {});
}

void AddFolder(const QString& path, const MediaTest& isMedia, QStringList& files, const SearchHooks& hooks) {
    AddFolderTo(path, isMedia, files, hooks);
}

void ScanFolder(const QString& folder, const MediaTest& isMedia, QStringList& files,
                const SearchHooks& hooks) {
    ScanFolderInto(folder, isMedia, files, hooks);
}

void AddArgument(const QString& argument, const MediaTest& isMedia, QStringList& files,
                 const SearchHooks& hooks) {
    AddArgumentTo(argument, isMedia, files, hooks);
}

void AddArgument(const QString& argument, const MediaTest& isMedia, TPathList& files,
                 const SearchHooks& hooks) {
    AddArgumentTo(argument, isMedia, files, hooks);
}
