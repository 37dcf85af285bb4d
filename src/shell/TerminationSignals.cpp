#include "shell/TerminationSignals.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// A signal handler may only write to a descriptor; the notifier reads it on the UI thread.
int signalPipe[2] = {-1, -1};

void OnSignal(int number) {
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
}

constexpr int kHandledSignals[] = {SIGTERM, SIGHUP, SIGINT};
} // namespace

TTerminationSignals::TTerminationSignals(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    ::fcntl(signalPipe[0], F_SETFL, O_NONBLOCK);
    FNotifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, &TTerminationSignals::ReadSignal);
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : kHandledSignals)
        ::sigaction(number, &action, nullptr);
}

TTerminationSignals::~TTerminationSignals() {
    if (!FNotifier)
        return;
    for (int number : kHandledSignals)
        ::signal(number, SIG_DFL);
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

void TTerminationSignals::IgnoreBrokenPipe() {
    ::signal(SIGPIPE, SIG_IGN);
}

void TTerminationSignals::CloseModalWindows() {
    QWidget* previous = nullptr;
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (modal == previous)
            break; // it refused to close; the main window's close still runs
        previous = modal;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    }
}

void TTerminationSignals::ReadSignal() {
    unsigned char byte = 0;
    if (::read(signalPipe[1], &byte, 1) != 1)
        return;
    FRequested = true;
    CloseModalWindows();
    if (FWindow)
        FWindow->close();
    // The main loop ends even if some window would not close; outside it this does nothing.
    QCoreApplication::quit();
    emit Received(byte);
}

TTeardownWatchdog::TTeardownWatchdog(std::chrono::milliseconds limit)
    : FThread([this, limit] {
          std::unique_lock lock(FMutex);
          if (!FDone.wait_for(lock, limit, [this] { return FFinished; }))
              std::_Exit(0);
      }) {}

TTeardownWatchdog::~TTeardownWatchdog() {
    {
        std::lock_guard lock(FMutex);
        FFinished = true;
    }
    FDone.notify_one();
    FThread.join();
}
