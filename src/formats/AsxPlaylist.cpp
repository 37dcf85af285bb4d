#include "formats/AsxPlaylist.h"

#include "formats/MediaFileKind.h"
#include "formats/MediaOpenRule.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>
#include <QXmlStreamReader>

#include <unistd.h>

#include <optional>

namespace {

// References to these are lists themselves, and a list inside a list is refused: metafiles, and
// the other lists a player may know.
constexpr const char* kOtherListSuffixes[] = {".wvx", ".wmx", ".m3u", ".m3u8", ".pls", ".xspf", ".cue"};

bool HasListSuffix(const QString& path) {
    if (IsAsxFileName(path))
        return true;
    for (const char* suffix : kOtherListSuffixes) {
        if (path.endsWith(QLatin1String(suffix), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

bool Named(QStringView name, const char* wanted) {
    return name.compare(QLatin1String(wanted), Qt::CaseInsensitive) == 0;
}

/// The local file a reference names, if it may be played: see the class comment.
std::optional<QString> ResolveReference(const QString& href, const QString& folder) {
    const QString text = href.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    static const QRegularExpression scheme(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*):"));
    QString path;
    if (const QRegularExpressionMatch m = scheme.match(text); m.hasMatch()) {
        // Any scheme but file:, and a drive letter, which names nothing on this machine.
        if (!Named(m.capturedView(1), "file"))
            return std::nullopt;
        const QUrl url(text, QUrl::StrictMode);
        if (!url.isValid() || !(url.host().isEmpty() || Named(url.host(), "localhost")))
            return std::nullopt;
        path = url.path(QUrl::FullyDecoded); // not toLocalFile(): it keeps a host as a share name
    } else {
        QString relative = text;
        relative.replace(QLatin1Char('\\'), QLatin1Char('/')); // written on Windows
        if (relative.startsWith(QLatin1String("//")))
            return std::nullopt; // a network share
        relative = QUrl::fromPercentEncoding(relative.toUtf8());
        path = QDir::isAbsolutePath(relative) ? relative : folder + QLatin1Char('/') + relative;
    }
    if (path.isEmpty() || HasListSuffix(path))
        return std::nullopt;
    const QFileInfo info(QDir::cleanPath(path));
    if (!info.isFile()) // also refuses devices and pipes, which would block the player
        return std::nullopt;
    return info.absoluteFilePath();
}

/// The text of a metafile: what its byte-order mark says, else UTF-8 as XML says, else (when it is
/// not UTF-8) the Western Windows code page that hand-written metafiles use.
QString DecodeMetafile(const QByteArray& bytes) {
    if (const std::optional<QStringConverter::Encoding> marked = QStringConverter::encodingForData(bytes)) {
        QStringDecoder decoder(*marked);
        return decoder.decode(bytes); // a byte-order mark says what it is
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder western("windows-1252");
    if (!western.isValid())
        return QString::fromLatin1(bytes);
    return western.decode(bytes);
}

class Reader {
public:
    Reader(const QString& text, const QString& folder) : FXml(text), FFolder(folder) {}

    std::vector<AsxEntry> Read() {
        while (!FXml.atEnd()) {
            switch (FXml.readNext()) {
            case QXmlStreamReader::DTD:
            case QXmlStreamReader::EntityReference:
                return {}; // no document types and no entities, declared or not
            case QXmlStreamReader::StartElement:
                if (!Start())
                    return {};
                break;
            case QXmlStreamReader::EndElement:
                if (!End())
                    return {};
                break;
            default:
                break;
            }
        }
        if (FXml.hasError() || !FSawRoot)
            return {};
        return std::move(FEntries);
    }

private:
    bool Start() {
        if (++FDepth > TAsxPlaylist::kMaxDepth)
            return false;
        const QStringView name = FXml.name();
        if (FDepth == 1) {
            FSawRoot = true;
            return Named(name, "asx");
        }
        if (FEntryDepth == 0) {
            if (Named(name, "entry")) {
                FEntryDepth = FDepth;
                FPath.clear();
                FTitle.clear();
            }
            return true;
        }
        if (FDepth != FEntryDepth + 1)
            return true;
        if (Named(name, "ref") && FPath.isEmpty()) {
            // Later references are alternatives to the first that plays.
            for (const QXmlStreamAttribute& attribute : FXml.attributes()) {
                if (!Named(attribute.name(), "href"))
                    continue;
                if (const std::optional<QString> path =
                        ResolveReference(attribute.value().toString(), FFolder))
                    FPath = *path;
            }
        } else if (Named(name, "title")) {
            FTitle = FXml.readElementText(QXmlStreamReader::SkipChildElements)
                         .simplified()
                         .left(TAsxPlaylist::kMaxTitleLength);
            --FDepth; // the reader consumed the end tag
        }
        return true;
    }

    bool End() {
        if (FDepth == FEntryDepth) {
            FEntryDepth = 0;
            if (!FPath.isEmpty()) {
                if (static_cast<int>(FEntries.size()) >= TAsxPlaylist::kMaxEntries)
                    return false;
                FEntries.push_back({FPath, FTitle.isEmpty() ? QFileInfo(FPath).fileName() : FTitle});
            }
        }
        --FDepth;
        return true;
    }

    QXmlStreamReader FXml;
    const QString FFolder;
    std::vector<AsxEntry> FEntries;
    int FDepth = 0;
    int FEntryDepth = 0; // depth of the open entry, 0 outside one
    bool FSawRoot = false;
    QString FPath;
    QString FTitle;
};

} // namespace

std::vector<AsxEntry> TAsxPlaylist::Parse(const QByteArray& bytes, const QString& folder) {
    if (bytes.size() > kMaxBytes)
        return {};
    return Reader(DecodeMetafile(bytes), folder).Read();
}

std::vector<AsxEntry> TAsxPlaylist::LocalEntries(const QString& path) {
    // By the open rule: a FIFO named like a metafile would hold the caller.
    const int fd = OpenRegularFile(QFile::encodeName(path));
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        return {};
    }
    const QByteArray bytes = file.read(kMaxBytes + 1);
    return Parse(bytes, QFileInfo(path).absolutePath());
}
