#include "formats/MidiFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr std::uint32_t kDefaultTempo = 500'000; // microseconds per quarter note: 120 beats a minute
constexpr int kMaxVlqBytes = 4;                  // 28 bits, the format's own limit

/// Bounds-checked big-endian reading over a byte range; every read says whether the bytes were there.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : FBytes(bytes) {}

    bool AtEnd() const { return FPos >= FBytes.size(); }
    std::size_t Left() const { return FBytes.size() - FPos; }
    std::size_t Pos() const { return FPos; }

    bool U8(std::uint8_t& out) {
        if (AtEnd())
            return false;
        out = FBytes[FPos++];
        return true;
    }
    bool Be(int count, std::uint32_t& out) {
        if (Left() < static_cast<std::size_t>(count))
            return false;
        out = 0;
        for (int i = 0; i < count; ++i)
            out = (out << 8) | FBytes[FPos++];
        return true;
    }
    bool Vlq(std::uint32_t& out) {
        out = 0;
        for (int i = 0; i < kMaxVlqBytes; ++i) {
            std::uint8_t b = 0;
            if (!U8(b))
                return false;
            out = (out << 7) | (b & 0x7F);
            if (!(b & 0x80))
                return true;
        }
        return false; // a fifth continuation byte: not a quantity this format can hold
    }
    bool Take(std::size_t count, std::span<const std::uint8_t>& out) {
        if (Left() < count)
            return false;
        out = FBytes.subspan(FPos, count);
        FPos += count;
        return true;
    }
    bool Skip(std::size_t count) {
        std::span<const std::uint8_t> ignored;
        return Take(count, ignored);
    }
    bool Tag(const char (&tag)[5]) const {
        return Left() >= 4 && std::memcmp(FBytes.data() + FPos, tag, 4) == 0;
    }

private:
    std::span<const std::uint8_t> FBytes;
    std::size_t FPos = 0;
};

std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

/// The MIDI data inside a RIFF "RMID" file: its first "data" chunk. Empty when the wrapper is
/// broken: every chunk's length is checked, also those after the data, since a length that lies
/// anywhere says the file is not what it claims to be.
std::span<const std::uint8_t> UnwrapRmid(std::span<const std::uint8_t> file) {
    if (file.size() < 12 || std::memcmp(file.data() + 8, "RMID", 4) != 0)
        return {};
    const std::uint64_t riffEnd = std::uint64_t{8} + Le32(file, 4);
    if (riffEnd > file.size())
        return {};
    std::span<const std::uint8_t> data;
    std::uint64_t pos = 12;
    while (pos + 8 <= riffEnd) {
        const std::uint64_t length = Le32(file, pos + 4);
        if (length > riffEnd - pos - 8)
            return {};
        if (data.empty() && std::memcmp(file.data() + pos, "data", 4) == 0)
            data = file.subspan(pos + 8, length);
        pos += 8 + length + (length & 1); // chunks are padded to an even size
    }
    return data;
}

enum class RawKind : std::uint8_t { Event, Tempo, TrackEnd };

struct RawEvent {
    std::uint64_t tick = 0;
    RawKind kind = RawKind::Event;
    std::uint32_t tempo = 0;
    MidiEvent event;
};

int DataBytesOf(std::uint8_t status) {
    const std::uint8_t type = status & 0xF0;
    return (type == 0xC0 || type == 0xD0) ? 1 : 2;
}

} // namespace

/// Does the reading for MidiFile::Parse; holds the state of one parse.
class MidiFileReader {
public:
    std::optional<MidiFile> Read(std::span<const std::uint8_t> bytes);

private:
    bool ReadHeader(ByteReader& in);
    bool ReadTrack(std::span<const std::uint8_t> data, std::vector<RawEvent>& out);
    bool Time(std::vector<RawEvent>& raws, double offset, double& end);
    double TicksToSeconds(std::uint64_t ticks, std::uint32_t tempo) const;

