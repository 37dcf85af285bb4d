#pragma once

#include "playlist/PlaylistBuilder.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

/// The command line's media files, searched on a thread of its own while the rest of the program
/// starts. The first file found is told as soon as it is found, so that a large tree can start
/// playing before its search is over; the whole list is handed over once, at the end.
class TFileSearch {
public:
    /// `isMedia` is called on the search's thread only.
    TFileSearch(QStringList arguments, MediaTest isMedia);
    /// Waits for the search to end.
    ~TFileSearch();
    TFileSearch(const TFileSearch&) = delete;
    TFileSearch& operator=(const TFileSearch&) = delete;

    /// Waits for the first file found; empty when the search ended without finding any.
    QString First();
    /// Waits for the end of the search and takes every file found, in the order found; once.
    QStringList Whole();
    bool Ended() const;
    /// Once a file has been found, what is left of the search gives way to everything else the
    /// program does: the listener will be hearing the first file by then.
    void GiveWay() { FGiveWay.store(true); }
    /// `ended` runs once the search is over: at once, on the caller's thread, when it is over
    /// already, otherwise on the search's thread as it ends.
    void WhenEnded(std::function<void()> ended);

private:
    void Run(const QStringList& arguments, const MediaTest& isMedia);

    mutable std::mutex FLock;
    std::condition_variable FChanged;
    QString FFirst;
    QStringList FFound;
    bool FEnded = false;
    std::function<void()> FWhenEnded;
    std::atomic<bool> FGiveWay{false};
    std::thread FThread; // last: started once everything it touches is built
};
