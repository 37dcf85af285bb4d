// The main window's keys: the table of what each key does in which field, and the commands that
// speak their answer.
#include "shell/VarnelPlayer.h"

#include "book/BookGuide.h"
#include "config/SettingsModule.h"
#include "shell/SpokenNotice.h"
#include "shell/TempoEdit.h"
#include "talkingbook/TalkingBookGuide.h"
#include "texts/ListeningTexts.h"
#include "texts/ReturnTexts.h"
#include "texts/Texts.h"
#include "ui/Donation.h"
#include "util/VkCodes.h"

#include <QKeyEvent>
#include <QMessageBox>
#include <QTreeView>

#include <cmath>
#include <exception>

namespace {
// A seek may land a hair from where it was asked: less than this is no move.
constexpr double kLeastChapterMove = 0.25;
} // namespace

// ---- Keys

struct TVarnelPlayer::KeyCommand {
    int key;
    int shift;
    Field field;
    void (*run)(TVarnelPlayer&);
};

bool TVarnelPlayer::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() != QEvent::KeyPress || (watched != Tempo && watched != Lista))
        return QWidget::eventFilter(watched, e);
    const auto* ke = static_cast<QKeyEvent*>(e);
    const int key = VkFromQtKey(ke->key());
    const int shift = ShiftStateFromQt(ke->modifiers());
    if (key == 0)
        return false;
    // A failure no command caught gets the default report; it never leaves the event loop.
    try {
        return RunKey(key, shift, watched == Tempo ? Field::Tempo : Field::Lista);
    } catch (const std::exception& error) {
        ReportFailure(error.what());
    } catch (...) {
        ReportFailure("Unknown failure");
    }
    return true;
}

bool TVarnelPlayer::RunKey(int key, int shift, Field field) {
    using W = TVarnelPlayer;
    // Tested in order; the first match wins. A row of one field leaves the key to the other's own use
    // (Up and Down move the list's selection).
    static const KeyCommand kCommands[] = {
        {VK_SPACE, ssNone, Field::Any, [](W& w) { w.FCore->PauseToggle(); }},
        {VK_LEFT, ssNone, Field::Any, [](W& w) { w.FCore->SeekBy(-5, false); }},
        {VK_LEFT, ssCtrl, Field::Any, [](W& w) { w.FCore->SeekBy(-30, true); }},
        {VK_RIGHT, ssNone, Field::Any, [](W& w) { w.FCore->SeekBy(5, false); }},
        {VK_RIGHT, ssCtrl, Field::Any, [](W& w) { w.FCore->SeekBy(30, true); }},
        {'P', ssCtrl, Field::Any, [](W& w) { w.FCore->PlaySelected(); }},
        {VK_PLAY, ssNone, Field::Any, [](W& w) { w.FCore->PlaySelected(); }},
        {VK_MEDIA_PLAY_PAUSE, ssNone, Field::Any, [](W& w) { w.FCore->PlayPause(); }},
        {'S', ssCtrl, Field::Any, [](W& w) { w.FCore->Stop(); }},
        {VK_MEDIA_STOP, ssNone, Field::Any, [](W& w) { w.FCore->Stop(); }},
        {VK_MEDIA_PREV_TRACK, ssNone, Field::Any, [](W& w) { w.FCore->PlayPrevious(); }},
        {VK_MEDIA_NEXT_TRACK, ssNone, Field::Any, [](W& w) { w.FCore->PlayNext(); }},
        {'J', ssCtrl, Field::Any, [](W& w) { w.JumpToPosition(); }},
        {'O', ssCtrl, Field::Any, [](W& w) { w.ShowOptions(); }},
        {VK_F8, ssNone, Field::Any, [](W& w) { w.StepVolume(false); }},
        {VK_VOLUME_DOWN, ssNone, Field::Any, [](W& w) { w.StepVolume(false); }},
        {VK_F9, ssNone, Field::Any, [](W& w) { w.StepVolume(true); }},
        {VK_VOLUME_UP, ssNone, Field::Any, [](W& w) { w.StepVolume(true); }},
        {VK_F5, ssNone, Field::Any, [](W& w) { w.StepSpeed(true); }},
        {VK_F4, ssNone, Field::Any, [](W& w) { w.StepSpeed(false); }},
        {VK_F12, ssNone, Field::Any, [](W&) { Donate(); }},
        {VK_F7, ssNone, Field::Any, [](W& w) { w.MoveKey(true); }},
        {VK_F6, ssNone, Field::Any, [](W& w) { w.MoveKey(false); }},
        {VK_F7, ssShift, Field::Any, [](W& w) { w.CycleBookUnit(true); }},
        {VK_F6, ssShift, Field::Any, [](W& w) { w.CycleBookUnit(false); }},
        {VK_F2, ssNone, Field::Any,
         [](W& w) {
             w.BookKey([&w] { return w.FTalking->Active() ? w.FTalking->TimeLeft() : w.FBook->TrackLeft(); });
         }},
        {VK_F2, ssShift, Field::Any, [](W& w) { w.BookKey([&w] { return w.FTalking->WhereAmI(); }); }},
        {VK_F3, ssNone, Field::Any, [](W& w) { w.BookKey([&w] { return w.FBook->ListLeft(); }); }},
        {'G', ssCtrl, Field::Any, [](W& w) { w.GoToPage(); }},
        {'T', ssCtrl, Field::Any, [](W& w) { w.CycleSleepTimer(); }},
        {VK_ESCAPE, ssNone, Field::Any, [](W& w) { w.Escape(); }},
        {'B', ssCtrl, Field::Any, [](W& w) { w.AddBookmark(); }},
        {'L', ssCtrl, Field::Any, [](W& w) { w.ShowPlaces(); }},
        {'Z', ssCtrl, Field::Any, [](W& w) { w.GoBack(); }},
        {VK_NEXT, ssNone, Field::Tempo, [](W& w) { w.MoveKey(true); }},
        {VK_PRIOR, ssNone, Field::Tempo, [](W& w) { w.MoveKey(false); }},
        {VK_UP, ssNone, Field::Tempo, [](W& w) { w.FCore->PlayPrevious(); }},
        {VK_DOWN, ssNone, Field::Tempo, [](W& w) { w.FCore->PlayNext(); }},
        {VK_F1, ssNone, Field::Tempo, [](W& w) { w.ShowKeyHelp(QStringLiteral("edit")); }},
        {VK_RETURN, ssNone, Field::Lista, [](W& w) { w.FCore->PlaySelected(); }},
        {VK_F1, ssNone, Field::Lista, [](W& w) { w.ShowKeyHelp(QStringLiteral("list")); }},
    };
    // An empty list is idle: its play keys bring back the last session instead of doing nothing.
    if (FCore->Files().isEmpty() && IsRestoreKey(key, shift)) {
        RestoreSession();
        return true;
    }
    for (const KeyCommand& c : kCommands) {
        if (c.key == key && c.shift == shift && (c.field == Field::Any || c.field == field)) {
            c.run(*this);
            return true;
        }
    }
    return false;
}

