// The track list at scale: searching a tree of 100,000 files and sorting 100,000 paths.
#include "playlist/PlaylistBuilder.h"
#include "playlist/PlaylistOrder.h"

#include "BenchGoals.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <string>

namespace {

constexpr int kFolders = 100;
constexpr int kTracksPerFolder = 1000;
constexpr int kPaths = 100000;

// Both are steps of the start-up, which for 100,000 files should take at most half of what the
// mpv command line takes (about 1.3 s here), so each gets a small share of that.
const bool kGoals = AddBenchGoal({"BM_ScanHundredThousandFiles", 0.200, "<= 200 ms"}) &&
                    AddBenchGoal({"BM_SortHundredThousandPaths", 0.300, "<= 300 ms"});

bool IsMp3(const QString& name) {
    return name.endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive);
}

// 100 folders of 1,000 tracks and 20 covers each, as hard links (ext4 allows 65,000 a file), so
// the tree costs little disk.
class Tree {
public:
    static const Tree& Get() {
        static const Tree tree;
        return tree;
    }
    QString Root() const { return FDir.path() + QLatin1Char('/'); }
    bool Valid() const { return FValid; }

private:
    Tree() {
        const QByteArray root = QFile::encodeName(FDir.path());
        FValid = FDir.isValid();
        for (int folder = 0; folder < kFolders && FValid; ++folder) {
            const QByteArray path = root + "/d" + QByteArray::number(folder);
            const QByteArray source = path + "/source.bin";
            FValid = QDir().mkpath(QFile::decodeName(path));
            const int fd = ::open(source.constData(), O_CREAT | O_WRONLY, 0644);
            FValid = FValid && fd >= 0;
            if (fd >= 0)
                ::close(fd);
            for (int file = 0; file < kTracksPerFolder && FValid; ++file)
                FValid = link(source.constData(),
                              (path + "/Track " + QByteArray::number(file) + ".mp3").constData()) == 0;
            for (int file = 0; file < 20 && FValid; ++file)
                FValid = link(source.constData(),
                              (path + "/cover" + QByteArray::number(file) + ".jpg").constData()) == 0;
        }
    }
    QTemporaryDir FDir;
    bool FValid = false;
};

void BM_ScanHundredThousandFiles(benchmark::State& state) {
    const Tree& tree = Tree::Get();
    if (!tree.Valid()) {
        state.SkipWithError("could not build the tree");
        return;
    }
    qsizetype found = 0;
    for (auto _ : state) {
        QStringList files;
        ScanFolder(tree.Root(), IsMp3, files);
        found = files.size();
    }
    state.counters["files"] = static_cast<double>(found);
}
BENCHMARK(BM_ScanHundredThousandFiles)->Unit(benchmark::kMillisecond);

QStringList Paths(int kind) {
    QStringList paths;
    if (kind == 2)
        return QStringList(kPaths, QStringLiteral("/music/Same.MP3"));
    if (kind == 3) {
        // Few letters in both cases and some accents: ties and case-only differences are common.
        static const QString letters = QStringLiteral("aAbBcCéÉzZ/._ 9");
        QRandomGenerator random(99);
        for (int i = 0; i < kPaths; ++i) {
            QString path = QStringLiteral("/m/");
            for (int k = random.bounded(1, 6); k > 0; --k)
                path += letters[random.bounded(int(letters.size()))];
            paths.append(path);
        }
        return paths;
    }
    for (int i = 0; i < kPaths; ++i)
        paths.append(QStringLiteral("/music/track %1.mp3").arg(i, 6, 10, QLatin1Char('0')));
    if (kind == 1)
        std::reverse(paths.begin(), paths.end());
    return paths;
}

// Argument 0: the locale ("C" compares, the others use sort keys); 1: the input (ascending,
// descending, all equal, random).
void BM_SortHundredThousandPaths(benchmark::State& state) {
    static const char* const locales[] = {"C", "en_US", "de_DE", "it_IT"};
    static const char* const inputs[] = {"ascending", "descending", "equal", "random"};
    QCollator collator{QLocale(QString::fromLatin1(locales[state.range(0)]))};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    const QStringList input = Paths(static_cast<int>(state.range(1)));
    for (auto _ : state) {
        state.PauseTiming();
        QStringList files = input;
        state.ResumeTiming();
        SortPaths(files, collator);
        benchmark::DoNotOptimize(files.constData());
    }
    state.SetLabel(std::string(locales[state.range(0)]) + ", " + inputs[state.range(1)]);
}
BENCHMARK(BM_SortHundredThousandPaths)
    ->ArgsProduct({{0, 1, 2, 3}, {0, 1, 2, 3}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace
