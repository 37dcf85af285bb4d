#include "book/TrackLengths.h"

#include "util/IgnoreFailure.h"

#include <QMetaObject>
#include <QSet>

#include <utility>

TTrackLengths::TTrackLengths(Reader reader, QObject* parent)
    : QObject(parent), FReader(std::move(reader)), FWorker([this] { Work(); }) {}

TTrackLengths::~TTrackLengths() {
    {
        const std::lock_guard lock(FMutex);
        FStop = true;
    }
    FWake.notify_one();
    FWorker.join();
    // Results posted but not delivered die with this object: Qt drops the events of a deleted receiver.
}

void TTrackLengths::Want(const TPathList& paths) {
    if (paths.isEmpty())
        return;
    ++FPendingLists;
    {
        const std::lock_guard lock(FMutex);
        FQueue.push_back(paths);
    }
    FWake.notify_one();
}

void TTrackLengths::Work() {
    QSet<QByteArray> read; // the worker's own record, so that asking again costs the UI thread nothing
    for (;;) {
        TPathList paths;
        {
            std::unique_lock lock(FMutex);
            FWake.wait(lock, [this] { return FStop || !FQueue.empty(); });
            if (FStop)
                return;
            paths = std::move(FQueue.front());
            FQueue.pop_front();
        }
        for (qsizetype i = 0; i < paths.size(); ++i) {
            const QByteArray& bytes = paths.BytesAt(i);
            if (read.contains(bytes))
                continue;
            {
                const std::lock_guard lock(FMutex);
                if (FStop)
                    return;
            }
            read.insert(bytes);
            const QString path = paths.at(i);
            std::optional<double> length;
            // A reader that fails leaves the length unknown; the worker carries on.
            IgnoreFailure([&] { length = FReader(path); });
            QMetaObject::invokeMethod(
                this,
                [this, bytes, path, length] {
                    FLengths.insert(bytes, length);
                    emit LengthRead(path);
                },
                Qt::QueuedConnection);
        }
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (--FPendingLists == 0)
                    emit AllRead();
            },
            Qt::QueuedConnection);
    }
}
