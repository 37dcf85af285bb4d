#include "engine/MpvClipPlayback.h"

#include <algorithm>
#include <cmath>

namespace {

// Clips that meet within this are heard as one; a place this close to a stretch's end is past it.
constexpr double kTouch = 0.001;

bool Touches(double a, double b) {
    return std::abs(a - b) <= kTouch;
}

} // namespace

std::vector<MpvStretch> MergeClips(const QList<MediaClip>& clips) {
    std::vector<MpvStretch> stretches;
    stretches.reserve(static_cast<std::size_t>(clips.size()));
    for (const MediaClip& clip : clips) {
        if (!std::isfinite(clip.begin) || !std::isfinite(clip.end) || !std::isfinite(clip.at) ||
            clip.path.isEmpty())
            continue;
        const double begin = std::max(0.0, clip.begin);
        if (clip.end - begin <= 0.0)
            continue;
        if (!stretches.empty()) {
            MpvStretch& last = stretches.back();
            if (last.path == clip.path && Touches(last.end, begin) && Touches(last.TrackEnd(), clip.at)) {
                last.end = clip.end;
                continue;
            }
        }
        stretches.push_back({clip.path, begin, clip.end, clip.at});
    }
    stretches.shrink_to_fit();
    return stretches;
}

bool MpvClipPlayback::Start(const QList<MediaClip>& clips, double length) {
    Clear();
    FStretches = MergeClips(clips);
    FLength = std::isfinite(length) ? std::max(0.0, length) : 0.0;
    const int first = NextPlayable(0);
    if (first < 0) {
        FStretches.clear();
        return false;
    }
    OpenAt(first, FStretches[static_cast<std::size_t>(first)].begin, MpvClient::OnRefusal::Throw);
    return true;
}

void MpvClipPlayback::Clear() {
    FStretches.clear();
    FStretches.shrink_to_fit();
    FLength = 0.0;
    FIndex = 0;
    FNext = -1;
    FFinished = false;
    FLaterFile.reset();
}

double MpvClipPlayback::TrackTime(double filePosition) const {
    if (!Playing())
        return filePosition;
    const MpvStretch& s = FStretches[static_cast<std::size_t>(FIndex)];
    // mpv may land a sample before the start asked for, and report a file's end late.
    return s.at + std::clamp(filePosition - s.begin, 0.0, s.end - s.begin);
}

bool MpvClipPlayback::Hint(const QString& path, double start) {
    FLaterFile.emplace(path, start);
    return Playing() && FNext >= 0;
}

bool MpvClipPlayback::StretchEnded() {
    if (!Playing() || FNext < 0)
        return false;
    // mpv moves on to the prepared stretch by itself; nothing throws out of the event loop.
    OpenAt(FNext, FStretches[static_cast<std::size_t>(FNext)].begin, MpvClient::OnRefusal::Ignore);
    return true;
}

std::pair<MpvClipPlayback::Found, double> MpvClipPlayback::Seek(double seconds) {
    // The first stretch that goes on past the place; one that ends right there is over already.
    const auto found = std::upper_bound(FStretches.begin(), FStretches.end(), seconds + kTouch,
                                        [](double t, const MpvStretch& s) { return t < s.TrackEnd(); });
    const int index = static_cast<int>(found - FStretches.begin());
    // A stretch that cannot be played is passed over, as when it is reached by playing.
    const int target = index == FIndex ? index : NextPlayable(index);
    if (target < 0)
        return {Found::PastEnd, 0.0};
    const MpvStretch& s = FStretches[static_cast<std::size_t>(target)];
    // A place between clips goes on to the start of the next.
    const double start = s.begin + std::max(0.0, seconds - s.at);
    if (target == FIndex)
        return {Found::InCurrent, start};
    OpenAt(target, start, MpvClient::OnRefusal::Throw);
    return {Found::Opened, start};
}

int MpvClipPlayback::NextPlayable(int from) const {
    // Stretches of one file come together: its file is asked about once.
    const QString* asked = nullptr;
    for (auto i = static_cast<std::size_t>(std::max(0, from)); i < FStretches.size(); ++i) {
        const QString& path = FStretches[i].path;
        if (asked && *asked == path)
            continue;
        if (FActions.playable(path))
            return static_cast<int>(i);
        asked = &path;
    }
    return -1;
}

void MpvClipPlayback::OpenAt(int index, double start, MpvClient::OnRefusal onRefusal) {
    FIndex = index;
    FNext = NextPlayable(index + 1);
    const MpvStretch& s = FStretches[static_cast<std::size_t>(index)];
    FActions.open(s.path, start, s.end, onRefusal);
    if (FNext >= 0) {
        const MpvStretch& next = FStretches[static_cast<std::size_t>(FNext)];
        FActions.prepare(next.path, next.begin, next.end);
    } else if (FLaterFile) {
        FActions.prepare(FLaterFile->first, FLaterFile->second, std::nullopt);
    }
}
