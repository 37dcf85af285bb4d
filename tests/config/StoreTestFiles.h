#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <gtest/gtest.h>

#include <ctime>

/// Helpers shared by the store tests: files and a CPU timer.
namespace StoreTestFiles {

inline void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

inline QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

/// The names in folder, for checking that no temporary file was left behind.
inline QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

/// Makes path a folder that cannot be replaced by a file: rename(2) refuses a non-empty one.
inline void MakeBlockingFolder(const QString& path) {
    ASSERT_TRUE(QDir().mkpath(path + QStringLiteral("/inside")));
}

/// A time limit in milliseconds, for the optimised build the figures are about; a debug or
/// sanitizer build gets ten times as long, still enough to catch quadratic work.
inline qint64 TimeLimit(qint64 ms) {
#if defined(NDEBUG) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    return ms;
#else
    return ms * 10;
#endif
}

/// Milliseconds of CPU time spent by this thread. The time limits of the tests are about the
/// store's own work, which the load of other processes on a busy machine must not decide.
class ThreadCpuTimer {
public:
    ThreadCpuTimer() { restart(); }
    qint64 elapsed() const { return Now() - FStart; }
    /// The milliseconds since the start, and starts again.
    qint64 restart() {
        const qint64 now = Now();
        const qint64 lap = now - FStart;
        FStart = now;
        return lap;
    }

private:
    static qint64 Now() {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return static_cast<qint64>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
    }
    qint64 FStart = 0;
};

} // namespace StoreTestFiles
