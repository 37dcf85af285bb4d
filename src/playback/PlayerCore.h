#pragma once

#include "config/BookmarkStore.h"
#include "engine/MyPlayer.h"
#include "playback/BookShelf.h"
#include "playback/Volume.h"
#include "return/JumpHistory.h"
#include "return/Place.h"
#include "util/PathList.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QTimer;
class TSettingsModule;
class TListeningClock;
class TResumeRewind;
class TSessionRecord;
class TSleepTimer;
class TSpeedConfigs;
class TSpeedMemory;

/// Who asked for a move: the listener (a key, the desktop) or the end of a track. A manual move is
/// a jump the way back can undo; an automatic one is not, and at the end of the list it stops.
enum class Move { Manual, Automatic };

/// The player core: the track list, the current track and every move through it, beside the window
/// and below it. It is the only listener to the control's play state and tells the rest through
/// its own signals, so the keys, the desktop and the end of a track all take the same path.
/// Every command is synchronous and runs on the UI thread; the advance at a track's end is posted
/// to this object and runs after the control's event.
class TPlayerCore : public QObject {
    Q_OBJECT
public:
    /// The private message that asks the core to advance to the next track (WM_USER + 32).
    static constexpr int WM_PLAYNEXT = 1024 + 32;
    /// Timer ticks between two writes of the playing track's position to disk: a crash or a power
    /// cut loses no more than this much listening.
    static constexpr int kSaveEveryTicks = 5;

    TPlayerCore(TSettingsModule& settings, std::unique_ptr<MediaControl> control, QObject* parent = nullptr);
    ~TPlayerCore() override;

    TMyPlayer& Player() { return *FPlayer; }
    const TMyPlayer& Player() const { return *FPlayer; }
    const TPathList& Files() const { return FFiles; }
    int Current() const { return FCurrent; }
    /// FFiles[FCurrent]; empty when FCurrent is outside the list.
    QString CurrentFile() const { return FFiles.value(FCurrent); }
    /// Counts the tracks started and stopped: what a modal window or a posted advance saw may be stale.
    quint64 Serial() const { return FPlaySerial; }
    /// While a command changes playback: play states are not acted on.
    bool Busy() const { return FBusy; }
    /// From a track's end until the posted advance runs.
    bool AdvancePending() const { return FAdvancePending; }
    bool TimerActive() const;
    /// The title tag of the track left for the current one: tracks that share one are told apart.
    const QString& PreviousTitleTag() const { return FPreviousTitleTag; }

    /// The current track's talking book while one is open, else null.
    const TDaisyBook* Book() const { return FShelf.Current(); }
    /// The name the list shows for path: a talking book's title; empty for any other file.
    QString ListedTitle(const QString& path);
    /// The book playing goes on at its place, playing or paused, with the clips the options ask for
    /// now; the same track, so the same serial.
    void ReopenBook();

    /// Where the list's selection is, for the moves that play it (-1: none).
    void SetSelection(std::function<int()> selected) { FSelected = std::move(selected); }

    // The list
    /// Turns the program's arguments into the track list (sorted as the options say) and plays the
    /// first track; the session record follows the new list.
    void LoadCommandLine(const QStringList& arguments);
    /// The same with the arguments' media files already found, as AddArgument finds them in order.
    /// searching: found is only the start of the list, in the order found, and FilesFound brings
    /// the rest.
    void LoadCommandLine(const QStringList& arguments, TPathList found, bool searching = false);
    /// More of the search the list started from, searchOver once it has ended: appended, the next
    /// track prepared, and a list that ran out meanwhile goes on (or stops, when the search ended
    /// with nothing more).
    void FilesFound(TPathList more, bool searchOver);
    /// Adds path as a command-line argument and plays the first track it added; the track left
    /// keeps its position, as the desktop interrupts it. False when nothing was added.
    bool OpenAndPlay(const QString& path);
    /// Whether path, a file the desktop hands over, is one the program can play: a media name by
    /// the Extensions option, a name played in a way of its own, or content a media reader knows.
    /// A folder is no file: false.
    bool IsPlayableFile(const QString& path) const;
    /// Puts the list in a random order, the current track kept current.
    void Shuffle();
    /// The last session's list, at its place, playing; false when there is none to bring back.
    bool RestoreSession();

