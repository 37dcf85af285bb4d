#include "engine/MpvMediaControl.h"

#include "BenchPump.h"
#include "RawSamples.h"
#include "SilentMp3.h"
#include "WavWriter.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

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

// Resuming a long constant-bitrate MP3 far in: from SetUrl with the remembered position to the
// first position reported past it (the control holds the position until mpv has started there).
// Goal: 600 ms for the "Info"-tagged file; the "Xing"-tagged copy of the same frames shows the
// exact seek that reads from the start, which a variable bitrate needs.
void ResumeLongMp3(benchmark::State& state, Mp3Tag tag) {
    constexpr double kLength = 10 * 3600.0;
    constexpr double kResumeAt = 9.5 * 3600.0;
    QTemporaryDir dir;
    const QString path = dir.filePath("book.mp3");
    if (!dir.isValid() || !WriteSilentMp3(path, kLength, tag)) {
        state.SkipWithError("the long MP3 could not be written");
        return;
    }
    for (auto _ : state) {
        MpvMediaControl control(MpvMediaControl::Options{"null", false});
        const auto start = std::chrono::steady_clock::now();
        control.SetUrl(path);
        control.SetCurrentPosition(kResumeAt);
        QDeadlineTimer deadline(30000);
        while (!(control.PlayState() == psPlaying && control.CurrentPosition() > kResumeAt + 0.001)) {
            if (deadline.hasExpired()) {
                state.SkipWithError("playback did not start at the remembered place");
                return;
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        state.counters["landed_s"] = control.CurrentPosition() - kResumeAt;
    }
    state.counters["goal_ms"] = tag == Mp3Tag::Info ? 600 : 0;
    state.counters["file_MB"] = QFileInfo(path).size() / 1e6;
}
void BM_MpvResumeLongCbrMp3(benchmark::State& state) {
    ResumeLongMp3(state, Mp3Tag::Info);
}
void BM_MpvResumeLongXingMp3(benchmark::State& state) {
    ResumeLongMp3(state, Mp3Tag::Xing);
}
BENCHMARK(BM_MpvResumeLongCbrMp3)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_MpvResumeLongXingMp3)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

/// A sound server of the benchmark's own with a silent output whose monitor is recorded.
class RecordedSoundServer {
public:
    bool Start() {
        if (!dir.isValid() || QStandardPaths::findExecutable("pulseaudio").isEmpty() ||
            QStandardPaths::findExecutable("parec").isEmpty())
            return false;
        const QString socket = dir.filePath("native");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PULSE_RUNTIME_PATH", dir.path());
        env.insert("HOME", dir.path());
        env.insert("PULSE_SERVER", "unix:" + socket);
        server.setProcessEnvironment(env);
        server.setProcessChannelMode(QProcess::MergedChannels);
        server.start("pulseaudio", {"-n", "--daemonize=no", "--exit-idle-time=-1", "--system=false",
                                    "--disable-shm=yes", "-L", "module-native-protocol-unix socket=" + socket,
                                    "-L", "module-null-sink sink_name=silent"});
        QDeadlineTimer deadline(10000);
        while (!QFileInfo::exists(socket)) {
            if (deadline.hasExpired() || server.state() == QProcess::NotRunning)
                return false;
            server.waitForFinished(20);
        }
        recorder.setProcessEnvironment(env);
        recorder.setStandardOutputFile(dir.filePath("monitor.raw"));
        recorder.start("parec", {"--device=silent.monitor", "--raw", "--format=s16le", "--channels=1",
                                 "--rate=44100", "--latency-msec=5"});
        qputenv("PULSE_SERVER", ("unix:" + socket).toUtf8());
        return recorder.waitForStarted(10000);
    }
    /// Stops recording and returns what the output sounded like.
    std::vector<std::int16_t> Recording() {
        recorder.terminate();
        recorder.waitForFinished(10000);
        return ReadRawSamples(dir.filePath("monitor.raw"));
    }
    ~RecordedSoundServer() {
        for (QProcess* p : {&recorder, &server}) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(10000);
            }
        }
        qunsetenv("PULSE_SERVER");
    }

private:
    QTemporaryDir dir;
    QProcess server;
    QProcess recorder;
};

/// The longest run of silence between the first and the last sound of a recording, in ms.
double LongestInnerSilenceMs(const std::vector<std::int16_t>& samples) {
    int peak = 0;
    for (std::int16_t s : samples)
        peak = std::max(peak, std::abs(int(s)));
    const int quiet = std::max(1, peak / 50);
    const auto loud = [quiet](std::int16_t s) { return std::abs(int(s)) > quiet; };
    const auto first = std::find_if(samples.begin(), samples.end(), loud);
    const auto last = std::find_if(samples.rbegin(), samples.rend(), loud).base();
    size_t longest = 0, run = 0;
    for (auto it = first; it < last; ++it) {
        run = loud(*it) ? 0 : run + 1;
        longest = std::max(longest, run);
    }
    return longest * 1000.0 / 44100.0;
}

// The silence heard between two tones of the same format that follow each other as the window
// plays them, recorded at the monitor of a silent PulseAudio output. Goal: 20 ms with the next
// file prepared; without it, for comparison, the output closes and reopens between them.
void BM_MpvGapBetweenTracks(benchmark::State& state) {
    const bool prepared = state.range(0) != 0;
    QTemporaryDir dir;
    const QString a = dir.filePath("a.wav"), b = dir.filePath("b.wav");
    if (!dir.isValid() || !WriteToneWav(a, 1.5, 44100) || !WriteToneWav(b, 1.5, 44100)) {
        state.SkipWithError("the tones could not be written");
        return;
    }
    for (auto _ : state) {
        RecordedSoundServer sound;
        if (!sound.Start()) {
            state.SkipWithError("no PulseAudio server and recorder here");
            return;
        }
        MpvMediaControl control(MpvMediaControl::Options{"pulse", false});
        int files = 0;
        QObject::connect(&control, &MediaControl::PlayStateChange, &control, [&](int newState) {
            if (newState != psMediaEnded)
                return;
            // Posted, as the window advances outside the control's event.
            QMetaObject::invokeMethod(
                &control,
                [&] {
                    if (++files == 1) {
                        control.SetUrl(b);
                        control.SetCurrentPosition(0);
                        control.SetNextUrl(QString(), 0);
                    }
                },
                Qt::QueuedConnection);
        });
        control.SetUrl(a);
        control.SetCurrentPosition(0);
        if (prepared)
            control.SetNextUrl(b, 0);
        QDeadlineTimer deadline(20000);
        while (files < 2 && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        // The output plays what it holds after the last end is reported.
        QDeadlineTimer drain(500);
        while (!drain.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const std::vector<std::int16_t> heard = sound.Recording();
        if (files < 2 || heard.empty()) {
            state.SkipWithError("the two tones did not play");
            return;
        }
        const double gap = LongestInnerSilenceMs(heard);
        state.SetIterationTime(gap / 1000.0);
        state.counters["gap_ms"] = gap;
        state.counters["output_openings"] = control.AudioOutputOpenings();
    }
    state.counters["goal_ms"] = prepared ? 20 : 0;
}
BENCHMARK(BM_MpvGapBetweenTracks)
    ->ArgName("prepared")
    ->Arg(1)
    ->Arg(0)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace
