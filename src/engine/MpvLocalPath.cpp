#include "engine/MpvLocalPath.h"

#include "engine/MidiStream.h"
#include "util/FileNameCodec.h"

#include <QDir>

QByteArray LocalFileArgument(const QString& path) {
    // Joined by hand: QDir takes a leading ":" for a resource path and would leave it relative.
    const QByteArray file = path.startsWith(QLatin1Char('/'))
                                ? EncodeFileName(path)
                                : EncodeFileName(QDir::currentPath() + QLatin1Char('/') + path);
    return IsMidiFileName(path) ? MidiStreamUrl(file) : file;
}