    // Moves
    /// index becomes current and plays; forgetLeft forgets the position of the track left. An index
    /// outside the list (a double click on no row) plays nothing and what plays goes on; the next
    /// track is then the first.
    void PlayAt(int index, bool forgetLeft);
    /// The selected track, the track left forgotten; nothing without a selection.
    void PlaySelected();
    void PlayNext(Move how = Move::Manual);
    void PlayPrevious();
    /// Pause or resume while a track is open; else the selected track.
    void PlayPause();
    /// Closes the track; forget drops its position; an automatic stop (the list ran out) leaves the
    /// session at the track's start.
    void Stop(bool forget = true, Move how = Move::Manual);
    void PauseToggle();
    /// Seeks by seconds (back when negative); a long seek is a jump the way back can undo.
    void SeekBy(double seconds, bool isJump);
    /// Puts the position, recorded as a jump; failures reach the caller.
    void JumpTo(double seconds);
    /// The place playback stands at now.
    JumpPlace Here() const;
    /// Records from as a place the way back returns to (every jump tells it first).
    void NoteJumpFrom(const JumpPlace& from);
    /// Records the place playback leaves, when a file is active.
    void AboutToJump();
    /// Back to the place before the last jump; its seconds, or nothing when no place is left.
    std::optional<double> GoBack();

    // Places
    /// A bookmark at the position reached; nothing when none is active or it cannot be stored.
    std::optional<Bookmark> AddBookmark();
    void RemoveBookmark(const QString& file, const QString& key);
    void RenameBookmark(const QString& file, const QString& key, const QString& name);
    /// file's bookmarks, and its chapters when it is the current file, in time order.
    QList<Place> PlacesOf(const QString& file) const;

    // What is kept on disk
    /// The one-second tick: a refresh and, every kSaveEveryTicks (and at the first tick that finds a
    /// start's track heard), the checkpoint.
    void TimerTic();
    /// The checkpoint: the session place and the active track's position, written at once.
    void RememberPosition();
    /// Writes the resume file; a failure is ignored, the next write tries again.
    void SaveResume();
    /// The window closes: the place reached is kept (written at exit), the display stops.
    void Leave();

    // Speed and volume
    void StepSpeed(bool faster);
    /// A rate from the desktop, clamped into what the keys can reach; remembered for the folder.
    void SetRate(double rate);
    /// The volume, for keys, desktop and background alike (see TVolume).
    void StepVolume(bool up) { FVolume->Step(up); }
    void SetVolume(int volume) { FVolume->Set(volume); }
    void AppDeactivate() { FVolume->Deactivate(); }
    void AppActivate() { FVolume->Activate(); }
    bool InBackground() const { return FVolume->InBackground(); }

    /// The sound follows the options stored (even loudness, mono, shorter silences): what plays and
    /// every track after it; failures ignored. Done at start and whenever a modal window closes.
    void FollowSoundOptions();
    /// The book playing is reopened when its reading options changed since it was opened.
    void FollowBookOptions();
    /// The reading options as they stand: page numbers, notes.
    std::pair<bool, bool> BookReading() const;

    /// Steps the sleep timer to its next choice (or cancels its fade); returns the choice.
    int CycleSleepTimer();

    /// For the length of a modal window: playback paused (if it played) and the core busy; then
    /// resumed, unless the listener moved on or resumed it meanwhile.
    class ModalPause {
    public:
        explicit ModalPause(TPlayerCore& core);
        ~ModalPause();
        ModalPause(const ModalPause&) = delete;
        ModalPause& operator=(const ModalPause&) = delete;
        /// Whether the track the window opened on is still the current one.
        bool SameTrack() const { return FSerial == FCore.FPlaySerial; }

