#pragma once

#include <QByteArray>

#include <cmath>
#include <cstdint>

/// A file to be loaded into mpv and the place it starts at.
struct MpvLoad {
    QByteArray file; // the argument mpv is given
    double start = 0.0;
    std::uint64_t sequence = 0; // tags the request that sends it; 0 until one does
};

/// True when both loads would play the same file from the same place.
inline bool SamePlace(const MpvLoad& a, const MpvLoad& b) {
    return a.file == b.file && std::abs(a.start - b.start) <= 1e-6;
}
