// The resume file at exit: load, purge and save of a "Play.ind" with 20,000 remembered files.
#include "config/MediaConfigs.h"

#include "BenchGoals.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kRememberedFiles = 20000;

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
    QString Existing() const { return QDir(FDir.path()).canonicalPath() + QStringLiteral("/present.mp3"); }
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
        for (int i = 0; i < kRememberedFiles; ++i) {
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
    state.counters["sections"] = kRememberedFiles;
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
    // Saving again with nothing new, as the player does while paused and at exit: one stat.
    TM3MediaConfigs store(file.Path(), file.Regional());
    for (auto _ : state)
        store.SaveToDisk();
    state.counters["sections"] = kRememberedFiles;
}

void BM_ResumeStoreLookup(benchmark::State& state) {
    // What PlayFile pays per track: the path resolved by the file system, then the index.
    const ResumeFiles& file = ResumeFiles::Get();
    TM3MediaConfigs store(file.Path(), file.Regional());
    const QString path = file.Existing();
    double seconds = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(seconds = store.GetResumeTime(path));
    state.counters["seconds"] = seconds;
}

void BM_ResumeStoreSavePosition(benchmark::State& state) {
    // The saves while listening: argument 0 with nothing new (a stat), 1 with a new position.
    const ResumeFiles& file = ResumeFiles::Get();
    QTemporaryDir dir;
    const QString copy = dir.filePath("Play.ind");
    QFile::copy(file.Path(), copy);
    TM3MediaConfigs store(copy, file.Regional());
    store.SaveToDisk();
    double position = 100;
    for (auto _ : state) {
        if (state.range(0) == 1)
            store.SetResumeTime(file.Existing(), position += 1);
        store.SaveToDisk();
    }
    state.counters["sections"] = static_cast<double>(store.SectionNames().size());
}

long StatusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line)) {
        if (line.rfind(prefix, 0) == 0)
            return std::stol(line.substr(prefix.size()));
    }
    return -1;
}

// Peak memory of loading a 20 MB "Play.ind" of empty sections, per byte of the file, measured in a
// child process whose high-water mark is reset just before. Goal: well under 10.
void BM_ResumeStoreEmptySectionsPeakMemory(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Play.ind");
    {
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly))
            return;
        const QByteArray chunk = QByteArray("[]\r\n").repeated(1 << 16);
        while (out.size() < 20 * 1000 * 1000)
            out.write(chunk);
    }
    const double size = static_cast<double>(QFileInfo(path).size());
    double ratio = 0;
    for (auto _ : state) {
        int pipeFds[2];
        if (::pipe(pipeFds) != 0)
            return;
        const pid_t child = ::fork();
        if (child == 0) {
            std::ofstream("/proc/self/clear_refs") << "5"; // resets the high-water mark
            const long before = StatusKb("VmRSS");
            {
                const TSectionedStore store(path, QLocale::c());
                benchmark::DoNotOptimize(&store);
            }
            const double grown = static_cast<double>(StatusKb("VmHWM") - before) * 1024;
            ::write(pipeFds[1], &grown, sizeof grown);
            ::_exit(0);
        }
        double grown = 0;
        ::read(pipeFds[0], &grown, sizeof grown);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        ::waitpid(child, nullptr, 0);
        ratio = grown / size;
    }
    state.counters["peak_bytes_per_file_byte"] = ratio;
    state.counters["file_mb"] = size / 1e6;
}

} // namespace

BENCHMARK(BM_ResumeStoreLookup)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ResumeStoreSavePosition)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResumeStoreEmptySectionsPeakMemory)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResumeStoreLoad)->Unit(benchmark::kMillisecond);
// Argument 0: files deleted one by one; 1: their folder is gone.
BENCHMARK(BM_ResumeStorePurge)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResumeStoreSave)->Unit(benchmark::kMillisecond);
