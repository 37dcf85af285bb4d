#include "engine/MpvHeldPosition.h"

#include "engine/MpvEvents.h"

#include <utility>

void MpvHeldPosition::Drop() {
    FWaiting.reset();
    FHeld = false;
}

void MpvHeldPosition::Reset() {
    Drop();
    FPosition = 0.0;
}

void MpvHeldPosition::HoldUntilLoaded(double seconds) {
    FWaiting = seconds;
    Hold(0, false);
    FPosition = seconds;
}

std::optional<double> MpvHeldPosition::TakeWaiting() {
    return std::exchange(FWaiting, std::nullopt);
}

void MpvHeldPosition::OnReported(double seconds) {
    if (!FHeld)
        FPosition = seconds;
}

void MpvHeldPosition::OnSeekReply(const MpvEventData& event) {
    if (RequestKind(event.userdata) != MpvRequest::Seek || !FHeld ||
        RequestSequence(event.userdata) != FSeekSequence)
        return;
    if (event.error < 0) {
        FHeld = false; // refused: let mpv's own position show again
        return;
    }
    // The seek is queued in mpv; the next playback restart is where it lands, unless mpv has
    // already restarted there: the reply may come after the restart it caused.
    FSeekAccepted = true;
    if (FRestartSinceSeek)
        FHeld = false;
}

void MpvHeldPosition::OnPlaybackRestart(bool currentFileLoaded) {
    if (!FHeld || !currentFileLoaded)
        return;
    if (FSeekAccepted)
        FHeld = false;
    else if (FSeekSequence != 0)
        FRestartSinceSeek = true;
}

void MpvHeldPosition::Hold(std::uint64_t seekSequence, bool accepted) {
    FHeld = true;
    FSeekSequence = seekSequence;
    FSeekAccepted = accepted;
    FRestartSinceSeek = false;
}
