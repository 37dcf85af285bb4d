#include "engine/MpvPreparedNext.h"

#include "engine/MpvEvents.h"
#include "engine/MpvFileTracker.h"

MpvAdoption AdoptionVerdict(const MpvLoad& load, const std::optional<MpvAppendedEntry>& appended,
                            const MpvFileTracker& tracker) {
    if (!appended || appended->id == 0 || !SamePlace(appended->load, load) || tracker.HasEnded(appended->id))
        return MpvAdoption::Load;
    if (tracker.LastStartedId() == appended->id)
        return MpvAdoption::Adopt;
    return appended->currentEnded ? MpvAdoption::Wait : MpvAdoption::Load;
}

void MpvPreparedNext::Want(const MpvLoad& next, bool appendNow) {
    const bool waiting = FAppended && SamePlace(FAppended->load, next);
    FWanted = next;
    if (appendNow && !waiting)
        Append();
}

void MpvPreparedNext::Append() {
    if (!FWanted)
        return;
    // The same file again follows its own remembered position, not a prepared one; a stretch of it
    // is a place of its own. An entry that starts past its beginning is not prepared either: mpv's
    // seek into it empties the output, cutting off the end of the entry playing, which the output
    // still holds; it is loaded once reached instead. What waited for an earlier hint goes.
    if ((FWanted->file == FCurrentFile && !FWanted->end) || FWanted->start > 0.0) {
        Drop();
        return;
    }
    if (FAppended || FTracker.CurrentFileStarted()) {
        // Everything but the current entry goes: the file before it and any earlier hint.
        FClient.Command({"playlist-clear"});
    }
    MpvLoad load = *FWanted;
    load.sequence = ++FSequence;
    FClient.LoadFile(load, "append", MakeRequestTag(MpvRequest::Append, load.sequence));
    FAppended = MpvAppendedEntry{load};
}

void MpvPreparedNext::AppendUnlessAppended() {
    if (!FAppended)
        Append();
}

void MpvPreparedNext::Drop() {
    if (!FAppended)
        return;
    Forget();
    FClient.Command({"playlist-clear"});
}

void MpvPreparedNext::Forget() {
    FAppended.reset();
}

void MpvPreparedNext::StopPlayback(MpvClient::OnRefusal onRefusal) {
    FClient.Command({"stop"}, 0, onRefusal);
    Forget();
}

void MpvPreparedNext::StopOrphan() {
    if (FAppended)
        StopPlayback(MpvClient::OnRefusal::Ignore);
}

void MpvPreparedNext::OnAppendReply(const MpvEventData& event) {
    if (RequestKind(event.userdata) != MpvRequest::Append || !FAppended ||
        RequestSequence(event.userdata) != FAppended->load.sequence)
        return;
    if (event.error < 0 || event.entryId <= 0) {
        FAppended.reset(); // the next file will simply be loaded when it is set
        return;
    }
    FAppended->id = event.entryId;
}

void MpvPreparedNext::OnCurrentEnded() {
    if (FAppended)
        FAppended->currentEnded = true;
}

void MpvPreparedNext::OnIdle() {
    if (FAppended)
        FAppended->currentEnded = false;
}

std::int64_t MpvPreparedNext::TakeForAdoption() {
    const std::int64_t id = FAppended ? FAppended->id : 0;
    Forget();
    return id;
}
