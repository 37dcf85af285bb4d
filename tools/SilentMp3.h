#pragma once

// Generated MP3 for the tests and the benchmarks: silent mono MPEG-1 Layer III frames at 32 kb/s
// and 48 kHz (96 bytes, 24 ms each), which any decoder reads without a bit reservoir.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cmath>

enum class Mp3Tag { None, Info, Xing };

inline constexpr int kSilentMp3FrameBytes = 96;
inline constexpr double kSilentMp3FrameSeconds = 1152.0 / 48000.0;

/// One frame of silence: a header and all-zero side information and data.
inline QByteArray SilentMp3Frame() {
    QByteArray frame(kSilentMp3FrameBytes, '\0');
    frame[0] = char(0xFF);
    frame[1] = char(0xFB); // MPEG-1, Layer III, no CRC
    frame[2] = char(0x14); // 32 kb/s, 48 kHz, no padding
    frame[3] = char(0xC0); // mono
    return frame;
}

/// The first frame of a file as an encoder writes it: "Info" for a constant bitrate, "Xing" for a
/// variable one, with the frame count and byte count of the whole file.
inline QByteArray Mp3TagFrame(Mp3Tag tag, quint32 frames, quint32 bytes) {
    QByteArray frame = SilentMp3Frame();
    if (tag == Mp3Tag::None)
        return frame;
    const auto be32 = [](quint32 v) {
        const char b[4] = {char(v >> 24), char((v >> 16) & 0xFF), char((v >> 8) & 0xFF), char(v & 0xFF)};
        return QByteArray(b, 4);
    };
    const QByteArray body =
        QByteArray(tag == Mp3Tag::Info ? "Info" : "Xing") + be32(0x3) + be32(frames) + be32(bytes);
    frame.replace(4 + 17, body.size(), body); // right after the mono side information
    return frame;
}

/// Writes `seconds` of silence with the given tag; returns false when the file cannot be written.
inline bool WriteSilentMp3(const QString& path, double seconds, Mp3Tag tag) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const auto frames = static_cast<quint32>(std::ceil(seconds / kSilentMp3FrameSeconds));
    const quint32 bytes = (frames + 1) * kSilentMp3FrameBytes;
    if (file.write(Mp3TagFrame(tag, frames, bytes)) != kSilentMp3FrameBytes)
        return false;
    const QByteArray block = SilentMp3Frame().repeated(4096);
    for (quint32 left = frames; left > 0;) {
        const quint32 n = std::min<quint32>(left, 4096);
        const qint64 size = qint64(n) * kSilentMp3FrameBytes;
        if (file.write(block.constData(), size) != size)
            return false;
        left -= n;
    }
    return file.flush();
}
