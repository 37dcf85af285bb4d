#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Linux file names are bytes, not text. Qt's own file-name decoding turns bytes that are not
// UTF-8 into U+FFFD, so a path read from a folder could never be opened again. These two keep
// every such byte as a lone surrogate U+DC80..U+DCFF and give it back unchanged when encoding;
// valid UTF-8 decodes exactly as QFile::decodeName does.

/// The text of a file-name byte string; never fails (undecodable bytes become escapes).
QString DecodeFileName(QByteArrayView bytes);
/// The bytes of a path made by DecodeFileName (or any ordinary text); never fails.
QByteArray EncodeFileName(const QString& path);
