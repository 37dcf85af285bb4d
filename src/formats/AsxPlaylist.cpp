#include "formats/AsxPlaylist.h"

#include "formats/MediaFileKind.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>
#include <QXmlStreamReader>

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
    Reader(const QString& text, const QString& folder) : m_xml(text), m_folder(folder) {}

    std::vector<AsxEntry> Read() {
        while (!m_xml.atEnd()) {
            switch (m_xml.readNext()) {
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
        if (m_xml.hasError() || !m_sawRoot)
            return {};
        return std::move(m_entries);
    }

private:
    bool Start() {
        if (++m_depth > AsxPlaylist::kMaxDepth)
            return false;
        const QStringView name = m_xml.name();
        if (m_depth == 1) {
            m_sawRoot = true;
            return Named(name, "asx");
        }
        if (m_entryDepth == 0) {
            if (Named(name, "entry")) {
                m_entryDepth = m_depth;
                m_path.clear();
                m_title.clear();
            }
            return true;
        }
        if (m_depth != m_entryDepth + 1)
            return true;
        if (Named(name, "ref") && m_path.isEmpty()) {
            // Later references are alternatives to the first that plays.
            for (const QXmlStreamAttribute& attribute : m_xml.attributes()) {
                if (!Named(attribute.name(), "href"))
                    continue;
                if (const std::optional<QString> path =
                        ResolveReference(attribute.value().toString(), m_folder))
                    m_path = *path;
            }
        } else if (Named(name, "title")) {
            m_title = m_xml.readElementText(QXmlStreamReader::SkipChildElements)
                          .simplified()
                          .left(AsxPlaylist::kMaxTitleLength);
            --m_depth; // the reader consumed the end tag
        }
        return true;
    }

    bool End() {
        if (m_depth == m_entryDepth) {
            m_entryDepth = 0;
            if (!m_path.isEmpty()) {
                if (static_cast<int>(m_entries.size()) >= AsxPlaylist::kMaxEntries)
                    return false;
                m_entries.push_back({m_path, m_title.isEmpty() ? QFileInfo(m_path).fileName() : m_title});
            }
        }
        --m_depth;
        return true;
    }

    QXmlStreamReader m_xml;
    const QString m_folder;
    std::vector<AsxEntry> m_entries;
    int m_depth = 0;
    int m_entryDepth = 0; // depth of the open entry, 0 outside one
    bool m_sawRoot = false;
    QString m_path;
    QString m_title;
};

} // namespace

std::vector<AsxEntry> AsxPlaylist::Parse(const QByteArray& bytes, const QString& folder) {
    if (bytes.size() > kMaxBytes)
        return {};
    return Reader(DecodeMetafile(bytes), folder).Read();
}

std::vector<AsxEntry> AsxPlaylist::LocalEntries(const QString& path) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.read(kMaxBytes + 1);
    return Parse(bytes, QFileInfo(path).absolutePath());
}
