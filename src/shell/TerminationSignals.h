#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

class QSocketNotifier;

/// Turns SIGTERM, SIGHUP and SIGINT into a Qt signal on the UI thread, so that a logout or a kill
/// closes the main window as its close button would and nothing remembered is lost.
class TTerminationSignals : public QObject {
    Q_OBJECT
public:
    /// Installs the handlers; without them (socketpair failed) the default actions stay. Needs the
    /// application object, and must exist before the first modal window can show.
    explicit TTerminationSignals(QObject* parent = nullptr);
    /// Puts the default actions back: a further signal then ends the process at once.
    ~TTerminationSignals() override;

    /// The window to close on a signal. A signal that came before it existed is only noted.
    void SetMainWindow(QWidget* window) { FWindow = window; }
    /// Whether a termination signal has arrived.
    bool Requested() const { return FRequested; }

    /// A reader that went away (`varnel ... | head`) must not kill the player with the position
    /// it holds: writes to it fail with EPIPE instead.
    static void IgnoreBrokenPipe();
    /// Ends every modal run (message boxes, dialogs) as a refusal, innermost first, so the nested
    /// loops unwind and the main loop can see the main window close.
    static void CloseModalWindows();

signals:
    void Received(int signalNumber);

private:
    void ReadSignal();

    QSocketNotifier* FNotifier = nullptr;
    QPointer<QWidget> FWindow;
    bool FRequested = false;
};

/// Ends the process with status 0 unless destroyed within limit: for a shutdown whose saving is done
/// and whose remaining teardown might never return.
class TTeardownWatchdog {
public:
    explicit TTeardownWatchdog(std::chrono::milliseconds limit);
    ~TTeardownWatchdog();
    TTeardownWatchdog(const TTeardownWatchdog&) = delete;
    TTeardownWatchdog& operator=(const TTeardownWatchdog&) = delete;

private:
    std::mutex FMutex;
    std::condition_variable FDone;
    bool FFinished = false;
    std::thread FThread;
};
