// A long talking book read by the book reader: 30 hours, 2,000 SMIL files, 50,000 phrases, in
// both formats. The first SMIL file is what the first sound waits for, the whole read what the
// navigation waits for; the memory is measured in a process of its own (varnel_daisy_probe).
#include "daisy/DaisyReader.h"

#include "BenchGoals.h"
#include "DaisyBookWriter.h"
#include "LongBook.h"

#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>

namespace {

// Few short audio files serve: the reader does not open the audio.
constexpr int kSmilFiles = kLongBookSmilFiles;
constexpr double kMemoryGoalMB = kLongBookMemoryGoalMB;

// The player's first sound may wait for the first SMIL file (1 s in all), its navigation for the
// whole book (3 s in all); the reader should take a small share of either.
const bool kGoals = AddBenchGoal({"BM_DaisyFirstSmil", 1.0, "<= 1 s to the first sound"}) &&
                    AddBenchGoal({"BM_DaisyFullRead", 3.0, "<= 3 s to all navigation"});

/// The long book of a format, written once per run of the benchmarks.
const QString* LongBook(TBookFormat format) {
    static std::map<TBookFormat, std::unique_ptr<QTemporaryDir>> books;
    auto& dir = books[format];
    if (!dir) {
        dir = std::make_unique<QTemporaryDir>();
        if (!dir->isValid() ||
            !WriteDaisyBook(dir->path(), LargeBookPlan(format, kLongBookSmilFiles, kLongBookPhrases,
                                                       kLongBookHours, kLongBookAudioFiles)))
            return nullptr;
    }
    static std::map<TBookFormat, QString> paths;
    return &(paths[format] = dir->path());
}

TBookFormat FormatOf(const benchmark::State& state) {
    return state.range(0) == 3 ? TBookFormat::Daisy3 : TBookFormat::Daisy202;
}

void BM_DaisyFirstSmil(benchmark::State& state) {
    const QString* book = LongBook(FormatOf(state));
    if (book == nullptr) {
        state.SkipWithError("could not write the book");
        return;
    }
    std::size_t clips = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        TDaisyReader reader;
        if (!reader.Open(*book) || !reader.ReadNextSmil()) {
            state.SkipWithError("not read as a book");
            return;
        }
        clips = reader.Book().FClips.size();
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["clips"] = double(clips);
}

void BM_DaisyFullRead(benchmark::State& state) {
    const QString* book = LongBook(FormatOf(state));
    if (book == nullptr) {
        state.SkipWithError("could not write the book");
        return;
    }
    std::optional<TDaisyBook> read;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        read = ReadDaisyBook(*book);
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    if (!read || read->FClips.size() != std::size_t(kLongBookPhrases) || !read->FProblems.empty()) {
        state.SkipWithError("the book was not read whole");
        return;
    }
    state.counters["clips"] = double(read->FClips.size());
    state.counters["headings"] = double(read->FHeadings.size());
    state.counters["hours"] = read->Length() / 3600;

    // The memory the read adds, from a process that does nothing else.
    QProcess probe;
    probe.start(QStringLiteral(VARNEL_DAISY_PROBE), {*book});
    if (!probe.waitForFinished(60000) || probe.exitCode() != 0) {
        state.SkipWithError("the memory probe failed");
        return;
    }
    const QList<QByteArray> fields = probe.readAllStandardOutput().trimmed().split(' ');
    const double addedMB = (fields.value(5).toDouble() - fields.value(4).toDouble()) / 1024.0;
    state.counters["added_MB"] = addedMB;
    std::fprintf(stderr,
                 "DAISY %s book of %zu phrases, %zu SMIL files: the read adds %.1f MB at its peak, goal <= "
                 "%.0f MB: %s\n",
                 state.range(0) == 3 ? "3" : "2.02", read->FClips.size(), std::size_t(kSmilFiles), addedMB,
                 kMemoryGoalMB, addedMB <= kMemoryGoalMB ? "met" : "MISSED");
}

} // namespace

BENCHMARK(BM_DaisyFirstSmil)->Arg(202)->Arg(3)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DaisyFullRead)->Arg(202)->Arg(3)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
