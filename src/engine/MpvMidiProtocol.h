#pragma once

#include <QByteArray>

struct mpv_handle;

/// The address that makes mpv play the local MIDI file at `absolutePath` through the synthesiser.
QByteArray MidiStreamUrl(const QByteArray& absolutePath);
/// Makes mpv open MidiStreamUrl addresses: each is read as a MidiPcmStream with a synthesiser of
/// the shared pool. Returns false when mpv refuses the protocol.
bool RegisterMidiProtocol(mpv_handle* mpv);
