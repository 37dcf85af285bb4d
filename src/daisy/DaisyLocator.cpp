#include "daisy/DaisyLocator.h"

#include "daisy/DaisyFolder.h"
#include "daisy/DaisyNavigation.h"
#include "daisy/DaisyXml.h"

#include <QDir>
#include <QFileInfo>

namespace {

// A package of a book is a few kilobytes; anything far larger is not one.
constexpr qint64 kMaxPackageBytes = 4 << 20;

bool IsNccName(const QString& name) {
    return name.compare(QLatin1String("ncc.html"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("ncc.htm"), Qt::CaseInsensitive) == 0;
}

bool IsPackageName(const QString& name) {
    return name.endsWith(QLatin1String(".opf"), Qt::CaseInsensitive);
}

bool IsDaisy3Package(const QString& path) {
    const std::optional<QByteArray> bytes = ReadRegularFile(path, kMaxPackageBytes);
    if (!bytes)
        return false;
    const TXmlDoc doc = ParseXmlDocument(*bytes);
    const TPackage package = ReadPackage(doc.get());
    if (!IsDaisy3Format(package.FFormat) || package.FNcx.isEmpty())
        return false;
    const QString folder = QFileInfo(path).absolutePath();
    return TDaisyFolder(folder).Resolve(folder, package.FNcx).FVerdict == TDaisyFolder::TVerdict::Found;
}

std::optional<TDaisyLocation> OfFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile())
        return std::nullopt;
    const QString absolute = QDir::cleanPath(info.absoluteFilePath());
    if (IsNccName(info.fileName()))
        return TDaisyLocation{TDaisyFormat::Daisy202, absolute};
    if (IsPackageName(info.fileName()) && IsDaisy3Package(absolute))
        return TDaisyLocation{TDaisyFormat::Daisy3, absolute};
    return std::nullopt;
}

} // namespace

bool IsDaisyRootName(const QString& name) {
    return IsNccName(name) || IsPackageName(name);
}

QString DaisySortPath(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0 || !IsDaisyRootName(path.mid(slash + 1)))
        return path;
    return path.left(slash);
}

std::optional<TDaisyLocation> LocateDaisyBookIn(const QString& folder, const QStringList& fileNames) {
    const QString base = QDir::cleanPath(QFileInfo(folder).absoluteFilePath()) + QLatin1Char('/');
    QStringList packages;
    for (const QString& name : fileNames) {
        if (IsNccName(name))
            if (std::optional<TDaisyLocation> book = OfFile(base + name))
                return book;
        if (IsPackageName(name))
            packages.append(name);
    }
    packages.sort(Qt::CaseInsensitive); // the same package every time when a folder has several
    for (const QString& name : packages)
        if (std::optional<TDaisyLocation> book = OfFile(base + name))
            return book;
    return std::nullopt;
}

std::optional<TDaisyLocation> LocateDaisyBook(const QString& path) {
    const QFileInfo info(path);
    if (!info.isDir())
        return OfFile(path);
    return LocateDaisyBookIn(path, QDir(path).entryList(QDir::Files | QDir::Hidden));
}
