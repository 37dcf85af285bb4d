#include "listening/SleepTimer.h"

#include "engine/MyPlayer.h"
#include "listening/ListeningClock.h"
#include "texts/ListeningTexts.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

const int TSleepTimer::kChoices[7] = {0, 15, 30, 45, 60, 90, kSleepAtTrackEnd};

TSleepTimer::TSleepTimer(TMyPlayer& player, const TListeningClock& clock, QObject* parent)
    : QObject(parent), FPlayer(player), FClock(clock) {
    // Every change of state closes a stretch of playing or of silence, whoever caused it.
    FPlayer.OnStateChange(this, [this](int) { Count(); });
}

int TSleepTimer::Cycle() {
    if (FLowered) {
        Off();
        return FChoice;
    }
    const int* at = std::find(std::begin(kChoices), std::end(kChoices), FChoice);
    const auto next = (at - std::begin(kChoices) + 1) % std::size(kChoices);
    FChoice = kChoices[next];
    FPlayed = 0;
    FLastLook = FClock.Seconds();
    FWasPlaying = IsPlayingState(FPlayer.State());
    return FChoice;
}

void TSleepTimer::Count() {
    const double now = FClock.Seconds();
    if (FWasPlaying && now > FLastLook)
        FPlayed += now - FLastLook;
    FLastLook = now;
    FWasPlaying = IsPlayingState(FPlayer.State());
}

double TSleepTimer::Remaining() const {
    if (FChoice == kSleepAtTrackEnd) {
        const double duration = FPlayer.Duration();
        if (!std::isfinite(duration) || duration <= 0)
            return std::numeric_limits<double>::infinity();
        const double rate = FPlayer.GetRate();
        // Time heard, not time of the file: at 2x the last 10 s of listening are 20 s of the file.
        return (duration - FPlayer.Position()) / (std::isfinite(rate) && rate > 0 ? rate : 1.0);
    }
    return FChoice * 60.0 - FPlayed;
}

void TSleepTimer::Tick() {
    if (!Armed())
        return;
    Count();
    if (!FWasPlaying) {
        // A pause or a stop in the fade gives the volume back; the fade resumes with playing.
        Restore();
        return;
    }
    const double remaining = Remaining();
    if (remaining >= kFadeSeconds) {
        Restore();
        return;
    }
    if (remaining <= 0 && FChoice != kSleepAtTrackEnd) {
        FPlayer.TogglePause();
        Off();
        emit Expired();
        return;
    }
    if (!FLowered) {
        FBase = FPlayer.GetVolume();
        FLowered = true;
    }
    FFactor = std::clamp(remaining / kFadeSeconds, 0.0, 1.0);
    const int volume = static_cast<int>(std::lround(FBase * FFactor));
    if (volume != FApplied) {
        FPlayer.SetVolume(volume);
        FApplied = volume;
    }
}

bool TSleepTimer::TakeTrackEnd() {
    if (FChoice != kSleepAtTrackEnd)
        return false;
    Off();
    return true;
}

int TSleepTimer::Volume() const {
    return FLowered ? FBase : FPlayer.GetVolume();
}

void TSleepTimer::SetVolume(int volume) {
    if (!FLowered) {
        FPlayer.SetVolume(volume);
        return;
    }
    FBase = volume;
    FApplied = static_cast<int>(std::lround(FBase * FFactor));
    FPlayer.SetVolume(FApplied);
}

void TSleepTimer::Restore() {
    if (!FLowered)
        return;
    FLowered = false;
    FApplied = -1;
    FFactor = 1;
    FPlayer.SetVolume(FBase);
}

void TSleepTimer::Off() {
    Restore();
    FChoice = 0;
    FPlayed = 0;
}
