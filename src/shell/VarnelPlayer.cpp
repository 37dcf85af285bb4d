#include "shell/VarnelPlayer.h"

#include "book/BookGuide.h"
#include "config/BookmarkStore.h"
#include "config/SessionRecord.h"
#include "config/SettingsModule.h"
#include "config/SpeedConfigs.h"
#include "formats/MediaLength.h"
#include "listening/ListeningClock.h"
#include "listening/ResumeRewind.h"
#include "listening/SleepTimer.h"
#include "listening/SpeedMemory.h"
#include "playlist/TrackListModel.h"
#include "return/JumpHistory.h"
#include "shell/AccessibleWindow.h"
#include "shell/SpokenNotice.h"
#include "shell/TempoEdit.h"
#include "shell/TrackListView.h"
#include "texts/Texts.h"
#include "ui/Donation.h"
#include "util/Platform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>

#include <functional>
#include <utility>

namespace {
class AdvanceEvent : public QEvent {
public:
    explicit AdvanceEvent(quint64 serial)
        : QEvent(static_cast<QEvent::Type>(TVarnelPlayer::WM_PLAYNEXT)), FSerial(serial) {}
    const quint64 FSerial;
};

class AccessibilityObserver : public QAccessible::ActivationObserver {
public:
    explicit AccessibilityObserver(std::function<void()> turnedOn) : FTurnedOn(std::move(turnedOn)) {
        QAccessible::installActivationObserver(this);
    }
    ~AccessibilityObserver() override { QAccessible::removeActivationObserver(this); }
    AccessibilityObserver(const AccessibilityObserver&) = delete;
    AccessibilityObserver& operator=(const AccessibilityObserver&) = delete;

    void accessibilityActiveChanged(bool active) override {
        if (active)
            FTurnedOn();
    }

private:
    std::function<void()> FTurnedOn;
};

QFont LayoutFont(int pixelSize) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    return font;
}
} // namespace

TVarnelPlayer::TVarnelPlayer(SettingsModule& settings, std::unique_ptr<MediaControl> control, QWidget* parent,
                             TTrackLengths::Reader lengthReader)
    : QWidget(parent), FSettings(settings) {
    // Before anything asks for the window's accessible face, which Qt keeps once made.
    InstallMainWindowAccessibility();
    BuildLayout();
    FPlayer = std::make_unique<TMyPlayer>(std::move(control), settings.MediaConfigs(),
                                          [] { Platform::Current().Beep(); });
    FPlayer->OnStateChange(this, [this](int newState) { PlayChange(newState); });
    // A title that comes after the file plays is shown, and said, at once: not a second later.
    FPlayer->OnTagsChange(this, [this] {
        if (!FBusy && !FAdvancePending)
            RefreshDisplay();
    });
    FLengths = new TTrackLengths(lengthReader ? std::move(lengthReader) : ReadMediaLength, this);
    // Read once a track is heard, so that the disk is the first track's until then.
    FPlayer->OnStateChange(this, [this](int newState) {
        if (newState == psPlaying)
            FLengths->Want(FFiles);
    });
    FBook = std::make_unique<TBookGuide>(*FPlayer, *FLengths, FFiles, FCurrent, settings.Language());
    FSession = std::make_unique<TSessionRecord>(settings.MediaConfigs());
    FBookmarks = std::make_unique<TBookmarkStore>(settings.MediaConfigs());
    FJumps = std::make_unique<TJumpHistory>();
    BuildListening();
    // Queued, as the activation handlers run from the message queue after the change of foreground.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, &TVarnelPlayer::ApplicationStateChanged,
            Qt::QueuedConnection);
    RefreshDisplay();
    FAccessibilityObserver = std::make_unique<AccessibilityObserver>(
        [this] { QTimer::singleShot(0, this, &TVarnelPlayer::AccessibilityTurnedOn); });
    DonationReminder(settings.GeneralConfigs(), settings.Language(), this);
}

TVarnelPlayer::~TVarnelPlayer() {
    FAccessibilityObserver.reset();
    Timer->stop();
    FSleepTick->stop();
    FFiles.clear();
    FModel->Reset();
    FBook.reset();
    FPlayer.reset();
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

    FModel = new TrackListModel(&FFiles, this);
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

    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setInterval(1000);
    connect(Timer, &QTimer::timeout, this, &TVarnelPlayer::TimerTic);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

bool TVarnelPlayer::TimerActive() const {
    return Timer->isActive();
}

QString TVarnelPlayer::CurrentFile() const {
    return FFiles.value(FCurrent);
}

void TVarnelPlayer::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    raise();
    activateWindow();
}

void TVarnelPlayer::closeEvent(QCloseEvent* e) {
    NoteSessionPlace();
    FPlayer->RememberPosition(CurrentFile());
    Timer->stop();
    e->accept();
}

// ---- Display

