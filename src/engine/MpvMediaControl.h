#pragma once

#include "engine/MediaControl.h"

#include <memory>
#include <utility>

/// The media control on libmpv: headless, audio only. Events reach the UI thread through mpv's
/// wakeup callback and a queued call, which drains them. Getters read a cache kept from property
/// changes and from the control's own puts, so none of them waits for mpv.
class MpvMediaControl : public MediaControl {
    Q_OBJECT
public:
    struct Options {
        Options(QString output = {}, bool untimedPlay = false, QString pcmFile = {})
            : audioOutput(std::move(output)), untimed(untimedPlay), audioFile(std::move(pcmFile)) {}
        QString audioOutput; // empty: mpv's default output; tests use "null"
        bool untimed;        // play as fast as decoding allows (tests that do not need real time)
        QString audioFile;   // with the "pcm" output: the file the samples are written to (tests)
    };

    /// Throws MediaControlError when mpv cannot be created or initialised.
    explicit MpvMediaControl(const Options& options, QObject* parent = nullptr);
    MpvMediaControl() : MpvMediaControl(Options{}) {}
    ~MpvMediaControl() override;

    /// The load is sent from the event loop right after this returns, with any position put
    /// before then; a path that is no regular file is never opened and ends as a failure.
    void SetUrl(const QString& path) override;
    /// Appends the file to mpv's own playlist behind the current one, so that a change to it
    /// keeps the audio output open; SetUrl then adopts that entry when asked for the same file
    /// and start. The same file as the current one is never prepared.
    void SetNextUrl(const QString& path, double start) override;
    int PlayState() const override;
    /// Throws MediaControlError when mpv refuses to queue the stop.
    void Close() override;
    /// Resumes a paused file; does nothing unless paused or opening. Throws MediaControlError on refusal.
    void Play() override;
    /// Pauses a playing file; does nothing unless playing or opening. Throws MediaControlError on refusal.
    void Pause() override;
    double CurrentPosition() const override;
    /// Throws MediaControlError when nothing is open, for a non-number, or when mpv refuses the seek.
    void SetCurrentPosition(double seconds) override;
    int Volume() const override;
    /// Clamps to 0..100; throws MediaControlError when mpv refuses the change.
    void SetVolume(int volume) override;
    double Rate() const override;
    /// Throws MediaControlError for a rate mpv cannot play (outside 0.01..100) or a refusal.
    void SetRate(double rate) override;
    /// Returns the empty text when nothing is open.
    QString MediaName() const override;
    /// Returns 0 until the length is known.
    double MediaDuration() const override;
    bool EndedByFailure() const override;

    /// How many times mpv has opened its audio output so far: a change of file that keeps the
    /// output open adds none (what the tests and the benchmark look at for gaps).
    int AudioOutputOpenings() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
