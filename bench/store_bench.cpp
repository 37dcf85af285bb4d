// The resume file at exit: load, purge and save of a "Play.ind" with 20,000 remembered files.
#include "config/MediaConfigs.h"

#include "BenchGoals.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int RememberedFiles = 20000;

// What the exit may cost the user at most, each step, on an idle machine.
const bool kGoals = AddBenchGoal({"BM_ResumeStoreLoad", 0.050, "<= 50 ms"}) &&
                    AddBenchGoal({"BM_ResumeStorePurge", 0.050, "<= 50 ms"}) &&
                    AddBenchGoal({"BM_ResumeStoreSave", 0.050, "<= 50 ms"});

// Generated resume files of 20,000 sections, each holding Path and Time. Half the entries name one
// existing file, half name missing files: in "Play.ind" the missing files were deleted one by one
// from the same folder, so the purge asks the file system about every entry; in "Folder.ind"
// they lay in a folder that is gone (a deleted album, a drive not mounted), which the purge
// learns once. Either way it drops half the entries.
class ResumeFiles {
public:
    static const ResumeFiles& Get() {
        static const ResumeFiles files;
        return files;
    }

    QString Path() const { return FDir.filePath("Play.ind"); }
    QString FolderGonePath() const { return FDir.filePath("Folder.ind"); }
    QLocale Regional() const { return QLocale(QLocale::Italian, QLocale::Italy); }

private:
    ResumeFiles() {
        const QString existing = FDir.filePath("present.mp3");
        // Should it fail, the purge benchmarks show it: "kept" drops to 0.
        QFile present(existing);
        if (present.open(QIODevice::WriteOnly))
            present.write("x");
        present.close();
        Generate(Path(), existing, FDir.filePath("deleted %1.mp3"));
        Generate(FolderGonePath(), existing, FDir.filePath("gone album/track %1.mp3"));
    }

    // Sections of a generated file, each with its own name: written through SetResumeTime, the
    // entries naming the one existing file would all share one section.
    void Generate(const QString& fileName, const QString& existing, const QString& missingPattern) const {
        TM3MediaConfigs store(fileName, Regional());
        for (int i = 0; i < RememberedFiles; ++i) {
            const QString section = QStringLiteral("entry%1").arg(i);
            store.WriteText(section, QStringLiteral("Path"), (i % 2 == 0) ? existing : missingPattern.arg(i));
            store.WriteReal(section, QStringLiteral("Time"), 60.5 + i);
        }
        store.SaveToDisk();
    }

    QTemporaryDir FDir;
};

void BM_ResumeStoreLoad(benchmark::State& state) {
    const ResumeFiles& file = ResumeFiles::Get();
    for (auto _ : state) {
        TM3MediaConfigs store(file.Path(), file.Regional());
        benchmark::DoNotOptimize(&store);
    }
    state.counters["sections"] = RememberedFiles;
}

void BM_ResumeStorePurge(benchmark::State& state) {
    const ResumeFiles& file = ResumeFiles::Get();
    int kept = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto store = std::make_unique<TM3MediaConfigs>(
            state.range(0) == 0 ? file.Path() : file.FolderGonePath(), file.Regional());
        state.ResumeTiming();
        store->Purge();
        state.PauseTiming();
        kept = static_cast<int>(store->SectionNames().size());
        store.reset();
        state.ResumeTiming();
    }
    state.counters["kept"] = kept;
}

void BM_ResumeStoreSave(benchmark::State& state) {
    const ResumeFiles& file = ResumeFiles::Get();
    // Rewrites "Play.ind" with the same content, as the program does at every exit.
    TM3MediaConfigs store(file.Path(), file.Regional());
    for (auto _ : state)
        store.SaveToDisk();
    state.counters["sections"] = RememberedFiles;
}

} // namespace

BENCHMARK(BM_ResumeStoreLoad)->Unit(benchmark::kMillisecond);
// Argument 0: files deleted one by one; 1: their folder is gone.
BENCHMARK(BM_ResumeStorePurge)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResumeStoreSave)->Unit(benchmark::kMillisecond);