void TVarnelPlayer::RefreshDisplay() {
    QString t = FPlayer->PositionText();
    const int state = FPlayer->State();
    bool idle = false;
    if (state == psPaused) {
        ShowTrackName();
        Status->showMessage(FPlayer->DurationText());
        t += Text(TextId::PauseSuffix, FSettings.Language());
    } else if (IsPlayingState(state)) {
        ShowTrackName();
        Status->showMessage(FPlayer->DurationText());
    } else if (state == psTransitioning) {
        // The next file is opening: its name already, not the idle look, so that a screen reader
        // hears one title between two tracks. Its length is not known yet.
        ShowTrackName();
        Status->showMessage(FPlayer->Duration() > 0 ? FPlayer->DurationText() : QString());
    } else {
        SetTitle(QString::fromUtf8(kIdleTitle), QString::fromUtf8(kIdleTitle));
        Status->showMessage(QString::fromUtf8(kProductWebAddress));
        t = Text(TextId::IdleTime, FSettings.Language());
        idle = true;
    }
    SetTimeText(t, idle);
    emit DisplayRefreshed();
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
        FTitleNotice->Say(WithUnsaidSpeed(spoken));
}

void TVarnelPlayer::SetTimeText(const QString& t, bool idle) {
    // Line reading skips a text without letters or digits, so "-" alone would never be heard.
    const QString spoken = idle ? Text(TextId::StoppedSpoken, FSettings.Language()) : QString();
    if (Tempo->accessibleName() != spoken)
        Tempo->setAccessibleName(spoken);
    Tempo->setText(t);
    Tempo->setCursorPosition(0);
}

void TVarnelPlayer::TimerTic() {
    RefreshDisplay();
    if (++FTicksSinceSave >= kSaveEveryTicks)
        RememberPosition();
}

void TVarnelPlayer::RememberPosition() {
    NoteSessionPlace();
    FPlayer->RememberPosition(CurrentFile());
    SaveResume();
}

void TVarnelPlayer::SaveResume() {
    FTicksSinceSave = 0;
    try {
        FSettings.MediaConfigs().SaveToDisk();
    } catch (...) {
    }
}

void TVarnelPlayer::OutputLost() {
    Timer->stop();
    FPlayer->RememberPositionReached(CurrentFile());
    SaveResume();
}

void TVarnelPlayer::SpeakSpeed() {
    if (isActiveWindow())
        FNotice->Say(
            SpeedSpokenText(FPlayer->GetRate(), FSettings.Language(), Platform::Current().RegionalLocale()));
}

void TVarnelPlayer::SpeakVolume() {
    if (isActiveWindow())
        FNotice->Say(VolumeSpokenText(FPlayer->GetVolume(), FSettings.Language()));
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

void TVarnelPlayer::PlayChange(int newState) {
    const int previous = std::exchange(FLastState, newState);
    if (FBusy)
        return;
    // From the end of a track the texts stay until the advance shows the next track or the idle look:
    // the idle title must not be spoken between two tracks.
    if (newState == psMediaEnded) {
        FAdvancePending = true;
        QCoreApplication::postEvent(this, new AdvanceEvent(FPlaySerial));
        return;
    }
    if (newState == psStopped && IsActiveState(previous))
        OutputLost();
    if (FAdvancePending && !IsActiveState(newState))
        return;
    RefreshDisplay();
}

bool TVarnelPlayer::event(QEvent* e) {
    if (e->type() != static_cast<QEvent::Type>(WM_PLAYNEXT))
        return QWidget::event(e);
    FAdvancePending = false;
    if (static_cast<AdvanceEvent*>(e)->FSerial != FPlaySerial)
        return true;
    // A file that could not be opened or read is skipped, but it is still there: keep its position.
    const bool failed = FPlayer->EndedByFailure();
    if (!failed && FSleepTimer->TakeTrackEnd()) {
        PauseAtTrackEnd();
        return true;
    }
    FAutoNext = true;
    Advance(!failed);
    FAutoNext = false;
    return true;
}

// ---- Background volume

void TVarnelPlayer::ApplicationStateChanged(Qt::ApplicationState state) {
    const bool background = state != Qt::ApplicationActive;
    if (background == FInBackground)
        return;
    if (background)
        AppDeactivate();
    else
        AppActivate();
}

void TVarnelPlayer::AppDeactivate() {
    FInBackground = true;
    // Through the sleep timer, whose fade holds the volume down below the listener's.
    const int v = FSleepTimer->Volume();
    FSavedVolume = v;
    const int d = FSettings.GeneralConfigs().DeactivatedVolume();
    if (v > d)
        FSleepTimer->SetVolume(d);
}

void TVarnelPlayer::AppActivate() {
    FInBackground = false;
    FSleepTimer->SetVolume(FSavedVolume);
}

void TVarnelPlayer::SetVolumeFromDesktop(int volume) {
    FSleepTimer->SetVolume(volume);
    if (FInBackground)
        FSavedVolume = volume;
}

void TVarnelPlayer::ReportFailure(const char* what) {
    QMessageBox::critical(this, QString::fromLatin1(kProductName), QString::fromLocal8Bit(what));
}
