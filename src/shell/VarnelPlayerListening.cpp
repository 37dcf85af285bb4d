// Long listening in the main window: its keys and words for the sleep timer, the rewind after a
// pause and the speed per folder, whose rules live in src/listening.
#include "shell/VarnelPlayer.h"

#include "config/SettingsModule.h"
#include "config/SpeedConfigs.h"
#include "listening/ListeningClock.h"
#include "listening/ResumeRewind.h"
#include "listening/SleepTimer.h"
#include "listening/SpeedMemory.h"
#include "shell/SpokenNotice.h"
#include "texts/ListeningTexts.h"
#include "texts/Texts.h"
#include "util/Platform.h"

#include <QTimer>

#include <utility>

namespace {
// Often enough that the fade's steps of the volume are not heard as steps.
constexpr int kSleepTickMs = 200;
} // namespace

void TVarnelPlayer::BuildListening() {
    FListeningClock = std::make_unique<TListeningClock>();
    FSleepTimer = new TSleepTimer(*FPlayer, *FListeningClock, this);
    FResumeRewind = new TResumeRewind(*FPlayer, *FListeningClock, this);
    FSpeedConfigs = std::make_unique<TSpeedConfigs>(FSettings.MediaConfigs());
    FSpeedMemory = std::make_unique<TSpeedMemory>(*FPlayer, *FSpeedConfigs);
    FSleepTick = new QTimer(this);
    FSleepTick->setObjectName(QStringLiteral("SleepTick"));
    FSleepTick->setInterval(kSleepTickMs);
    connect(FSleepTick, &QTimer::timeout, this, [this] { FSleepTimer->Tick(); });
    connect(FSleepTimer, &TSleepTimer::Expired, this, &TVarnelPlayer::SleepExpired);
}

void TVarnelPlayer::CycleSleepTimer() {
    const bool wasAtTrackEnd = FSleepTimer->Choice() == kSleepAtTrackEnd;
    const int choice = FSleepTimer->Cycle();
    FollowSleepTimer();
    // Waiting for the track's end, the next file must not follow by itself without a gap.
    if (wasAtTrackEnd != (choice == kSleepAtTrackEnd) && FPlayer->IsActive())
        FPlayer->PrepareNext(NextToPrepare());
    FNotice->Say(SleepTimerSpokenText(choice, FSettings.Language()));
}

void TVarnelPlayer::FollowSleepTimer() {
    if (FSleepTimer->Armed())
        FSleepTick->start();
    else
        FSleepTick->stop();
}

QString TVarnelPlayer::NextToPrepare() const {
    if (FSleepTimer->Choice() == kSleepAtTrackEnd)
        return {};
    return FFiles.value(FCurrent + 1);
}

void TVarnelPlayer::SleepExpired() {
    // Nothing is said: the listener is likely asleep.
    FollowSleepTimer();
    Timer->stop();
    RememberPosition();
    RefreshDisplay();
}

void TVarnelPlayer::PauseAtTrackEnd() {
    FollowSleepTimer();
    FAutoNext = true;
    Advance(true);
    FAutoNext = false;
    if (!IsActiveState(FPlayer->State()) && FPlayer->State() != psTransitioning)
        return; // the list ended: stopped as ever
    FBusy = true;
    FPlayer->Pause();
    Timer->stop();
    FBusy = false;
    RefreshDisplay();
}

void TVarnelPlayer::RewindBeforeResume() {
    if (FPlayer->State() != psPaused)
        return;
    FResumeRewind->BeforeResume(FSettings.GeneralConfigs().RewindAfterPause());
}

void TVarnelPlayer::RememberSpeed() {
    FSpeedMemory->Remember(CurrentFile());
}

void TVarnelPlayer::ApplyRememberedSpeed() {
    FSpeedUnsaid = FSpeedMemory->Apply(CurrentFile());
}

QString TVarnelPlayer::WithUnsaidSpeed(const QString& title) {
    if (!std::exchange(FSpeedUnsaid, false))
        return title;
    return title + QStringLiteral(", ") +
           SpeedSpokenText(FPlayer->GetRate(), FSettings.Language(), Platform::Current().RegionalLocale());
}

void TVarnelPlayer::SayUnsaidSpeed() {
    if (std::exchange(FSpeedUnsaid, false))
        SpeakSpeed();
}
