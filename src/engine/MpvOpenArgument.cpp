#include "engine/MpvOpenArgument.h"

#include "engine/MpvMidiProtocol.h"
#include "formats/MediaFileKind.h"
#include "util/FileNameCodec.h"

#include <QDir>

QString AbsoluteLocalPath(const QString& path) {
    // Joined by hand: QDir takes a leading ":" for a resource path and would leave it relative.
    return path.startsWith(QLatin1Char('/')) ? path : QDir::currentPath() + QLatin1Char('/') + path;
}

QByteArray MpvOpenArgument(const QString& path) {
    const QString absolute = AbsoluteLocalPath(path);
    const QByteArray file = EncodeFileName(absolute);
    return IsMidiFileName(absolute) ? MidiStreamUrl(file) : file;
}
