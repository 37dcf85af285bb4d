#include "daisy/DaisyNavigation.h"

#include "daisy/DaisyXml.h"

#include <QHash>

namespace {

const xmlNode* Root(const xmlDoc* doc) {
    return doc == nullptr ? nullptr : xmlDocGetRootElement(doc);
}

const xmlNode* FirstElement(const xmlNode* node, const char* name) {
    return FindElement(node, name);
}

/// Calls visit on every element below root, in document order.
template <typename Visit> void EachElement(const xmlNode* root, Visit&& visit) {
    for (const xmlNode* node = root == nullptr ? nullptr : NextElement(root, root); node != nullptr;
         node = NextElement(node, root))
        visit(node);
}

/// A heading's or page's words: its link's, where it has one, so that what an unclosed element
/// swallows after it is left out.
QString WordsOf(const xmlNode* node) {
    const xmlNode* anchor = IsElement(node, "a") ? node : FirstElement(node, "a");
    return TextOf(anchor == nullptr ? node : anchor);
}

QString LinkIn(const xmlNode* node) {
    if (IsElement(node, "a") && HasAttribute(node, "href"))
        return AttributeOf(node, "href");
    const xmlNode* anchor = FirstElement(node, "a");
    return anchor == nullptr ? QString() : AttributeOf(anchor, "href");
}

bool HasClass(const xmlNode* node, const char* name) {
    const QStringList classes = AttributeOf(node, "class").split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return classes.contains(QLatin1String(name), Qt::CaseInsensitive);
}

void AddTo(QString& field, const QString& value) {
    if (value.isEmpty())
        return;
    field += field.isEmpty() ? value : QStringLiteral(", ") + value;
}

struct TClassRole {
    const char* className;
    TDaisyRole role;
};

// The class names DAISY 2.02 gives skippable parts in the ncc.
constexpr TClassRole kClassRoles[] = {
    {"sidebar", TDaisyRole::Sidebar},       {"optional-prodnote", TDaisyRole::ProducerNote},
    {"prodnote", TDaisyRole::ProducerNote}, {"noteref", TDaisyRole::NoteReference},
    {"footnote", TDaisyRole::Note},         {"note", TDaisyRole::Note}};

struct TPageClass {
    const char* className;
    TDaisyPageKind kind;
};

constexpr TPageClass kPageClasses[] = {{"page-normal", TDaisyPageKind::Normal},
                                       {"page-front", TDaisyPageKind::Front},
                                       {"page-special", TDaisyPageKind::Special}};

int HeadingLevel(const xmlNode* node) {
    static const char* const names[] = {"h1", "h2", "h3", "h4", "h5", "h6"};
    for (int level = 1; level <= 6; ++level)
        if (IsElement(node, names[level - 1]))
            return level;
    return 0;
}

void NccElement(const xmlNode* node, TNavigation& nav) {
    if (IsElement(node, "a") && HasAttribute(node, "href"))
        nav.FLinks.append(AttributeOf(node, "href"));
    if (IsElement(node, "meta")) {
        const QString name = AttributeOf(node, "name");
        if (name.compare(QLatin1String("dc:title"), Qt::CaseInsensitive) == 0 && nav.FTitle.isEmpty())
            nav.FTitle = AttributeOf(node, "content").simplified();
        else if (name.compare(QLatin1String("dc:creator"), Qt::CaseInsensitive) == 0)
            AddTo(nav.FCreator, AttributeOf(node, "content").simplified());
        return;
    }
    if (const int level = HeadingLevel(node)) {
        nav.FItems.push_back({TNavItem::TKind::Heading, WordsOf(node), level, {}, {}, LinkIn(node)});
        return;
    }
    if (!IsElement(node, "span") && !IsElement(node, "div"))
        return;
    for (const TPageClass& page : kPageClasses) {
        if (HasClass(node, page.className)) {
            nav.FItems.push_back({TNavItem::TKind::Page, WordsOf(node), 0, page.kind, {}, LinkIn(node)});
            return;
        }
    }
    for (const TClassRole& role : kClassRoles) {
        if (HasClass(node, role.className)) {
            nav.FItems.push_back({TNavItem::TKind::Role, {}, 0, {}, role.role, LinkIn(node)});
            return;
        }
    }
}

QString LabelOf(const xmlNode* node) {
    const xmlNode* label = nullptr;
    for (const xmlNode* child = node->children; child != nullptr && label == nullptr; child = child->next)
        if (IsElement(child, "navLabel"))
            label = child;
    const xmlNode* text = FirstElement(label, "text");
    return text == nullptr ? QString() : TextOf(text);
}

QString ContentOf(const xmlNode* node) {
    for (const xmlNode* child = node->children; child != nullptr; child = child->next)
        if (IsElement(child, "content"))
            return AttributeOf(child, "src");
    return {};
}

void NavPoints(const xmlNode* parent, int depth, TNavigation& nav) {
    for (const xmlNode* child = parent->children; child != nullptr; child = child->next) {
        if (!IsElement(child, "navPoint"))
            continue;
        const QString link = ContentOf(child);
        nav.FLinks.append(link);
        nav.FItems.push_back({TNavItem::TKind::Heading, LabelOf(child), std::min(depth, 6), {}, {}, link});
        NavPoints(child, depth + 1, nav);
    }
}

TDaisyPageKind PageKindOf(const QString& type) {
    if (type.compare(QLatin1String("front"), Qt::CaseInsensitive) == 0)
        return TDaisyPageKind::Front;
    if (type.compare(QLatin1String("special"), Qt::CaseInsensitive) == 0)
        return TDaisyPageKind::Special;
    return TDaisyPageKind::Normal;
}

} // namespace

