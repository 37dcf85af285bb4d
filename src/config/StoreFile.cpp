#include "config/StoreFile.h"

#include "config/StoreError.h"
#include "util/FileNameCodec.h"

#include <QAtomicInteger>
#include <QByteArrayList>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace StoreFile {
namespace {

// Closes a descriptor on every way out.
class Fd {
public:
    explicit Fd(int fd) : FFd(fd) {}
    ~Fd() {
        if (FFd >= 0)
            ::close(FFd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return FFd; }
    /// Closes now, reporting the result (a deferred write error can surface here).
    int close() {
        const int result = ::close(FFd);
        FFd = -1;
        return result;
    }

private:
    int FFd;
};

[[noreturn]] void Fail(const QString& fileName, const char* what, const QString& problem) {
    throw StoreError(
        QStringLiteral("%1: %2: %3").arg(fileName, QString::fromLatin1(what), problem).toStdString());
}

QString ErrnoText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

qint64 Nanoseconds(const timespec& t) {
    return static_cast<qint64>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

const char* const CannotRead = "cannot read the settings file";
const char* const CannotWrite = "cannot write the settings file";

// The file a save replaces: a link's target, so that a link to a file elsewhere stays a link.
QByteArray TargetOf(const QByteArray& path) {
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    char* resolved = ::realpath(path.constData(), nullptr);
    if (resolved == nullptr)
        return path;
    QByteArray target(resolved);
    std::free(resolved);
    return target;
}

QByteArray FolderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArray(".");
    return slash == 0 ? QByteArray("/") : path.first(slash);
}

// The process id inside a temporary's name "<file>.<pid>.<n>.tmp", or 0 when name is not one.
pid_t WriterOf(const QByteArray& name, const QByteArray& base) {
    if (!name.startsWith(base + '.') || !name.endsWith(".tmp"))
        return 0;
    const QList<QByteArray> parts = name.sliced(base.size() + 1, name.size() - base.size() - 5).split('.');
    if (parts.size() != 2)
        return 0;
    bool pidOk = false;
    bool counterOk = false;
    const qint64 pid = parts[0].toLongLong(&pidOk);
    parts[1].toULongLong(&counterOk);
    return pidOk && counterOk && pid > 0 && pid <= std::numeric_limits<pid_t>::max() ? static_cast<pid_t>(pid)
                                                                                     : 0;
}

} // namespace

Stamp StampOf(const QString& fileName) {
    struct stat info {};
    Stamp stamp;
    if (::stat(EncodeFileName(fileName).constData(), &info) != 0)
        return stamp;
    stamp.exists = true;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    stamp.modified = Nanoseconds(info.st_mtim);
    stamp.changed = Nanoseconds(info.st_ctim);
    return stamp;
}

std::optional<QByteArray> Read(const QString& fileName) {
    const QByteArray path = EncodeFileName(fileName);
    struct stat info {};
    if (::stat(path.constData(), &info) != 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return std::nullopt;
        Fail(fileName, CannotRead, ErrnoText(error));
    }
    if (S_ISDIR(info.st_mode))
        Fail(fileName, CannotRead, QStringLiteral("it is a folder"));
    if (!S_ISREG(info.st_mode))
        Fail(fileName, CannotRead, QStringLiteral("it is not a regular file"));
    if (info.st_size > kMaxFileSize)
        Fail(fileName, CannotRead, QStringLiteral("it is larger than %1 MiB").arg(kMaxFileSize >> 20));

    // O_NONBLOCK: should a FIFO have taken the file's place since the check, opening does not wait.
    Fd fd(::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0)
        Fail(fileName, CannotRead, ErrnoText(errno));
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        Fail(fileName, CannotRead, QStringLiteral("it is not a regular file"));

    // Read to the end rather than to the size seen, yet never past the limit.
    QByteArray bytes(static_cast<qsizetype>(info.st_size) + 1, Qt::Uninitialized);
    qsizetype used = 0;
    for (;;) {
        if (used == bytes.size()) {
            if (bytes.size() > kMaxFileSize)
                Fail(fileName, CannotRead,
                     QStringLiteral("it is larger than %1 MiB").arg(kMaxFileSize >> 20));
            bytes.resize(std::min<qsizetype>(bytes.size() * 2, kMaxFileSize + 1));
        }
        const ssize_t n = ::read(fd.get(), bytes.data() + used, static_cast<size_t>(bytes.size() - used));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Fail(fileName, CannotRead, ErrnoText(errno));
        }
        if (n == 0)
            break;
        used += n;
    }
    bytes.truncate(used);
    return bytes;
}

