#pragma once

#include <QObject>
#include <QString>

#include <stdexcept>

/// Raised by a media control operation that failed.
class MediaControlError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Play states of the media control.
enum PlayStates {
    psUndefined = 0,
    psStopped = 1,
    psPaused = 2,
    psPlaying = 3,
    psScanForward = 4,
    psScanReverse = 5,
    psMediaEnded = 8,
    psTransitioning = 9,
};

/// The outside media control the player is built on: its operations, states and units. Positions
/// and durations are seconds, volume 0 to 100, rate 1.0 for normal speed. Every operation may
/// throw MediaControlError. PlayStateChange is emitted on the UI thread.
class MediaControl : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~MediaControl() override = default;

    /// Opens a local file and starts playing it.
    virtual void SetUrl(const QString& path) = 0;
    /// A hint: `path` is likely the next file set, to start at `start` seconds; an empty path
    /// withdraws the hint. The control may prepare it so that the change leaves no gap; what
    /// SetUrl and the events report stays the same either way.
    virtual void SetNextUrl(const QString& path, double start) = 0;
    virtual int PlayState() const = 0;
    virtual void Close() = 0;
    virtual void Play() = 0;
    virtual void Pause() = 0;
    virtual double CurrentPosition() const = 0;
    virtual void SetCurrentPosition(double seconds) = 0;
    virtual int Volume() const = 0;
    virtual void SetVolume(int volume) = 0;
    virtual double Rate() const = 0;
    virtual void SetRate(double rate) = 0;
    /// Display name of the current media.
    virtual QString MediaName() const = 0;
    /// Length of the current media in seconds.
    virtual double MediaDuration() const = 0;
    /// True when the file last set ended (state 8) because it could not be opened or read, not
    /// because it played to its end; false again once another file is set.
    virtual bool EndedByFailure() const = 0;

signals:
    void PlayStateChange(int newState);
};
