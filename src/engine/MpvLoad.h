#pragma once

#include <QByteArray>

#include <cmath>
#include <cstdint>
#include <optional>

/// A file to be loaded into mpv, the place it starts at and, for a stretch of it, the place it
/// stops at.
struct MpvLoad {
    QByteArray file; // the argument mpv is given
    double start = 0.0;
    std::uint64_t sequence = 0; // tags the request that sends it; 0 until one does
    std::optional<double> end;  // file seconds; none: it plays to the file's end
};

/// True when both loads would play the same stretch of the same file.
inline bool SamePlace(const MpvLoad& a, const MpvLoad& b) {
    const auto near = [](double x, double y) { return std::abs(x - y) <= 1e-6; };
    return a.file == b.file && near(a.start, b.start) && a.end.has_value() == b.end.has_value() &&
           (!a.end || near(*a.end, *b.end));
}
