// A long talking book handed to the libmpv control as one track: 50,000 clips over 2,000 audio
// files, none of them touching, so that each is a stretch of its own. What the listener waits for
// is the first sound: from SetClips to state 3, set while a file plays, as when the list moves on
// to the book (BM_MpvOpenToPlaying is the same for a file).
#include "engine/MpvMediaControl.h"

#include "BenchGoals.h"
#include "BenchPump.h"
#include "WavWriter.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

constexpr int kAudioFiles = 2000;
constexpr int kClipsPerFile = 25;
constexpr double kClip = 0.35;
constexpr double kSkipped = 0.05; // between two clips of a file: the clips never merge

const bool kGoals = AddBenchGoal({"BM_MpvClipsOpenToPlaying", 0.050, "<= 50 ms to the first sound"});

// From SetClips to state 3 for the whole book; set_clips_ms is the call alone.
void BM_MpvClipsOpenToPlaying(benchmark::State& state) {
    QTemporaryDir dir;
    const QString first = dir.filePath("0000.wav");
    if (!dir.isValid() || !WriteToneWav(first, kClipsPerFile * (kClip + kSkipped), 44100)) {
        state.SkipWithError("the audio could not be written");
        return;
    }
    QList<MediaClip> clips;
    clips.reserve(kAudioFiles * kClipsPerFile);
    double at = 0.0;
    for (int f = 0; f < kAudioFiles; ++f) {
        // Hard links: 2,000 files of their own names at the cost of one.
        const QString path = dir.filePath(QStringLiteral("%1.wav").arg(f, 4, 10, QLatin1Char('0')));
        if (f > 0 && ::link(QFile::encodeName(first).constData(), QFile::encodeName(path).constData()) != 0) {
            state.SkipWithError("the audio files could not be linked");
            return;
        }
        for (int c = 0; c < kClipsPerFile; ++c) {
            const double begin = c * (kClip + kSkipped);
            clips.append({path, begin, begin + kClip, at});
            at += kClip;
        }
    }
    MpvMediaControl control(MpvMediaControl::Options{"null", false});
    double setMs = 0.0;
    for (auto _ : state) {
        // Off the clock: a file playing, which the book replaces.
        control.SetUrl(first);
        if (!PumpUntil(control, psPlaying)) {
            state.SkipWithError("the first file did not play");
            return;
        }
        const auto start = std::chrono::steady_clock::now();
        control.SetClips("Book", {}, clips, at);
        setMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (!PumpUntil(control, psPlaying)) {
            state.SkipWithError("the book did not play");
            return;
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
    }
    state.counters["set_clips_ms"] = setMs;
    state.counters["clips"] = static_cast<double>(clips.size());
}
BENCHMARK(BM_MpvClipsOpenToPlaying)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace
