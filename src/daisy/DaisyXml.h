#pragma once

// The one door to libxml2 for the book reader: documents owned by RAII handles, parsed with no
// network, no document type loaded and no entity expanded, and read back as Qt text.

#include <QByteArray>
#include <QString>

#include <libxml/tree.h>

#include <memory>
#include <optional>

struct TXmlDocFree {
    void operator()(xmlDoc* doc) const;
};
using TXmlDoc = std::unique_ptr<xmlDoc, TXmlDocFree>;

/// The bytes of the regular file at path, at most maxBytes; nothing when it is missing, is no
/// regular file (a FIFO is never waited on), is larger, or cannot be read.
std::optional<QByteArray> ReadRegularFile(const QString& path, qint64 maxBytes);

/// An XML document (SMIL, NCX, OPF), recovered past errors where libxml2 can; null when nothing
/// could be read. External entities and document types are neither fetched nor expanded.
TXmlDoc ParseXmlDocument(const QByteArray& bytes);

/// An HTML document read as a browser reads it (capitals, unclosed elements, named entities), in
/// the encoding its byte-order mark, XML declaration or meta element declares, else UTF-8 when it
/// is valid UTF-8, else Windows-1252; null when nothing could be read.
TXmlDoc ParseHtmlDocument(const QByteArray& bytes);

/// The encoding the HTML reader gives libxml2 for these bytes (see ParseHtmlDocument); empty
/// when a byte-order mark lets libxml2 decide.
QByteArray HtmlEncodingOf(const QByteArray& bytes);

/// The node after node in document order, below root: node's first child when node is an
/// element (never the content of an entity reference), else the next node up the tree; null at
/// the end. Loops, not recursion, walk the tree, since HTML may nest without bound.
const xmlNode* NextNode(const xmlNode* node, const xmlNode* root);
/// The same, passing over all but elements.
const xmlNode* NextElement(const xmlNode* node, const xmlNode* root);
/// The first element named localName below root, in document order; null if none.
const xmlNode* FindElement(const xmlNode* root, const char* localName);

/// The element's local name (no prefix), as written.
QString LocalName(const xmlNode* node);
bool IsElement(const xmlNode* node, const char* localName);

/// The value of the attribute whose local name is `name`, in any letter case; empty when absent.
/// Entity references in it are dropped, never expanded.
QString AttributeOf(const xmlNode* node, const char* name);
bool HasAttribute(const xmlNode* node, const char* name);

/// The text inside the element, white space collapsed, at most maxLength characters; entity
/// references are dropped, never expanded.
QString TextOf(const xmlNode* node, int maxLength = 1000);
