#include "config/BookmarkStore.h"

#include "util/IgnoreFailure.h"

#include "config/PathSections.h"
#include "config/SectionedStore.h"
#include "config/StoreText.h"
#include "config/TimedProbe.h"
#include "util/FileIdentity.h"

#include <algorithm>

namespace {

const QString FileKey = QStringLiteral("File");
// Entries of bookmarks begin with it; any other entry of the section is not a bookmark.
constexpr QChar kEntryMark = u'B';

} // namespace

const QString TBookmarkStore::kPrefix = QStringLiteral("Bookmarks:");

TBookmarkStore::TBookmarkStore(TSectionedStore& store, KeyMaker keys)
    : FStore(store), FSections(store, kPrefix, FileKey), FKeys(std::move(keys)) {}

QString TBookmarkStore::UniqueKey() {
    return kEntryMark + TPathSections::NewId();
}

QString TBookmarkStore::Value(double seconds, const QString& name) {
    const QString time = StoreText::FormatReal(seconds, u".");
    return name.isEmpty() ? time : time + u' ' + name;
}

QList<Bookmark> TBookmarkStore::Of(const QString& path) const {
    QList<Bookmark> marks;
    try {
        const std::optional<QString> section = FSections.Find(ResolvedFilePath(path));
        if (!section)
            return marks;
        for (const QString& key : FStore.KeyNames(*section)) {
            if (!key.startsWith(kEntryMark, Qt::CaseInsensitive))
                continue;
            const QString value = FStore.ReadText(*section, key, QString());
            const qsizetype space = value.indexOf(u' ');
            const std::optional<double> seconds =
                StoreText::ParseReal(value.first(space < 0 ? value.size() : space), u".");
            if (!seconds || *seconds < 0)
                continue; // removed, or not a bookmark
            marks.append(
                Bookmark{key, *seconds, space < 0 ? QString() : value.sliced(space + 1).trimmed(), 0});
        }
    } catch (...) {
        return {};
    }
    std::stable_sort(marks.begin(), marks.end(),
                     [](const Bookmark& x, const Bookmark& y) { return x.seconds < y.seconds; });
    for (qsizetype i = 0; i < marks.size(); ++i)
        marks[i].number = static_cast<int>(i + 1);
    return marks;
}

std::optional<Bookmark> TBookmarkStore::Add(const QString& path, double seconds) {
    return OrOnFailure(std::optional<Bookmark>(), [&]() -> std::optional<Bookmark> {
        const QString stored = ResolvedFilePath(path);
        if (stored.isEmpty() || StoreText::HasLineBreak(stored))
            return std::nullopt;
        const std::optional<QString> found = FSections.Find(stored);
        const QString section = found ? *found : FSections.FreeName(stored);
        // Quoted when loading would trim it: a name ending in a blank keeps its marks.
        if (!found)
            FStore.WriteText(section, FileKey, TPathSections::Quote(stored));
        const QString key = FKeys();
        FStore.WriteText(section, key, Value(std::max(seconds, 0.0), QString()));
        for (const Bookmark& mark : Of(path)) {
            if (mark.key.compare(key, Qt::CaseInsensitive) == 0)
                return mark;
        }
        return std::nullopt;
    });
}

void TBookmarkStore::Remove(const QString& path, const QString& key) {
    IgnoreFailure([&] {
        if (const std::optional<QString> section = FSections.Find(ResolvedFilePath(path)))
            FStore.WriteText(*section, key, QString());
    });
}

void TBookmarkStore::Rename(const QString& path, const QString& key, const QString& name) {
    IgnoreFailure([&] {
        const std::optional<QString> section = FSections.Find(ResolvedFilePath(path));
        if (!section)
            return;
        const QString value = FStore.ReadText(*section, key, QString());
        const qsizetype space = value.indexOf(u' ');
        const QString time = value.first(space < 0 ? value.size() : space);
        if (time.isEmpty())
            return; // removed meanwhile
        // A name is one line; its breaks become spaces.
        QString line = name;
        line.replace(u'\r', u' ').replace(u'\n', u' ');
        FStore.WriteText(*section, key, line.trimmed().isEmpty() ? time : time + u' ' + line.trimmed());
    });
}

void TBookmarkStore::Purge(const TFileProbe::Lookup& lookup, std::chrono::milliseconds budget) {
    DropGone(ProbeWithin(PurgePaths(), {}, lookup, budget));
}

QStringList TBookmarkStore::PurgePaths() const {
    return FSections.Paths();
}

void TBookmarkStore::DropGone(const QHash<QString, TFileProbe::Entry>& answers) {
    // Only a file the system says is not there (or is a folder now) is gone for good.
    for (const QString& section :
         FSections.SectionsGone(answers, {TFileProbe::Entry::Missing, TFileProbe::Entry::Folder}))
        FStore.DropSection(section);
}
