#include "engine/MpvMediaControl.h"

#include "WavWriter.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace {

/// Pumps the event loop until the control reports `wanted`; returns false at the deadline.
bool PumpUntil(const MpvMediaControl& control, int wanted, int ms = 5000) {
    QDeadlineTimer deadline(ms);
    while (control.PlayState() != wanted) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

/// A long local tone playing on the null output in real time, as the program plays a track.
struct PlayingTone {
    QTemporaryDir dir;
    QString path = dir.filePath("bench.wav");
    std::unique_ptr<MpvMediaControl> control;

    bool Start() {
        if (!dir.isValid() || !WriteToneWav(path, 600.0, 44100))
            return false;
        control = std::make_unique<MpvMediaControl>(MpvMediaControl::Options{"null", false});
        control->SetUrl(path);
        return PumpUntil(*control, psPlaying);
    }
};

// From SetUrl to state 3 for a local WAV: what the user waits for after next-track.
void BM_MpvOpenToPlaying(benchmark::State& state) {
    PlayingTone tone;
    if (!tone.Start()) {
        state.SkipWithError("the tone did not start playing");
        return;
    }
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        tone.control->SetUrl(tone.path);
        if (!PumpUntil(*tone.control, psPlaying)) {
            state.SkipWithError("no state 3 within the deadline");
            return;
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
    }
}
BENCHMARK(BM_MpvOpenToPlaying)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// One position read on the UI thread, as the one-second refresh does.
void BM_MpvCurrentPosition(benchmark::State& state) {
    PlayingTone tone;
    if (!tone.Start()) {
        state.SkipWithError("the tone did not start playing");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(tone.control->CurrentPosition());
}
BENCHMARK(BM_MpvCurrentPosition)->Unit(benchmark::kNanosecond);

// One position put on the UI thread, as a seek key does; mpv's replies are drained off the clock.
void BM_MpvSetCurrentPosition(benchmark::State& state) {
    PlayingTone tone;
    if (!tone.Start()) {
        state.SkipWithError("the tone did not start playing");
        return;
    }
    int n = 0;
    for (auto _ : state) {
        tone.control->SetCurrentPosition(100.0 + (n % 50));
        // Each async put holds a slot in mpv's finite reply queue until mpv has run it; a key
        // repeat never comes near that, but this loop would, so let mpv catch up off the clock.
        if (++n % 32 == 0) {
            state.PauseTiming();
            QDeadlineTimer settle(40);
            while (!settle.hasExpired())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_MpvSetCurrentPosition)->Unit(benchmark::kMicrosecond)->Iterations(2000);

} // namespace