bool TVarnelPlayer::IsRestoreKey(int key, int shift) {
    if (shift == ssCtrl)
        return key == 'P';
    if (shift != ssNone)
        return false;
    return key == VK_SPACE || key == VK_RETURN || key == VK_PLAY || key == VK_MEDIA_PLAY_PAUSE;
}

void TVarnelPlayer::ListaDblClick() {
    FCore->PlayAt(SelectedIndex(), false);
}

void TVarnelPlayer::RestoreSession() {
    if (!FCore->RestoreSession())
        FNotice->Say(ReturnText(ReturnTextId::NothingToRestore, FSettings.Language()));
}

void TVarnelPlayer::StepVolume(bool up) {
    FCore->StepVolume(up);
    if (FCore->Player().IsActive())
        SpeakVolume();
}

void TVarnelPlayer::StepSpeed(bool faster) {
    FCore->StepSpeed(faster);
    SpeakSpeed();
}

void TVarnelPlayer::MoveKey(bool next) {
    BookKey([this, next] {
        if (FTalking->Active())
            return next ? FTalking->Next() : FTalking->Previous();
        return next ? FBook->NextChapter() : FBook->PreviousChapter();
    });
}

void TVarnelPlayer::CycleBookUnit(bool forward) {
    if (FTalking->Active())
        FNotice->Say(FTalking->CycleUnit(forward));
}

void TVarnelPlayer::BookKey(const std::function<QString()>& command) {
    TMyPlayer& player = FCore->Player();
    const bool active = player.IsActive();
    const JumpPlace from = FCore->Here();
    const QString said = command();
    // Only a key that moved is a jump Ctrl+Z can undo; one that said "no chapters" is not.
    if (active && std::abs(player.Position() - from.seconds) > kLeastChapterMove)
        FCore->NoteJumpFrom(from);
    RefreshDisplay();
    if (player.State() == psPaused)
        FCore->RememberPosition();
    if (!said.isEmpty())
        FNotice->Say(said);
}

void TVarnelPlayer::CycleSleepTimer() {
    FNotice->Say(SleepTimerSpokenText(FCore->CycleSleepTimer(), FSettings.Language()));
}

void TVarnelPlayer::AddBookmark() {
    const std::optional<Bookmark> added = FCore->AddBookmark();
    if (added)
        FNotice->Say(BookmarkLabel(added->number, QString(), added->seconds, FSettings.Language()));
}

void TVarnelPlayer::GoBack() {
    const int language = FSettings.Language();
    const std::optional<double> seconds = FCore->GoBack();
    FNotice->Say(seconds ? WentBackText(*seconds, language)
                         : ReturnText(ReturnTextId::NothingToGoBack, language));
}

void TVarnelPlayer::Escape() {
    FCore->Stop();
    FCore->HoldBusy(); // left set while the window closes
    close();
}
