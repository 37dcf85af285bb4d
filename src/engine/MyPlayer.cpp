#include "engine/MyPlayer.h"

#include "config/MediaConfigs.h"
#include "texts/TimeLabel.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

constexpr int kSpeedCount = static_cast<int>(std::size(SpeedTable));
constexpr int kNormalSpeedIndex = 5;
constexpr int kVolumeStep = 5;

// Rate x100 rounded half to even; kept in double so that absurd rates (and NaN) compare safely.
double RatePercent(double rate) {
    return std::nearbyint(rate * 100.0);
}

} // namespace

TMyPlayer::TMyPlayer(std::unique_ptr<MediaControl> control, TM3MediaConfigs& resume, Beep beep)
    : FControl(std::move(control)), FResume(resume), FBeep(std::move(beep)) {}

void TMyPlayer::PlayFile(const QString& path) {
    try {
        FControl->SetUrl(path);
    } catch (...) {
    }
    // Put even 0, so that a file never starts where the one before it stood.
    try {
        FControl->SetCurrentPosition(FResume.GetResumeTime(path));
    } catch (...) {
    }
}

void TMyPlayer::PrepareNext(const QString& path) {
    try {
        FControl->SetNextUrl(path, path.isEmpty() ? 0.0 : FResume.GetResumeTime(path));
    } catch (...) {
    }
}

void TMyPlayer::CloseMedia() {
    try {
        FControl->Close();
    } catch (...) {
    }
}

void TMyPlayer::TogglePause() {
    try {
        const int state = FControl->PlayState();
        if (state == psPaused)
            FControl->Play();
        else if (state >= psPlaying && state <= psScanReverse)
            FControl->Pause();
    } catch (...) {
    }
}

void TMyPlayer::SeekBackward(double seconds) {
    try {
        if (!IsActive())
            return;
        FControl->SetCurrentPosition(FControl->CurrentPosition() - seconds);
    } catch (...) {
    }
}

void TMyPlayer::SeekForward(double seconds) {
    try {
        if (!IsActive())
            return;
        FControl->SetCurrentPosition(FControl->CurrentPosition() + seconds);
    } catch (...) {
    }
}

int TMyPlayer::GetVolume() const {
    try {
        return FControl->Volume();
    } catch (...) {
        return 0;
    }
}

void TMyPlayer::SetVolume(int volume) {
    try {
        FControl->SetVolume(volume);
    } catch (...) {
    }
}

double TMyPlayer::GetRate() const {
    try {
        return FControl->Rate();
    } catch (...) {
        return 0.0;
    }
}

void TMyPlayer::SetRate(double rate) {
    try {
        FControl->SetRate(rate);
    } catch (...) {
    }
}

QString TMyPlayer::PositionText() const {
    try {
        return TimeLabel(FControl->CurrentPosition());
    } catch (...) {
        return {};
    }
}

QString TMyPlayer::DurationText() const {
    try {
        return TimeLabel(FControl->MediaDuration());
    } catch (...) {
        return {};
    }
}

bool TMyPlayer::IsActive() const {
    const int state = FControl->PlayState();
    return state >= psPaused && state <= psScanReverse;
}

bool TMyPlayer::IsPlaying() const {
    const int state = FControl->PlayState();
    return state >= psPlaying && state <= psScanReverse;
}

bool TMyPlayer::IsActiveOrFalse() const {
    try {
        return IsActive();
    } catch (...) {
        return false;
    }
}

void TMyPlayer::VolumeUp() {
    if (!IsActiveOrFalse())
        return;
    SetVolume(std::min(GetVolume() + kVolumeStep, 100));
}

void TMyPlayer::VolumeDown() {
    if (!IsActiveOrFalse())
        return;
    SetVolume(std::max(GetVolume() - kVolumeStep, 0));
}

void TMyPlayer::Faster() {
    StepTo(FasterIndex(GetRate()));
}

void TMyPlayer::Slower() {
    StepTo(SlowerIndex(GetRate()));
}

void TMyPlayer::StepTo(int index) {
    if (index < 0)
        return;
    SetRate(SpeedTable[index] / 100.0);
    // Back at normal speed: the beep tells a listener who cannot see the rate.
    if (SpeedTable[index] == 100 && FBeep)
        FBeep();
}

int FasterIndex(double rate) {
    const double x = RatePercent(rate);
    const int* found =
        std::find_if(std::begin(SpeedTable), std::end(SpeedTable), [x](int value) { return value >= x; });
    const int i =
        found == std::end(SpeedTable) ? kNormalSpeedIndex : static_cast<int>(found - std::begin(SpeedTable));
    const int k = i + 1;
    return k >= kSpeedCount ? -1 : k;
}

int SlowerIndex(double rate) {
    const double x = RatePercent(rate);
    int i = kNormalSpeedIndex;
    for (int j = kSpeedCount - 1; j >= 0; --j) {
        if (SpeedTable[j] <= x) {
            i = j;
            break;
        }
    }
    const int k = i - 1;
    return k < 0 ? -1 : k;
}
