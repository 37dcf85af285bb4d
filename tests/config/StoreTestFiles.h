#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <gtest/gtest.h>

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

} // namespace StoreTestFiles
