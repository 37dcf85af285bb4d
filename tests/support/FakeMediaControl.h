#pragma once

#include "engine/MediaControl.h"

#include <QHash>
#include <QSet>
#include <QStringList>

/// A scriptable media control: it plays nothing, keeps the state the test drives, records what it
/// was asked, and raises the play-state events MediaControl promises, only on a change, and when
/// it promises them: SetUrl reports 9 inside the call and 3 (or 2) from the event loop.
class FakeMediaControl : public MediaControl {
    Q_OBJECT
public:
    void SetUrl(const QString& path) override;
    /// As SetUrl under `name`, whose duration becomes `length`.
    void SetClips(const QString& name, const MediaTags& tags, const QList<MediaClip>& clips,
                  double length) override;
    void SetNextUrl(const QString& path, double start) override;
    int PlayState() const override;
    void Close() override;
    void Play() override;
    void Pause() override;
    double CurrentPosition() const override;
    void SetCurrentPosition(double seconds) override;
    int Volume() const override;
    void SetVolume(int v) override;
    double Rate() const override;
    void SetRate(double r) override;
    void SetSound(const SoundOptions& options) override;
    QString MediaName() const override;
    MediaTags Tags() const override;
    double MediaDuration() const override;
    QList<MediaChapter> Chapters() const override;
    bool EndedByFailure() const override;

    /// The current file reaches its end: position 0, state 8, then 1 unless a handler of 8 set
    /// another file.
    void FinishMedia();
    /// The current file turns out unreadable: as FinishMedia, with EndedByFailure true.
    void FailMedia();
    /// Changes the state and raises the event, unless the state is already that one; 1 alone is
    /// the stop a control reports by itself.
    void ChangeState(int newState);
    /// The current file's tags become these, and the event says so.
    void ChangeTags(const MediaTags& newTags);

    // Script
    QSet<QString> failing;                        // operation names that throw ("SetUrl", "Volume", ...)
    QHash<QString, double> durations;             // per path; 200 s when absent
    QHash<QString, MediaTags> tags;               // per path; none when absent
    QHash<QString, QList<MediaChapter>> chapters; // per path; none when absent
    int state = psUndefined;
    double position = 0;
    int volume = 50;
    double rate = 1.0;
    QString url;
    bool endedByFailure = false;

    // Record
    QStringList opened;                      // every SetUrl, and the name of every SetClips
    QList<QList<MediaClip>> clipsOpened;     // every SetClips
    QList<QPair<QString, double>> nextHints; // every SetNextUrl
    QList<double> positionPuts;              // every SetCurrentPosition
    QList<int> volumePuts;
    QList<double> ratePuts;
    QList<SoundOptions> soundPuts;
    int closes = 0;

private:
    void MaybeFail(const char* operation) const;

    quint64 FOpenSerial = 0; // SetUrl calls: an opening queued before a later one does nothing
    bool FOpenPaused = false;
};
