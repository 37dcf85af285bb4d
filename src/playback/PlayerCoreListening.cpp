// The player core's places, speed, sleep timer, rewind after a pause, sound options and modal pause.
#include "playback/PlayerCore.h"

#include "config/SettingsModule.h"
#include "config/SpeedConfigs.h"
#include "listening/ResumeRewind.h"
#include "listening/SleepTimer.h"
#include "listening/SpeedMemory.h"
#include "playback/BusyScope.h"
#include "texts/ChapterTexts.h"
#include "texts/ListeningTexts.h"
#include "util/IgnoreFailure.h"

#include <QTimer>

#include <algorithm>

// ---- Places

std::optional<Bookmark> TPlayerCore::AddBookmark() {
    if (!FPlayer->IsActive())
        return std::nullopt;
    std::optional<Bookmark> added = FBookmarks->Add(CurrentFile(), FPlayer->Position());
    if (added)
        SaveResume();
    return added;
}

void TPlayerCore::RemoveBookmark(const QString& file, const QString& key) {
    FBookmarks->Remove(file, key);
    SaveResume();
}

void TPlayerCore::RenameBookmark(const QString& file, const QString& key, const QString& name) {
    FBookmarks->Rename(file, key, name);
    SaveResume();
}

QList<Place> TPlayerCore::PlacesOf(const QString& file) const {
    const int language = FSettings.Language();
    QList<Place> places = BookmarkPlaces(FBookmarks->Of(file), language);
    if (file == CurrentFile()) {
        const QList<MediaChapter> chapters = FPlayer->Chapters();
        for (qsizetype i = 0; i < chapters.size(); ++i) {
            const QString label = ChapterSpokenText(
                static_cast<int>(i + 1), static_cast<int>(chapters.size()), chapters[i].title, language);
            places.append(Place{chapters[i].start, label, PlaceKind::Chapter, {}, {}});
        }
    }
    SortPlaces(places);
    return places;
}

// ---- Speed and volume

void TPlayerCore::StepSpeed(bool faster) {
    faster ? FPlayer->Faster() : FPlayer->Slower();
    RememberSpeed();
}

void TPlayerCore::SetRate(double rate) {
    FPlayer->SetRate(std::clamp(rate, kMinRate, kMaxRate));
    RememberSpeed();
    emit DisplayChanged();
}

void TPlayerCore::RememberSpeed() {
    FSpeedMemory->Remember(CurrentFile());
}

// ---- The sleep timer and the rewind after a pause

int TPlayerCore::CycleSleepTimer() {
    const bool wasAtTrackEnd = FSleepTimer->Choice() == kSleepAtTrackEnd;
    const int choice = FSleepTimer->Cycle();
    FollowSleepTimer();
    // Waiting for the track's end, the next file must not follow by itself without a gap.
    if (wasAtTrackEnd != (choice == kSleepAtTrackEnd) && FPlayer->IsActive())
        FPlayer->PrepareNext(NextToPrepare());
    return choice;
}

void TPlayerCore::FollowSleepTimer() {
    if (FSleepTimer->Armed())
        FSleepTick->start();
    else
        FSleepTick->stop();
}

QString TPlayerCore::NextToPrepare() const {
    if (FSleepTimer->Choice() == kSleepAtTrackEnd)
        return {};
    // A book is read only once reached: its root file is no audio to prepare.
    const QString next = FFiles.value(FCurrent + 1);
    return IsBookEntry(next) ? QString() : next;
}

void TPlayerCore::SleepExpired() {
    FollowSleepTimer();
    Timer->stop();
    RememberPosition();
    emit DisplayChanged();
}

void TPlayerCore::PauseAtTrackEnd() {
    FollowSleepTimer();
    Advance(true, Move::Automatic);
    if (!IsActiveState(FPlayer->State()) && FPlayer->State() != psTransitioning)
        return; // the list ended: stopped as ever
    {
        const BusyScope busy(FBusy);
        FPlayer->Pause();
        Timer->stop();
    }
    emit DisplayChanged();
}

void TPlayerCore::RewindBeforeResume() {
    if (FPlayer->State() != psPaused)
        return;
    FResumeRewind->BeforeResume(FSettings.GeneralConfigs().RewindAfterPause());
}

void TPlayerCore::ResumeAfterModal(quint64 pausedSerial) {
    // Another track, or a stop, came from the desktop while the window was up; a toggle now would
    // pause what the user chose to hear.
    if (pausedSerial != FPlaySerial || FPlayer->State() != psPaused)
        return;
    RewindBeforeResume();
    FPlayer->TogglePause();
}

// ---- The modal pause

void TPlayerCore::FollowSoundOptions() {
    IgnoreFailure([&] {
        const TM3GeneralConfigs& options = FSettings.GeneralConfigs();
        FPlayer->SetSound({options.EvenLoudness(), options.MonoSound(), options.ShortSilences()});
    });
}

TPlayerCore::ModalPause::ModalPause(TPlayerCore& core)
    // Asked before the flag is set, so that a failing control cannot leave the core deaf.
    : FCore(core), FWasPlaying(core.FPlayer->IsPlaying()), FSerial(core.FPlaySerial) {
    FCore.FBusy = true;
    if (FWasPlaying)
        FCore.FPlayer->TogglePause(); // never throws
}

TPlayerCore::ModalPause::~ModalPause() {
    // The options dialog is one of these windows: its sound options hold before playback resumes.
    FCore.FollowSoundOptions();
    IgnoreFailure([&] {
        if (FWasPlaying)
            FCore.ResumeAfterModal(FSerial);
    });
    FCore.FBusy = false;
    // Once resumed, so that a book reopened for its reading options goes on as it would have.
    FCore.FollowBookOptions();
    emit FCore.DisplayChanged();
}
