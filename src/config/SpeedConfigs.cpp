#include "config/SpeedConfigs.h"

#include "config/PathSections.h"
#include "config/SectionedStore.h"
#include "config/StoreText.h"
#include "config/TimedProbe.h"
#include "util/RateBounds.h"

#include <cmath>

namespace {

const QString FolderKey = QStringLiteral("Folder");
const QString RateKey = QStringLiteral("Rate");

} // namespace

TSpeedConfigs::TSpeedConfigs(TSectionedStore& store)
    : FStore(store), FSections(store, QLatin1String(kSectionPrefix), FolderKey) {}

std::optional<double> TSpeedConfigs::RateOf(const QString& folder) const {
    const std::optional<QString> section = FSections.Find(folder);
    if (!section)
        return std::nullopt;
    const double rate = FStore.ReadReal(*section, RateKey, 0);
    // A hand-edited rate the keys could never set is no speed to start a book at.
    if (!std::isfinite(rate) || rate < kMinRate || rate > kMaxRate)
        return std::nullopt;
    return rate;
}

void TSpeedConfigs::SetRate(const QString& folder, double rate) {
    if (folder.isEmpty() || StoreText::HasLineBreak(folder) || !std::isfinite(rate) || rate <= 0)
        return;
    const std::optional<QString> found = FSections.Find(folder);
    // Unchanged: no write, so that the save after it stays free.
    if (found && FStore.ReadReal(*found, RateKey, 0) == rate)
        return;
    const QString section = found ? *found : FSections.FreeName(folder);
    FStore.WriteText(section, FolderKey, TPathSections::Quote(folder));
    FStore.WriteReal(section, RateKey, rate);
}

void TSpeedConfigs::Purge(const TFileProbe::Lookup& lookup, std::chrono::milliseconds budget) {
    DropGone(ProbeWithin(PurgePaths(), {}, lookup, budget));
}

QStringList TSpeedConfigs::PurgePaths() const {
    return FSections.Paths();
}

void TSpeedConfigs::DropGone(const QHash<QString, TFileProbe::Entry>& answers) {
    // A folder on a drive that is not mounted, or one that cannot be read, may come back.
    for (const QString& section : FSections.SectionsGone(answers, {TFileProbe::Entry::Missing}))
        FStore.DropSection(section);
}
