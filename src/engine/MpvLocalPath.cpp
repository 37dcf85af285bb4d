#include "engine/MpvLocalPath.h"

#include "util/FileNameCodec.h"

#include <QDir>

#include <sys/stat.h>

QByteArray LocalFileArgument(const QString& path) {
    if (path.startsWith(QLatin1Char('/')))
        return EncodeFileName(path);
    // Joined by hand: QDir takes a leading ":" for a resource path and would leave it relative.
    return EncodeFileName(QDir::currentPath() + QLatin1Char('/') + path);
}

bool IsRegularFile(const QByteArray& file) {
    struct stat st {};
    return ::stat(file.constData(), &st) == 0 && S_ISREG(st.st_mode);
}
