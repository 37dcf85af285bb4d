#include "util/FileIdentity.h"

#include "util/FileNameCodec.h"

#include <QByteArrayList>
#include <QDir>

#include <cstdlib>
#include <limits.h>
#include <memory>
#include <optional>
#include <unistd.h>

namespace {

struct FreeDeleter {
    void operator()(char* p) const { std::free(p); }
};

// realpath(3) of path, or nothing when some part of it does not resolve.
std::optional<QByteArray> RealPath(const QByteArray& path) {
    const std::unique_ptr<char, FreeDeleter> resolved(::realpath(path.constData(), nullptr));
    if (!resolved)
        return std::nullopt;
    return QByteArray(resolved.get());
}

QByteArray CurrentFolder() {
    const std::unique_ptr<char, FreeDeleter> folder(::getcwd(nullptr, 0));
    return folder ? QByteArray(folder.get()) : QByteArray("/");
}

} // namespace

QString ResolvedFilePath(const QString& path) {
    if (path.isEmpty() || path.contains(QChar(u'\0')))
        return path;
    QByteArray bytes = EncodeFileName(path);
    if (!bytes.startsWith('/'))
        bytes = CurrentFolder() + '/' + bytes;
    if (auto whole = RealPath(bytes))
        return DecodeFileName(*whole);

    // Resolve the longest leading part that exists; what follows names nothing yet.
    QByteArrayList rest;
    QByteArray head = bytes;
    std::optional<QByteArray> resolved;
    while (!resolved) {
        const qsizetype slash = head.lastIndexOf('/');
        if (slash <= 0) {
            rest.prepend(head.sliced(slash + 1));
            resolved = QByteArray("/");
            break;
        }
        rest.prepend(head.sliced(slash + 1));
        head.truncate(slash);
        resolved = RealPath(head);
    }
    QByteArray out = *resolved;
    for (const QByteArray& part : rest) {
        if (part.isEmpty() || part == ".")
            continue;
        if (!out.endsWith('/'))
            out += '/';
        out += part;
    }
    return DecodeFileName(out);
}

QString TypedAbsolutePath(const QString& path) {
    const QString absolute = QDir::current().absoluteFilePath(path);
    // Where the part up to and including the last ".." component ends.
    qsizetype up = -1;
    qsizetype end = 0;
    for (const QString& part : absolute.split(u'/')) {
        end += part.size();
        if (part == QStringLiteral(".."))
            up = end;
        ++end; // the separator
    }
    if (up < 0)
        return QDir::cleanPath(absolute);
    const std::optional<QByteArray> head = RealPath(EncodeFileName(absolute.left(up)));
    if (!head)
        return QDir::cleanPath(absolute);
    return QDir::cleanPath(DecodeFileName(*head) + u'/' + absolute.mid(up));
}
