#include "playlist/PathList.h"

qsizetype TPathList::indexOf(const QString& path, qsizetype from) const {
    // UTF-8 is one-to-one, so comparing the bytes spares decoding every path.
    return FPaths.indexOf(path.toUtf8(), from);
}

QByteArray TPathList::ExactUtf8(const QString& path) {
    // toUtf8() keeps room for three bytes a character; the copy holds just the bytes.
    const QByteArray utf8 = path.toUtf8();
    return QByteArray(utf8.constData(), utf8.size());
}

void TPathList::append(const QStringList& paths) {
    for (const QString& path : paths)
        FPaths.append(ExactUtf8(path));
}

TPathList TPathList::mid(qsizetype first, qsizetype count) const {
    TPathList part;
    part.FPaths = FPaths.mid(first, count);
    return part;
}

TPathList TPathList::Reordered(const std::vector<int>& order) const {
    TPathList reordered;
    reordered.FPaths.reserve(qsizetype(order.size()));
    for (const int index : order)
        reordered.FPaths.append(FPaths.at(index));
    return reordered;
}

QStringList TPathList::ToStringList() const {
    QStringList paths;
    paths.reserve(size());
    for (const QByteArray& path : FPaths)
        paths.append(QString::fromUtf8(path));
    return paths;
}
