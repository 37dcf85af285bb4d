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

TFileSearch::TFileSearch(QStringList arguments, MediaTest isMedia, std::chrono::milliseconds batchEvery)
    : FBatchEvery(batchEvery), FThread([this, arguments = std::move(arguments),
                                        isMedia = std::move(isMedia)] { Run(arguments, isMedia); }) {}

TFileSearch::~TFileSearch() {
    // A program closing during the search of a huge tree waits for one folder, not for the tree.
    Stop();
    FThread.join();
}

void TFileSearch::Run(const QStringList& arguments, const MediaTest& isMedia) {
    // Kept compact from the start: a large tree is found faster than the window takes it.
    TPathList found;
    bool lowered = false;
    bool anyHandedOn = false;
    Clock::time_point handedOn{};
    SearchHooks hooks;
    hooks.stop = &FStop;
    hooks.found = [&](const QString&) {
        if (!lowered && FGiveWay.load()) {
            LowerThisThread();
            lowered = true;
        }
        // The first file at once, as the start waits for it; then batches, so that neither the
        // lock nor the list's growing costs much per file.
        if (anyHandedOn && Clock::now() - handedOn < FBatchEvery)
            return;
        HandOn(found, false);
        anyHandedOn = true;
        handedOn = Clock::now();
    };
    for (const QString& argument : arguments)
        AddArgument(argument, isMedia, found, hooks);
    HandOn(found, true);
}

void TFileSearch::HandOn(TPathList& found, bool ended) {
    std::function<void()> news;
    {
        const std::lock_guard lock(FLock);
        if (FFirst.isEmpty() && !found.isEmpty())
            FFirst = found.first();
        FFound.append(std::move(found));
        found.clear();
        FEnded = ended;
        news = FNews;
        FChanged.notify_all();
    }
    if (news)
        news();
}

QString TFileSearch::First() {
    std::unique_lock lock(FLock);
    FChanged.wait(lock, [this] { return FEnded || !FFirst.isEmpty(); });
    return FFirst;
}

TPathList TFileSearch::Whole() {
    std::unique_lock lock(FLock);
    FChanged.wait(lock, [this] { return FEnded; });
    return std::exchange(FFound, {});
}

std::pair<TPathList, bool> TFileSearch::TakeFound() {
    const std::lock_guard lock(FLock);
    return {std::exchange(FFound, {}), FEnded};
}

bool TFileSearch::Ended() const {
    const std::lock_guard lock(FLock);
    return FEnded;
}

void TFileSearch::Follow(std::function<void()> news) {
    bool now = false;
    {
        const std::lock_guard lock(FLock);
        FNews = news;
        now = FEnded || !FFound.isEmpty();
    }
    if (now)
        news();
}
