#pragma once

#include <QByteArray>
#include <QString>

/// `path` made absolute from the current folder, so that no Qt resource (":x") is ever read.
QString AbsoluteLocalPath(const QString& path);

/// The argument mpv opens for the local file `path`, made absolute from the current folder: the
/// program's own address for a MIDI file (played through the synthesiser), else the path itself in
/// the file system's encoding. A leading "/" can never read as a protocol ("http:", "av://"), an
/// option ("-x") or standard input ("-"). ".." stays as written: only the file system knows what
/// it means behind a symbolic link. A metafile is never handed to mpv: its entries are, one by one.
/// Never fails; an empty path names the working folder.
QByteArray MpvOpenArgument(const QString& path);
