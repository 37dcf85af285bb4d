#include "config/PathSections.h"

#include "config/SectionedStore.h"
#include "config/StoreText.h"

#include <QDateTime>
#include <QRandomGenerator>

#include <algorithm>
#include <utility>

TPathSections::TPathSections(const TSectionedStore& store, QString prefix, QString pathKey)
    : FStore(store), FPrefix(std::move(prefix)), FPathKey(std::move(pathKey)) {}

QString TPathSections::SectionName(const QString& path) {
    const QString lower = StoreText::LowerText(path);
    QString name;
    name.reserve(lower.size());
    for (const QChar c : lower) {
        const char16_t u = c.unicode();
        if ((u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'z'))
            name += c;
    }
    return name;
}

QString TPathSections::Quote(const QString& text) {
    if (text.isEmpty())
        return text;
    if (text.front().unicode() <= u' ' || text.back().unicode() <= u' ' || text.front() == u'"')
        return u'"' + text + u'"';
    return text;
}

QString TPathSections::Unquote(const QString& value) {
    if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"')
        return value.sliced(1, value.size() - 2);
    return value;
}

QString TPathSections::NewId() {
    return QString::number(QDateTime::currentMSecsSinceEpoch(), 36) + u'-' +
           QString::number(QRandomGenerator::global()->bounded(1 << 30), 36);
}

bool TPathSections::Holds(const QString& section) const {
    return section.startsWith(FPrefix, Qt::CaseInsensitive);
}

QString TPathSections::PathIn(const QString& section) const {
    return Unquote(FStore.ReadText(section, FPathKey, QString()));
}

void TPathSections::IndexIfStale() const {
    if (FIndexed == FStore.Generation())
        return;
    FSectionOf.clear();
    for (const Entry& entry : Entries())
        FSectionOf.insert(entry.path, entry.section); // the last of a name is the one read
    FIndexed = FStore.Generation();
}

std::optional<QString> TPathSections::Find(const QString& path) const {
    if (path.isEmpty())
        return std::nullopt;
    IndexIfStale();
    const auto found = FSectionOf.constFind(path);
    if (found == FSectionOf.cend())
        return std::nullopt;
    return *found;
}

QString TPathSections::FreeName(const QString& path) const {
    const QString base = FPrefix + SectionName(path);
    if (!FStore.HasSection(base))
        return base;
    for (int n = 2;; ++n) {
        QString name = base + u'~' + QString::number(n);
        if (!FStore.HasSection(name))
            return name;
    }
}

QStringList TPathSections::Paths() const {
    QStringList paths;
    for (const Entry& entry : Entries())
        paths.append(entry.path);
    return paths;
}

QStringList TPathSections::SectionsGone(const QHash<QString, TFileProbe::Entry>& answers,
                                        std::initializer_list<TFileProbe::Entry> gone) const {
    QStringList sections;
    for (const Entry& entry : Entries()) {
        const auto answer = answers.constFind(entry.path);
        if (answer != answers.cend() && std::find(gone.begin(), gone.end(), *answer) != gone.end())
            sections.append(entry.section);
    }
    return sections;
}

QList<TPathSections::Entry> TPathSections::Entries() const {
    QList<Entry> entries;
    for (const QString& name : FStore.SectionNames()) {
        if (!Holds(name))
            continue;
        QString path = PathIn(name);
        if (!path.isEmpty())
            entries.append(Entry{name, std::move(path)});
    }
    return entries;
}
