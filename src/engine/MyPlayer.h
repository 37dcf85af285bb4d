#pragma once

#include "engine/MediaControl.h"
#include "util/RateBounds.h"

#include <QMetaObject>

#include <functional>
#include <memory>

class QObject;
class TM3MediaConfigs;

/// States 2 to 5: a file is open, paused or playing.
constexpr bool IsActiveState(int state) {
    return state >= psPaused && state <= psScanReverse;
}
/// States 3 to 5: a file is playing.
constexpr bool IsPlayingState(int state) {
    return state >= psPlaying && state <= psScanReverse;
}

/// The program's player and the one door to the media control: the window, its keys and the desktop
/// reach the control only through it. Each operation hides the control's failures as its comment
/// says; only the state predicates and the jump let them reach the caller.
class TMyPlayer {
public:
    using Beep = std::function<void()>;

    TMyPlayer(std::unique_ptr<MediaControl> control, TM3MediaConfigs& resume, Beep beep);

    /// Calls slot with every new play state, on the UI thread, for as long as context lives.
    QMetaObject::Connection OnStateChange(const QObject* context, std::function<void(int)> slot);
    /// Calls slot each time the current file's tags change, on the UI thread, while context lives.
    QMetaObject::Connection OnTagsChange(const QObject* context, std::function<void()> slot);

    /// Opens path and moves to its remembered position (0 when none); failures ignored.
    void PlayFile(const QString& path);
    /// Opens the track made of clips that path names (a talking book) and moves to path's
    /// remembered position, as PlayFile does; failures ignored.
    void PlayClips(const QString& path, const MediaTags& tags, const QList<MediaClip>& clips, double length);
    /// Tells the control the file likely to follow (empty: none) with its remembered position,
    /// so that it can follow without a gap; failures ignored.
    void PrepareNext(const QString& path);
    void CloseMedia();
    void TogglePause();
    /// Pauses a playing file, or one still opening so that it opens paused; failures ignored.
    void Pause();
    void SeekBackward(double seconds);
    void SeekForward(double seconds);
    /// The position the jump dialog offers, in seconds; failures reach the caller.
    double JumpStart() const;
    /// Puts the position asked for, unchecked; failures reach the caller.
    void JumpTo(double seconds);
    /// While a file is active, puts the position; returns false when nothing is active or the
    /// control failed.
    bool SeekTo(double seconds);

    /// psUndefined on failure.
    int State() const;
    /// Empty on failure.
    QString MediaName() const;
    /// The current file's title, artist and album tags; none on failure.
    MediaTags Tags() const;
    /// Seconds; 0 on failure.
    double Duration() const;
    /// Seconds; 0 on failure.
    double Position() const;
    /// The active file's chapters in order of start, each start clamped into the file (0 up to its
    /// length, when the length is known); empty when none, nothing is active or on failure.
    QList<MediaChapter> Chapters() const;
    /// Whether the file last set ended because it could not be opened or read; false on failure.
    bool EndedByFailure() const;
    /// 0 on failure.
    int GetVolume() const;
    void SetVolume(int volume);
    /// 0.0 on failure.
    double GetRate() const;
    void SetRate(double rate);
    /// The sound of what plays and of every file after it; failures ignored.
    void SetSound(const SoundOptions& options);
    /// Empty on failure.
    QString PositionText() const;
    /// Empty on failure.
    QString DurationText() const;
    /// Failures reach the caller.
    bool IsActive() const;
    bool IsPlaying() const;

    /// While a file is active, stores its position as path's resume time; failures ignored.
    void RememberPosition(const QString& path);
    /// Stores the position reached as path's resume time in any state, unless the control lost it
    /// (0 or unknown): the one remembered before is better. Failures ignored.
    void RememberPositionReached(const QString& path);
    /// Forgets path's resume time.
    void ForgetPosition(const QString& path);

    /// Volume step commands (5 within 0..100, only while active).
    void VolumeUp();
    void VolumeDown();
    /// Speed step commands over the 19-value table; beep on reaching 100 %.
    void Faster();
    void Slower();

private:
    /// Sets the rate of SpeedTable[index] (nothing for -1) and beeps on normal speed.
    void StepTo(int index);

    std::unique_ptr<MediaControl> FControl;
    TM3MediaConfigs& FResume;
    Beep FBeep;
};

/// Speed table in percent.
inline constexpr int SpeedTable[19] = {50,  60,  70,  80,  90,  100, 120, 140, 160, 180,
                                       200, 220, 240, 260, 280, 300, 350, 400, 500};
static_assert(SpeedTable[0] == kMinRate * 100 && SpeedTable[18] == kMaxRate * 100,
              "the speed keys reach exactly the rates allowed");
/// The table index a speed step lands on from rate (x100), or -1 when the step does nothing.
int FasterIndex(double rate);
int SlowerIndex(double rate);