void Replace(const QString& fileName, const QByteArray& bytes) {
    const QByteArray target = TargetOf(EncodeFileName(fileName));
    struct stat old {};
    const bool hadFile = ::stat(target.constData(), &old) == 0 && S_ISREG(old.st_mode);

    static QAtomicInteger<int> counter;
    QByteArray temporary;
    int raw = -1;
    for (int attempt = 0; attempt < 100 && raw < 0; ++attempt) {
        temporary = target + '.' + QByteArray::number(::getpid()) + '.' +
                    QByteArray::number(counter.fetchAndAddRelaxed(1)) + ".tmp";
        raw = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (raw < 0 && errno != EEXIST)
            break;
    }
    if (raw < 0)
        Fail(fileName, CannotWrite, ErrnoText(errno));
    Fd fd(raw);

    // Every step is checked before the rename: a short write (a full disk, a size limit), a
    // failed sync or close removes the new file and leaves the old one as it was.
    auto abandon = [&](int error) {
        ::unlink(temporary.constData());
        Fail(fileName, CannotWrite, ErrnoText(error));
    };
    if (hadFile)
        ::fchmod(fd.get(), old.st_mode & 07777); // keeps the permissions the user gave the file
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd.get(), data, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            abandon(errno);
        }
        if (n == 0)
            abandon(ENOSPC);
        data += n;
        left -= n;
    }
    if (::fdatasync(fd.get()) != 0)
        abandon(errno);
    if (fd.close() != 0)
        abandon(errno);
    if (::rename(temporary.constData(), target.constData()) != 0)
        abandon(errno);
    // The rename itself reaches the disk with the folder.
    Fd folder(::open(FolderOf(target).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0)
        ::fsync(folder.get());
}

bool FolderWritable(const QString& fileName) {
    const QByteArray folder = FolderOf(TargetOf(EncodeFileName(fileName)));
    struct stat info {};
    if (::stat(folder.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return false;
    // access(2) answers EROFS for a read-only mount, for root as well.
    if (::access(folder.constData(), W_OK | X_OK) != 0)
        return false;
    struct statvfs volume {};
    return ::statvfs(folder.constData(), &volume) != 0 || (volume.f_flag & ST_RDONLY) == 0;
}

int RemoveLeftovers(const QString& fileName) {
    const QByteArray target = TargetOf(EncodeFileName(fileName));
    const QByteArray folder = FolderOf(target);
    const QByteArray base = target.sliced(target.lastIndexOf('/') + 1);
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.constData()), &::closedir);
    if (!dir)
        return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const pid_t writer = WriterOf(QByteArray(entry->d_name), base);
        // A writer that still runs may be in the middle of its save; only the dead leave garbage.
        if (writer == 0 || writer == ::getpid() || ::kill(writer, 0) == 0 || errno != ESRCH)
            continue;
        if (::unlinkat(::dirfd(dir.get()), entry->d_name, 0) == 0)
            ++removed;
    }
    return removed;
}

TFolderLock::TFolderLock(const QString& fileName) {
    FFd = ::open(FolderOf(EncodeFileName(fileName)).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (FFd < 0)
        return;
    // Another instance holds it only while it reads and writes one small file.
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (::flock(FFd, LOCK_EX | LOCK_NB) == 0)
            return;
        if (errno != EWOULDBLOCK && errno != EINTR)
            break;
        ::usleep(10000);
    }
    ::close(FFd);
    FFd = -1;
}

TFolderLock::~TFolderLock() {
    if (FFd >= 0)
        ::close(FFd); // closing releases the lock
}

} // namespace StoreFile
