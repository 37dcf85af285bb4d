// A long talking book played by the real program: 30 hours, 2,000 SMIL files, 50,000 phrases.
// The first sound and the memory come from the start-up probe in a process of its own; the
// navigation is every move key's first answer, in this process, over the real control.
#include "config/SettingsModule.h"
#include "engine/MpvMediaControl.h"
#include "playback/PlayerCore.h"
#include "talkingbook/TalkingBookGuide.h"

#include "BenchGoals.h"
#include "BenchPlatform.h"
#include "DaisyBookWriter.h"
#include "LongBook.h"
#include "WavWriter.h"

#include <QDir>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace {

// Long enough for the first clips: what is measured is the book, not its audio.
constexpr double kAudioSeconds = 10;
constexpr int kRounds = 3;

const bool kGoals = AddBenchGoal({"BM_TalkingBookFirstSound", 1.0, "<= 1 s to the first sound"}) &&
                    AddBenchGoal({"BM_TalkingBookNavigation", 3.0, "<= 3 s to all navigation"});

struct Books {
    QTemporaryDir dir;
    QString book;
    QString plain;
    bool written = false;
};

const Books& Written() {
    static Books books;
    if (books.written || !books.dir.isValid())
        return books;
    books.book = books.dir.filePath(QStringLiteral("book"));
    books.plain = books.dir.filePath(QStringLiteral("plain"));
    TBookPlan plan = LargeBookPlan(TBookFormat::Daisy202, kLongBookSmilFiles, kLongBookPhrases,
                                   kLongBookHours, kLongBookAudioFiles);
    for (TBookAudio& audio : plan.FAudio)
        audio.FSeconds = kAudioSeconds;
    books.written = QDir().mkpath(books.book) && WriteDaisyBook(books.book, plan) &&
                    QDir().mkpath(books.plain) &&
                    WriteToneWav(books.plain + QStringLiteral("/a.wav"), kAudioSeconds, 22050, 440.0);
    return books;
}

struct ProbeRun {
    double ms = 0;
    double peakMB = 0;
};

/// The start-up probe on folder, through the peak-memory runner; nothing when it failed.
std::optional<ProbeRun> Probe(const QString& folder) {
    QProcess process;
    process.start(
        QStringLiteral(VARNEL_PEAK_RUN),
        {QStringLiteral("loud"), QStringLiteral(VARNEL_STARTUP_PROBE), folder, QStringLiteral("no-lengths")});
    if (!process.waitForFinished(120000))
        return std::nullopt;
    const QByteArray output = process.readAllStandardOutput();
    const qsizetype report = output.lastIndexOf("peak-run ");
    double ms = 0;
    long long files = 0;
    int exitCode = -1;
    long peakKB = 0;
    double wallMs = 0;
    if (report < 0 || std::sscanf(output.constData(), "%lf %lld", &ms, &files) != 2 ||
        std::sscanf(output.constData() + report, "peak-run %d %ld %lf", &exitCode, &peakKB, &wallMs) != 3 ||
        exitCode != 0 || files != 1)
        return std::nullopt;
    return ProbeRun{ms, double(peakKB) / 1024.0};
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void BM_TalkingBookFirstSound(benchmark::State& state) {
    const Books& books = Written();
    if (!books.written) {
        state.SkipWithError("could not write the book");
        return;
    }
    std::vector<double> bookMs;
    std::vector<double> bookMB;
    std::vector<double> plainMB;
    for (auto _ : state) {
        for (int round = -1; round < kRounds; ++round) {
            const std::optional<ProbeRun> book = Probe(books.book);
            const std::optional<ProbeRun> plain = Probe(books.plain);
            if (!book || !plain) {
                state.SkipWithError("the start-up probe failed");
                return;
            }
            if (round < 0)
                continue; // off the record: the first start pays for reading the libraries
            bookMs.push_back(book->ms);
            bookMB.push_back(book->peakMB);
            plainMB.push_back(plain->peakMB);
        }
        state.SetIterationTime(Median(bookMs) / 1000.0);
    }
    const double added = Median(bookMB) - Median(plainMB);
    state.counters["peak_MB"] = Median(bookMB);
    state.counters["added_MB"] = added;
    std::printf("talking book: first sound %.0f ms (goal <= 1000), memory %.1f MB above one plain file "
                "(%.1f against %.1f; goal <= %.0f): %s\n",
                Median(bookMs), added, Median(bookMB), Median(plainMB), kLongBookMemoryGoalMB,
                added <= kLongBookMemoryGoalMB ? "met" : "MISSED");
}

/// Waits in the event loop until the core's track plays; false after a minute.
bool WaitForPlaying(TPlayerCore& core) {
    if (core.Player().State() == psPlaying)
        return true;
    QEventLoop loop;
    core.Player().OnStateChange(&loop, [&loop](int s) {
        if (s == psPlaying)
            loop.quit();
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    return core.Player().State() == psPlaying;
}

void BM_TalkingBookNavigation(benchmark::State& state) {
    const Books& books = Written();
    QTemporaryDir settingsDir;
    if (!books.written || !settingsDir.isValid()) {
        state.SkipWithError("could not write the book");
        return;
    }
    BenchPlatform platform(settingsDir.path() + u'/');
    TSettingsModule settings(platform);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        TPlayerCore core(settings, std::make_unique<MpvMediaControl>(
                                       MpvMediaControl::Options{QStringLiteral("null"), false}));
        core.LoadCommandLine({books.book});
        if (!WaitForPlaying(core)) {
            state.SkipWithError("the book did not play");
            return;
        }
        // Every unit's first move from the start, the last page by its label, and the answers.
        TTalkingBookGuide guide(core, settings.GeneralConfigs(), 1);
        guide.TrackStarted();
        int answers = 0;
        for (int unit = 0; unit < 6; ++unit) {
            answers += !guide.Next().isEmpty();
            answers += !guide.Previous().isEmpty();
            guide.CycleUnit(true);
        }
        answers += !guide.GoToPage(QString::number(kLongBookSmilFiles)).isEmpty();
        answers += !guide.WhereAmI().isEmpty();
        answers += !guide.TimeLeft().isEmpty();
        answers += guide.Headings().isEmpty() ? 0 : 1;
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        state.counters["answers"] = answers;
        core.Stop();
    }
}

} // namespace

BENCHMARK(BM_TalkingBookFirstSound)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TalkingBookNavigation)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
