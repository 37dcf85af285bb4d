#pragma once

#include "engine/MediaControl.h"

#include <memory>

struct mpv_handle;

/// The media control on libmpv: headless, audio only. Events reach the UI thread through mpv's
/// wakeup callback and a queued call, which drains them.
class MpvMediaControl : public MediaControl {
    Q_OBJECT
public:
    struct Options {
        QString audioOutput;    // empty: mpv's default output; tests use "null"
        bool untimed = false;   // play as fast as decoding allows (tests that do not need real time)
    };

    /// Throws MediaControlError when mpv cannot be created or initialised.
    explicit MpvMediaControl(const Options& options, QObject* parent = nullptr);
    MpvMediaControl() : MpvMediaControl(Options{}) {}
    ~MpvMediaControl() override;

    void SetUrl(const QString& path) override;
    int PlayState() const override;
    void Close() override;
    void Play() override;
    void Pause() override;
    double CurrentPosition() const override;
    void SetCurrentPosition(double seconds) override;
    int Volume() const override;
    void SetVolume(int volume) override;
    double Rate() const override;
    void SetRate(double rate) override;
    QString MediaName() const override;
    double MediaDuration() const override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
