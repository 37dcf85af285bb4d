#pragma once

#include <QHash>
#include <QString>

/// The book's folder, the only place its files may come from. A link is taken as a relative URI
/// (percent escapes decoded, "\" written on Windows read as "/"), and must name a regular local
/// file inside the folder: no scheme, no absolute path, no ".." or symbolic link leading out, no
/// FIFO, device or folder. A name that differs from the file's only in letter case still finds
/// it, since most books are made on systems that ignore case.
class TDaisyFolder {
public:
    enum class TVerdict { Found, Missing, Unsafe };

    struct TResolved {
        TVerdict FVerdict = TVerdict::Missing;
        QString FPath; // absolute, when found
    };

    /// An empty root refuses every link.
    explicit TDaisyFolder(const QString& root);

    const QString& Root() const { return FRoot; }
    /// The file a link names from the folder `base` (absolute, inside the root); see the class comment.
    TResolved Resolve(const QString& base, const QString& link) const;

private:
    QString CaseInsensitive(const QString& path) const;

    QString FRoot;                                             // absolute and clean
    QString FCanonicalRoot;                                    // with links resolved
    mutable QHash<QString, QHash<QString, QString>> FListings; // folder -> lower-case name -> name
};

/// The link without its fragment ("a.smil#p1" -> "a.smil") and the fragment alone.
QString LinkFile(const QString& link);
QString LinkFragment(const QString& link);
