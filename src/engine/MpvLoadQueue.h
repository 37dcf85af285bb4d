#pragma once

#include "engine/MpvLoad.h"

#include <cstdint>
#include <functional>
#include <optional>

class QObject;

/// What the control does for the file last set, from the event loop. The load SetUrl asks for is
/// held until the UI thread is free again, so that a position put right after SetUrl goes with the
/// load itself and nothing of the file's opening is heard first. Calls queued for one file are
/// dropped once another file is set or the control closes.
class MpvLoadQueue {
public:
    /// `owner`: the object the calls are queued on; Qt drops them once it is gone.
    explicit MpvLoadQueue(QObject& owner) : FOwner(owner) {}

    /// SetUrl or Close: calls queued before have nothing left to do, and no load is held.
    void Restart();
    /// Runs `call` from the event loop, unless SetUrl or Close comes first.
    void Post(std::function<void()> call);

    void Hold(const MpvLoad& load) { FUnsent = load; }
    bool HasUnsent() const { return FUnsent.has_value(); }
    const MpvLoad& Unsent() const { return *FUnsent; }
    /// A position put before the load is sent goes with it.
    void PutStart(double seconds) { FUnsent->start = seconds; }
    void TakeUnsent() { FUnsent.reset(); }

    /// The held load waits until mpv's next start or idle says whether it moves on to the
    /// prepared entry.
    void WaitForMove() { FWaitsForMove = true; }
    /// True once after WaitForMove, for the start or idle that decides.
    bool TakeWaitForMove();

private:
    QObject& FOwner;
    std::uint64_t FGeneration = 0; // counts SetUrl and Close
    std::optional<MpvLoad> FUnsent;
    bool FWaitsForMove = false;
};
