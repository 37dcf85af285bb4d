#include "listening/ResumeRewind.h"

#include "engine/MyPlayer.h"
#include "listening/ListeningClock.h"

#include <algorithm>
#include <cmath>

TResumeRewind::TResumeRewind(TMyPlayer& player, const TListeningClock& clock, QObject* parent)
    : QObject(parent), FPlayer(player), FClock(clock) {
    FPlayer.OnStateChange(this, [this](int newState) { StateChanged(newState); });
}

void TResumeRewind::StateChanged(int newState) {
    // Only a pause begins a stretch that a resume may make up for; a new file or a stop ends it.
    FPaused = newState == psPaused;
    if (!FPaused)
        return;
    FPausedAt = FClock.Seconds();
    FPausedPosition = FPlayer.Position();
}

double TResumeRewind::RewindFor(double pausedSeconds, double rate) {
    struct Step {
        double pausedFrom;
        double back;
    };
    // Longest first: the first step the pause reaches is its own.
    static constexpr Step kSteps[] = {{30 * 60, 30}, {5 * 60, 20}, {60, 10}, {kShortestPause, 3}};
    if (!std::isfinite(rate) || rate <= 0)
        rate = 1;
    for (const Step& step : kSteps) {
        if (pausedSeconds >= step.pausedFrom)
            return step.back * rate;
    }
    return 0;
}

double TResumeRewind::BeforeResume(bool enabled) {
    if (!enabled || !FPaused || FPlayer.State() != psPaused)
        return 0;
    const double position = FPlayer.Position();
    // A seek or a jump in the pause chose where to go on: that place is kept exactly.
    if (!std::isfinite(position) || std::abs(position - FPausedPosition) > kStillTolerance)
        return 0;
    const double back = std::min(RewindFor(FClock.Seconds() - FPausedAt, FPlayer.GetRate()), position);
    if (back <= 0)
        return 0;
    FPlayer.SeekBackward(back);
    // Once a pause: should the resume not happen after all, the next try must not move back again.
    FPaused = false;
    return back;
}
