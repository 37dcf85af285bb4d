#pragma once

#include <QFile>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <vector>

/// The 16-bit native-endian samples of a raw audio file (mpv's "pcm" output, a recorder's
/// monitor); empty when the file cannot be read.
inline std::vector<std::int16_t> ReadRawSamples(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    std::vector<std::int16_t> out(static_cast<size_t>(bytes.size()) / 2);
    std::copy_n(bytes.constData(), out.size() * 2, reinterpret_cast<char*>(out.data()));
    return out;
}
