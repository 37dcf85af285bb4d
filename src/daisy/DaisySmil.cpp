#include "daisy/DaisySmil.h"

#include "daisy/DaisyClock.h"
#include "daisy/DaisyXml.h"

#include <optional>

namespace {

struct TNamedRole {
    const char* name;
    TDaisyRole role;
};

// DAISY 3 bookStruct values; a customTest without one is known by its id, as producers name them.
constexpr TNamedRole kBookStructs[] = {
    {"PAGE_NUMBER", TDaisyRole::PageNumber},
    {"NOTE", TDaisyRole::Note},
    {"NOTE_REFERENCE", TDaisyRole::NoteReference},
    {"ANNOTATION", TDaisyRole::Annotation},
    {"PRODNOTE", TDaisyRole::ProducerNote},
    {"OPTIONAL_PRODUCER_NOTE", TDaisyRole::ProducerNote},
    {"SIDEBAR", TDaisyRole::Sidebar},
    {"OPTIONAL_SIDEBAR", TDaisyRole::Sidebar},
    {"pagenum", TDaisyRole::PageNumber},
    {"pagenumber", TDaisyRole::PageNumber},
    {"footnote", TDaisyRole::Note},
    {"noteref", TDaisyRole::NoteReference},
    {"annoref", TDaisyRole::NoteReference},
    {"prodnote", TDaisyRole::ProducerNote},
};

// DAISY 2.02 system-required test names.
constexpr TNamedRole kSystemTests[] = {{"pagenumber-on", TDaisyRole::PageNumber},
                                       {"footnote-on", TDaisyRole::Note},
                                       {"prodnote-on", TDaisyRole::ProducerNote},
                                       {"sidebar-on", TDaisyRole::Sidebar}};

template <std::size_t N> std::optional<TDaisyRole> Named(const TNamedRole (&table)[N], const QString& name) {
    for (const TNamedRole& entry : table)
        if (name.compare(QLatin1String(entry.name), Qt::CaseInsensitive) == 0)
            return entry.role;
    return std::nullopt;
}

/// Media elements: their ids belong to the par or seq around them.
bool IsLeaf(const xmlNode* node) {
    return IsElement(node, "audio") || IsElement(node, "text") || IsElement(node, "img") ||
           IsElement(node, "video") || IsElement(node, "ref") || IsElement(node, "animation") ||
           IsElement(node, "textstream");
}

class TSmilWalk {
public:
    TSmilWalk(const QSet<QString>& wanted, const QString& name) : FWanted(wanted), FName(name) {}

    TSmilContents Read(const xmlNode* root) {
        ReadCustomTests(root);
        const xmlNode* body = FindElement(root, "body");
        QStringList pending;
        Walk(body == nullptr ? root : body, TDaisyRole::Text, pending);
        return std::move(FContents);
    }

private:
    void ReadCustomTests(const xmlNode* root) {
        const xmlNode* head = FindElement(root, "head");
        const xmlNode* attributes = head == nullptr ? nullptr : FindElement(head, "customAttributes");
        for (const xmlNode* test = attributes == nullptr ? nullptr : attributes->children; test != nullptr;
             test = test->next) {
            if (!IsElement(test, "customTest"))
                continue;
            const QString id = AttributeOf(test, "id");
            std::optional<TDaisyRole> role = Named(kBookStructs, AttributeOf(test, "bookStruct"));
            if (!role)
                role = Named(kBookStructs, id);
            if (role)
                FCustomTests.insert(id, *role);
        }
    }

    std::optional<TDaisyRole> OwnRole(const xmlNode* node) const {
        if (const QString required = AttributeOf(node, "system-required"); !required.isEmpty())
            if (const std::optional<TDaisyRole> role = Named(kSystemTests, required.trimmed()))
                return role;
        if (const QString tests = AttributeOf(node, "customTest"); !tests.isEmpty()) {
            for (const QString& test : tests.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                if (const auto role = FCustomTests.constFind(test); role != FCustomTests.constEnd())
                    return *role;
                if (const std::optional<TDaisyRole> named = Named(kBookStructs, test))
                    return named;
            }
        }
        if (const QString structure = AttributeOf(node, "bookStruct"); !structure.isEmpty())
            return Named(kBookStructs, structure.trimmed());
        return std::nullopt;
    }

    // Recursion is bounded here: without XML_PARSE_HUGE libxml2 stops an XML tree at 256 levels.
    void Walk(const xmlNode* node, TDaisyRole inherited, QStringList& parentPending) {
        const TDaisyRole role = OwnRole(node).value_or(inherited);
        const QString id = AttributeOf(node, "id");
        const bool wanted = !id.isEmpty() && FWanted.contains(id);
        if (IsLeaf(node)) {
            if (IsElement(node, "audio"))
                AddClip(node, role);
            if (wanted)
                parentPending.append(id);
            return;
        }
        const int start = static_cast<int>(FContents.FClips.size());
        QStringList pending;
        if (wanted)
            pending.append(id);
        for (const xmlNode* child = node->children; child != nullptr; child = child->next)
            if (child->type == XML_ELEMENT_NODE)
                Walk(child, role, pending);
        for (const QString& target : pending)
            if (!FContents.FTargets.contains(target))
                FContents.FTargets.insert(target, {start, static_cast<int>(FContents.FClips.size())});
    }

    void AddClip(const xmlNode* node, TDaisyRole role) {
        QString src = AttributeOf(node, "src");
        if (src == FLastSrc)
            src = FLastSrc; // shares the text: most clips of a file name the same audio
        else
            FLastSrc = src;
        const QString beginText = HasAttribute(node, "clip-begin") ? AttributeOf(node, "clip-begin")
                                                                   : AttributeOf(node, "clipBegin");
        const QString endText =
            HasAttribute(node, "clip-end") ? AttributeOf(node, "clip-end") : AttributeOf(node, "clipEnd");
        const std::optional<double> begin = beginText.isEmpty() ? 0.0 : ParseClockValue(beginText);
        const std::optional<double> end = ParseClockValue(endText);
        if (!begin || !end) {
            Problem(TDaisyProblemCode::BadClock, node, src);
            return;
        }
        if (*end < *begin) {
            Problem(TDaisyProblemCode::ReversedClip, node, src);
            return;
        }
        if (*end == *begin)
            return; // nothing to hear
        FContents.FClips.push_back({src, *begin, *end, role});
    }

    void Problem(TDaisyProblemCode code, const xmlNode* node, const QString& src) {
        const QString id = AttributeOf(node, "id");
        FContents.FProblems.push_back(
            {code, id.isEmpty() ? FName + QStringLiteral(": ") + src : FName + QLatin1Char('#') + id});
    }

    const QSet<QString>& FWanted;
    const QString FName;
    QHash<QString, TDaisyRole> FCustomTests;
    QString FLastSrc;
    TSmilContents FContents;
};

} // namespace

TSmilContents ReadSmil(const xmlDoc* doc, const QSet<QString>& wantedIds, const QString& name) {
    const xmlNode* root = doc == nullptr ? nullptr : xmlDocGetRootElement(doc);
    if (root == nullptr)
        return {};
    return TSmilWalk(wantedIds, name).Read(root);
}
