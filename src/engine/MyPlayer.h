#pragma once

#include "engine/MediaControl.h"

#include <functional>
#include <memory>

class TM3MediaConfigs;

/// The program's player: the media control plus the operations the program calls, each of which
/// hides the control's failures as documented per operation.
class TMyPlayer {
public:
    using Beep = std::function<void()>;

    TMyPlayer(std::unique_ptr<MediaControl> control, TM3MediaConfigs& resume, Beep beep);

    /// The hosted control, for the state, position, name and event.
    MediaControl& Control() { return *FControl; }
    const MediaControl& Control() const { return *FControl; }

    /// Opens path and moves to its remembered position (0 when none); failures ignored.
    void PlayFile(const QString& path);
    /// Tells the control the file likely to follow (empty: none) with its remembered position,
    /// so that it can follow without a gap; failures ignored.
    void PrepareNext(const QString& path);
    void CloseMedia();
    void TogglePause();
    void SeekBackward(double seconds);
    void SeekForward(double seconds);
    /// 0 on failure.
    int GetVolume() const;
    void SetVolume(int volume);
    /// 0.0 on failure.
    double GetRate() const;
    void SetRate(double rate);
    /// Empty on failure.
    QString PositionText() const;
    /// Empty on failure.
    QString DurationText() const;
    /// Failures reach the caller.
    bool IsActive() const;
    bool IsPlaying() const;

    /// Volume step commands (5 within 0..100, only while active).
    void VolumeUp();
    void VolumeDown();
    /// Speed step commands over the 19-value table; beep on reaching 100 %.
    void Faster();
    void Slower();

private:
    /// IsActive, with a failure read as not active.
    bool IsActiveOrFalse() const;
    /// Sets the rate of SpeedTable[index] (nothing for -1) and beeps on normal speed.
    void StepTo(int index);

    std::unique_ptr<MediaControl> FControl;
    TM3MediaConfigs& FResume;
    Beep FBeep;
};

/// Speed table in percent.
inline constexpr int SpeedTable[19] = {50,  60,  70,  80,  90,  100, 120, 140, 160, 180,
                                       200, 220, 240, 260, 280, 300, 350, 400, 500};
/// The table index a speed step lands on from rate (x100), or -1 when the step does nothing.
int FasterIndex(double rate);
int SlowerIndex(double rate);
