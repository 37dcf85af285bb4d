#include "playlist/PlaylistBuilder.h"

#include "util/FileNameCodec.h"

#include <QDir>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <set>
#include <utility>
#include <vector>

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

using FolderId = std::pair<dev_t, ino_t>;

struct Entry {
    QString name;
    QString orderKey;
    QByteArray bytes; // kept for folders only, to enter them by their exact name
    bool isFolder = false;
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

bool IsDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// The entry type comes from the directory itself; only links and file systems that do not report a
// type cost a stat, which for a link follows it to learn whether a folder lies behind.
bool IsFolderEntry(DIR* dir, const dirent* entry) {
    if (entry->d_type == DT_DIR)
        return true;
    if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN)
        return false;
    struct stat info {};
    if (fstatat(dirfd(dir), entry->d_name, &info, 0) != 0)
        return false;
    return S_ISDIR(info.st_mode);
}

class FolderScan {
  public:
    FolderScan(const MediaTest& isMedia, QStringList& files) : isMedia_(isMedia), files_(files) {}

    // The byte path goes to the system and the text path into the list, so a folder whose name is not
    // valid text is still entered by its exact bytes.
    void Scan(const QByteArray& folderBytes, const QString& folder) {
        const std::vector<Entry> entries = ReadEntries(folderBytes);
        for (const Entry& entry : entries) {
            if (entry.isFolder) {
                Scan(folderBytes + entry.bytes + '/', folder + entry.name + u'/');
                continue;
            }
            if (isMedia_(entry.name))
                files_.append(folder + entry.name);
        }
    }

  private:
    // Reads and closes the folder before any recursion, so a deep tree holds one open handle at a time.
    std::vector<Entry> ReadEntries(const QByteArray& folderBytes) {
        std::vector<Entry> entries;
        const DirHandle dir(opendir(folderBytes.constData()));
        if (!dir)
            return entries;
        // A link back to a parent, or two links to one folder, would otherwise be searched again and again.
        struct stat info {};
        if (fstat(dirfd(dir.get()), &info) != 0 || !visited_.insert({info.st_dev, info.st_ino}).second)
            return entries;
        while (const dirent* entry = readdir(dir.get())) {
            if (IsDotOrDotDot(entry->d_name))
                continue;
            Entry e;
            e.name = DecodeFileName(entry->d_name);
            e.orderKey = OrderKey(e.name);
            e.isFolder = IsFolderEntry(dir.get(), entry);
            if (e.isFolder)
                e.bytes = QByteArray(entry->d_name);
            entries.push_back(std::move(e));
        }
        std::sort(entries.begin(), entries.end(), ComesBefore);
        return entries;
    }

    const MediaTest& isMedia_;
    QStringList& files_;
    std::set<FolderId> visited_;
};

bool StatPath(const QString& path, struct stat& info) {
    return stat(EncodeFileName(path).constData(), &info) == 0;
}

} // namespace

QString AbsoluteFilePath(const QString& path) {
    return QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

void AddFile(const QString& path, QStringList& files) {
    files.append(AbsoluteFilePath(path));
}

void AddFolder(const QString& path, const MediaTest& isMedia, QStringList& files) {
    ScanFolder(path.endsWith(u'/') ? path : path + u'/', isMedia, files);
}

void ScanFolder(const QString& folder, const MediaTest& isMedia, QStringList& files) {
    FolderScan(isMedia, files).Scan(EncodeFileName(folder), folder);
}

void AddArgument(const QString& argument, const MediaTest& isMedia, QStringList& files) {
    if (argument.isEmpty())
        return;
    struct stat info {};
    if (!StatPath(argument, info))
        return;
    if (S_ISDIR(info.st_mode)) {
        AddFolder(argument, isMedia, files);
        return;
    }
    AddFile(argument, files);
}
