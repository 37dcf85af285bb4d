#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <sys/types.h>

/// The store files on disk: reading that never blocks or exhausts memory, replacing that never
/// leaves a short file, and what a file looked like when it was last read or written. Internal
/// to src/config; failures are StoreError.
namespace StoreFile {

/// The largest store file that is read. A "Play.ind" of 20,000 remembered files is about 1.5 MB,
/// so this leaves room for forty times that, while a file linked to a device or grown by accident
/// cannot take the memory of the machine (loading needs a few times the file's size).
inline constexpr qint64 kMaxFileSize = qint64(64) << 20;

/// Enough of stat(2) to tell that a file was replaced or rewritten since it was last seen.
struct Stamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    qint64 modified = 0; // nanoseconds
    qint64 changed = 0;  // nanoseconds
    friend bool operator==(const Stamp&, const Stamp&) = default;
};

/// The stamp of fileName now (exists false when there is nothing there).
Stamp StampOf(const QString& fileName);

/// The whole file; nullopt when it does not exist. A folder, a FIFO, a device or socket, a file
/// larger than kMaxFileSize, or one that cannot be opened or read is StoreError "cannot read".
/// Never blocks on a FIFO: the kind is checked before opening, and opening does not wait.
std::optional<QByteArray> Read(const QString& fileName);

/// Replaces fileName with bytes: a new file beside it, every write checked, synced, then renamed
/// over the old one. On any failure the new file is removed, the old one stays byte for byte
/// and StoreError "cannot write" is raised. A link is followed: its target is replaced.
void Replace(const QString& fileName, const QByteArray& bytes);

/// True when the folder that holds fileName (a link's target's) is there and may be written; false
/// when it is gone, not a folder, read-only or closed to this process. A full disk is writable.
bool FolderWritable(const QString& fileName);

/// Removes the temporary files that processes killed during a save of fileName left beside it.
/// A file whose writer still runs is kept. Returns how many were removed; never fails.
int RemoveLeftovers(const QString& fileName);

/// Holds an advisory lock on a folder while a store is read and written back, so that two
/// instances saving at once take turns. Best effort: without the lock after a short wait.
class TFolderLock {
public:
    explicit TFolderLock(const QString& fileName);
    ~TFolderLock();
    TFolderLock(const TFolderLock&) = delete;
    TFolderLock& operator=(const TFolderLock&) = delete;

private:
    int FFd = -1;
};

} // namespace StoreFile
