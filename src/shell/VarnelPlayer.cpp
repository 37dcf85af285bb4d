#include "shell/VarnelPlayer.h"

#include "config/SettingsModule.h"
#include "playlist/TrackListModel.h"
#include "shell/AccessibleCurrentItem.h"
#include "shell/TempoEdit.h"
#include "ui/Donation.h"
#include "ui/Texts.h"
#include "util/Platform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>

#include <cmath>
#include <stdexcept>
#include <utility>

namespace {
class AdvanceEvent : public QEvent {
public:
    explicit AdvanceEvent(quint64 serial)
        : QEvent(static_cast<QEvent::Type>(TVarnelPlayer::WM_PLAYNEXT)), serial(serial) {}
    const quint64 serial;
};

QFont LayoutFont(int pixelSize) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    return font;
}
}  // namespace

TVarnelPlayer::TVarnelPlayer(SettingsModule& settings, std::unique_ptr<MediaControl> control, QWidget* parent)
    : QWidget(parent), FSettings(settings) {
    BuildLayout();
    FPlayer = std::make_unique<TMyPlayer>(std::move(control), settings.MediaConfigs(),
                                          [] { Platform::Current().Beep(); });
    connect(&FPlayer->Control(), &MediaControl::PlayStateChange, this, &TVarnelPlayer::PlayChange);
    // Queued, as the activation handlers run from the message queue after the change of foreground.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, &TVarnelPlayer::ApplicationStateChanged,
            Qt::QueuedConnection);
    RefreshDisplay();
    DonationReminder(settings.GeneralConfigs(), settings.Language(), this);
}

TVarnelPlayer::~TVarnelPlayer() {
    Timer->stop();
    FFiles.clear();
    FModel->Reset();
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
    Lista = new QTreeView(this);
    Lista->setObjectName(QStringLiteral("Lista"));
    Lista->setGeometry(10, 50, 280, 125);
    Lista->setModel(FModel);
    Lista->setHeaderHidden(true);
    Lista->setRootIsDecorated(false);
    Lista->setItemsExpandable(false);
    Lista->setUniformRowHeights(true);  // keeps a list of 100,000 tracks instant
    Lista->setSelectionMode(QAbstractItemView::SingleSelection);
    Lista->setSelectionBehavior(QAbstractItemView::SelectRows);
    Lista->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Lista->header()->setStretchLastSection(true);
    Lista->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // the path column is elided instead
    Lista->setColumnWidth(0, 180);
    Lista->installEventFilter(this);
    AnnounceCurrentItemOnFocus(Lista);
    connect(Lista, &QTreeView::doubleClicked, this, [this] { ListaDblClick(); });

    Status = new QStatusBar(this);
    Status->setObjectName(QStringLiteral("Status"));
    Status->setGeometry(0, 181, 300, 19);
    Status->setSizeGripEnabled(false);

    setTabOrder(Tempo, Lista);
    Tempo->setFocus();

    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setInterval(1000);
    connect(Timer, &QTimer::timeout, this, &TVarnelPlayer::TimerTic);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

bool TVarnelPlayer::TimerActive() const { return Timer->isActive(); }

const QString& TVarnelPlayer::CurrentFile() const {
    if (FCurrent < 0 || FCurrent >= FFiles.size())
        throw std::out_of_range("list index out of bounds");
    return FFiles.at(FCurrent);
}

void TVarnelPlayer::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    raise();
    activateWindow();
}

void TVarnelPlayer::closeEvent(QCloseEvent* e) {
    try {
        if (FPlayer->IsActive())
            FSettings.MediaConfigs().SetResumeTime(CurrentFile(), FPlayer->Control().CurrentPosition());
    } catch (...) {
    }
    Timer->stop();
    e->accept();
}

// ---- Display

void TVarnelPlayer::RefreshDisplay() {
    try {
        QString t = FPlayer->PositionText();
        const int state = FPlayer->Control().PlayState();
        QString title;
        if (state == psPaused) {
            title = FPlayer->Control().MediaName();
            setWindowTitle(title);
            Status->showMessage(FPlayer->DurationText());
            t += Text(TextId::PauseSuffix, FSettings.Language());
        } else if (state >= psPlaying && state <= psScanReverse) {
            title = FPlayer->Control().MediaName();
            setWindowTitle(title);
            Status->showMessage(FPlayer->DurationText());
        } else {
            setWindowTitle(QString::fromUtf8(IdleTitle));
            Status->showMessage(QString::fromUtf8(ProductWebAddress));
            t = Text(TextId::IdleTime, FSettings.Language());
        }
        SetTimeText(t);
    } catch (...) {
    }
    emit DisplayRefreshed();
}

void TVarnelPlayer::SetTimeText(const QString& t) {
    Tempo->setText(t);
    Tempo->setCursorPosition(0);
}

void TVarnelPlayer::TimerTic() {
    RefreshDisplay();
    if (++FTicksSinceSave >= SaveEveryTicks)
        RememberPosition();
}

void TVarnelPlayer::RememberPosition() {
    try {
        if (FPlayer->IsActive())
            FSettings.MediaConfigs().SetResumeTime(CurrentFile(), FPlayer->Control().CurrentPosition());
    } catch (...) {
    }
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
    try {
        // A control that could not keep the position says 0: the one remembered last is better.
        const double reached = FPlayer->Control().CurrentPosition();
        if (std::isfinite(reached) && reached > 0)
            FSettings.MediaConfigs().SetResumeTime(CurrentFile(), reached);
    } catch (...) {
    }
    SaveResume();
}

void TVarnelPlayer::PlayChange(int newState) {
    const int previous = std::exchange(FLastState, newState);
    if (FBusy)
        return;
    if (newState == psMediaEnded)
        QCoreApplication::postEvent(this, new AdvanceEvent(FPlaySerial));
    else if (newState == psStopped && previous >= psPaused && previous <= psScanReverse)
        OutputLost();
    RefreshDisplay();
}

bool TVarnelPlayer::event(QEvent* e) {
    if (e->type() != static_cast<QEvent::Type>(WM_PLAYNEXT))
        return QWidget::event(e);
    if (static_cast<AdvanceEvent*>(e)->serial != FPlaySerial)
        return true;
    // A file that could not be opened or read is skipped, but it is still there: keep its position.
    bool failed = false;
    try {
        failed = FPlayer->Control().EndedByFailure();
    } catch (...) {
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
    try {
        const int v = FPlayer->GetVolume();
        FSavedVolume = v;
        const int d = FSettings.GeneralConfigs().DeactivatedVolume();
        if (v > d)
            FPlayer->SetVolume(d);
    } catch (...) {
    }
}

void TVarnelPlayer::AppActivate() {
    FInBackground = false;
    try {
        FPlayer->SetVolume(FSavedVolume);
    } catch (...) {
    }
}

void TVarnelPlayer::SetVolumeFromDesktop(int volume) {
    FPlayer->SetVolume(volume);
    if (FInBackground)
        FSavedVolume = volume;
}

void TVarnelPlayer::ReportFailure(const char* what) {
    QMessageBox::critical(this, QString::fromLatin1(ProductName), QString::fromLocal8Bit(what));
}
