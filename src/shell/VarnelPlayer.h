#pragma once

#include "book/TrackLengths.h"
#include "playback/PlayerCore.h"

#include <QAccessible>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class QStatusBar;
class QTimer;
class QTreeView;
class TSettingsModule;
class TBookGuide;
class TTalkingBookGuide;
class TSpokenNotice;
class TTempoEdit;
class TTrackListModel;

/// The main window: the time field, the track list and the status bar. It routes the keys to the
/// player core, shows what plays and says the answers of the keys; the list and every move
/// through it belong to the core.
class TVarnelPlayer : public QWidget {
    Q_OBJECT
public:
    /// Builds the window around control; shows the idle texts and, when due, the donation reminder.
    /// lengthReader reads the lengths of the tracks in the list, in the background.
    TVarnelPlayer(TSettingsModule& settings, std::unique_ptr<MediaControl> control, QWidget* parent = nullptr,
                  TTrackLengths::Reader lengthReader = nullptr);
    ~TVarnelPlayer() override;

    /// Turns the program's arguments into the track list and starts the first track.
    void LoadCommandLine(const QStringList& arguments);
    /// The same with the arguments' media files already found (TPlayerCore::LoadCommandLine).
    void LoadCommandLine(const QStringList& arguments, TPathList found, bool searching = false);
    /// Shows the core's state: title, time field, status bar; then DisplayRefreshed.
    void RefreshDisplay();
    /// Runs the options dialog, playback paused meanwhile.
    void ShowOptions();
    /// A double click on a row plays it; the track left keeps its position.
    void ListaDblClick();

    TPlayerCore& Core() { return *FCore; }
    const TPlayerCore& Core() const { return *FCore; }

signals:
    /// After every display refresh; desktop integration follows the player through it.
    void DisplayRefreshed();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    struct KeyCommand;
    enum class Field { Any, Tempo, Lista };

    void BuildLayout();
    void ConnectCore();
    void AskLengthsOfFoundRows();
    void TrackStarted(bool speedChanged);
    void SelectCurrent();
    int SelectedIndex() const;
    /// The playing track's name as the title, and as said when it differs from the one said last.
    void ShowTrackName();
    void SetTitle(const QString& title, const QString& spoken);
    void SetTimeText(const QString& t, bool idle);
    /// When the screen reader's link comes up after the window is already in front, the window and its
    /// focused field are announced again: the first announcements went nowhere.
    void AccessibilityTurnedOn();
    void ApplicationStateChanged(Qt::ApplicationState state);

    /// The key table's command for key in field; false when the key is not the program's.
    bool RunKey(int key, int shift, Field field);
    /// The play keys of the idle window of an empty list, which restore the last session.
    static bool IsRestoreKey(int key, int shift);
    void RestoreSession();
    void StepVolume(bool up);
    void StepSpeed(bool faster);
    /// A chapter or time-left key: the command, then what it says, once.
    void BookKey(const std::function<QString()>& command);
    /// F7 or F6: by the book's unit in a talking book, else by chapter.
    void MoveKey(bool next);
    /// The unit a talking book's moves use, said once.
    void CycleBookUnit(bool forward);
    /// Goes to a page of a talking book typed in a one-line dialog.
    void GoToPage();
    void JumpToPosition();
    void ShowKeyHelp(const QString& context);
    void ShowPlaces();
    void AddBookmark();
    void GoBack();
    void CycleSleepTimer();
    void Escape();
    void SpeakSpeed();
    void SpeakVolume();
    /// The title to say, with the speed a new track changed to and what is wrong with a new book,
    /// when not said yet.
    QString WithUnsaid(const QString& title);
    /// The framework's default report of a failure no command caught: a message box with its text.
    void ReportFailure(const char* what);

    TSettingsModule& FSettings;
    TPlayerCore* FCore = nullptr;
    TTrackLengths* FLengths = nullptr;
    qsizetype FLengthsAskedUpTo = 0; // the rows before it were asked of FLengths
    std::unique_ptr<TBookGuide> FBook;
    std::unique_ptr<TTalkingBookGuide> FTalking;
    // The name said last: tracks that share a title tag are told apart by ear.
    QString FSpokenTitle;
    // A speed a new track changed to, until said: with the title, since a reader speaks only one of
    // two notices that come at once.
    bool FSpeedUnsaid = false;
    // What is wrong with a book just opened, until said: with its title, for the same reason.
    QString FBookProblemUnsaid;

    TTempoEdit* Tempo = nullptr;
    QTreeView* Lista = nullptr;
    TTrackListModel* FModel = nullptr;
    QStatusBar* Status = nullptr;
    TSpokenNotice* FNotice = nullptr;      // the answers of the keys
    TSpokenNotice* FTitleNotice = nullptr; // the window title
    std::unique_ptr<QAccessible::ActivationObserver> FAccessibilityObserver;
};
