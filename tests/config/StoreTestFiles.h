#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QString>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

/// Helpers shared by the store tests: files, locales and a write limit.
namespace StoreTestFiles {

/// A regional setting whose decimal separator is a comma, and one whose is a point.
inline const QLocale kComma(QLocale::Italian, QLocale::Italy);
inline const QLocale kPoint(QLocale::English, QLocale::UnitedStates);

/// Lowers the largest file this process may write, which holds for root too, so that a write
/// fails part of the way as on a full disk.
class WriteLimit {
public:
    explicit WriteLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &FSaved);
        FHandler = std::signal(SIGXFSZ, SIG_IGN); // the failing write returns an error instead
        rlimit lowered = FSaved;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~WriteLimit() {
        setrlimit(RLIMIT_FSIZE, &FSaved);
        std::signal(SIGXFSZ, FHandler);
    }
    WriteLimit(const WriteLimit&) = delete;
    WriteLimit& operator=(const WriteLimit&) = delete;

private:
    rlimit FSaved{};
    void (*FHandler)(int) = nullptr;
};

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

} // namespace StoreTestFiles
