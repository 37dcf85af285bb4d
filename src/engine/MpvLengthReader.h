#pragma once

#include <QString>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

class QObject;

/// Reads the length of one file at a time from its header, on a thread of its own, so that the UI
/// thread never waits for a disk; the answer comes back on the owner's thread by a queued call.
/// Only the last file asked for is answered: asking again, Cancel or the end of this drops what
/// was asked before.
class MpvLengthReader {
public:
    /// Reads one length; runs on the reader's thread; nullopt when the file gives none.
    using Reader = std::function<std::optional<double>(const QString& path)>;
    using Answer = std::function<void(std::optional<double> length)>;

    /// `owner`: the object the answers are queued on; Qt drops them once it is gone.
    MpvLengthReader(QObject& owner, Reader reader);
    /// Waits for the file being read, if any; no answer comes after this.
    ~MpvLengthReader();
    MpvLengthReader(const MpvLengthReader&) = delete;
    MpvLengthReader& operator=(const MpvLengthReader&) = delete;

    /// Returns at once; `answer` runs on the owner's thread unless something else is asked first.
    void Read(const QString& path, Answer answer);
    /// The answer awaited, if any, is dropped.
    void Cancel();
    /// True while an answer is awaited.
    bool Pending() const { return static_cast<bool>(FAwaited->answer); }

private:
    /// What the owner's thread awaits; shared with the answers queued, which may outlive this.
    struct Awaited {
        std::uint64_t request = 0; // counts requests and cancels
        Answer answer;             // empty when none is awaited
    };

    void Work();

    QObject& FOwner;
    Reader FReader;
    std::shared_ptr<Awaited> FAwaited = std::make_shared<Awaited>(); // the owner's thread only
    std::mutex FMutex;
    std::condition_variable FWake;
    std::optional<std::pair<QString, std::uint64_t>> FWanted; // guarded by FMutex
    bool FStop = false;                                       // guarded by FMutex
    std::thread FWorker;                                      // last: started once everything it uses exists
};
