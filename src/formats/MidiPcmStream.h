#pragma once

#include "formats/MidiFile.h"
#include "formats/MidiSynth.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

/// A checked MIDI file played as a seekable WAV byte stream: a 44-byte header, then 16-bit stereo
/// PCM rendered on demand. Its size follows from the file's length, so a byte offset is a time and
/// the player's own seeking, speed and volume work on it as on any WAV file. A seek repositions
/// the synthesiser lazily: reset, catch up on the channel state without notes, render from there.
class MidiPcmStream {
public:
    static constexpr int kHeaderBytes = 44;
    static constexpr int kFrameBytes = 4;

    /// Reads and checks `path` (file system bytes) and takes a synthesiser from `pool`; returns
    /// null when the file cannot be read or is not a well-formed MIDI file, or no synthesiser loads.
    static std::unique_ptr<MidiPcmStream> Open(const std::string& path, MidiSynthPool& pool);
    ~MidiPcmStream();
    MidiPcmStream(const MidiPcmStream&) = delete;
    MidiPcmStream& operator=(const MidiPcmStream&) = delete;

    std::int64_t Size() const { return kHeaderBytes + FFrames * kFrameBytes; }
    std::int64_t Frames() const { return FFrames; }
    /// Copies up to `count` bytes from the current offset; returns how many, 0 at the end.
    std::int64_t Read(char* buffer, std::uint64_t count);
    /// Moves to `offset`; returns it, or -1 when it lies outside the stream.
    std::int64_t Seek(std::int64_t offset);

private:
    MidiPcmStream(MidiFile file, PooledMidiSynth synth);
    void Fill(std::int64_t frame);
    void CatchUp(std::int64_t frame);
    void Render(std::int16_t* out, std::int64_t frames);

    MidiFile FFile;
    PooledMidiSynth FSynth;
    std::vector<std::int64_t> FEventFrames;
    std::array<char, kHeaderBytes> FHeader{};
    std::int64_t FFrames = 0;
    std::int64_t FPos = 0;            // byte offset of the next read
    std::int64_t FCursor = 0;         // next frame the synthesiser renders
    std::size_t FNextEvent = 0;       // first event not yet sent
    std::vector<std::int16_t> FChunk; // the frames last rendered, for reads that split a frame
    std::int64_t FChunkStart = 0;
    std::int64_t FChunkFrames = 0;
};
