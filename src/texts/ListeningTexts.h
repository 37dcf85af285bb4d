#pragma once

#include <QString>

/// The sleep timer's choice that waits for the end of the playing track instead of a time.
inline constexpr int kSleepAtTrackEnd = -1;

/// What a press of the sleep timer key says: "Timer spento" for 0 minutes, "Timer 30 minuti",
/// "Timer fine brano" for kSleepAtTrackEnd; Spanish for LangSpanish, Italian otherwise.
QString SleepTimerSpokenText(int minutes, int language);
/// The options dialog's check box for the rewind after a long pause.
QString RewindOptionText(int language);
