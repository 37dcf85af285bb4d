#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

/// One note of a generated tune, in ticks.
struct MidiNote {
    std::uint32_t start = 0;
    std::uint32_t length = 0;
    int key = 60;
    int velocity = 100;
    int channel = 0;
};

/// The bytes of a one-track (format 0) Standard MIDI File playing `notes` on the piano, at
/// `ticksPerQuarter` and a constant tempo; the track ends at `endTick` or, if later, the last note's end.
QByteArray MidiTuneBytes(const std::vector<MidiNote>& notes, int ticksPerQuarter = 480,
                         std::uint32_t microsPerQuarter = 500000, std::uint32_t endTick = 0);
/// The same MIDI data in a RIFF "RMID" wrapper, as in ".rmi" files.
QByteArray RmidBytes(const QByteArray& midi);
/// A variable-length quantity as MIDI files write delta times and lengths.
QByteArray MidiVarLength(std::uint32_t value);
/// Writes `bytes` to `path`; returns false when the file cannot be written.
bool WriteBytes(const QString& path, const QByteArray& bytes);
