#include "engine/MpvLocalPath.h"

#include <QDir>
#include <QFile>

QByteArray LocalFileArgument(const QString& path) {
    if (path.startsWith(QLatin1Char('/')))
        return QFile::encodeName(path);
    // Joined by hand: QDir takes a leading ":" for a resource path and would leave it relative.
    return QFile::encodeName(QDir::currentPath() + QLatin1Char('/') + path);
}
