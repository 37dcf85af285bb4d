#pragma once

#include "engine/MediaControl.h"
#include "engine/MpvLoad.h"
#include "engine/MpvSilenceSkipper.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <utility>

class QObject;
struct mpv_handle;
struct MpvEventData;

/// mpv's own bounds for speed.
inline constexpr double kMpvSlowestSpeed = 0.01;
inline constexpr double kMpvFastestSpeed = 100.0;

/// Where mpv sends its sound.
struct MpvOutputOptions {
    MpvOutputOptions(QString output = {}, bool untimedPlay = false, QString pcmFile = {})
        : audioOutput(std::move(output)), untimed(untimedPlay), audioFile(std::move(pcmFile)) {}
    QString audioOutput; // empty: the desktop's sound server; tests use "null"
    bool untimed;        // play as fast as decoding allows (tests that do not need real time)
    QString audioFile;   // with the "pcm" output: the file the samples are appended to (tests)
};

/// One headless mpv instance and the only way to it: its fixed options, the asynchronous requests
/// the control sends, and its events, which reach the owner's thread through mpv's wakeup callback
/// and a queued call on the owner, never by polling.
class MpvClient {
public:
    using EventHandler = std::function<void(const MpvEventData&)>;
    enum class OnRefusal { Throw, Ignore };

    /// Creates and initialises mpv; throws MediaControlError when it cannot. `owner` is the
    /// object the drain is queued on: Qt drops the call once the owner is gone.
    MpvClient(const MpvOutputOptions& options, QObject& owner);
    ~MpvClient();
    MpvClient(const MpvClient&) = delete;
    MpvClient& operator=(const MpvClient&) = delete;

    /// From now on every event goes to `handler` on the owner's thread. Called last, once the
    /// owner is fully built: mpv may call in from then on.
    void Listen(EventHandler handler);

    /// Queues a command; throws MediaControlError when mpv refuses it, unless told to ignore that.
    void Command(std::initializer_list<const char*> args, std::uint64_t tag = 0,
                 OnRefusal onRefusal = OnRefusal::Throw);
    /// Queues a loadfile of the load's file from its start to its end, with `flags` ("replace",
    /// "append"); throws MediaControlError when mpv refuses it.
    void LoadFile(const MpvLoad& load, const char* flags, std::uint64_t tag);
    /// Queues a property change; throws MediaControlError when mpv refuses it.
    void SetFlag(const char* name, bool value);
    void SetDouble(const char* name, double value);
    /// Queues a change of speed within mpv's bounds, heard with its pitch kept; throws
    /// MediaControlError when mpv refuses it.
    void SetSpeed(double speed);
    /// From now on what plays, and every file after it, sounds as `sound` says; throws
    /// MediaControlError when mpv refuses the filters.
    void SetSound(const SoundOptions& sound);
    /// The stretches of recording passed over in silences so far, in order.
    const std::vector<Silence>& PassedOver() const { return FSkipper.PassedOver(); }
    /// Reads a property now; returns `fallback` when mpv cannot tell.
    double ReadDouble(const char* name, double fallback) const;
    /// `reached` runs on the owner's thread once every request sent before has been handled by
    /// mpv and every event raised on the way has been delivered; throws MediaControlError when
    /// mpv refuses the request.
    void Barrier(std::function<void()> reached);

private:
    struct HandleDeleter {
        void operator()(mpv_handle* handle) const noexcept;
    };

    static void OnWakeup(void* context);
    void QueueDrain();
    void Drain();
    void SendBarrier(std::function<void()> reached, OnRefusal onRefusal);
    void PassBarrier(std::uint64_t sequence);
    /// Lets the skipper see what moves playback; true when the event was its own alone.
    bool ShownToSkipper(const MpvEventData& event);
    void ApplyFilters();
    void SendSkip(double seconds);

    std::unique_ptr<mpv_handle, HandleDeleter> FHandle; // first member: freed after everything else
    QObject& FOwner;
    EventHandler FHandler;
    std::atomic<bool> FDrainQueued{false};
    bool FWidePitchKeeper = false; // the pitch keeper of SetSpeed is in the filter chain
    SoundOptions FSound;
    QByteArray FFilters; // the filter list mpv was given last
    MpvSilenceSkipper FSkipper{[this](double seconds) { SendSkip(seconds); }};
    std::uint64_t FSkipSequence = 0;
    std::uint64_t FBarrierSequence = 0;
    std::map<std::uint64_t, std::function<void()>> FBarriers;
};