TNavigation ReadNcc(const xmlDoc* doc) {
    TNavigation nav;
    const xmlNode* root = Root(doc);
    EachElement(root, [&nav](const xmlNode* node) { NccElement(node, nav); });
    if (nav.FTitle.isEmpty())
        if (const xmlNode* title = FirstElement(root, "title"))
            nav.FTitle = TextOf(title);
    return nav;
}

TNavigation ReadNcx(const xmlDoc* doc) {
    TNavigation nav;
    const xmlNode* root = Root(doc);
    if (const xmlNode* title = FirstElement(FirstElement(root, "docTitle"), "text"))
        nav.FTitle = TextOf(title);
    if (const xmlNode* author = FirstElement(FirstElement(root, "docAuthor"), "text"))
        nav.FCreator = TextOf(author);
    if (const xmlNode* map = FirstElement(root, "navMap"))
        NavPoints(map, 1, nav);
    EachElement(FirstElement(root, "pageList"), [&nav](const xmlNode* node) {
        if (!IsElement(node, "pageTarget"))
            return;
        QString label = LabelOf(node);
        if (label.isEmpty())
            label = AttributeOf(node, "value").trimmed();
        nav.FItems.push_back(
            {TNavItem::TKind::Page, label, 0, PageKindOf(AttributeOf(node, "type")), {}, ContentOf(node)});
    });
    return nav;
}

TPackage ReadPackage(const xmlDoc* doc) {
    TPackage package;
    const xmlNode* root = Root(doc);
    if (root == nullptr || !IsElement(root, "package"))
        return package;
    EachElement(FirstElement(root, "metadata"), [&package](const xmlNode* node) {
        if (IsElement(node, "Title") && package.FTitle.isEmpty())
            package.FTitle = TextOf(node);
        else if (IsElement(node, "Creator"))
            AddTo(package.FCreator, TextOf(node));
        else if (IsElement(node, "Format") && package.FFormat.isEmpty())
            package.FFormat = TextOf(node);
    });
    QHash<QString, QString> hrefs;
    const xmlNode* manifest = FirstElement(root, "manifest");
    for (const xmlNode* item = manifest == nullptr ? nullptr : manifest->children; item != nullptr;
         item = item->next) {
        if (!IsElement(item, "item"))
            continue;
        const QString href = AttributeOf(item, "href");
        hrefs.insert(AttributeOf(item, "id"), href);
        if (AttributeOf(item, "media-type").trimmed() == QLatin1String("application/x-dtbncx+xml") &&
            package.FNcx.isEmpty())
            package.FNcx = href;
    }
    const xmlNode* spine = FirstElement(root, "spine");
    if (spine != nullptr && package.FNcx.isEmpty())
        package.FNcx = hrefs.value(AttributeOf(spine, "toc"));
    for (const xmlNode* item = spine == nullptr ? nullptr : spine->children; item != nullptr;
         item = item->next) {
        if (!IsElement(item, "itemref"))
            continue;
        const QString href = hrefs.value(AttributeOf(item, "idref"));
        if (!href.isEmpty())
            package.FSpine.append(href);
    }
    return package;
}

bool IsDaisy3Format(const QString& format) {
    const QString text = format.simplified();
    return text.compare(QLatin1String("ANSI/NISO Z39.86-2005"), Qt::CaseInsensitive) == 0 ||
           text.compare(QLatin1String("ANSI/NISO Z39.86-2002"), Qt::CaseInsensitive) == 0;
}