    int FFormat = 0;
    int FTracksDeclared = 0;
    std::uint32_t FTicksPerQuarter = 0; // 0 when timed in SMPTE frames
    double FSecondsPerFrameTick = 0.0;
    std::size_t FEventCount = 0;
    MidiFile FFile;
};

std::optional<MidiFile> MidiFile::Parse(std::span<const std::uint8_t> bytes) {
    return MidiFileReader().Read(bytes);
}

std::optional<MidiFile> MidiFileReader::Read(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > MidiFile::kMaxFileBytes)
        return std::nullopt;
    if (bytes.size() >= 4 && std::memcmp(bytes.data(), "RIFF", 4) == 0)
        bytes = UnwrapRmid(bytes);
    ByteReader in(bytes);
    if (!ReadHeader(in))
        return std::nullopt;

    std::vector<std::vector<RawEvent>> tracks;
    while (static_cast<int>(tracks.size()) < FTracksDeclared && in.Left() >= 8) {
        const bool isTrack = in.Tag("MTrk");
        std::uint32_t length = 0;
        std::span<const std::uint8_t> body;
        if (!in.Skip(4) || !in.Be(4, length) || !in.Take(length, body))
            return std::nullopt; // a chunk longer than the file
        if (!isTrack)
            continue; // unknown chunks are allowed and skipped
        tracks.emplace_back();
        if (!ReadTrack(body, tracks.back()))
            return std::nullopt;
    }
    if (tracks.empty())
        return std::nullopt;

    double end = 0.0;
    if (FFormat == 2) {
        // Independent sequences, one after the other, each with its own tempo map.
        for (std::vector<RawEvent>& track : tracks) {
            double trackEnd = 0.0;
            if (!Time(track, end, trackEnd))
                return std::nullopt;
            end = trackEnd;
        }
    } else {
        std::vector<RawEvent> all;
        all.reserve(FEventCount + tracks.size());
        for (std::vector<RawEvent>& track : tracks)
            all.insert(all.end(), track.begin(), track.end());
        tracks.clear();
        // Stable: events at the same tick keep their track's order and the tracks' order.
        std::stable_sort(all.begin(), all.end(),
                         [](const RawEvent& a, const RawEvent& b) { return a.tick < b.tick; });
        if (!Time(all, 0.0, end))
            return std::nullopt;
    }
    FFile.FDuration = end;
    return std::move(FFile);
}

bool MidiFileReader::ReadHeader(ByteReader& in) {
    std::uint32_t length = 0, format = 0, tracks = 0, division = 0;
    if (!in.Tag("MThd") || !in.Skip(4) || !in.Be(4, length) || length < 6 || length > in.Left())
        return false;
    if (!in.Be(2, format) || !in.Be(2, tracks) || !in.Be(2, division) || !in.Skip(length - 6))
        return false;
    if (format > 2 || tracks == 0 || tracks > static_cast<std::uint32_t>(MidiFile::kMaxTracks) ||
        division == 0)
        return false;
    FFormat = static_cast<int>(format);
    FTracksDeclared = static_cast<int>(tracks);
    if (!(division & 0x8000)) {
        FTicksPerQuarter = division;
        return true;
    }
    // SMPTE timing: frames a second (as a negative byte) and ticks a frame; tempo does not apply.
    const int frames = -static_cast<std::int8_t>(division >> 8);
    const int ticksPerFrame = static_cast<int>(division & 0xFF);
    if ((frames != 24 && frames != 25 && frames != 29 && frames != 30) || ticksPerFrame == 0)
        return false;
    const double framesPerSecond = frames == 29 ? 29.97 : frames;
    FSecondsPerFrameTick = 1.0 / (framesPerSecond * ticksPerFrame);
    return true;
}

bool MidiFileReader::ReadTrack(std::span<const std::uint8_t> data, std::vector<RawEvent>& out) {
    ByteReader in(data);
    std::uint64_t tick = 0;
    std::uint8_t running = 0;
    while (!in.AtEnd()) {
        std::uint32_t delta = 0;
        std::uint8_t lead = 0;
        if (!in.Vlq(delta) || !in.U8(lead))
            return false;
        tick += delta;
        if (++FEventCount > MidiFile::kMaxEvents)
            return false;

        if (lead == 0xFF) {
            std::uint8_t type = 0;
            std::uint32_t length = 0;
            std::span<const std::uint8_t> body;
            if (!in.U8(type) || !in.Vlq(length) || !in.Take(length, body))
                return false;
            if (type == 0x2F)
                break; // end of track: whatever follows is not part of it
            if (type == 0x51) {
                if (length != 3)
                    return false;
                const std::uint32_t tempo = (body[0] << 16) | (body[1] << 8) | body[2];
                if (tempo > 0) // a zero tempo would put everything after it at one instant
                    out.push_back({tick, RawKind::Tempo, tempo, {}});
            }
            continue;
        }
        if (lead == 0xF0 || lead == 0xF7) {
            std::uint32_t length = 0;
            std::span<const std::uint8_t> body;
            if (!in.Vlq(length) || !in.Take(length, body))
                return false;
            // Only whole short messages reach the synthesiser (resets, drum maps); continuation
            // packets (F7) and bulk dumps are skipped.
            if (lead == 0xF0 && length >= 1 && body.back() == 0xF7 &&
                length - 1 <= MidiFile::kMaxSysexBytes) {
                MidiEvent event;
                event.status = 0xF0;
                event.sysexOffset = static_cast<std::uint32_t>(FFile.FSysex.size());
                event.sysexLength = length - 1;
                FFile.FSysex.insert(FFile.FSysex.end(), body.begin(), body.end() - 1);
                out.push_back({tick, RawKind::Event, 0, event});
            }
            continue;
        }
        if (lead > 0xF0)
            return false; // system common and real-time messages have no place in a file

        std::uint8_t status = lead;
        std::uint8_t first = 0;
        if (lead & 0x80) {
            running = lead;
            if (!in.U8(first))
                return false;
        } else {
            if (running == 0)
                return false; // a data byte with no status to run on
            status = running;
            first = lead;
        }
        std::uint8_t second = 0;
        if (DataBytesOf(status) == 2 && !in.U8(second))
            return false;
        if ((first | second) & 0x80)
            return false;
        MidiEvent event;
        event.status = status;
        event.data1 = first;
        event.data2 = second;
        out.push_back({tick, RawKind::Event, 0, event});
    }
    out.push_back({tick, RawKind::TrackEnd, 0, {}});
    return true;
}

double MidiFileReader::TicksToSeconds(std::uint64_t ticks, std::uint32_t tempo) const {
    if (FTicksPerQuarter == 0)
        return static_cast<double>(ticks) * FSecondsPerFrameTick;
    return static_cast<double>(ticks) * tempo / (1e6 * FTicksPerQuarter);
}

bool MidiFileReader::Time(std::vector<RawEvent>& raws, double offset, double& end) {
    std::uint32_t tempo = kDefaultTempo;
    std::uint64_t lastTick = 0;
    double seconds = offset;
    end = offset;
    for (RawEvent& raw : raws) {
        seconds += TicksToSeconds(raw.tick - lastTick, tempo);
        lastTick = raw.tick;
        if (!std::isfinite(seconds) || seconds > MidiFile::kMaxSeconds)
            return false;
        end = std::max(end, seconds);
        switch (raw.kind) {
        case RawKind::Tempo:
            tempo = raw.tempo;
            break;
        case RawKind::TrackEnd:
            break;
        case RawKind::Event:
            raw.event.seconds = seconds;
            FFile.FEvents.push_back(raw.event);
            break;
        }
    }
    return true;
}
