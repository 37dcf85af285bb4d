#include "config/SpeedConfigs.h"

#include "config/MediaConfigs.h"
#include "config/SectionedStore.h"
#include "config/StoreText.h"
#include "config/TimedProbe.h"

#include <cmath>

namespace {

const QString FolderKey = QStringLiteral("Folder");
const QString RateKey = QStringLiteral("Rate");

// Loading trims values, so a folder ending in a blank is kept in quotes; a folder begins with '/'.
QString EncodeFolder(const QString& folder) {
    if (!folder.isEmpty() && (folder.back().unicode() <= u' ' || folder.front() == u'"'))
        return u'"' + folder + u'"';
    return folder;
}

QString DecodeFolder(const QString& value) {
    if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"')
        return value.sliced(1, value.size() - 2);
    return value;
}

bool IsSpeedSection(const QString& name) {
    return name.startsWith(QLatin1String(TSpeedConfigs::kSectionPrefix), Qt::CaseInsensitive);
}

} // namespace

TSpeedConfigs::TSpeedConfigs(SectionedStore& store) : FStore(store) {}

std::optional<QString> TSpeedConfigs::SectionOf(const QString& folder, bool create) const {
    // Folders that reduce to the same name take the next free "~n" after it, as positions do.
    const QString base = QLatin1String(kSectionPrefix) + TM3MediaConfigs::SectionName(folder);
    for (int n = 1;; ++n) {
        const QString name = n == 1 ? base : base + u'~' + QString::number(n);
        const QString stored = FStore.ReadText(name, FolderKey, QString());
        if (stored.isEmpty())
            return create ? std::optional<QString>(name) : std::nullopt;
        if (DecodeFolder(stored) == folder)
            return name;
    }
}

std::optional<double> TSpeedConfigs::RateOf(const QString& folder) const {
    if (folder.isEmpty())
        return std::nullopt;
    const std::optional<QString> section = SectionOf(folder, false);
    if (!section)
        return std::nullopt;
    const double rate = FStore.ReadReal(*section, RateKey, 0);
    // A hand-edited rate the keys could never set is no speed to start a book at.
    if (!std::isfinite(rate) || rate < kLowestRate || rate > kHighestRate)
        return std::nullopt;
    return rate;
}

void TSpeedConfigs::SetRate(const QString& folder, double rate) {
    if (folder.isEmpty() || folder.contains(u'\r') || folder.contains(u'\n') || !std::isfinite(rate) ||
        rate <= 0)
        return;
    const QString section = *SectionOf(folder, true);
    // Unchanged: no write, so that the save after it stays free.
    if (FStore.ReadReal(section, RateKey, 0) == rate)
        return;
    FStore.WriteText(section, FolderKey, EncodeFolder(folder));
    FStore.WriteReal(section, RateKey, rate);
}

void TSpeedConfigs::Purge(const FileProbe::Lookup& lookup, std::chrono::milliseconds budget) {
    QStringList sections;
    QStringList folders;
    for (const QString& name : FStore.SectionNames()) {
        if (!IsSpeedSection(name))
            continue;
        const QString folder = DecodeFolder(FStore.ReadText(name, FolderKey, QString()));
        if (folder.isEmpty())
            continue;
        sections.append(name);
        folders.append(folder);
    }
    if (sections.isEmpty())
        return;
    const QHash<QString, FileProbe::Entry> answers = ProbeWithin(folders, {}, lookup, budget);
    for (qsizetype i = 0; i < sections.size(); ++i) {
        // A folder on a drive that is not mounted, or one that cannot be read, may come back.
        if (answers.value(folders[i], FileProbe::Entry::Unknown) == FileProbe::Entry::Missing)
            FStore.DropSection(sections[i]);
    }
}
