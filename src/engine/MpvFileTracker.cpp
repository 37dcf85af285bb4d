#include "engine/MpvFileTracker.h"

void MpvFileTracker::LoadRequested(std::uint64_t sequence) {
    m_loadSequence = sequence;
    m_awaitingLoadReply = true;
    m_currentId = 0;
    m_loaded = false;
}

void MpvFileTracker::Abandon() {
    m_awaitingLoadReply = false;
    m_currentId = 0;
    m_loaded = false;
}

void MpvFileTracker::Adopt(std::int64_t id) {
    m_awaitingLoadReply = false;
    m_currentId = id;
    m_loaded = m_lastStartedId == id && m_lastStartedLoaded;
}

MpvFileTracker::Verdict MpvFileTracker::OnEvent(const MpvEventData& event) {
    switch (event.kind) {
    case MpvEventKind::CommandReply:
        return OnLoadReply(event);
    case MpvEventKind::StartFile:
        m_lastStartedId = event.entryId;
        m_lastStartedLoaded = false;
        return Verdict::None;
    case MpvEventKind::FileLoaded:
        // FILE_LOADED names no entry; it belongs to the entry that started last.
        m_lastStartedLoaded = true;
        if (!CurrentFileStarted() || m_loaded)
            return Verdict::None;
        m_loaded = true;
        return Verdict::Loaded;
    case MpvEventKind::EndFile:
        return OnEndFile(event);
    default:
        return Verdict::None;
    }
}

MpvFileTracker::Verdict MpvFileTracker::OnLoadReply(const MpvEventData& event) {
    if (RequestKind(event.userdata) != MpvRequest::Load || !m_awaitingLoadReply ||
        RequestSequence(event.userdata) != m_loadSequence)
        return Verdict::None;
    m_awaitingLoadReply = false;
    // mpv rejected the load outright or did not say which entry it made: nothing will ever play.
    if (event.error < 0 || event.entryId <= 0)
        return Verdict::Failed;
    m_currentId = event.entryId;
    return Verdict::None;
}

MpvFileTracker::Verdict MpvFileTracker::OnEndFile(const MpvEventData& event) {
    m_lastEndedId = event.entryId;
    if (m_currentId == 0 || event.entryId != m_currentId)
        return Verdict::None;
    m_currentId = 0;
    m_loaded = false;
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
