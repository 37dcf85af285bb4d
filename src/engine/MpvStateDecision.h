#pragma once

#include "engine/MpvFileTracker.h"

/// What the control reports when the tracker gives a verdict on the current file.
struct MpvStateDecision {
    int state = 0;             // the play state to report; 0 (psUndefined): nothing changes
    bool failure = false;      // EndedByFailure: the file could not be opened or read
    bool stopPlayback = false; // mpv must not play on: the file turned out to be a list of others
};

/// Loaded: 3, or 2 when a pause was asked for while it opened. An end of the media or a failure:
/// 8 (the control follows it with 1). A stop mpv made by itself, as when the audio output died: 1
/// alone, so that the list does not run through files that cannot sound either.
MpvStateDecision DecideState(MpvFileTracker::Verdict verdict, bool pauseWanted);
