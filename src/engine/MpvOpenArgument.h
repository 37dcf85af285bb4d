#pragma once

#include <QByteArray>
#include <QString>

/// The argument that makes mpv open `path` as a local file and nothing else: an absolute path in
/// the file system's encoding. A leading "/" can never read as a protocol ("http:", "av://"),
/// an option ("-x") or standard input ("-"). ".." stays as written: only the file system knows
/// what it means behind a symbolic link. Never fails; an empty path names the working folder.
QByteArray MpvOpenArgument(const QString& path);

/// True when `file` (as MpvOpenArgument gives it) is, after following links, a regular file:
/// a FIFO, a device, a socket or a folder could block or never end when opened.
bool IsRegularFile(const QByteArray& file);
