#pragma once

#include "engine/MpvClient.h"
#include "engine/MpvLoad.h"

#include <QByteArray>

#include <cstdint>
#include <optional>

class MpvFileTracker;
struct MpvEventData;

/// The file hinted to follow the current one, appended to mpv's playlist so that a change to it
/// keeps the audio output open.
struct MpvAppendedEntry {
    MpvLoad load;              // its sequence tags the append
    std::int64_t id = 0;       // 0 until mpv's reply names the entry
    bool currentEnded = false; // the file before it ended by itself: mpv starts this entry or goes idle
};

enum class MpvAdoption { Adopt, Wait, Load };

/// Whether setting `load` can take over the entry already appended: Adopt once mpv has started
/// it, Wait while the file before it has ended and mpv has not yet said whether it moves on to it,
/// Load anew in every other case (another file or place, no entry, or one already over).
MpvAdoption AdoptionVerdict(const MpvLoad& load, const std::optional<MpvAppendedEntry>& appended,
                            const MpvFileTracker& tracker);

/// Keeps the hinted next file and its entry in mpv's playlist, which holds at most the current
/// entry and this one, and stops an entry mpv moved on to that nobody asked for.
class MpvPreparedNext {
public:
    MpvPreparedNext(MpvClient& client, const MpvFileTracker& tracker) : FClient(client), FTracker(tracker) {}

    /// The file set now: the same file is never prepared to follow itself, except as a stretch
    /// with an end of its own.
    void SetCurrentFile(const QByteArray& file) { FCurrentFile = file; }
    /// Hints `next`, and appends it at once when `appendNow` unless it already waits in mpv.
    /// Throws MediaControlError when mpv refuses the append.
    void Want(const MpvLoad& next, bool appendNow);
    /// Takes the hint back; an entry already appended stays until dropped.
    void Withdraw() { FWanted.reset(); }
    /// Appends the hinted file behind the current entry, in place of anything else there; a file
    /// to start past its beginning only takes out what is there. Throws MediaControlError when mpv
    /// refuses.
    void Append();
    /// Appends the hinted file unless an entry is appended already; throws as Append.
    void AppendUnlessAppended();
    /// Takes the appended entry out of mpv's playlist; throws MediaControlError when mpv refuses.
    void Drop();
    /// mpv's playlist was emptied (a load replaced it): nothing waits there any more.
    void Forget();
    /// Stops playback, which also empties mpv's playlist, and forgets the appended entry.
    void StopPlayback(MpvClient::OnRefusal onRefusal);
    /// Run after the handlers of an end have had their turn: if none of them set the entry mpv
    /// moved on to, it plays for nobody and is stopped.
    void StopOrphan();

    void OnAppendReply(const MpvEventData& event);
    /// The current file ended by itself: mpv moves on to the appended entry, or goes idle.
    void OnCurrentEnded();
    /// mpv went idle: it did not move on.
    void OnIdle();
    /// True while the current file has ended and mpv may be moving on to the appended entry.
    bool MovingOn() const { return FAppended && FAppended->currentEnded; }

    MpvAdoption Adoption(const MpvLoad& load) const { return AdoptionVerdict(load, FAppended, FTracker); }
    /// The appended entry's id, handed over to become the current file; it is forgotten here.
    std::int64_t TakeForAdoption();

private:
    MpvClient& FClient;
    const MpvFileTracker& FTracker;
    QByteArray FCurrentFile;
    std::optional<MpvLoad> FWanted;
    std::optional<MpvAppendedEntry> FAppended;
    std::uint64_t FSequence = 0;
};
