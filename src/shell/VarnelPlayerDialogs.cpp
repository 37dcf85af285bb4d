// The main window's modal windows: the jump, the page of a talking book, the options, the key help
// and the places list.
#include "shell/VarnelPlayer.h"

#include "config/SettingsModule.h"
#include "shell/JumpDialog.h"
#include "shell/SpokenNotice.h"
#include "talkingbook/TalkingBookGuide.h"
#include "texts/BookTexts.h"
#include "texts/ReturnTexts.h"
#include "texts/Texts.h"
#include "ui/PlacesDialog.h"
#include "ui/VarnelHelp.h"
#include "ui/VarnelOptions.h"
#include "util/Rounding.h"
#include "util/TimeText.h"

// ---- Modal windows: each runs inside the core's modal pause, declared before the window so that
// the window is gone before playback resumes.

void TVarnelPlayer::JumpToPosition() {
    TMyPlayer& player = FCore->Player();
    if (!player.IsActive())
        return;
    const TPlayerCore::ModalPause pause(*FCore);
    const auto n = static_cast<int>(RoundHalfEven(player.JumpStart()));
    const int language = FSettings.Language();
    bool confirmed = false;
    QString text;
    {
        TJumpDialog dialog(Text(TextId::JumpCaption, language), Text(TextId::JumpPrompt, language),
                           SecondsToTimeText(n), this);
        confirmed = dialog.exec() == QDialog::Accepted;
        text = dialog.Value();
    }
    // The time typed belongs to the track the dialog opened on; the desktop may have moved on meanwhile.
    if (!confirmed || !pause.SameTrack())
        return;
    FCore->JumpTo(TimeTextToSeconds(text));
    FCore->RememberPosition();
}

void TVarnelPlayer::GoToPage() {
    if (!FTalking->Active())
        return;
    const int language = FSettings.Language();
    if (!FTalking->HasPages()) {
        FNotice->Say(BookText(BookTextId::NoPages, language));
        return;
    }
    bool confirmed = false;
    QString label;
    {
        const TPlayerCore::ModalPause pause(*FCore);
        TJumpDialog dialog(BookText(BookTextId::PageCaption, language),
                           BookText(BookTextId::PagePrompt, language), FTalking->CurrentPageLabel(), this);
        confirmed = dialog.exec() == QDialog::Accepted;
        label = dialog.Value();
        // The page belongs to the book the dialog opened on; the desktop may have moved on meanwhile.
        confirmed = confirmed && pause.SameTrack();
        if (!confirmed)
            return;
    }
    // Moved once playback resumed, so that what is said is the last thing the reader hears.
    BookKey([this, &label] { return FTalking->GoToPage(label); });
}

void TVarnelPlayer::ShowOptions() {
    const TPlayerCore::ModalPause pause(*FCore);
    TVarnelOptions(FSettings.GeneralConfigs(), FSettings.Language(), this).exec();
}

void TVarnelPlayer::ShowKeyHelp(const QString& context) {
    const TPlayerCore::ModalPause pause(*FCore);
    TVarnelHelp help(this);
    help.ShowHelp(context, FSettings.Language());
    help.exec();
}

void TVarnelPlayer::ShowPlaces() {
    if (!FCore->Player().IsActive())
        return;
    const QString file = FCore->CurrentFile();
    // A book's headings up to the level the keys move by stand with its bookmarks.
    const auto placesOf = [this](const QString& of) {
        QList<Place> all = FCore->PlacesOf(of);
        if (of == FCore->CurrentFile() && FTalking->Active()) {
            all += FTalking->Headings();
            SortPlaces(all);
        }
        return all;
    };
    QList<Place> places = placesOf(file);
    if (places.isEmpty()) {
        FNotice->Say(ReturnText(ReturnTextId::NoPlaces, FSettings.Language()));
        return;
    }
    const TPlayerCore::ModalPause pause(*FCore);
    std::optional<Place> chosen;
    {
        TPlacesDialog dialog(
            std::move(places), FSettings.Language(),
            [this, file, placesOf](const Place& place) {
                FCore->RemoveBookmark(file, place.key);
                return placesOf(file);
            },
            [this, file, placesOf](const Place& place, const QString& name) {
                FCore->RenameBookmark(file, place.key, name);
                return placesOf(file);
            },
            this);
        dialog.exec();
        chosen = dialog.Chosen();
    }
    // The place belongs to the track the list opened on; the desktop may have moved on meanwhile.
    if (!chosen || !pause.SameTrack())
        return;
    FCore->JumpTo(chosen->seconds);
    FCore->RememberPosition();
}
