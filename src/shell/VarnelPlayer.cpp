#include "shell/VarnelPlayer.h"

#include "book/BookGuide.h"
#include "config/GeneralConfigs.h"
#include "config/SettingsModule.h"
#include "formats/MediaLength.h"
#include "playlist/TrackListModel.h"
#include "playlist/TrackName.h"
#include "shell/AccessibilityWatch.h"
#include "shell/AccessibleWindow.h"
#include "shell/SpokenNotice.h"
#include "shell/TempoEdit.h"
#include "shell/TrackListView.h"
#include "talkingbook/TalkingBookGuide.h"
#include "texts/ListeningTexts.h"
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

#include <algorithm>
#include <functional>
#include <utility>

namespace {
QFont LayoutFont(int pixelSize) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    return font;
}
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
    // Rows added below the others: the listener's place in the list, and what the screen reader
    // says of it, stay as they were.
    connect(FCore, &TPlayerCore::ListAboutToGrow, FModel, &TTrackListModel::BeginAppend);
    connect(FCore, &TPlayerCore::ListGrew, this, [this] {
        FModel->EndAppend();
        if (FCore->Player().State() == psPlaying)
            AskLengthsOfFoundRows();
    });
    connect(FLengths, &TTrackLengths::AllRead, this, &TVarnelPlayer::AskLengthsOfFoundRows);
    connect(FCore, &TPlayerCore::ListChanged, this, [this] {
        FModel->Reset();
        FLengthsAskedUpTo = FCore->Files().size();
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
        FLengthsAskedUpTo = FCore->Files().size();
    });
}

void TVarnelPlayer::AskLengthsOfFoundRows() {
    // Rows found after the start are asked for a few at a time, once the reader has read what it was
    // asked before. A copy of a large tree's rows would wait there for the minutes the reading takes,
    // and the whole list again at every batch would make each append copy the list.
    constexpr qsizetype kRowsAskedAtOnce = 256;
    const TPathList& files = FCore->Files();
    if (!FLengths->Settled() || FLengthsAskedUpTo >= files.size())
        return;
    const qsizetype count = std::min(kRowsAskedAtOnce, files.size() - FLengthsAskedUpTo);
    FLengths->Want(files.mid(FLengthsAskedUpTo, count));
    FLengthsAskedUpTo += count;
}

void TVarnelPlayer::LoadCommandLine(const QStringList& arguments) {
    FCore->LoadCommandLine(arguments);
}

void TVarnelPlayer::LoadCommandLine(const QStringList& arguments, TPathList found, bool searching) {
    FCore->LoadCommandLine(arguments, std::move(found), searching);
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
