#pragma once

#include <QByteArray>
#include <QString>

/// The argument that makes mpv open `path` as a local file and nothing else: an absolute path in
/// the file system's encoding. A leading "/" can never read as a protocol ("http:", "av://"),
/// an option ("-x") or standard input ("-"). Never fails; an empty path names the working folder.
QByteArray LocalFileArgument(const QString& path);
