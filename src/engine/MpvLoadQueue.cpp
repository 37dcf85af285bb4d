#include "engine/MpvLoadQueue.h"

#include <QMetaObject>
#include <QObject>

#include <utility>

void MpvLoadQueue::Restart() {
    ++FGeneration;
    FUnsent.reset();
    FWaitsForMove = false;
}

void MpvLoadQueue::Post(std::function<void()> call) {
    QMetaObject::invokeMethod(
        &FOwner,
        [this, expected = FGeneration, call = std::move(call)] {
            if (FGeneration == expected)
                call();
        },
        Qt::QueuedConnection);
}

bool MpvLoadQueue::TakeWaitForMove() {
    return std::exchange(FWaitsForMove, false);
}
