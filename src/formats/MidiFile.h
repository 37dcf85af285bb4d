#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

/// One channel or system-exclusive event of a checked MIDI file, at its time from the start.
struct MidiEvent {
    double seconds = 0.0;
    std::uint8_t status = 0; // 0x80..0xEF with the channel in the low nibble, or 0xF0 for a SysEx
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;
    std::uint32_t sysexOffset = 0; // SysEx only: the message body (without F0 and F7) in SysexData()
    std::uint32_t sysexLength = 0;
};

/// A Standard MIDI File (or its RIFF "RMID" wrapper) read by a parser that trusts nothing: every
/// length, count and quantity is checked against the bytes that are really there and against fixed
/// bounds, so a hostile file is refused before any synthesiser sees it. The result is one list of
/// events in playing order with their times worked out from the tempo map.
class MidiFile {
public:
    /// Largest file read at all; real songs are a few hundred kilobytes.
    static constexpr std::size_t kMaxFileBytes = 16u << 20;
    static constexpr int kMaxTracks = 1024;
    static constexpr std::size_t kMaxEvents = 1'000'000;
    static constexpr std::uint32_t kMaxSysexBytes = 4096;
    /// Longer songs could not be described by the 4 GiB PCM stream they are played through.
    static constexpr double kMaxSeconds = 6.0 * 3600.0;

    /// Returns nothing for anything that is not a well-formed MIDI file within the bounds above.
    static std::optional<MidiFile> Parse(std::span<const std::uint8_t> bytes);

    /// Time of the last event or track end, in seconds.
    double DurationSeconds() const { return FDuration; }
    /// Every playable event, ordered by time; ties keep the order of the file.
    const std::vector<MidiEvent>& Events() const { return FEvents; }
    const std::vector<std::uint8_t>& SysexData() const { return FSysex; }

private:
    MidiFile() = default;
    friend class MidiFileReader;

    double FDuration = 0.0;
    std::vector<MidiEvent> FEvents;
    std::vector<std::uint8_t> FSysex;
};
