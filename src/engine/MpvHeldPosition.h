#pragma once

#include <cstdint>
#include <optional>

struct MpvEventData;

/// The position the control reports. While a put is on its way mpv still reports the old place,
/// or none, so the put is held until it has landed: a start sent with the load lands at the file's
/// playback restart, a seek once mpv has accepted it and the file has restarted there, and a put
/// made before the file has loaded waits here to be sent as a seek.
class MpvHeldPosition {
public:
    double Position() const { return FPosition; }

    /// Reports `seconds` from now on; what is held stays held.
    void Set(double seconds) { FPosition = seconds; }
    /// Lets mpv's own position show again.
    void Release() { FHeld = false; }
    /// The file ended or was replaced: a put still on its way has nothing to land on.
    void Drop();
    /// As Drop, and the position goes back to 0.
    void Reset();

    /// A load was sent that starts past 0: held until the file's playback restart.
    void HoldForLoad() { Hold(0, true); }
    /// A seek was sent, tagged with `sequence`: held until mpv accepts it and the file restarts.
    void HoldForSeek(std::uint64_t sequence) { Hold(sequence, false); }
    /// A put made before the file has loaded, when mpv refuses seeks: it waits to be sent.
    void HoldUntilLoaded(double seconds);
    /// The file has loaded: the put that waited for it, if any.
    std::optional<double> TakeWaiting();

    /// mpv reports where the current file plays.
    void OnReported(double seconds);
    void OnSeekReply(const MpvEventData& event);
    /// `currentFileLoaded`: the restart is one of the current file, the only one a put lands in.
    void OnPlaybackRestart(bool currentFileLoaded);

private:
    void Hold(std::uint64_t seekSequence, bool accepted);

    double FPosition = 0.0;
    std::optional<double> FWaiting;
    bool FHeld = false;
    std::uint64_t FSeekSequence = 0; // 0: held for a start, no seek
    bool FSeekAccepted = false;
    bool FRestartSinceSeek = false; // mpv restarted before it answered the seek
};
