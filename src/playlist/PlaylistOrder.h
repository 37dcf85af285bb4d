#pragma once

#include "util/PathList.h"

#include <QStringList>
#include <QtGlobal>

class QCollator;

/// Sorts files ascending by collator, a talking book by its folder (a quicksort with the middle entry as
/// pivot; equal entries may trade places); never fails.
void SortPaths(QStringList& files, const QCollator& collator);
void SortPaths(TPathList& files, const QCollator& collator);

/// The playlist's 32-bit linear congruential generator, so that a seed always gives the same order.
class TShuffleRandom {
public:
    explicit TShuffleRandom(quint32 seed) : FSeed(seed) {}

    /// The next draw, 0 to count - 1; 0 when count is 0.
    quint32 Below(quint32 count) {
        FSeed = FSeed * 134775813u + 1u;
        return static_cast<quint32>((static_cast<quint64>(FSeed) * count) >> 32);
    }

private:
    quint32 FSeed;
};

/// Shuffles files with the generator seeded by seed and returns the new index of the path that was at
/// current (compared ignoring case); 0 when current was out of range, current when files is empty.
int Shuffle(QStringList& files, int current, quint32 seed);
int Shuffle(TPathList& files, int current, quint32 seed);
