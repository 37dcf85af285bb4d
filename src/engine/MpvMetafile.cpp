#include "engine/MpvMetafile.h"

#include <algorithm>
#include <utility>

void MpvMetafile::Start(std::vector<AsxEntry> entries) {
    FEntries = std::move(entries);
    FStarts.assign(1, 0.0);
    FIndex = 0;
    FAimedAt = 0.0;
    FFinished = false;
}

void MpvMetafile::Clear() {
    Start({});
}

const AsxEntry* MpvMetafile::Next() const {
    const auto next = static_cast<std::size_t>(FIndex) + 1;
    return next < FEntries.size() ? &FEntries[next] : nullptr;
}

bool MpvMetafile::Advance(double length) {
    if (!Next())
        return false;
    const auto next = static_cast<std::size_t>(FIndex) + 1;
    // An entry played again ends where it ended before: the starts after it stay as they were.
    if (FStarts.size() == next)
        FStarts.push_back(FStarts.back() + std::max(0.0, length));
    ++FIndex;
    return true;
}

MpvMetafile::Place MpvMetafile::Locate(double seconds) {
    FAimedAt = seconds;
    const auto after = std::upper_bound(FStarts.begin(), FStarts.end(), seconds);
    const auto index = static_cast<int>(std::max<std::ptrdiff_t>(0, after - FStarts.begin() - 1));
    return {index, seconds - FStarts[static_cast<std::size_t>(index)]};
}

double MpvMetafile::StartOnTheWay() const {
    return std::max(0.0, FAimedAt - Offset());
}
