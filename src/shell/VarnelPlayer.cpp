#include "shell/VarnelPlayer.h"

#include "book/BookGuide.h"
#include "config/GeneralConfigs.h"
#include "config/SettingsModule.h"
#include "formats/MediaLength.h"
#include "playlist/TrackListModel.h"
#include "playlist/TrackName.h"
#include "shell/AccessibilityWatch.h"
#include "shell/AccessibleWindow.h"
#include "shell/JumpDialog.h"
#include "shell/SpokenNotice.h"
#include "shell/TempoEdit.h"
#include "shell/TrackListView.h"
#include "talkingbook/TalkingBookGuide.h"
#include "texts/BookTexts.h"
#include "texts/ListeningTexts.h"
#include "texts/ReturnTexts.h"
#include "texts/Texts.h"
#include "ui/Donation.h"
#include "ui/PlacesDialog.h"
#include "ui/VarnelHelp.h"
#include "ui/VarnelOptions.h"
#include "util/Platform.h"
#include "util/Rounding.h"
#include "util/TimeText.h"
#include "util/VkCodes.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>

#include <cmath>
#include <exception>
#include <functional>
#include <utility>

namespace {
QFont LayoutFont(int pixelSize) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    return font;
}

// A seek may land a hair from where it was asked: less than this is no move.
constexpr double kLeastChapterMove = 0.25;
} // namespace

TVarnelPlayer::TVarnelPlayer(TSettingsModule& settings, std::unique_ptr<MediaControl> control,
                             QWidget* parent, TTrackLengths::Reader lengthReader)
    : QWidget(parent), FSettings(settings) {
    // Before anything asks for the window's accessible face, which Qt keeps once made.
    InstallMainWindowAccessibility();
    FCore = new TPlayerCore(settings, std::move(control), this);
    BuildLayout();
    // A talking book's length is its book's, read from its navigation like the book itself.
    FLengths = new TTrackLengths(
        [reader = lengthReader ? std::move(lengthReader) : ReadMediaLength](const QString& path) {
            return IsBookEntry(path) ? BookLength(path) : reader(path);
        },
        this);
    FBook = std::make_unique<TBookGuide>(*FCore, *FLengths, settings.Language());
    FTalking = std::make_unique<TTalkingBookGuide>(*FCore, settings.GeneralConfigs(), settings.Language());
    ConnectCore();
    // Queued, as the activation handlers run from the message queue after the change of foreground.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, &TVarnelPlayer::ApplicationStateChanged,
            Qt::QueuedConnection);
    RefreshDisplay();
    FAccessibilityObserver = std::make_unique<TAccessibilityWatch>(
        [this] { QTimer::singleShot(0, this, &TVarnelPlayer::AccessibilityTurnedOn); });
    DonationReminder(settings.GeneralConfigs(), settings.Language(), this);
}

TVarnelPlayer::~TVarnelPlayer() {
    FAccessibilityObserver.reset();
    // The core's signals must not reach a window half torn down.
    disconnect(FCore, nullptr, this, nullptr);
    Lista->setModel(nullptr);
    FTalking.reset();
    FBook.reset();
    delete FCore;
}

