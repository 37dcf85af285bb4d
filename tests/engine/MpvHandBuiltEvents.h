#pragma once

// mpv events as the control's drain copies them, built by hand for the tests of the pure parts.

#include "engine/MpvEvents.h"

#include <cstdint>

inline MpvEventData LoadReply(std::uint64_t sequence, std::int64_t entry, int error = 0) {
    MpvEventData e;
    e.kind = MpvEventKind::CommandReply;
    e.userdata = MakeRequestTag(MpvRequest::Load, sequence);
    e.entryId = entry;
    e.error = error;
    return e;
}

inline MpvEventData Start(std::int64_t entry) {
    MpvEventData e;
    e.kind = MpvEventKind::StartFile;
    e.entryId = entry;
    return e;
}

inline MpvEventData Loaded() {
    MpvEventData e;
    e.kind = MpvEventKind::FileLoaded;
    return e;
}

inline MpvEventData End(std::int64_t entry, int reason, int error = 0) {
    MpvEventData e;
    e.kind = MpvEventKind::EndFile;
    e.entryId = entry;
    e.endReason = reason;
    e.endError = error;
    return e;
}
