#include "WavWriter.h"

#include <QFile>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace {
void PutLe(std::vector<char>& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
} // namespace

bool WriteToneWav(const QString& path, double seconds, int sampleRate, double frequency) {
    const auto samples = static_cast<std::uint32_t>(seconds * sampleRate);
    const std::uint32_t dataBytes = samples * 2;
    std::vector<char> out;
    out.reserve(44 + dataBytes);
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    PutLe(out, 36 + dataBytes, 4);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutLe(out, 16, 4);
    PutLe(out, 1, 2); // PCM
    PutLe(out, 1, 2); // mono
    PutLe(out, static_cast<std::uint32_t>(sampleRate), 4);
    PutLe(out, static_cast<std::uint32_t>(sampleRate) * 2, 4);
    PutLe(out, 2, 2);
    PutLe(out, 16, 2);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    PutLe(out, dataBytes, 4);
    for (std::uint32_t i = 0; i < samples; ++i) {
        const double v = 0.3 * std::sin(2 * std::numbers::pi * frequency * i / sampleRate);
        PutLe(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(v * 32767)), 2);
    }
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    return f.write(out.data(), static_cast<qint64>(out.size())) == static_cast<qint64>(out.size());
}
