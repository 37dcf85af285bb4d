#pragma once

#include <QObject>

class TListeningClock;
class TMyPlayer;

/// The rewind after a long pause: a file that resumes after a pause of kShortestPause seconds or
/// more first moves back a little, more after a longer pause, so that the listener hears again the
/// sentence they left. It follows the player's states to know when and where each pause began.
class TResumeRewind : public QObject {
    Q_OBJECT
public:
    static constexpr double kShortestPause = 10;
    /// How far a position counts as unmoved: the control may report a pause a moment before the
    /// position it stopped at.
    static constexpr double kStillTolerance = 0.5;

    TResumeRewind(TMyPlayer& player, const TListeningClock& clock, QObject* parent = nullptr);

    /// Seconds of the file to go back after a pause of pausedSeconds at rate: 0 below 10 s, then
    /// 3, 10, 20 and 30 s from 10 s, 1, 5 and 30 minutes, times the rate.
    static double RewindFor(double pausedSeconds, double rate);

    /// Called just before a paused file is resumed: when enabled, moves back by RewindFor, never
    /// before the file's start, unless the position was moved during the pause. Returns the seconds
    /// moved back (0 for none).
    double BeforeResume(bool enabled);

private:
    void StateChanged(int newState);

    TMyPlayer& FPlayer;
    const TListeningClock& FClock;
    bool FPaused = false;
    double FPausedAt = 0;
    double FPausedPosition = 0;
};
