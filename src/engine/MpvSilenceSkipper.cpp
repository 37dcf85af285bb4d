#include "engine/MpvSilenceSkipper.h"

#include <algorithm>

namespace {
// A seek costs a restart of the sound; passing over less than this is not worth one.
constexpr double kShortestSkip = 0.15;
// A scan started at the place playback stands also finds the silence that holds it.
constexpr double kScanBehind = 1.0;
} // namespace

std::optional<double> SilenceSkipTarget(const Silence& silence, double position) {
    const double target = silence.end - kSilenceKeptBeforeSound;
    if (position < silence.begin + kSilenceKept || target - position < kShortestSkip)
        return std::nullopt;
    return target;
}

void MpvSilenceSkipper::SetOn(bool on) {
    FOn = on;
    if (on)
        return;
    FScanner.Stop();
    FScanning = false;
}

void MpvSilenceSkipper::OnStartFile() {
    // The silences found belong to the file before; so may the next positions, until the restart.
    FPath.clear();
    FMoving = true;
    FScanner.Stop();
    FScanning = false;
}

void MpvSilenceSkipper::OnPath(const QByteArray& path) {
    // Only a local file can be scanned: the program's own addresses (MIDI) have no silences to read.
    FPath = path.startsWith('/') ? path : QByteArray();
    FScanner.Stop();
    FScanning = false;
}

void MpvSilenceSkipper::OnPosition(double seconds) {
    if (!FOn || FMoving || FPath.isEmpty())
        return;
    if (!FScanning || !FScanner.Covers(seconds)) {
        FScanner.Start(FPath, std::max(0.0, seconds - kScanBehind));
        FScanning = true;
    }
    FScanner.Follow(seconds);
    const std::optional<Silence> silence = FScanner.SilenceAt(seconds);
    if (!silence)
        return;
    if (const std::optional<double> target = SilenceSkipTarget(*silence, seconds)) {
        FMoving = true;
        FPassedOver.push_back({seconds, *target});
        FSeek(*target);
    }
}
