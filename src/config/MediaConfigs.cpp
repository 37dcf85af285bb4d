#include "config/MediaConfigs.h"

#include "util/IgnoreFailure.h"

#include "config/PathSections.h"
#include "config/StoreText.h"
#include "config/TimedProbe.h"
#include "util/FileIdentity.h"

#include <QSet>

#include <utility>

namespace {

const QString PathKey = QStringLiteral("Path");
const QString TimeKey = QStringLiteral("Time");

// Older files stored the path exactly as the track list held it; an absolute one still finds
// its entry (a relative one named a different file from each folder, so it finds nothing).
bool IsAbsolute(const QString& path) {
    return path.startsWith(u'/');
}

} // namespace

TM3MediaConfigs::TM3MediaConfigs(QString fileName, QLocale regional)
    : TSectionedStore(std::move(fileName), std::move(regional)) {}

QString TM3MediaConfigs::SectionName(const QString& path) {
    return TPathSections::SectionName(path);
}

void TM3MediaConfigs::IndexIfStale() const {
    if (FIndexedGeneration == Generation())
        return;
    FSectionOfPath.clear();
    VisitSections(PathKey, [this](const QString& name, const QString& value, bool visible) {
        if (visible && !value.isEmpty())
            FSectionOfPath.insert(TPathSections::Unquote(value), name);
    });
    FIndexedGeneration = Generation();
}

QString TM3MediaConfigs::PathIn(const QString& section) const {
    return TPathSections::Unquote(ReadText(section, PathKey, QString()));
}

std::optional<QString> TM3MediaConfigs::SectionOf(const QString& stored, const QString& given) const {
    IndexIfStale();
    if (const auto it = FSectionOfPath.constFind(stored); it != FSectionOfPath.cend())
        return *it;
    if (given != stored && IsAbsolute(given)) {
        if (const auto it = FSectionOfPath.constFind(given); it != FSectionOfPath.cend())
            return *it;
    }
    // A section without a Path (written by hand, or by a much older program) is the path's by name.
    for (const QString& name : {SectionName(given), SectionName(stored)}) {
        if (HasSection(name) && PathIn(name).isEmpty())
            return name;
    }
    return std::nullopt;
}

QString TM3MediaConfigs::FreeSectionName(const QString& stored) const {
    return TPathSections(*this, QString(), PathKey).FreeName(stored);
}

double TM3MediaConfigs::GetResumeTime(const QString& path) const {
    if (path.isEmpty())
        return 0;
    const QString stored = ResolvedFilePath(path);
    const std::optional<QString> section = SectionOf(stored, path);
    return section ? ReadReal(*section, TimeKey, 0) : 0;
}

bool TM3MediaConfigs::Remember(const QString& stored, const QString& given, double seconds) {
    const std::optional<QString> found = SectionOf(stored, given);
    const QString section = found ? *found : FreeSectionName(stored);
    const QString path = TPathSections::Quote(stored);
    const QString time = StoreText::FormatReal(seconds, Regional().decimalPoint());
    const QString oldPath = PathIn(section);
    if (found && oldPath == stored && ReadText(section, TimeKey, QString()) == time)
        return false; // already so: nothing to save
    PutText(section, PathKey, path);
    PutText(section, TimeKey, time);
    if (!oldPath.isEmpty() && oldPath != stored && FSectionOfPath.value(oldPath) == section)
        FSectionOfPath.remove(oldPath);
    FSectionOfPath.insert(stored, section);
    return true;
}

void TM3MediaConfigs::DropAndReindex(const QString& section) {
    if (FIndexedGeneration != Generation()) {
        RemoveSection(section); // the index is built afresh when next needed
        return;
    }
    const QString path = PathIn(section);
    RemoveSection(section);
    if (!path.isEmpty() && FSectionOfPath.value(path) == section)
        FSectionOfPath.remove(path);
    // An earlier section of the same name is visible now.
    const QString revealed = PathIn(section);
    if (!revealed.isEmpty())
        FSectionOfPath.insert(revealed, section);
}

bool TM3MediaConfigs::Forget(const QString& stored, const QString& given, bool onlyByPath) {
    IndexIfStale();
    bool dropped = false;
    // Every entry of the file goes: one left behind would resume it at a stale position.
    for (const QString& path : {stored, given}) {
        if (path != stored && (onlyByPath || !IsAbsolute(path)))
            continue;
        for (auto it = FSectionOfPath.constFind(path); it != FSectionOfPath.cend();
             it = FSectionOfPath.constFind(path)) {
            DropAndReindex(*it);
            dropped = true;
        }
    }
    if (dropped || onlyByPath)
        return dropped;
    if (const std::optional<QString> section = SectionOf(stored, given)) {
        DropAndReindex(*section);
        return true;
    }
    return false;
}

void TM3MediaConfigs::SetResumeTime(const QString& path, double seconds) {
    // A line break in the path would split its Path line and corrupt the file; such a file is
    // simply not remembered, and the store is left as it was.
    if (path.isEmpty() || StoreText::HasLineBreak(path))
        return;
    // Remembering a position is never worth an error.
    IgnoreFailure([&] {
        const QString stored = ResolvedFilePath(path);
        if (StoreText::HasLineBreak(stored))
            return;
        const bool changed = seconds == 0 ? Forget(stored, path, false) : Remember(stored, path, seconds);
        if (changed)
            Record(stored, Change{path, seconds, false});
    });
}

void TM3MediaConfigs::SetPurgeProbe(TFileProbe::Lookup lookup, std::chrono::milliseconds budget) {
    FProbe = std::move(lookup);
    FPurgeBudget = budget;
}

void TM3MediaConfigs::Purge() {
    const QStringList paths = PurgePaths();
    DropGone(ProbeWithin(paths, FoldersWorthListing(paths), FProbe, FPurgeBudget));
}

QStringList TM3MediaConfigs::PurgePaths() const {
    QStringList paths;
    QSet<QString> seen;
    VisitSections(PathKey, [&](const QString&, const QString& value, bool) {
        const QString path = TPathSections::Unquote(value);
        if (path.isEmpty() || seen.contains(path))
            return;
        seen.insert(path);
        paths.append(path);
    });
    return paths;
}

void TM3MediaConfigs::DropGone(const QHash<QString, TFileProbe::Entry>& answers) {
    // The names of the sections with a Path, duplicates too: dropping the last of a name reveals
    // the earlier one, which the next occurrence of the name in the list then checks.
    QStringList names;
    VisitSections(PathKey, [&](const QString& name, const QString& value, bool) {
        if (!value.isEmpty())
            names.append(name);
    });
    for (const QString& name : names) {
        // Dropping a duplicate reveals the earlier one, so the path is read again here.
        const QString path = PathIn(name);
        const auto answer = answers.constFind(path);
        if (answer == answers.cend())
            continue; // not checked in time: kept
        // Gone, or a folder now: no file to resume. Any other failure proves nothing.
        if (*answer != TFileProbe::Entry::Missing && *answer != TFileProbe::Entry::Folder)
            continue;
        DropAndReindex(name);
        Record(path, Change{path, 0, true});
    }
}

void TM3MediaConfigs::Record(const QString& stored, const Change& change) {
    RecordChange(stored, [this, stored, change] {
        if (change.seconds != 0)
            Remember(stored, change.given, change.seconds);
        else
            Forget(stored, change.given, change.purged);
    });
}
