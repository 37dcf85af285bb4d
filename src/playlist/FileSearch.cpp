#include "playlist/FileSearch.h"

#include <sys/resource.h>
#include <unistd.h>

#include <utility>

namespace {

// Low enough for the sound and the window to come first on a busy machine, high enough for the
// list to fill in soon even then. A thread may always lower its own priority.
constexpr int kGivingWayNice = 10;

void LowerThisThread() {
    const auto thread = static_cast<id_t>(gettid());
    // Never raised: a program started at a lower priority stays there.
    if (getpriority(PRIO_PROCESS, thread) < kGivingWayNice)
        setpriority(PRIO_PROCESS, thread, kGivingWayNice);
}

} // namespace

TFileSearch::TFileSearch(QStringList arguments, MediaTest isMedia)
    : FThread([this, arguments = std::move(arguments), isMedia = std::move(isMedia)] {
          Run(arguments, isMedia);
      }) {}

TFileSearch::~TFileSearch() {
    FThread.join();
}

void TFileSearch::Run(const QStringList& arguments, const MediaTest& isMedia) {
    QStringList found;
    bool lowered = false;
    const FileFound tell = [this, &lowered](const QString& path) {
        if (!lowered && FGiveWay.load()) {
            LowerThisThread();
            lowered = true;
        }
        // Only the first is awaited; the lock is taken once.
        if (!FFirst.isEmpty())
            return;
        const std::lock_guard lock(FLock);
        FFirst = path;
        FChanged.notify_all();
    };
    for (const QString& argument : arguments)
        AddArgument(argument, isMedia, found, tell);
    std::function<void()> ended;
    {
        const std::lock_guard lock(FLock);
        FFound = std::move(found);
        FEnded = true;
        ended = std::move(FWhenEnded);
        FChanged.notify_all();
    }
    if (ended)
        ended();
}

QString TFileSearch::First() {
    std::unique_lock lock(FLock);
    FChanged.wait(lock, [this] { return FEnded || !FFirst.isEmpty(); });
    return FFirst;
}

QStringList TFileSearch::Whole() {
    std::unique_lock lock(FLock);
    FChanged.wait(lock, [this] { return FEnded; });
    return std::exchange(FFound, {});
}

bool TFileSearch::Ended() const {
    const std::lock_guard lock(FLock);
    return FEnded;
}

void TFileSearch::WhenEnded(std::function<void()> ended) {
    {
        const std::lock_guard lock(FLock);
        if (!FEnded) {
            FWhenEnded = std::move(ended);
            return;
        }
    }
    ended();
}