    private:
        TPlayerCore& FCore;
        bool FWasPlaying;
        quint64 FSerial;
    };

    /// Asks for what is shown to follow a change made outside the moves (the volume from the desktop).
    void Refresh() { emit DisplayChanged(); }
    /// Holds the core busy for good: the window is closing.
    void HoldBusy() { FBusy = true; }

signals:
    /// Every play state the control reports, busy or not.
    void StateChanged(int state);
    /// What is shown is out of date.
    void DisplayChanged();
    /// The list was rebuilt.
    void ListChanged();
    /// The current track moved without playing (the list was reordered).
    void CurrentMoved();
    /// Tracks first..last are about to be added after the end of the list, and have been; those
    /// before stay where they were.
    void ListAboutToGrow(int first, int last);
    void ListGrew(int first, int last);
    /// A track started; speedChanged when its folder's remembered speed changed the rate.
    void TrackStarted(bool speedChanged);

protected:
    bool event(QEvent* e) override;

private:
    void PlayChange(int newState);
    /// Opens the current entry as a talking book; false when it is none.
    bool PlayBook(const QString& file);
    /// Opens the current entry; saveNow writes the resume file at once (a start waits for its sound).
    void PlayCurrent(bool saveNow = true);
    /// PlayNext, forgetting the track left only when forgetLeft is set.
    void Advance(bool forgetLeft, Move how);
    void ForgetPosition();
    void OutputLost();
    /// The session record follows the place reached (seconds: the player's position when < 0).
    void NoteSessionPlace(double seconds = -1);
    /// The file likely to follow the current one; none while the sleep timer waits for the track's end.
    QString NextToPrepare() const;
    void BuildListening();
    void FollowSleepTimer();
    void SleepExpired();
    /// The track ended while the sleep timer waited for it: the next one opens paused.
    void PauseAtTrackEnd();
    /// Before a paused track resumes: the rewind after a long pause, when the option is on.
    void RewindBeforeResume();
    /// Resumes the track a modal window paused, unless the user moved on or resumed it meanwhile.
    void ResumeAfterModal(quint64 pausedSerial);
    void RememberSpeed();
    void SortList();
    /// Whether a file name counts as media, by the Extensions option.
    bool IsMedia(const QString& name) const;

    TSettingsModule& FSettings;
    std::unique_ptr<TMyPlayer> FPlayer;
    TPathList FFiles;
    int FCurrent = 0;
    bool FBusy = false;
    quint64 FPlaySerial = 0;
    int FTicksSinceSave = 0;
    // The last state the control reported, to tell a stop of its own from the end of a file.
    int FLastState = psUndefined;
    bool FAdvancePending = false;
    QString FPreviousTitleTag;
    // From a start until the first tick after its first sound: the listener waits for nothing on
    // disk, and a crash before it leaves the last run's session whole.
    bool FSaveAtFirstSound = false;
    bool FSearching = false;                // the list is still being found: its end is not the end
    std::optional<bool> FEndAwaitingSearch; // the list ran out while searching; forget the track left
    std::function<int()> FSelected;
    QTimer* Timer = nullptr;

    TBookShelf FShelf;
    std::pair<bool, bool> FBookReading{true, true}; // what the book playing was opened with
    std::unique_ptr<TSessionRecord> FSession;
    std::unique_ptr<TBookmarkStore> FBookmarks;
    TJumpHistory FJumps;

    std::unique_ptr<TListeningClock> FListeningClock;
    std::unique_ptr<TSpeedConfigs> FSpeedConfigs;
    std::unique_ptr<TSpeedMemory> FSpeedMemory;
    TSleepTimer* FSleepTimer = nullptr;
    TResumeRewind* FResumeRewind = nullptr;
    QTimer* FSleepTick = nullptr;
    std::unique_ptr<TVolume> FVolume;
};
