#pragma once

#include <QByteArray>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

/// Creates an empty file at root/relative, and the folders below root on its way, all named by the
/// system's bytes: Qt's own calls would mangle names that are not UTF-8.
inline void TouchFile(const QByteArray& root, const QByteArray& relative) {
    const QByteArray path = root + '/' + relative;
    for (qsizetype slash = path.indexOf('/', root.size() + 1); slash >= 0;
         slash = path.indexOf('/', slash + 1))
        mkdir(path.left(slash).constData(), 0755);
    const int fd = ::open(path.constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0) << path.constData();
    ::close(fd);
}
