#include "return/BookmarkStore.h"

#include "config/MediaConfigs.h"
#include "config/StoreText.h"
#include "config/TimedProbe.h"
#include "util/FileIdentity.h"

#include <QDateTime>
#include <QRandomGenerator>

#include <algorithm>

namespace {

const QString FileKey = QStringLiteral("File");
// Entries of bookmarks begin with it; any other entry of the section is not a bookmark.
constexpr QChar kEntryMark = u'B';

bool HasLineBreak(const QString& text) {
    return text.contains(u'\r') || text.contains(u'\n');
}

} // namespace

const QString TBookmarkStore::kPrefix = QStringLiteral("Bookmarks:");

TBookmarkStore::TBookmarkStore(SectionedStore& store, KeyMaker keys)
    : FStore(store), FKeys(std::move(keys)) {}

QString TBookmarkStore::UniqueKey() {
    return kEntryMark + QString::number(QDateTime::currentMSecsSinceEpoch(), 36) + u'-' +
           QString::number(QRandomGenerator::global()->bounded(1 << 30), 36);
}

std::optional<QString> TBookmarkStore::SectionOf(const QString& stored) const {
    const QString base = kPrefix + TM3MediaConfigs::SectionName(stored);
    for (int n = 1;; ++n) {
        const QString name = n == 1 ? base : base + u'~' + QString::number(n);
        const QString file = FStore.ReadText(name, FileKey, QString());
        if (file.isEmpty())
            return std::nullopt;
        if (file == stored)
            return name;
    }
}

QString TBookmarkStore::FreeSection(const QString& stored) const {
    const QString base = kPrefix + TM3MediaConfigs::SectionName(stored);
    for (int n = 1;; ++n) {
        const QString name = n == 1 ? base : base + u'~' + QString::number(n);
        if (FStore.ReadText(name, FileKey, QString()).isEmpty())
            return name;
    }
}

QString TBookmarkStore::Value(double seconds, const QString& name) {
    const QString time = StoreText::FormatReal(seconds, u".");
    return name.isEmpty() ? time : time + u' ' + name;
}

QList<Bookmark> TBookmarkStore::Of(const QString& path) const {
    QList<Bookmark> marks;
    try {
        const std::optional<QString> section = SectionOf(ResolvedFilePath(path));
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
    try {
        const QString stored = ResolvedFilePath(path);
        if (stored.isEmpty() || HasLineBreak(stored))
            return std::nullopt;
        const std::optional<QString> found = SectionOf(stored);
        const QString section = found ? *found : FreeSection(stored);
        if (!found)
            FStore.WriteText(section, FileKey, stored);
        const QString key = FKeys();
        FStore.WriteText(section, key, Value(std::max(seconds, 0.0), QString()));
        for (const Bookmark& mark : Of(path)) {
            if (mark.key.compare(key, Qt::CaseInsensitive) == 0)
                return mark;
        }
    } catch (...) {
    }
    return std::nullopt;
}

void TBookmarkStore::Remove(const QString& path, const QString& key) {
    try {
        if (const std::optional<QString> section = SectionOf(ResolvedFilePath(path)))
            FStore.WriteText(*section, key, QString());
    } catch (...) {
    }
}

void TBookmarkStore::Rename(const QString& path, const QString& key, const QString& name) {
    try {
        const std::optional<QString> section = SectionOf(ResolvedFilePath(path));
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
    } catch (...) {
    }
}

void TBookmarkStore::Purge(const FileProbe::Lookup& lookup, std::chrono::milliseconds budget) {
    QStringList sections;
    QStringList paths;
    for (const QString& name : FStore.SectionNames()) {
        if (!name.startsWith(kPrefix, Qt::CaseInsensitive))
            continue;
        const QString file = FStore.ReadText(name, FileKey, QString());
        if (file.isEmpty())
            continue;
        sections.append(name);
        paths.append(file);
    }
    if (sections.isEmpty())
        return;
    const QHash<QString, FileProbe::Entry> answers = ProbeWithin(paths, {}, lookup, budget);
    for (qsizetype i = 0; i < sections.size(); ++i) {
        const auto answer = answers.constFind(paths[i]);
        // Only a file the system says is not there is gone for good; any other failure proves nothing.
        if (answer == answers.cend() ||
            (*answer != FileProbe::Entry::Missing && *answer != FileProbe::Entry::Folder))
            continue;
        FStore.DropSection(sections[i]);
    }
}
