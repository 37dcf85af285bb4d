#include "daisy/DaisyFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#include <sys/stat.h>

namespace {

bool Inside(const QString& path, const QString& root) {
    return !root.isEmpty() && path.size() > root.size() && path.startsWith(root) &&
           (root.endsWith(QLatin1Char('/')) || path[root.size()] == QLatin1Char('/'));
}

bool IsRegularFile(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

bool Exists(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

} // namespace

QString LinkFile(const QString& link) {
    const qsizetype hash = link.indexOf(QLatin1Char('#'));
    return hash < 0 ? link : link.left(hash);
}

QString LinkFragment(const QString& link) {
    const qsizetype hash = link.indexOf(QLatin1Char('#'));
    return hash < 0 ? QString() : link.mid(hash + 1);
}

TDaisyFolder::TDaisyFolder(const QString& root) {
    if (root.isEmpty())
        return;
    FRoot = QDir::cleanPath(QFileInfo(root).absoluteFilePath());
    FCanonicalRoot = QFileInfo(FRoot).canonicalFilePath();
}

TDaisyFolder::TResolved TDaisyFolder::Resolve(const QString& base, const QString& link) const {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    QString relative = QUrl::fromPercentEncoding(LinkFile(link).trimmed().toUtf8());
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (FCanonicalRoot.isEmpty() || relative.isEmpty() || relative.contains(QChar(0)) ||
        relative.startsWith(QLatin1Char('/')) || scheme.match(relative).hasMatch())
        return {TVerdict::Unsafe, {}};
    const QString path = QDir::cleanPath(base + QLatin1Char('/') + relative);
    if (!Inside(path, FRoot))
        return {TVerdict::Unsafe, {}};
    const QString found = Exists(path) ? path : CaseInsensitive(path);
    if (found.isEmpty())
        return {TVerdict::Missing, {}};
    // A link inside the folder may still lead out of it.
    const QString canonical = QFileInfo(found).canonicalFilePath();
    if (canonical.isEmpty())
        return {TVerdict::Missing, {}};
    if (!Inside(canonical, FCanonicalRoot) || !IsRegularFile(canonical))
        return {TVerdict::Unsafe, {}};
    return {TVerdict::Found, found};
}

QString TDaisyFolder::CaseInsensitive(const QString& path) const {
    // Walks down from the root, matching each part by its lower-case name.
    QString current = FRoot;
    const QStringList parts = path.mid(FRoot.size() + 1).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        auto listing = FListings.find(current);
        if (listing == FListings.end()) {
            QHash<QString, QString> names;
            const QStringList entries = QDir(current).entryList(QDir::AllEntries | QDir::Hidden |
                                                                QDir::System | QDir::NoDotAndDotDot);
            for (const QString& entry : entries)
                names.insert(entry.toLower(), entry);
            listing = FListings.insert(current, names);
        }
        const auto name = listing->constFind(part.toLower());
        if (name == listing->constEnd())
            return {};
        current += QLatin1Char('/') + *name;
    }
    return current;
}
