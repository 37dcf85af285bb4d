#include "engine/MyPlayer.h"

#include "util/IgnoreFailure.h"

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

QMetaObject::Connection TMyPlayer::OnStateChange(const QObject* context, std::function<void(int)> slot) {
    return QObject::connect(FControl.get(), &MediaControl::PlayStateChange, context, std::move(slot));
}

QMetaObject::Connection TMyPlayer::OnTagsChange(const QObject* context, std::function<void()> slot) {
    return QObject::connect(FControl.get(), &MediaControl::TagsChange, context, std::move(slot));
}

void TMyPlayer::PlayFile(const QString& path) {
    IgnoreFailure([&] { FControl->SetUrl(path); });
    // Put even 0, so that a file never starts where the one before it stood.
    IgnoreFailure([&] { FControl->SetCurrentPosition(FResume.GetResumeTime(path)); });
}

void TMyPlayer::PlayClips(const QString& path, const MediaTags& tags, const QList<MediaClip>& clips,
                          double length) {
    IgnoreFailure([&] { FControl->SetClips(tags.title, tags, clips, length); });
    IgnoreFailure([&] { FControl->SetCurrentPosition(FResume.GetResumeTime(path)); });
}

void TMyPlayer::PrepareNext(const QString& path) {
    IgnoreFailure([&] { FControl->SetNextUrl(path, path.isEmpty() ? 0.0 : FResume.GetResumeTime(path)); });
}

void TMyPlayer::CloseMedia() {
    IgnoreFailure([&] { FControl->Close(); });
}

void TMyPlayer::TogglePause() {
    IgnoreFailure([&] {
        const int state = FControl->PlayState();
        if (state == psPaused)
            FControl->Play();
        else if (IsPlayingState(state))
            FControl->Pause();
    });
}

void TMyPlayer::Pause() {
    IgnoreFailure([&] {
        const int state = FControl->PlayState();
        if (IsPlayingState(state) || state == psTransitioning)
            FControl->Pause();
    });
}

void TMyPlayer::SeekBackward(double seconds) {
    IgnoreFailure([&] {
        if (IsActive())
            FControl->SetCurrentPosition(FControl->CurrentPosition() - seconds);
    });
}

void TMyPlayer::SeekForward(double seconds) {
    IgnoreFailure([&] {
        if (IsActive())
            FControl->SetCurrentPosition(FControl->CurrentPosition() + seconds);
    });
}

double TMyPlayer::JumpStart() const {
    return FControl->CurrentPosition();
}

void TMyPlayer::JumpTo(double seconds) {
    FControl->SetCurrentPosition(seconds);
}

bool TMyPlayer::SeekTo(double seconds) {
    bool moved = false;
    IgnoreFailure([&] {
        if (!IsActive())
            return;
        FControl->SetCurrentPosition(seconds);
        moved = true;
    });
    return moved;
}

int TMyPlayer::State() const {
    return OrOnFailure<int>(psUndefined, [&] { return FControl->PlayState(); });
}

QString TMyPlayer::MediaName() const {
    return OrOnFailure<QString>({}, [&] { return FControl->MediaName(); });
}

MediaTags TMyPlayer::Tags() const {
    return OrOnFailure<MediaTags>({}, [&] { return FControl->Tags(); });
}

double TMyPlayer::Duration() const {
    return OrOnFailure(0.0, [&] { return FControl->MediaDuration(); });
}

double TMyPlayer::Position() const {
    return OrOnFailure(0.0, [&] { return FControl->CurrentPosition(); });
}

QList<MediaChapter> TMyPlayer::Chapters() const {
    return OrOnFailure<QList<MediaChapter>>({}, [&] {
        if (!IsActive())
            return QList<MediaChapter>();
        QList<MediaChapter> chapters = FControl->Chapters();
        const double length = FControl->MediaDuration();
        for (MediaChapter& chapter : chapters) {
            chapter.start = std::isnan(chapter.start) ? 0.0 : std::max(0.0, chapter.start);
            if (length > 0.0)
                chapter.start = std::min(chapter.start, length);
        }
        std::stable_sort(chapters.begin(), chapters.end(),
                         [](const MediaChapter& a, const MediaChapter& b) { return a.start < b.start; });
        return chapters;
    });
}

bool TMyPlayer::EndedByFailure() const {
    return OrOnFailure(false, [&] { return FControl->EndedByFailure(); });
}

int TMyPlayer::GetVolume() const {
    return OrOnFailure(0, [&] { return FControl->Volume(); });
}

void TMyPlayer::SetVolume(int volume) {
    IgnoreFailure([&] { FControl->SetVolume(volume); });
}

double TMyPlayer::GetRate() const {
    return OrOnFailure(0.0, [&] { return FControl->Rate(); });
}

void TMyPlayer::SetRate(double rate) {
    IgnoreFailure([&] { FControl->SetRate(rate); });
}

void TMyPlayer::SetSound(const SoundOptions& options) {
    IgnoreFailure([&] { FControl->SetSound(options); });
}

QString TMyPlayer::PositionText() const {
    return OrOnFailure<QString>({}, [&] { return TimeLabel(FControl->CurrentPosition()); });
}

QString TMyPlayer::DurationText() const {
    return OrOnFailure<QString>({}, [&] { return TimeLabel(FControl->MediaDuration()); });
}

bool TMyPlayer::IsActive() const {
    return IsActiveState(FControl->PlayState());
}

bool TMyPlayer::IsPlaying() const {
    return IsPlayingState(FControl->PlayState());
}

void TMyPlayer::RememberPosition(const QString& path) {
    IgnoreFailure([&] {
        if (IsActive())
            FResume.SetResumeTime(path, FControl->CurrentPosition());
    });
}

void TMyPlayer::RememberPositionReached(const QString& path) {
    IgnoreFailure([&] {
        const double reached = FControl->CurrentPosition();
        if (std::isfinite(reached) && reached > 0)
            FResume.SetResumeTime(path, reached);
    });
}

void TMyPlayer::ForgetPosition(const QString& path) {
    FResume.SetResumeTime(path, 0);
}

void TMyPlayer::VolumeUp() {
    if (!IsActiveState(State()))
        return;
    SetVolume(std::min(GetVolume() + kVolumeStep, 100));
}

void TMyPlayer::VolumeDown() {
    if (!IsActiveState(State()))
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
