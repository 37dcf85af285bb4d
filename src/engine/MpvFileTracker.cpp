#include "engine/MpvFileTracker.h"

void MpvFileTracker::LoadRequested(std::uint64_t sequence) {
    FLoadSequence = sequence;
    FAwaitingLoadReply = true;
    FCurrentId = 0;
    FLoaded = false;
}

void MpvFileTracker::Abandon() {
    FAwaitingLoadReply = false;
    FCurrentId = 0;
    FLoaded = false;
}

void MpvFileTracker::Adopt(std::int64_t id) {
    FAwaitingLoadReply = false;
    FCurrentId = id;
    FLoaded = FLastStartedId == id && FLastStartedLoaded;
}

MpvFileTracker::Verdict MpvFileTracker::OnEvent(const MpvEventData& event) {
    switch (event.kind) {
    case MpvEventKind::CommandReply:
        return OnLoadReply(event);
    case MpvEventKind::StartFile:
        FLastStartedId = event.entryId;
        FLastStartedLoaded = false;
        return Verdict::None;
    case MpvEventKind::FileLoaded:
        // FILE_LOADED names no entry; it belongs to the entry that started last.
        FLastStartedLoaded = true;
        if (!CurrentFileStarted() || FLoaded)
            return Verdict::None;
        FLoaded = true;
        return Verdict::Loaded;
    case MpvEventKind::EndFile:
        return OnEndFile(event);
    default:
        return Verdict::None;
    }
}

MpvFileTracker::Verdict MpvFileTracker::OnLoadReply(const MpvEventData& event) {
    if (RequestKind(event.userdata) != MpvRequest::Load || !FAwaitingLoadReply ||
        RequestSequence(event.userdata) != FLoadSequence)
        return Verdict::None;
    FAwaitingLoadReply = false;
    // mpv rejected the load outright or did not say which entry it made: nothing will ever play.
    if (event.error < 0 || event.entryId <= 0)
        return Verdict::Failed;
    FCurrentId = event.entryId;
    return Verdict::None;
}

MpvFileTracker::Verdict MpvFileTracker::OnEndFile(const MpvEventData& event) {
    FLastEndedId = event.entryId;
    if (FCurrentId == 0 || event.entryId != FCurrentId)
        return Verdict::None;
    FCurrentId = 0;
    FLoaded = false;
    switch (ClassifyEndFile(event.endReason, event.endError)) {
    case MpvEndOutcome::MediaEnded:
        return Verdict::MediaEnded;
    case MpvEndOutcome::Failed:
        return Verdict::Failed;
    case MpvEndOutcome::Redirected:
        return Verdict::Redirected;
    case MpvEndOutcome::Stopped:
        return Verdict::Stopped;
    }
    return Verdict::Stopped;
}
