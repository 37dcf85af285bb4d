#include "daisy/DaisyXml.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>

namespace {

/// libxml2 sets up its globals on first use; done once here, before any reader thread parses.
void IgnoreMessage(void*, const char*, ...) {}

// Also quiets this thread's parser: libxml2 writes some faults (a broken encoding) to stderr
// whatever the parse options say, and a bad book is the reader's to report, in words.
void InitOnce() {
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
    xmlSetGenericErrorFunc(nullptr, &IgnoreMessage);
    xmlSetStructuredErrorFunc(nullptr, nullptr);
}

struct TFd {
    explicit TFd(int fd) : FFd(fd) {}
    ~TFd() {
        if (FFd >= 0)
            ::close(FFd);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int FFd;
};

QString FromXml(const xmlChar* text) {
    return text == nullptr ? QString() : QString::fromUtf8(reinterpret_cast<const char*>(text));
}

/// An encoding named in the first bytes: the XML declaration or an HTML meta element.
QByteArray DeclaredEncoding(const QByteArray& bytes) {
    static const QRegularExpression declared(
        QStringLiteral(
            R"((?:<\?xml[^>]*\bencoding\s*=\s*["']?|<meta[^>]*\bcharset\s*=\s*["']?)([A-Za-z0-9._:-]+))"),
        QRegularExpression::CaseInsensitiveOption);
    const QString head = QString::fromLatin1(bytes.left(4096));
    const QRegularExpressionMatch match = declared.match(head);
    return match.hasMatch() ? match.captured(1).toLatin1().toLower() : QByteArray();
}

bool IsUtf8(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes); // the decoding happens only on this conversion
    return !utf8.hasError() && !text.isNull();
}

} // namespace

void TXmlDocFree::operator()(xmlDoc* doc) const {
    xmlFreeDoc(doc);
}

std::optional<QByteArray> ReadRegularFile(const QString& path, qint64 maxBytes) {
    // Non-blocking, so that a FIFO put in a file's place between a check and this open cannot
    // hang the reader; the type is judged on the open descriptor itself.
    const TFd fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat info {};
    if (fd.FFd < 0 || ::fstat(fd.FFd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > maxBytes)
        return std::nullopt;
    QByteArray bytes(static_cast<qsizetype>(info.st_size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(fd.FFd, bytes.data() + done, static_cast<size_t>(bytes.size() - done));
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break; // the file shrank meanwhile: keep what was there
        done += got;
    }
    bytes.truncate(done);
    return bytes;
}

TXmlDoc ParseXmlDocument(const QByteArray& bytes) {
    InitOnce();
    // Deliberately without XML_PARSE_NOENT, XML_PARSE_DTDLOAD, XML_PARSE_DTDATTR and XML_PARSE_HUGE:
    // no external entity or document type is read, and libxml2's own bounds on entity
    // amplification, depth and text size stay in force.
    const int options = XML_PARSE_NONET | XML_PARSE_RECOVER | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
    return TXmlDoc(
        xmlReadMemory(bytes.constData(), static_cast<int>(bytes.size()), nullptr, nullptr, options));
}

QByteArray HtmlEncodingOf(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF") || bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return {};
    QByteArray encoding = DeclaredEncoding(bytes);
    // Browsers read these labels as Windows-1252, and so do the files that carry them.
    if (encoding == "iso-8859-1" || encoding == "latin1" || encoding == "iso8859-1" ||
        encoding == "us-ascii" || encoding == "ascii" || encoding == "cp1252")
        return "windows-1252";
    if (!encoding.isEmpty())
        return encoding;
    return IsUtf8(bytes) ? QByteArray("utf-8") : QByteArray("windows-1252");
}

TXmlDoc ParseHtmlDocument(const QByteArray& bytes) {
    InitOnce();
    const int options = HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING;
    const QByteArray encoding = HtmlEncodingOf(bytes);
    const int size = static_cast<int>(bytes.size());
    TXmlDoc doc(htmlReadMemory(bytes.constData(), size, nullptr,
                               encoding.isEmpty() ? nullptr : encoding.constData(), options));
    if (doc || encoding.isEmpty())
        return doc;
    // An encoding libxml2 does not know: read it as the Western code page rather than not at all.
    return TXmlDoc(htmlReadMemory(bytes.constData(), size, nullptr, "windows-1252", options));
}

const xmlNode* NextNode(const xmlNode* node, const xmlNode* root) {
    if (node->type == XML_ELEMENT_NODE && node->children != nullptr)
        return node->children;
    while (node != root && node->next == nullptr)
        node = node->parent;
    return node == root ? nullptr : node->next;
}

const xmlNode* NextElement(const xmlNode* node, const xmlNode* root) {
    do
        node = NextNode(node, root);
    while (node != nullptr && node->type != XML_ELEMENT_NODE);
    return node;
}

const xmlNode* FindElement(const xmlNode* root, const char* localName) {
    for (const xmlNode* node = root == nullptr ? nullptr : NextElement(root, root); node != nullptr;
         node = NextElement(node, root))
        if (IsElement(node, localName))
            return node;
    return nullptr;
}

QString LocalName(const xmlNode* node) {
    return FromXml(node->name);
}

bool IsElement(const xmlNode* node, const char* localName) {
    return node != nullptr && node->type == XML_ELEMENT_NODE &&
           xmlStrcasecmp(node->name, reinterpret_cast<const xmlChar*>(localName)) == 0;
}

QString AttributeOf(const xmlNode* node, const char* name) {
    for (const xmlAttr* attribute = node->properties; attribute != nullptr; attribute = attribute->next) {
        if (xmlStrcasecmp(attribute->name, reinterpret_cast<const xmlChar*>(name)) != 0)
            continue;
        QString value;
        for (const xmlNode* child = attribute->children; child != nullptr; child = child->next)
            if (child->type == XML_TEXT_NODE)
                value += FromXml(child->content);
        return value;
    }
    return {};
}

bool HasAttribute(const xmlNode* node, const char* name) {
    for (const xmlAttr* attribute = node->properties; attribute != nullptr; attribute = attribute->next)
        if (xmlStrcasecmp(attribute->name, reinterpret_cast<const xmlChar*>(name)) == 0)
            return true;
    return false;
}

QString TextOf(const xmlNode* node, int maxLength) {
    QString text;
    // Text and CDATA only: an entity reference is passed over, never expanded.
    for (const xmlNode* at = NextNode(node, node); at != nullptr && text.size() < maxLength;
         at = NextNode(at, node)) {
        if (at->type == XML_TEXT_NODE || at->type == XML_CDATA_SECTION_NODE) {
            text += FromXml(at->content);
            text += QLatin1Char(' ');
        }
    }
    return text.simplified().left(maxLength);
}
