#pragma once

#include "config/SessionRecord.h"
#include "playlist/PlaylistBuilder.h"

#include <optional>

class QCollator;

/// A track list rebuilt from a stored session, and where to start in it.
struct RestoredSession {
    QStringList files;
    int current = 0;
    double seconds = 0; // 0: from the track's own remembered position, if any
};

/// Rebuilds the session's list from its arguments as a start builds it (folders searched again,
/// sorted by collator when it was sorted), then puts it in the stored order when it was shuffled:
/// files no longer found drop out, files found anew follow in the order found. The current track
/// is the one noted; when it is gone, the one that took its place in the list, from its start.
/// Nothing when no file of the session is left.
std::optional<RestoredSession> RebuildSession(const SessionState& state, const MediaTest& isMedia,
                                              const QCollator& collator);
