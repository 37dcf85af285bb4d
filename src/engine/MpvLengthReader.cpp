#include "engine/MpvLengthReader.h"

#include "util/IgnoreFailure.h"

#include <QMetaObject>
#include <QObject>

MpvLengthReader::MpvLengthReader(QObject& owner, Reader reader)
    : FOwner(owner), FReader(std::move(reader)), FWorker([this] { Work(); }) {}

MpvLengthReader::~MpvLengthReader() {
    Cancel();
    {
        const std::lock_guard lock(FMutex);
        FStop = true;
    }
    FWake.notify_one();
    FWorker.join();
}

void MpvLengthReader::Read(const QString& path, Answer answer) {
    FAwaited->answer = std::move(answer);
    const std::uint64_t request = ++FAwaited->request;
    {
        const std::lock_guard lock(FMutex);
        FWanted.emplace(path, request);
    }
    FWake.notify_one();
}

void MpvLengthReader::Cancel() {
    ++FAwaited->request;
    FAwaited->answer = nullptr;
}

void MpvLengthReader::Work() {
    for (;;) {
        std::pair<QString, std::uint64_t> wanted;
        {
            std::unique_lock lock(FMutex);
            FWake.wait(lock, [this] { return FStop || FWanted; });
            if (FStop)
                return;
            wanted = std::move(*FWanted);
            FWanted.reset();
        }
        std::optional<double> length;
        // A reader that fails leaves the length unknown.
        IgnoreFailure([&] { length = FReader(wanted.first); });
        // The shared record, not this: the answer may be delivered after this is gone.
        QMetaObject::invokeMethod(
            &FOwner,
            [awaited = FAwaited, request = wanted.second, length] {
                if (request != awaited->request || !awaited->answer)
                    return; // asked again or cancelled meanwhile
                const Answer answer = std::move(awaited->answer);
                awaited->answer = nullptr;
                answer(length);
            },
            Qt::QueuedConnection);
    }
}
