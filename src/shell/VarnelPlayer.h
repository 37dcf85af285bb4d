#pragma once

#include "book/TrackLengths.h"
#include "engine/MyPlayer.h"

#include <QAccessible>
#include <QStringList>
#include <QWidget>

#include <memory>

class QStatusBar;
class TBookmarkStore;
class TJumpHistory;
class TSessionRecord;
struct Place;
class TListeningClock;
class TResumeRewind;
class TSleepTimer;
class TSpeedConfigs;
class TSpeedMemory;
class QTimer;
class QTreeView;
class SettingsModule;
class TBookGuide;
class TSpokenNotice;
class TTempoEdit;
class TrackListModel;

/// The main window: the time field, the track list and the status bar; it owns the player and the
/// track list and runs every command.
class TVarnelPlayer : public QWidget {
    Q_OBJECT
public:
    /// The private message that asks the window to advance to the next track (WM_USER + 32).
    static constexpr int WM_PLAYNEXT = 1024 + 32;
    /// Timer ticks between two writes of the playing track's position to disk: a crash or a power
    /// cut loses no more than this much listening.
    static constexpr int kSaveEveryTicks = 5;

    /// Builds the window around control; shows the idle texts and, when due, the donation reminder.
    /// lengthReader reads the lengths of the tracks in the list, in the background.
    TVarnelPlayer(SettingsModule& settings, std::unique_ptr<MediaControl> control, QWidget* parent = nullptr,
                  TTrackLengths::Reader lengthReader = nullptr);
    ~TVarnelPlayer() override;

    /// Turns the program's arguments into the track list and starts the first track.
    void LoadCommandLine(const QStringList& arguments);

    // Display
    void RefreshDisplay();
    /// The one-second tick while a track plays: refreshes the display and, every kSaveEveryTicks,
    /// writes the position reached to disk.
    void TimerTic();
    /// Remembers the active track's position and writes the resume file at once.
    void RememberPosition();
    /// Tells a screen reader the new speed or volume after a step command, while the window is in front.
    void SpeakSpeed();
    void SpeakVolume();

    // Playlist
    void AddFile(const QString& path);
    void AddFolder(const QString& path);
    void FillList();
    void Shuffle();
    void SelectCurrent();
    void PlayCurrent();
    /// Adds path as a command-line argument and plays the first track it added; the track left
    /// keeps its position, as the desktop interrupts it. False when nothing was added.
    bool OpenAndPlay(const QString& path);

    // Navigation
    void ForgetPosition();
    void PlayNext();
    void PlayPrevious();
    void PlaySelected();
    void PlayPauseKey();
    void StopPlay();
    void ListaDblClick();

    // Commands of the window itself
    void PauseToggle();
    void SeekBack(double seconds);
    void SeekAhead(double seconds);
    void JumpToPosition();
    void ShowOptions();
    void ShowKeyHelp(const QString& context);
    void Donate();

    // Coming back: the last session, bookmarks, and back to before a jump
    /// In the idle window of an empty list: the last session's list, at its place, playing.
    void RestoreSession();
    void AddBookmark();
    void ShowPlaces();
    void GoBack();
    /// Every jump calls it first, so that GoBack can return to the place it leaves.
    void AboutToJump();

    // Background volume
    void AppActivate();
    void AppDeactivate();
    /// A volume the user set from the desktop (its media controls) while the window may be in the
    /// background: it is also the volume the window restores when it comes back.
    void SetVolumeFromDesktop(int volume);

    // Long listening: the sleep timer, the rewind after a pause, the speed per folder
    /// Steps the sleep timer to its next choice (or cancels its fade) and says the choice.
    void CycleSleepTimer();
    /// Remembers the rate that plays for the current file's folder.
    void RememberSpeed();

