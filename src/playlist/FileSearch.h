#pragma once

#include "playlist/PlaylistBuilder.h"
#include "util/PathList.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

/// The command line's media files, searched on a thread of its own while the rest of the program
/// starts. The first file found is told as soon as it is found, and what follows comes in batches
/// while the search goes on, so that a large tree, or a slow share, plays before its search is over.
class TFileSearch {
public:
    using Clock = std::chrono::steady_clock;

    /// `isMedia` is called on the search's thread only. Files found after the first are handed on
    /// at most once per `batchEvery`, and at the end.
    TFileSearch(QStringList arguments, MediaTest isMedia,
                std::chrono::milliseconds batchEvery = std::chrono::milliseconds(250));
    /// Asks the search to end early and waits for it.
    ~TFileSearch();
    TFileSearch(const TFileSearch&) = delete;
    TFileSearch& operator=(const TFileSearch&) = delete;

    /// Waits for the first file found; empty when the search ended without finding any.
    QString First();
    /// Waits for the end of the search and takes every file not taken yet, in the order found.
    TPathList Whole();
    /// Takes the files handed on and not taken yet, at once, and whether the search is over (when
    /// it is, nothing is left to take).
    std::pair<TPathList, bool> TakeFound();
    bool Ended() const;
    /// `news` runs on the search's thread each time files are handed on, and once as it ends; at
    /// once, on the caller's thread, when there is something to take or the search is over.
    void Follow(std::function<void()> news);
    /// Once a file has been found, what is left of the search gives way to everything else the
    /// program does: the listener will be hearing the first file by then.
    void GiveWay() { FGiveWay.store(true); }
    /// The search enters no further folder and ends soon: what it found so far is all there is.
    void Stop() { FStop.store(true); }

private:
    void Run(const QStringList& arguments, const MediaTest& isMedia);
    /// Moves `found` to the files handed on and tells the follower, if any.
    void HandOn(TPathList& found, bool ended);

    const std::chrono::milliseconds FBatchEvery;
    mutable std::mutex FLock;
    std::condition_variable FChanged;
    QString FFirst;
    TPathList FFound; // handed on, not taken yet
    bool FEnded = false;
    std::function<void()> FNews;
    std::atomic<bool> FGiveWay{false};
    std::atomic<bool> FStop{false};
    std::thread FThread; // last: started once everything it touches is built
};
