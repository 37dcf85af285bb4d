// Coming back to where the listener was: the last session, bookmarks, and back to before a jump.
// The rules live in src/return; the window routes the keys and speaks.
#include "shell/VarnelPlayer.h"

#include "config/BookmarkStore.h"
#include "config/SessionRecord.h"
#include "config/SettingsModule.h"
#include "return/JumpHistory.h"
#include "return/Place.h"
#include "return/SessionRestore.h"
#include "shell/SpokenNotice.h"
#include "texts/ChapterTexts.h"
#include "texts/ReturnTexts.h"
#include "ui/PlacesDialog.h"
#include "util/Platform.h"
#include "util/VkCodes.h"

#include <QCollator>
#include <QTimer>

#include <functional>
#include <memory>

namespace {
// Runs on leaving the scope, whatever ends it: a modal list that failed must not leave the
// window deaf (busy) or the track paused.
struct OnExit {
    std::function<void()> FRun;
    ~OnExit() { FRun(); }
};
} // namespace

bool TVarnelPlayer::IsRestoreKey(int key, int shift) {
    if (shift == ssCtrl)
        return key == 'P';
    if (shift != ssNone)
        return false;
    return key == VK_SPACE || key == VK_RETURN || key == VK_PLAY || key == VK_MEDIA_PLAY_PAUSE;
}

void TVarnelPlayer::RestoreSession() {
    const std::optional<SessionState> state = FSession->Load();
    std::optional<RestoredSession> restored;
    if (state) {
        QCollator collator(Platform::Current().RegionalLocale());
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        restored = RebuildSession(
            *state, [this](const QString& name) { return FSettings.GeneralConfigs().IsMediaFile(name); },
            collator);
    }
    if (!restored) {
        FNotice->Say(ReturnText(ReturnTextId::NothingToRestore, FSettings.Language()));
        return;
    }
    FFiles = restored->files;
    FillList();
    FCurrent = restored->current;
    // The session's place wins over the track's own, which a stop or Escape forgot.
    if (restored->seconds > 0)
        FSettings.MediaConfigs().SetResumeTime(CurrentFile(), restored->seconds);
    FSession->Adopt();
    PlayCurrent();
}

void TVarnelPlayer::NoteSessionPlace(double seconds) {
    if (FFiles.isEmpty())
        return;
    try {
        if (seconds < 0) {
            if (!FPlayer->IsActive())
                return;
            seconds = FPlayer->Position();
        }
        FSession->NotePlace(FCurrent, CurrentFile(), seconds);
    } catch (...) {
    }
}

void TVarnelPlayer::AboutToJump() {
    try {
        if (FPlayer->IsActive())
            FJumps->AboutToJump(JumpPlace{CurrentFile(), FCurrent, FPlayer->Position()});
    } catch (...) {
    }
}

void TVarnelPlayer::GoBack() {
    const int language = FSettings.Language();
    std::optional<JumpPlace> place = FJumps->Back();
    int index = -1;
    // A place whose track left the list (a restore replaced it) is passed over.
    while (place && (index = TJumpHistory::IndexIn(FFiles, *place)) < 0)
        place = FJumps->Back();
    if (!place) {
        FNotice->Say(ReturnText(ReturnTextId::NothingToGoBack, language));
        return;
    }
    if (index == FCurrent && FPlayer->IsActive()) {
        FPlayer->JumpTo(place->seconds);
        RefreshDisplay();
        if (FPlayer->State() == psPaused)
            RememberPosition();
    } else {
        FBusy = true;
        ForgetPosition();
        FCurrent = index;
        // The earlier track opens where it was left, through its remembered position.
        FSettings.MediaConfigs().SetResumeTime(CurrentFile(), place->seconds);
        PlayCurrent();
    }
    FNotice->Say(WentBackText(place->seconds, language));
}

void TVarnelPlayer::AddBookmark() {
    if (!FPlayer->IsActive())
        return;
    const double at = FPlayer->Position();
    const std::optional<Bookmark> added = FBookmarks->Add(CurrentFile(), at);
    if (!added)
        return;
    SaveResume();
    FNotice->Say(BookmarkLabel(added->number, QString(), added->seconds, FSettings.Language()));
}

QList<Place> TVarnelPlayer::PlacesOf(const QString& file) const {
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

void TVarnelPlayer::ShowPlaces() {
    if (!FPlayer->IsActive())
        return;
    const QString file = CurrentFile();
    QList<Place> places = PlacesOf(file);
    if (places.isEmpty()) {
        FNotice->Say(ReturnText(ReturnTextId::NoPlaces, FSettings.Language()));
        return;
    }
    // Asked before the flag is set, so that a failing control cannot leave the window deaf.
    const bool wasPlaying = FPlayer->IsPlaying();
    FBusy = true;
    const quint64 serial = FPlaySerial;
    std::unique_ptr<TPlacesDialog> dialog;
    const OnExit finish{[&] {
        dialog.reset();
        if (wasPlaying)
            ResumeAfterModal(serial);
        FBusy = false;
        RefreshDisplay();
    }};
    const auto edited = [this, file] {
        SaveResume();
        return PlacesOf(file);
    };
    dialog = std::make_unique<TPlacesDialog>(
        std::move(places), FSettings.Language(),
        [this, file, edited](const Place& place) {
            FBookmarks->Remove(file, place.key);
            return edited();
        },
        [this, file, edited](const Place& place, const QString& name) {
            FBookmarks->Rename(file, place.key, name);
            return edited();
        },
        this);
    if (wasPlaying)
        FPlayer->TogglePause();
    dialog->exec();
    const std::optional<Place> chosen = dialog->Chosen();
    // The place belongs to the track the list opened on; the desktop may have moved on meanwhile.
    if (!chosen || serial != FPlaySerial)
        return;
    AboutToJump();
    FPlayer->JumpTo(chosen->seconds);
    RememberPosition();
}
