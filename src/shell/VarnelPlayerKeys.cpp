// Key routing and the commands that belong to the main window itself.
#include "shell/VarnelPlayer.h"

#include "book/BookGuide.h"
#include "config/SettingsModule.h"
#include "return/JumpHistory.h"
#include "shell/JumpDialog.h"
#include "shell/SpokenNotice.h"
#include "shell/TempoEdit.h"
#include "texts/Texts.h"
#include "ui/Donation.h"
#include "ui/VarnelHelp.h"
#include "ui/VarnelOptions.h"
#include "util/Rounding.h"
#include "util/TimeText.h"
#include "util/VkCodes.h"

#include <QKeyEvent>
#include <QTimer>
#include <QTreeView>

#include <cmath>
#include <exception>
#include <functional>
#include <memory>

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
        if (GeneKey(key, shift))
            return true;
        return watched == Tempo ? TempoKey(key, shift) : ListaKey(key, shift);
    } catch (const std::exception& error) {
        ReportFailure(error.what());
    } catch (...) {
        ReportFailure("Unknown failure");
    }
    return true;
}

bool TVarnelPlayer::GeneKey(int key, int shift) {
    struct Command {
        int key;
        int shift;
        void (*run)(TVarnelPlayer&);
    };
    // Tested in order; the first match wins.
    static const Command kCommands[] = {
        {VK_SPACE, ssNone, [](TVarnelPlayer& w) { w.PauseToggle(); }},
        {VK_LEFT, ssNone, [](TVarnelPlayer& w) { w.SeekBack(5); }},
        {VK_LEFT, ssCtrl,
         [](TVarnelPlayer& w) {
             w.AboutToJump();
             w.SeekBack(30);
         }},
        {VK_RIGHT, ssNone, [](TVarnelPlayer& w) { w.SeekAhead(5); }},
        {VK_RIGHT, ssCtrl,
         [](TVarnelPlayer& w) {
             w.AboutToJump();
             w.SeekAhead(30);
         }},
        {'P', ssCtrl, [](TVarnelPlayer& w) { w.PlaySelected(); }},
        {VK_PLAY, ssNone, [](TVarnelPlayer& w) { w.PlaySelected(); }},
        {VK_MEDIA_PLAY_PAUSE, ssNone, [](TVarnelPlayer& w) { w.PlayPauseKey(); }},
        {'S', ssCtrl, [](TVarnelPlayer& w) { w.StopPlay(); }},
        {VK_MEDIA_STOP, ssNone, [](TVarnelPlayer& w) { w.StopPlay(); }},
        {VK_MEDIA_PREV_TRACK, ssNone, [](TVarnelPlayer& w) { w.PlayPrevious(); }},
        {VK_MEDIA_NEXT_TRACK, ssNone, [](TVarnelPlayer& w) { w.PlayNext(); }},
        {'J', ssCtrl, [](TVarnelPlayer& w) { w.JumpToPosition(); }},
        {'O', ssCtrl, [](TVarnelPlayer& w) { w.ShowOptions(); }},
        {VK_F8, ssNone, [](TVarnelPlayer& w) { w.StepVolume(false); }},
        {VK_VOLUME_DOWN, ssNone, [](TVarnelPlayer& w) { w.StepVolume(false); }},
        {VK_F9, ssNone, [](TVarnelPlayer& w) { w.StepVolume(true); }},
        {VK_VOLUME_UP, ssNone, [](TVarnelPlayer& w) { w.StepVolume(true); }},
        {VK_F5, ssNone, [](TVarnelPlayer& w) { w.StepSpeed(true); }},
        {VK_F4, ssNone, [](TVarnelPlayer& w) { w.StepSpeed(false); }},
        {VK_F12, ssNone, [](TVarnelPlayer& w) { w.Donate(); }},
        {VK_F7, ssNone, [](TVarnelPlayer& w) { w.BookKey([](TBookGuide& b) { return b.NextChapter(); }); }},
        {VK_F6, ssNone,
         [](TVarnelPlayer& w) { w.BookKey([](TBookGuide& b) { return b.PreviousChapter(); }); }},
        {VK_F2, ssNone, [](TVarnelPlayer& w) { w.BookKey([](TBookGuide& b) { return b.TrackLeft(); }); }},
        {VK_F3, ssNone, [](TVarnelPlayer& w) { w.BookKey([](TBookGuide& b) { return b.ListLeft(); }); }},
        {'T', ssCtrl, [](TVarnelPlayer& w) { w.CycleSleepTimer(); }},
        {VK_ESCAPE, ssNone, [](TVarnelPlayer& w) { w.Escape(); }},
        {'B', ssCtrl, [](TVarnelPlayer& w) { w.AddBookmark(); }},
        {'L', ssCtrl, [](TVarnelPlayer& w) { w.ShowPlaces(); }},
        {'Z', ssCtrl, [](TVarnelPlayer& w) { w.GoBack(); }},
    };
    // An empty list is idle: its play keys bring back the last session instead of doing nothing.
    if (FFiles.isEmpty() && IsRestoreKey(key, shift)) {
        RestoreSession();
        return true;
    }
    for (const Command& c : kCommands) {
        if (c.key == key && c.shift == shift) {
            c.run(*this);
            return true;
        }
    }
    return false;
}

void TVarnelPlayer::StepVolume(bool up) {
    up ? FPlayer->VolumeUp() : FPlayer->VolumeDown();
    if (FPlayer->IsActive())
        SpeakVolume();
}

void TVarnelPlayer::StepSpeed(bool faster) {
    faster ? FPlayer->Faster() : FPlayer->Slower();
    RememberSpeed();
    SpeakSpeed();
}

namespace {
// A seek may land a hair from where it was asked: less than this is no move.
constexpr double kLeastChapterMove = 0.25;
} // namespace

void TVarnelPlayer::BookKey(QString (*command)(TBookGuide&)) {
    const bool active = FPlayer->IsActive();
    const JumpPlace from{CurrentFile(), FCurrent, FPlayer->Position()};
    const QString said = command(*FBook);
    // Only a key that moved is a jump Ctrl+Z can undo; one that said "no chapters" is not.
    if (active && std::abs(FPlayer->Position() - from.seconds) > kLeastChapterMove)
        FJumps->AboutToJump(from);
    RefreshDisplay();
    if (FPlayer->State() == psPaused)
        RememberPosition();
    if (!said.isEmpty())
        FNotice->Say(said);
}

bool TVarnelPlayer::TempoKey(int key, int shift) {
    if (shift != ssNone)
        return false;
    switch (key) {
    case VK_NEXT:
        BookKey([](TBookGuide& b) { return b.NextChapter(); });
        return true;
    case VK_PRIOR:
        BookKey([](TBookGuide& b) { return b.PreviousChapter(); });
        return true;
    case VK_UP:
        PlayPrevious();
        return true;
    case VK_DOWN:
        PlayNext();
        return true;
    case VK_F1:
        ShowKeyHelp(QStringLiteral("edit"));
        return true;
    }
    return false;
}

bool TVarnelPlayer::ListaKey(int key, int shift) {
    if (shift != ssNone)
        return false;
    switch (key) {
    case VK_RETURN:
        PlaySelected();
        return true;
    case VK_F1:
        ShowKeyHelp(QStringLiteral("list"));
        return true;
    }
    return false;
}

void TVarnelPlayer::PauseToggle() {
    FBusy = true;
    RewindBeforeResume();
    FPlayer->TogglePause();
    RefreshDisplay();
    if (FPlayer->State() == psPaused) {
        Timer->stop();
        RememberPosition(); // a pause may be the end of the session: no tick follows it
    } else {
        Timer->start();
    }
    FBusy = false;
}

void TVarnelPlayer::SeekBack(double seconds) {
    FPlayer->SeekBackward(seconds);
    RefreshDisplay();
    // While playing the next ticks write it; while paused none come.
    if (FPlayer->State() == psPaused)
        RememberPosition();
}

void TVarnelPlayer::SeekAhead(double seconds) {
    FPlayer->SeekForward(seconds);
    RefreshDisplay();
    if (FPlayer->State() == psPaused)
        RememberPosition();
}

void TVarnelPlayer::JumpToPosition() {
    if (!FPlayer->IsActive())
        return;
    FBusy = true;
    // Steps after this are not guarded: a failure skips them, clears the flag and is reported.
    struct ClearBusy {
        bool& FFlag;
        ~ClearBusy() { FFlag = false; }
    } clearBusy{FBusy};
    const bool wasPlaying = FPlayer->IsPlaying();
    const quint64 serial = FPlaySerial;
    if (wasPlaying) {
        Timer->stop();
        FPlayer->TogglePause();
    }
    const auto n = static_cast<int>(RoundHalfEven(FPlayer->JumpStart()));
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
    if (serial != FPlaySerial) {
        RefreshDisplay();
        return;
    }
    if (confirmed) {
        AboutToJump();
        FPlayer->JumpTo(TimeTextToSeconds(text));
    }
    if (wasPlaying) {
        ResumeAfterModal(serial);
        Timer->start();
    }
    if (confirmed)
        RememberPosition();
    RefreshDisplay();
}

void TVarnelPlayer::Escape() {
    StopPlay();
    FBusy = true; // left set while the window closes
    close();
}

namespace {
// Whatever happens while a modal window is up: destroy it, then finish (resume, clear the flag, and
// show the state at once, before the focus is back in the time field and a screen reader reads it).
template <class Window> struct ModalRun {
    std::unique_ptr<Window> FWindow;
    std::function<void()> FFinish;
    ~ModalRun() {
        FWindow.reset();
        FFinish();
    }
};
} // namespace

void TVarnelPlayer::ResumeAfterModal(quint64 pausedSerial) {
    // Another track, or a stop, came from the desktop while the window was up; a toggle now would
    // pause what the user chose to hear.
    if (pausedSerial != FPlaySerial || FPlayer->State() != psPaused)
        return;
    RewindBeforeResume();
    FPlayer->TogglePause();
}

void TVarnelPlayer::ShowOptions() {
    // Asked before the flag is set, so that a failing control cannot leave the window deaf.
    const bool wasPlaying = FPlayer->IsPlaying();
    FBusy = true;
    const quint64 serial = FPlaySerial;
    ModalRun<TVarnelOptions> run{
        std::make_unique<TVarnelOptions>(FSettings.GeneralConfigs(), FSettings.Language(), this),
        [this, wasPlaying, serial] {
            if (wasPlaying)
                ResumeAfterModal(serial);
            FBusy = false;
            RefreshDisplay();
        }};
    if (wasPlaying)
        FPlayer->TogglePause();
    run.FWindow->exec();
}

void TVarnelPlayer::ShowKeyHelp(const QString& context) {
    const bool wasPlaying = FPlayer->IsPlaying();
    FBusy = true;
    const quint64 serial = FPlaySerial;
    ModalRun<TVarnelHelp> run{std::make_unique<TVarnelHelp>(this), [this, wasPlaying, serial] {
                                  if (wasPlaying)
                                      ResumeAfterModal(serial);
                                  FBusy = false;
                                  RefreshDisplay();
                              }};
    if (wasPlaying)
        FPlayer->TogglePause();
    run.FWindow->ShowHelp(context, FSettings.Language());
    run.FWindow->exec();
}

void TVarnelPlayer::Donate() {
    ::Donate();
}
