#pragma once

#include <QByteArray>
#include <QString>

/// The argument mpv opens for the local file `path`, made absolute from the current folder: the
/// timeline of a metafile's local entries, the program's own address for a MIDI file (played
/// through the synthesiser), else the path itself in the file system's encoding. A leading "/"
/// can never read as a protocol ("http:", "av://"), an option ("-x") or standard input ("-").
/// ".." stays as written: only the file system knows what it means behind a symbolic link.
/// Never fails; an empty path names the working folder.
QByteArray MpvOpenArgument(const QString& path);

/// True when `file` (the path in the file system's encoding, not the argument above) is, after
/// following links, a regular file: a FIFO, a device, a socket or a folder could block or never
/// end when opened.
bool IsRegularFile(const QByteArray& file);