void TVarnelPlayer::BuildLayout() {
    setObjectName(QStringLiteral("VarnelPlayer"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Varnel Player"));
    setFont(LayoutFont(11));
    setFixedSize(300, 200);

    Tempo = new TTempoEdit(this);
    Tempo->setObjectName(QStringLiteral("Tempo"));
    Tempo->setGeometry(10, 10, 280, 30);
    Tempo->setFont(LayoutFont(19));
    Tempo->installEventFilter(this);

    FModel = new TTrackListModel(&FCore->Files(), this,
                                 [this](const QString& path) { return FCore->ListedTitle(path); });
    Lista = new TTrackListView(this);
    Lista->setObjectName(QStringLiteral("Lista"));
    Lista->setGeometry(10, 50, 280, 125);
    Lista->setModel(FModel);
    Lista->setHeaderHidden(true);
    Lista->setRootIsDecorated(false);
    Lista->setItemsExpandable(false);
    Lista->setUniformRowHeights(true); // keeps a list of 100,000 tracks instant
    Lista->setSelectionMode(QAbstractItemView::SingleSelection);
    Lista->setSelectionBehavior(QAbstractItemView::SelectRows);
    Lista->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Lista->header()->setStretchLastSection(true);
    Lista->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff); // the path column is elided instead
    Lista->setColumnWidth(0, 180);
    Lista->installEventFilter(this);
    connect(Lista, &QTreeView::doubleClicked, this, [this] { ListaDblClick(); });

    Status = new QStatusBar(this);
    Status->setObjectName(QStringLiteral("Status"));
    Status->setGeometry(0, 181, 300, 19);
    Status->setSizeGripEnabled(false);
    FNotice = new TSpokenNotice(Status);
    FNotice->setObjectName(QStringLiteral("StepNotice"));
    FTitleNotice = new TSpokenNotice(Status);
    FTitleNotice->setObjectName(QStringLiteral("TitleNotice"));

    setTabOrder(Tempo, Lista);
    Tempo->setFocus();

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TVarnelPlayer::ConnectCore() {
    FCore->SetSelection([this] { return SelectedIndex(); });
    connect(FCore, &TPlayerCore::DisplayChanged, this, &TVarnelPlayer::RefreshDisplay);
    connect(FCore, &TPlayerCore::TrackStarted, this, &TVarnelPlayer::TrackStarted);
    connect(FCore, &TPlayerCore::CurrentMoved, this, &TVarnelPlayer::SelectCurrent);
    // The lengths of a book's audio files tell whether its clips lie inside them.
    connect(FLengths, &TTrackLengths::LengthRead, this, [this](const QString& path) {
        const QString problem = FTalking->AudioLengthRead(path, FLengths->Length(path).value_or(0.0));
        if (!problem.isEmpty() && isActiveWindow())
            FNotice->Say(problem);
    });
    connect(FCore, &TPlayerCore::ListChanged, this, [this] {
        FModel->Reset();
        if (FCore->Player().State() == psPlaying)
            FLengths->Want(FCore->Files()); // a shared copy: the reading is the worker's
    });
    // Read once a track is heard, so that the disk is the first track's until then.
    connect(FCore, &TPlayerCore::StateChanged, this, [this](int state) {
        if (state != psPlaying)
            return;
        // A book's own files first: a clip past the end of one is worth saying soon.
        if (const QStringList audio = FTalking->AudioFiles(); !audio.isEmpty())
            FLengths->Want(audio);
        FLengths->Want(FCore->Files());
    });
}

void TVarnelPlayer::LoadCommandLine(const QStringList& arguments) {
    FCore->LoadCommandLine(arguments);
}

void TVarnelPlayer::LoadCommandLine(const QStringList& arguments, QStringList found) {
    FCore->LoadCommandLine(arguments, std::move(found));
}

void TVarnelPlayer::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    raise();
    activateWindow();
}

void TVarnelPlayer::closeEvent(QCloseEvent* e) {
    FCore->Leave();
    e->accept();
}

// ---- What the window shows and says

void TVarnelPlayer::RefreshDisplay() {
    TMyPlayer& player = FCore->Player();
    QString t = player.PositionText();
    const int state = player.State();
    bool idle = false;
    if (state == psPaused) {
        ShowTrackName();
        Status->showMessage(player.DurationText());
        t += Text(TextId::PauseSuffix, FSettings.Language());
    } else if (IsPlayingState(state)) {
        ShowTrackName();
        Status->showMessage(player.DurationText());
    } else if (state == psTransitioning) {
        // The next file is opening: its name already, not the idle look, so that a screen reader
        // hears one title between two tracks. Its length is not known yet.
        ShowTrackName();
        Status->showMessage(player.Duration() > 0 ? player.DurationText() : QString());
    } else {
        SetTitle(QString::fromUtf8(kIdleTitle), QString::fromUtf8(kIdleTitle));
        Status->showMessage(QString::fromUtf8(kProductWebAddress));
        t = Text(TextId::IdleTime, FSettings.Language());
        idle = true;
    }
    SetTimeText(t, idle);
    emit DisplayRefreshed();
}

void TVarnelPlayer::TrackStarted(bool speedChanged) {
    FSpeedUnsaid = speedChanged;
    FBookProblemUnsaid = FTalking->TrackStarted();
    SelectCurrent();
    RefreshDisplay();
    // Not carried by the title (the same title, or the window not in front then): said alone.
    if (std::exchange(FSpeedUnsaid, false))
        SpeakSpeed();
    const QString problem = std::exchange(FBookProblemUnsaid, QString());
    if (!problem.isEmpty() && isActiveWindow())
        FNotice->Say(problem);
}

void TVarnelPlayer::SelectCurrent() {
    QItemSelectionModel* selection = Lista->selectionModel();
    selection->clearSelection();
    const QModelIndex index = FModel->index(FCore->Current(), 0);
    if (!index.isValid())
        return;
    selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    Lista->scrollTo(index, QAbstractItemView::EnsureVisible);
}

int TVarnelPlayer::SelectedIndex() const {
    const QModelIndexList rows = Lista->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TVarnelPlayer::ShowTrackName() {
    const TrackName name{FCore->Player().Tags().title, FCore->CurrentFile(), FCore->Current(),
                         static_cast<int>(FCore->Files().size()), FCore->PreviousTitleTag()};
    SetTitle(name.Title(), name.Spoken(FSettings.Language()));
}

void TVarnelPlayer::SetTitle(const QString& title, const QString& spoken) {
    if (windowTitle() != title)
        setWindowTitle(title);
    if (FSpokenTitle == spoken)
        return;
    FSpokenTitle = spoken;
    // A screen reader speaks the new title of the window in front, which is how a new track is heard;
    // Qt's own report of it is one the reader cannot read, so the title is said as a notice.
    if (isActiveWindow())
        FTitleNotice->Say(WithUnsaid(spoken));
}

void TVarnelPlayer::SetTimeText(const QString& t, bool idle) {
    // Line reading skips a text without letters or digits, so "-" alone would never be heard.
    const QString spoken = idle ? Text(TextId::StoppedSpoken, FSettings.Language()) : QString();
    Tempo->ShowTime(t, spoken);
}

QString TVarnelPlayer::WithUnsaid(const QString& title) {
    QString said = title;
    if (std::exchange(FSpeedUnsaid, false))
        said += QStringLiteral(", ") + SpeedSpokenText(FCore->Player().GetRate(), FSettings.Language(),
                                                       Platform::Current().RegionalLocale());
    const QString problem = std::exchange(FBookProblemUnsaid, QString());
    if (!problem.isEmpty())
        said += QStringLiteral(". ") + problem;
    return said;
}

void TVarnelPlayer::SpeakSpeed() {
    if (isActiveWindow())
        FNotice->Say(SpeedSpokenText(FCore->Player().GetRate(), FSettings.Language(),
                                     Platform::Current().RegionalLocale()));
}

void TVarnelPlayer::SpeakVolume() {
    if (isActiveWindow())
        FNotice->Say(VolumeSpokenText(FCore->Player().GetVolume(), FSettings.Language()));
}

void TVarnelPlayer::AccessibilityTurnedOn() {
    if (!isActiveWindow())
        return;
    QAccessible::State active;
    active.active = true;
    QAccessibleStateChangeEvent activation(this, active);
    QAccessible::updateAccessibility(&activation);
    if (QWidget* focused = focusWidget()) {
        QAccessibleEvent focus(focused, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
}

void TVarnelPlayer::ApplicationStateChanged(Qt::ApplicationState state) {
    const bool background = state != Qt::ApplicationActive;
    if (background == FCore->InBackground())
        return;
    if (background)
        FCore->AppDeactivate();
    else
        FCore->AppActivate();
}

void TVarnelPlayer::ReportFailure(const char* what) {
    QMessageBox::critical(this, QString::fromLatin1(kProductName), QString::fromLocal8Bit(what));
}

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
    const TM3GeneralConfigs& options = FSettings.GeneralConfigs();
    const bool pages = options.ReadPageNumbers();
    const bool notes = options.ReadNotes();
    {
        const TPlayerCore::ModalPause pause(*FCore);
        TVarnelOptions(FSettings.GeneralConfigs(), FSettings.Language(), this).exec();
    }
    // Once the pause is over, so that the book goes on playing, or paused, as it would have.
    if (pages != options.ReadPageNumbers() || notes != options.ReadNotes())
        FCore->ReopenBook();
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
