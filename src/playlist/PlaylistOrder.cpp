#include "playlist/PlaylistOrder.h"

#include "daisy/DaisyLocator.h"

#include <QCollator>
#include <QCollatorSortKey>

#include <numeric>
#include <utility>
#include <vector>

namespace {

// Hoare's scheme with the middle entry as pivot. Recursing only into the smaller part and looping on
// the larger keeps the stack at log n frames; the middle pivot keeps sorted input at n log n, and
// swapping entries equal to the pivot splits an all-equal list down the middle.
template <typename Less>
void QuickSort(std::vector<int>& order, qsizetype lo, qsizetype hi, const Less& less) {
    while (lo < hi) {
        const int pivot = order[std::size_t(lo + (hi - lo) / 2)];
        qsizetype i = lo;
        qsizetype j = hi;
        while (i <= j) {
            while (less(order[std::size_t(i)], pivot))
                ++i;
            while (less(pivot, order[std::size_t(j)]))
                --j;
            if (i <= j) {
                std::swap(order[std::size_t(i)], order[std::size_t(j)]);
                ++i;
                --j;
            }
        }
        if (j - lo < hi - i) {
            QuickSort(order, lo, j, less);
            lo = i;
        } else {
            QuickSort(order, i, hi, less);
            hi = j;
        }
    }
}

std::vector<int> Unmoved(qsizetype count) {
    std::vector<int> order(std::size_t(count), 0);
    std::iota(order.begin(), order.end(), 0);
    return order;
}

QStringList Reordered(const QStringList& files, const std::vector<int>& order) {
    QStringList reordered;
    reordered.reserve(files.size());
    for (const int index : order)
        reordered.append(files[index]);
    return reordered;
}

// The track list's own paths are moved, not made again: what else holds them keeps sharing them.
TPathList Reordered(const TPathList& files, const std::vector<int>& order) {
    return files.Reordered(order);
}

template <typename List> void SortList(List& files, const QCollator& collator) {
    if (files.size() < 2)
        return;
    std::vector<int> order = Unmoved(files.size());
    // Qt's sort keys for the C locale are the plain UTF-8 bytes and ignore the case setting, while its
    // compare honours it; elsewhere the keys are much faster than comparing the texts each time.
    if (collator.locale().language() == QLocale::C) {
        QStringList paths;
        paths.reserve(files.size());
        for (const QString& path : files)
            paths.append(DaisySortPath(path));
        QuickSort(order, 0, files.size() - 1,
                  [&](int a, int b) { return collator.compare(paths[a], paths[b]) < 0; });
    } else {
        std::vector<QCollatorSortKey> keys;
        keys.reserve(std::size_t(files.size()));
        for (const QString& path : files)
            keys.push_back(collator.sortKey(DaisySortPath(path)));
        QuickSort(order, 0, files.size() - 1,
                  [&](int a, int b) { return keys[std::size_t(a)].compare(keys[std::size_t(b)]) < 0; });
    }
    files = Reordered(files, order);
}

template <typename List> int ShuffleList(List& files, int current, quint32 seed) {
    if (files.isEmpty())
        return current;
    const bool hasCurrent = current >= 0 && current < files.size();
    const QString currentPath = hasCurrent ? files[current] : QString();
    TShuffleRandom random(seed);
    const auto count = static_cast<quint32>(files.size());
    std::vector<int> order = Unmoved(files.size());
    for (quint32 i = 0; i < count; ++i)
        std::swap(order[i], order[random.Below(count)]);
    files = Reordered(files, order);
    if (!hasCurrent)
        return 0;
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (files[i].compare(currentPath, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return 0;
}

} // namespace

void SortPaths(QStringList& files, const QCollator& collator) {
    SortList(files, collator);
}

void SortPaths(TPathList& files, const QCollator& collator) {
    SortList(files, collator);
}

int Shuffle(QStringList& files, int current, quint32 seed) {
    return ShuffleList(files, current, seed);
}

int Shuffle(TPathList& files, int current, quint32 seed) {
    return ShuffleList(files, current, seed);
}
