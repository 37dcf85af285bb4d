#include "MidiWriter.h"

#include <QFile>

#include <algorithm>
#include <tuple>

namespace {
void PutBe(QByteArray& out, std::uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}
void PutLe(QByteArray& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}
} // namespace

QByteArray MidiVarLength(std::uint32_t value) {
    QByteArray out(1, static_cast<char>(value & 0x7F));
    while (value >>= 7)
        out.prepend(static_cast<char>(0x80 | (value & 0x7F)));
    return out;
}

QByteArray MidiTuneBytes(const std::vector<MidiNote>& notes, int ticksPerQuarter,
                         std::uint32_t microsPerQuarter, std::uint32_t endTick) {
    // (tick, off before on at the same tick, status, key, velocity)
    std::vector<std::tuple<std::uint32_t, int, int, int, int>> events;
    for (const MidiNote& n : notes) {
        events.emplace_back(n.start, 1, 0x90 | n.channel, n.key, n.velocity);
        events.emplace_back(n.start + n.length, 0, 0x80 | n.channel, n.key, 0);
        endTick = std::max(endTick, n.start + n.length);
    }
    std::sort(events.begin(), events.end());

    QByteArray track;
    track.append('\0');
    track.append("\xFF\x51\x03", 3);
    PutBe(track, microsPerQuarter, 3);
    track.append('\0');
    track.append("\xC0\x00", 2); // piano
    std::uint32_t now = 0;
    for (const auto& [tick, order, status, key, velocity] : events) {
        track.append(MidiVarLength(tick - now));
        now = tick;
        track.append(static_cast<char>(status));
        track.append(static_cast<char>(key));
        track.append(static_cast<char>(velocity));
    }
    track.append(MidiVarLength(endTick - now));
    track.append("\xFF\x2F\x00", 3);

    QByteArray out("MThd");
    PutBe(out, 6, 4);
    PutBe(out, 0, 2); // format 0
    PutBe(out, 1, 2); // one track
    PutBe(out, static_cast<std::uint32_t>(ticksPerQuarter), 2);
    out.append("MTrk");
    PutBe(out, static_cast<std::uint32_t>(track.size()), 4);
    out.append(track);
    return out;
}

QByteArray RmidBytes(const QByteArray& midi) {
    QByteArray out("RIFF");
    const auto padded = static_cast<std::uint32_t>(midi.size() + (midi.size() & 1));
    PutLe(out, 4 + 8 + padded);
    out.append("RMIDdata");
    PutLe(out, static_cast<std::uint32_t>(midi.size()));
    out.append(midi);
    if (midi.size() & 1)
        out.append('\0');
    return out;
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    return f.write(bytes) == bytes.size();
}
