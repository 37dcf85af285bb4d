#include "playlist/PlaylistOrder.h"

#include "daisy/DaisyLocator.h"

#include <QCollator>
#include <QCollatorSortKey>

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

template <typename Less> void SortByIndex(QStringList& files, const Less& less) {
    std::vector<int> order(std::size_t(files.size()));
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    QuickSort(order, 0, files.size() - 1, less);
    QStringList sorted;
    sorted.reserve(files.size());
    for (const int index : order)
        sorted.append(files[index]);
    files = std::move(sorted);
}

} // namespace

void SortPaths(QStringList& files, const QCollator& collator) {
    if (files.size() < 2)
        return;
    // Qt's sort keys for the C locale are the plain UTF-8 bytes and ignore the case setting, while its
    // compare honours it; elsewhere the keys are much faster than comparing the texts each time.
    if (collator.locale().language() == QLocale::C) {
        QStringList paths;
        paths.reserve(files.size());
        for (const QString& path : std::as_const(files))
            paths.append(DaisySortPath(path));
        SortByIndex(files, [&](int a, int b) { return collator.compare(paths[a], paths[b]) < 0; });
        return;
    }
    std::vector<QCollatorSortKey> keys;
    keys.reserve(std::size_t(files.size()));
    for (const QString& path : std::as_const(files))
        keys.push_back(collator.sortKey(DaisySortPath(path)));
    SortByIndex(files, [&](int a, int b) { return keys[std::size_t(a)].compare(keys[std::size_t(b)]) < 0; });
}

int Shuffle(QStringList& files, int current, quint32 seed) {
    if (files.isEmpty())
        return current;
    const bool hasCurrent = current >= 0 && current < files.size();
    const QString currentPath = hasCurrent ? files[current] : QString();
    TShuffleRandom random(seed);
    const auto count = static_cast<quint32>(files.size());
    for (quint32 i = 0; i < count; ++i)
        files.swapItemsAt(qsizetype(i), qsizetype(random.Below(count)));
    if (!hasCurrent)
        return 0;
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (files[i].compare(currentPath, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return 0;
}
