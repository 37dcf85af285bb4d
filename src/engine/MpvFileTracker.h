#pragma once

#include "engine/MpvEvents.h"

#include <cstdint>

/// Follows which mpv playlist entry is the file the program last asked for, so that events of a
/// file already replaced or closed are told apart from those of the current one.
class MpvFileTracker {
public:
    /// What an event means for the current file.
    enum class Verdict { None, Loaded, MediaEnded, Failed, Stopped, Redirected };

    /// A load was sent with MakeRequestTag(MpvRequest::Load, sequence).
    void LoadRequested(std::uint64_t sequence);
    /// The program stopped playback itself: nothing is current any more.
    void Abandon();
    /// The entry `id`, which mpv moves to by itself, becomes the current file in place of the
    /// load last requested; what was already seen of it counts.
    void Adopt(std::int64_t id);
    /// Returns None for every event that does not concern the current file.
    Verdict OnEvent(const MpvEventData& event);

    /// True once the current file has started, so property changes describe it.
    bool CurrentFileStarted() const { return FCurrentId != 0 && FLastStartedId == FCurrentId; }
    bool CurrentFileLoaded() const { return FLoaded; }
    /// The entry mpv started last, whether or not it is the current file.
    std::int64_t LastStartedId() const { return FLastStartedId; }
    /// True once mpv has ended the entry `id` (only the last ended entry is remembered).
    bool HasEnded(std::int64_t id) const { return id != 0 && FLastEndedId == id; }

private:
    Verdict OnLoadReply(const MpvEventData& event);
    Verdict OnEndFile(const MpvEventData& event);

    std::uint64_t FLoadSequence = 0;
    bool FAwaitingLoadReply = false;
    std::int64_t FCurrentId = 0; // 0: none known
    std::int64_t FLastStartedId = 0;
    bool FLastStartedLoaded = false;
    std::int64_t FLastEndedId = 0;
    bool FLoaded = false;
};
