#pragma once

#include <QByteArray>

struct SoundOptions;

/// mpv's whole `af` list for the sound the listener asked for, in the order the filters must run:
/// the mix to mono, the evening of loudness, then the pitch keeper of a speed outside mpv's own
/// range (`widePitchKeeper`). Empty when nothing is asked, so that mpv's chain stays its own.
/// Shorter silences need no filter: they are passed over by seeking (MpvSilenceSkipper).
QByteArray MpvAudioFilterList(const SoundOptions& sound, bool widePitchKeeper);
