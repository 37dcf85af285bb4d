#include "util/PathList.h"

#include "util/FileNameCodec.h"

qsizetype TPathList::indexOf(const QString& path, qsizetype from) const {
    // The encoding is one-to-one, so comparing the bytes spares decoding every path.
    return FPaths.indexOf(Encode(path), from);
}

QByteArray TPathList::Encode(const QString& path) {
    // The encoder keeps room for three bytes a character; the copy holds just the bytes.
    const QByteArray bytes = EncodeFileName(path);
    return QByteArray(bytes.constData(), bytes.size());
}

QString TPathList::Decode(const QByteArray& bytes) {
    return DecodeFileName(bytes);
}

void TPathList::append(const QStringList& paths) {
    for (const QString& path : paths)
        FPaths.append(Encode(path));
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
        paths.append(Decode(path));
    return paths;
}
