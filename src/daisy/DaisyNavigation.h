#pragma once

// What a book's root files say, before any SMIL is read: its metadata, the SMIL files of its
// reading order and the places its navigation links to.

#include "daisy/DaisyBook.h"

#include <QString>
#include <QStringList>

#include <libxml/tree.h>

#include <vector>

/// A heading, a page, or a stretch with a role, with the link ("file.smil#id") it starts at.
struct TNavItem {
    enum class TKind { Heading, Page, Role };
    TKind FKind = TKind::Heading;
    QString FText; // a heading's text or a page's label
    int FLevel = 1;
    TDaisyPageKind FPageKind = TDaisyPageKind::Normal;
    TDaisyRole FRole = TDaisyRole::Text;
    QString FLink;
};

struct TNavigation {
    QString FTitle;
    QString FCreator;
    QStringList FLinks; // every link in document order (DAISY 2.02 takes its reading order from them)
    std::vector<TNavItem> FItems;
};

/// A DAISY 2.02 ncc.html: meta dc:title and dc:creator (else the title element), h1-h6, the
/// page spans, and the spans and divs whose class names a skippable part.
TNavigation ReadNcc(const xmlDoc* doc);

/// A DAISY 3 NCX: navMap's navPoints by depth, pageList's pageTargets, docTitle and docAuthor.
TNavigation ReadNcx(const xmlDoc* doc);

/// What a DAISY 3 package (OPF) says; links are as written, relative to the package's folder.
struct TPackage {
    QString FTitle;
    QString FCreator;
    QString FFormat;
    QStringList FSpine; // the SMIL files of the reading order
    QString FNcx;
};

TPackage ReadPackage(const xmlDoc* doc);

/// Whether dc:Format names a DAISY 3 book.
bool IsDaisy3Format(const QString& format);
