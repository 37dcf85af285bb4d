#include "formats/MidiPcmStream.h"

#include "formats/MediaOpenRule.h"

#include <QByteArray>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr std::int64_t kChunkFrames = 4096; // about 93 ms: one render call per few demuxer reads
constexpr std::int64_t kBlockFrames = MidiSynth::kBlockFrames;

std::int64_t RoundUpToBlock(std::int64_t frames) {
    return (frames + kBlockFrames - 1) / kBlockFrames * kBlockFrames;
}

void PutLe(char* at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        at[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

/// The whole file, or nothing when it cannot be read or is larger than any MIDI file we accept.
std::optional<std::vector<std::uint8_t>> ReadBounded(const std::string& path) {
    // By the open rule: a pipe or a device would block or never end.
    const int fd = OpenRegularFile(QByteArray::fromStdString(path));
    if (fd < 0)
        return std::nullopt;
    // Read as it comes, never a buffer of the largest size allowed: each such buffer would settle,
    // freed but resident, in the heap of the mpv thread that opened the file.
    constexpr std::size_t kBlockBytes = 64 * 1024;
    std::vector<std::uint8_t> bytes;
    struct stat st {};
    if (::fstat(fd, &st) == 0)
        bytes.reserve(static_cast<std::size_t>(std::min<off_t>(st.st_size, MidiFile::kMaxFileBytes)) +
                      kBlockBytes);
    bool failed = false;
    while (bytes.size() <= MidiFile::kMaxFileBytes) {
        const std::size_t had = bytes.size();
        bytes.resize(had + kBlockBytes);
        const ssize_t got = ::read(fd, bytes.data() + had, kBlockBytes);
        if (got < 0 && errno == EINTR) {
            bytes.resize(had);
            continue;
        }
        bytes.resize(had + static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
        if (got <= 0) {
            failed = got < 0;
            break;
        }
    }
    ::close(fd);
    if (failed || bytes.size() > MidiFile::kMaxFileBytes)
        return std::nullopt;
    return bytes;
}

} // namespace

std::unique_ptr<MidiPcmStream> MidiPcmStream::Open(const std::string& path, MidiSynthPool& pool) {
    const std::optional<std::vector<std::uint8_t>> bytes = ReadBounded(path);
    if (!bytes)
        return nullptr;
    std::optional<MidiFile> file = MidiFile::Parse(*bytes);
    if (!file)
        return nullptr;
    PooledMidiSynth synth = pool.Acquire();
    if (!synth)
        return nullptr;
    return std::unique_ptr<MidiPcmStream>(new MidiPcmStream(std::move(*file), std::move(synth)));
}

MidiPcmStream::MidiPcmStream(MidiFile file, PooledMidiSynth synth)
    : FFile(std::move(file)), FSynth(std::move(synth)) {
    constexpr double kRate = MidiSynth::kSampleRate;
    FEventFrames.reserve(FFile.Events().size());
    for (const MidiEvent& event : FFile.Events())
        FEventFrames.push_back(std::llround(event.seconds * kRate));
    // At least one frame: an empty song is still a valid (silent) file, not a broken one.
    FFrames = std::max<std::int64_t>(1, std::llround(FFile.DurationSeconds() * kRate));

    const auto dataBytes = static_cast<std::uint32_t>(FFrames * kFrameBytes);
    char* h = FHeader.data();
    std::memcpy(h, "RIFF", 4);
    PutLe(h + 4, 36 + dataBytes, 4);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    PutLe(h + 16, 16, 4);
    PutLe(h + 20, 1, 2); // PCM
    PutLe(h + 22, 2, 2); // stereo
    PutLe(h + 24, MidiSynth::kSampleRate, 4);
    PutLe(h + 28, MidiSynth::kSampleRate * kFrameBytes, 4);
    PutLe(h + 32, kFrameBytes, 2);
    PutLe(h + 34, 16, 2);
    std::memcpy(h + 36, "data", 4);
    PutLe(h + 40, dataBytes, 4);

    FChunk.resize(static_cast<std::size_t>(kChunkFrames) * 2);
    FSynth->Reset();
}

MidiPcmStream::~MidiPcmStream() = default; // the synthesiser goes back to its pool

std::int64_t MidiPcmStream::Seek(std::int64_t offset) {
    if (offset < 0 || offset > Size())
        return -1;
    FPos = offset;
    return offset;
}

std::int64_t MidiPcmStream::Read(char* buffer, std::uint64_t count) {
    const std::int64_t wanted =
        static_cast<std::int64_t>(std::min<std::uint64_t>(count, static_cast<std::uint64_t>(Size() - FPos)));
    std::int64_t done = 0;
    while (done < wanted) {
        if (FPos < kHeaderBytes) {
            const std::int64_t n = std::min<std::int64_t>(kHeaderBytes - FPos, wanted - done);
            std::memcpy(buffer + done, FHeader.data() + FPos, static_cast<std::size_t>(n));
            FPos += n;
            done += n;
            continue;
        }
        const std::int64_t frame = (FPos - kHeaderBytes) / kFrameBytes;
        if (frame < FChunkStart || frame >= FChunkStart + FChunkFrames)
            Fill(frame);
        const std::int64_t inChunk = FPos - kHeaderBytes - FChunkStart * kFrameBytes;
        const std::int64_t n = std::min(FChunkFrames * kFrameBytes - inChunk, wanted - done);
        std::memcpy(buffer + done, reinterpret_cast<const char*>(FChunk.data()) + inChunk,
                    static_cast<std::size_t>(n));
        FPos += n;
        done += n;
    }
    return done;
}

void MidiPcmStream::Fill(std::int64_t frame) {
    const std::int64_t start = frame - frame % kBlockFrames;
    if (start != FCursor)
        CatchUp(start);
    FChunkStart = start;
    FChunkFrames = std::min(kChunkFrames, RoundUpToBlock(FFrames - start));
    Render(FChunk.data(), FChunkFrames);
}

void MidiPcmStream::CatchUp(std::int64_t frame) {
    // Notes sounding at the new place are not restarted; everything else is as if played there.
    FSynth->Reset();
    FNextEvent = 0;
    const std::vector<MidiEvent>& events = FFile.Events();
    while (FNextEvent < events.size() && FEventFrames[FNextEvent] < frame)
        FSynth->Send(events[FNextEvent++], FFile, false);
    FCursor = frame;
}

void MidiPcmStream::Render(std::int16_t* out, std::int64_t frames) {
    // Whole blocks only: fluidsynth keeps the rest of a started block, which would otherwise
    // come out after a reset as sound of the place left behind. An event starts the first block
    // at or after its time, at most 64 frames (1.5 ms) late.
    const std::vector<MidiEvent>& events = FFile.Events();
    std::int64_t done = 0;
    while (done < frames) {
        while (FNextEvent < events.size() && FEventFrames[FNextEvent] <= FCursor)
            FSynth->Send(events[FNextEvent++], FFile);
        const std::int64_t untilEvent = FNextEvent < events.size()
                                            ? RoundUpToBlock(FEventFrames[FNextEvent] - FCursor)
                                            : std::numeric_limits<std::int64_t>::max();
        const std::int64_t n = std::min(frames - done, untilEvent);
        FSynth->Render(out + 2 * done, static_cast<int>(n));
        done += n;
        FCursor += n;
    }
}
