#pragma once

#include <QByteArray>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

/// A stretch of a file with no sound to speak of, in seconds of the file's own time.
struct Silence {
    double begin = 0.0;
    double end = 0.0;
    friend bool operator==(const Silence&, const Silence&) = default;
};

/// Finds the silences of one local file ahead of where it plays, on a thread of its own, so that
/// their ends are known before playback reaches them. It decodes the file a second time, at most
/// kScanAhead seconds ahead of the place it was last told, and then waits. Only silences of at
/// least kShortestSilence are kept; a file that cannot be opened under the open rule gives none.
class MpvSilenceScanner {
public:
    static constexpr double kShortestSilence = 0.8;
    static constexpr double kScanAhead = 60.0;

    MpvSilenceScanner() = default;
    ~MpvSilenceScanner() { Stop(); }
    MpvSilenceScanner(const MpvSilenceScanner&) = delete;
    MpvSilenceScanner& operator=(const MpvSilenceScanner&) = delete;

    /// Forgets what was found and reads `file` (its path in the file system's encoding) from
    /// `from` seconds on. Never fails: a file that cannot be read just gives no silences.
    void Start(const QByteArray& file, double from);
    /// Ends the scan and waits for its thread; what was found stays readable.
    void Stop();
    /// Playback stands at `seconds`: the scan may run up to kScanAhead past it.
    void Follow(double seconds);
    /// Whether `seconds` lies in the stretch read so far (from the start of the scan to a little
    /// past where it has got to), or the scan has read the whole rest of the file.
    bool Covers(double seconds) const;
    /// The silence found that holds `seconds`, if any.
    std::optional<Silence> SilenceAt(double seconds) const;

private:
    class Reading;
    void Run(QByteArray file, double from);
    /// Stores a silence and where the scan has got to; false once the scan must end. Waits while
    /// the scan is far enough ahead of playback.
    bool Reached(double seconds, std::optional<Silence> found);
    void Finished();

    mutable std::mutex FLock;
    std::condition_variable FWake;
    std::vector<Silence> FSilences; // in order of begin, none overlapping
    double FFrom = 0.0;
    double FReached = 0.0;
    double FPlayhead = 0.0;
    bool FStop = false;
    bool FDone = false;
    std::thread FThread;
};
