// MIDI figures: what a soundfont costs to load and keep, opening a song, and seeking in one.
#include "engine/MpvMediaControl.h"
#include "formats/MidiPcmStream.h"
#include "formats/MidiSynth.h"

#include "MidiWriter.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double ResidentMB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * 4096.0 / (1024.0 * 1024.0);
}

/// Three minutes of sixteenth notes on four channels, with programs and controllers: a busy song.
QByteArray BusySong() {
    std::vector<MidiNote> notes;
    for (std::uint32_t tick = 0; tick < 360 * 480; tick += 120) {
        for (int channel = 0; channel < 4; ++channel)
            notes.push_back({tick, 100, 48 + channel * 7 + static_cast<int>(tick / 120 % 12), 90, channel});
    }
    return MidiTuneBytes(notes);
}

// Loading the General MIDI soundfont into a new synthesiser, and the memory it keeps while loaded.
void BM_MidiSoundfontLoad(benchmark::State& state, const char* soundfont) {
    if (!QFileInfo::exists(QString::fromLatin1(soundfont))) {
        state.SkipWithError("soundfont not installed");
        return;
    }
    double megabytes = 0.0;
    for (auto _ : state) {
        const double before = ResidentMB();
        const auto start = Clock::now();
        std::unique_ptr<MidiSynth> synth = MidiSynth::Create(soundfont);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (!synth) {
            state.SkipWithError("the soundfont did not load");
            return;
        }
        if (megabytes == 0.0) // later rounds reuse the memory the first one gave back
            megabytes = ResidentMB() - before;
    }
    state.counters["kept_MB"] = megabytes;
}
BENCHMARK_CAPTURE(BM_MidiSoundfontLoad, TimGM6mb, "/usr/share/sounds/sf2/TimGM6mb.sf2")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK_CAPTURE(BM_MidiSoundfontLoad, FluidR3_GM, "/usr/share/sounds/sf2/FluidR3_GM.sf2")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// From SetUrl to state 3 for a MIDI song, as after next-track; the first open also loads the soundfont.
void BM_MidiOpenToPlaying(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("busy.mid");
    if (!dir.isValid() || !WriteBytes(path, BusySong())) {
        state.SkipWithError("cannot write the song");
        return;
    }
    MpvMediaControl control(MpvMediaControl::Options{"null", false});
    double first = -1.0;
    for (auto _ : state) {
        const auto start = Clock::now();
        control.SetUrl(path);
        QDeadlineTimer deadline(10000);
        while (control.PlayState() != psPlaying) {
            if (deadline.hasExpired()) {
                state.SkipWithError("no state 3 within the deadline");
                return;
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        const Clock::duration took = Clock::now() - start;
        if (first < 0.0)
            first = Ms(took);
        state.SetIterationTime(std::chrono::duration<double>(took).count());
    }
    state.counters["first_open_ms"] = first;
    state.counters["goal_ms"] = 300; // as quick as a first WAV or MP3 with the soundfont loaded beside it
}
BENCHMARK(BM_MidiOpenToPlaying)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// A seek in a busy song: reset, catch up on the channel state, render the first chunk there.
void BM_MidiStreamSeek(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("busy.mid");
    MidiSynthPool pool(InstalledSoundfont(), std::chrono::minutes(1));
    if (!dir.isValid() || !WriteBytes(path, BusySong())) {
        state.SkipWithError("cannot write the song");
        return;
    }
    std::unique_ptr<MidiPcmStream> stream = MidiPcmStream::Open(QFile::encodeName(path).toStdString(), pool);
    if (!stream) {
        state.SkipWithError("the song did not open");
        return;
    }
    std::mt19937 random(7);
    std::uniform_int_distribution<std::int64_t> frame(0, stream->Frames() - 1);
    std::vector<char> buffer(65536);
    for (auto _ : state) {
        stream->Seek(MidiPcmStream::kHeaderBytes + frame(random) * MidiPcmStream::kFrameBytes);
        benchmark::DoNotOptimize(stream->Read(buffer.data(), buffer.size()));
    }
    state.counters["goal_ms"] = 10;
}
BENCHMARK(BM_MidiStreamSeek)->Unit(benchmark::kMillisecond)->Iterations(50);

} // namespace