    TMyPlayer& Player() { return *FPlayer; }
    const QStringList& Files() const { return FFiles; }
    int Current() const { return FCurrent; }
    bool Busy() const { return FBusy; }
    bool TimerActive() const;

signals:
    /// After every display refresh; desktop integration follows the player through it.
    void DisplayRefreshed();

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void BuildLayout();
    void PlayChange(int newState);
    /// Writes the resume file; a failure is ignored, the next write tries again.
    void SaveResume();
    /// The control stopped on its own while a track was active (the sound output failed): the
    /// position reached is kept, not lost.
    void OutputLost();
    /// PlayNext, forgetting the track left only when forgetLeft is set.
    void Advance(bool forgetLeft);
    /// StopPlay, forgetting the track left only when forget is set.
    void Stop(bool forget);
    /// Resumes the track a modal window paused, unless the user moved on or resumed it meanwhile.
    void ResumeAfterModal(quint64 pausedSerial);
    /// The playing track's name as the title, and as said when it differs from the one said last.
    void ShowTrackName();
    void SetTitle(const QString& title, const QString& spoken);
    void SetTimeText(const QString& t, bool idle);
    /// When the screen reader's link comes up after the window is already in front, the window and its
    /// focused field are announced again: the first announcements went nowhere.
    void AccessibilityTurnedOn();
    /// FFiles[FCurrent]; empty when FCurrent is outside the list (an empty list, a double click on
    /// no row).
    QString CurrentFile() const;
    int SelectedIndex() const;
    bool GeneKey(int key, int shift);
    /// The play keys of the idle window of an empty list, which restore the last session.
    static bool IsRestoreKey(int key, int shift);
    /// The session record follows the place reached (seconds: the player's position when < 0).
    void NoteSessionPlace(double seconds = -1);
    /// The current file's places, in time order, as the places list shows them.
    QList<Place> PlacesOf(const QString& file) const;
    bool TempoKey(int key, int shift);
    bool ListaKey(int key, int shift);
    /// The volume and speed step keys: the step, then its value spoken (volume only while active).
    void StepVolume(bool up);
    void StepSpeed(bool faster);
    /// A chapter or time-left key: the command, then what it says, once.
    void BookKey(QString (*command)(TBookGuide&));
    void Escape();
    void ApplicationStateChanged(Qt::ApplicationState state);
    /// The framework's default report of a failure no command caught: a message box with its text.
    void ReportFailure(const char* what);
    void BuildListening();
    /// The sleep timer paused playback: written and shown as any pause.
    void SleepExpired();
    /// The track ended while the sleep timer waited for it: the next one opens paused.
    void PauseAtTrackEnd();
    /// Runs the sleep timer's ticks while it is armed.
    void FollowSleepTimer();
    /// The file likely to follow the current one; none while the sleep timer waits for the track's end.
    QString NextToPrepare() const;
    /// Before a paused track resumes: the rewind after a long pause, when the option is on.
    void RewindBeforeResume();
    /// Starts the current file at its folder's remembered speed; a change is said with the new title.
    void ApplyRememberedSpeed();
    /// The title to say, with the speed a new track changed to when not said yet.
    QString WithUnsaidSpeed(const QString& title);
    /// Says a changed speed the title did not carry (the same title, or the window not in front then).
    void SayUnsaidSpeed();

    SettingsModule& FSettings;
    std::unique_ptr<TMyPlayer> FPlayer;
    TTrackLengths* FLengths = nullptr;
    std::unique_ptr<TBookGuide> FBook;
    int FSavedVolume = 100;
    QStringList FFiles;
    int FCurrent = 0;
    bool FAutoNext = false;
    bool FBusy = false;
    // Until the first activation and between AppDeactivate and AppActivate; it also tells a real
    // change of foreground from a repeated state report.
    bool FInBackground = true;
    // Counts the tracks started and stopped: an advance posted for a track the user has already
    // left (the end racing a key) is dropped instead of skipping a second track.
    quint64 FPlaySerial = 0;
    int FTicksSinceSave = 0;
    // The last state the control reported, to tell a stop of its own from the end of a file.
    int FLastState = psUndefined;
    // From a track's end until the posted advance runs.
    bool FAdvancePending = false;
    // The title tag of the track left for the current one, and the name said last: tracks that
    // share a title tag are told apart by ear.
    QString FPreviousTitleTag;
    QString FSpokenTitle;

    TTempoEdit* Tempo = nullptr;
    QTreeView* Lista = nullptr;
    TrackListModel* FModel = nullptr;
    QStatusBar* Status = nullptr;
    QTimer* Timer = nullptr;
    TSpokenNotice* FNotice = nullptr;      // speed and volume
    TSpokenNotice* FTitleNotice = nullptr; // the window title
    std::unique_ptr<QAccessible::ActivationObserver> FAccessibilityObserver;
    std::unique_ptr<TSessionRecord> FSession;
    std::unique_ptr<TBookmarkStore> FBookmarks;
    std::unique_ptr<TJumpHistory> FJumps;
    std::unique_ptr<TListeningClock> FListeningClock;
    std::unique_ptr<TSpeedConfigs> FSpeedConfigs;
    std::unique_ptr<TSpeedMemory> FSpeedMemory;
    // A speed a new track changed to, until said: with the title, since a reader speaks only one of
    // two notices that come at once.
    bool FSpeedUnsaid = false;
    TSleepTimer* FSleepTimer = nullptr;
    TResumeRewind* FResumeRewind = nullptr;
    QTimer* FSleepTick = nullptr;
};
