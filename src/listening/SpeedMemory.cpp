#include "listening/SpeedMemory.h"

#include "config/SpeedConfigs.h"
#include "engine/MyPlayer.h"
#include "util/FileIdentity.h"

#include <cmath>

namespace {
// Rates match by their whole percent, as the speed steps see them.
bool SameRate(double a, double b) {
    return std::nearbyint(a * 100) == std::nearbyint(b * 100);
}
} // namespace

TSpeedMemory::TSpeedMemory(TMyPlayer& player, TSpeedConfigs& store) : FPlayer(player), FStore(store) {}

QString TSpeedMemory::FolderOf(const QString& file) {
    if (file.isEmpty())
        return {};
    const QString resolved = ResolvedFilePath(file);
    const qsizetype slash = resolved.lastIndexOf(u'/');
    // A file in the root folder belongs to "/" itself.
    return slash <= 0 ? QStringLiteral("/") : resolved.first(slash);
}

void TSpeedMemory::Remember(const QString& file) {
    const double rate = FPlayer.GetRate();
    if (!std::isfinite(rate) || rate <= 0)
        return;
    FStore.SetRate(FolderOf(file), rate);
}

bool TSpeedMemory::Apply(const QString& file) {
    const std::optional<double> remembered = FStore.RateOf(FolderOf(file));
    if (!remembered || SameRate(*remembered, FPlayer.GetRate()))
        return false;
    FPlayer.SetRate(*remembered);
    return true;
}
