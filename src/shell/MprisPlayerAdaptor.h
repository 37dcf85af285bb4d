#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QVariantMap>

#include "util/RateBounds.h"

class TPlayerCore;

/// The MPRIS player interface: each method runs the command of the matching key, so the keys'
/// rules hold for the desktop's media keys too.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(double Rate READ Rate WRITE SetRate)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(double MinimumRate READ MinimumRate)
    Q_PROPERTY(double MaximumRate READ MaximumRate)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPause)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)
public:
    /// Every command goes through core as the matching key does.
    MprisPlayerAdaptor(TPlayerCore& core, QObject* parent);

    /// "Playing", "Paused" or "Stopped"; "Stopped" when the state cannot be read.
    QString PlaybackStatus() const;
    /// 1.0 when the rate cannot be read.
    double Rate() const;
    /// Clamps into kMinRate..kMaxRate; 0 pauses; a negative or unknown rate is ignored.
    void SetRate(double rate);
    /// Only the no-track id when nothing is open.
    QVariantMap Metadata() const;
    /// 0.0 when the volume cannot be read.
    double Volume() const;
    /// Clamps into 0..1; an unknown volume is ignored.
    void SetVolume(double volume);
    /// Microseconds; 0 when nothing is open or on failure.
    qlonglong Position() const;
    double MinimumRate() const { return kMinRate; }
    double MaximumRate() const { return kMaxRate; }
    bool CanGoNext() const;
    bool CanGoPrevious() const;
    bool CanPlay() const;
    bool CanPause() const;
    bool CanSeek() const;
    bool CanControl() const { return true; }

    /// Every property whose changes are signalled (all but Position), by its D-Bus name.
    QVariantMap SignalledProperties() const;
    /// The track id of list entry index.
    static QDBusObjectPath TrackId(int index);
    /// The file URL of a track path: absolute, the name's own bytes percent-encoded.
    static QString FileUrl(const QString& path);
    /// The path a file:// URI of this machine names; empty for any other URI.
    static QString LocalPath(const QString& uri);

public slots:
    void PlayPause();
    void Play();
    void Pause();
    void Stop();
    void Next();
    void Previous();
    /// Offset in microseconds, forward when positive.
    void Seek(qlonglong Offset);
    /// Ignored unless TrackId is the open track and Position lies within it.
    void SetPosition(const QDBusObjectPath& TrackId, qlonglong Position);
    /// Adds the local file or folder at a file:// URI to the list as a command-line argument,
    /// and plays it; answers an error when the URI is of another kind or adds nothing.
    void OpenUri(const QString& Uri);

signals:
    void Seeked(qlonglong Position);

private:
    /// The play state; psUndefined when it cannot be read.
    int State() const;
    bool IsActive() const;

    TPlayerCore& FCore;
};
