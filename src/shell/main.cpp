#include "config/SettingsModule.h"
#include "engine/MpvMediaControl.h"
#include "shell/MprisService.h"
#include "shell/TerminationSignals.h"
#include "shell/VarnelPlayer.h"
#include "ui/DesktopPlatform.h"
#include "util/FileNameCodec.h"
#include "util/HeapRetention.h"
#include "util/Platform.h"
#include "util/TimeText.h"

#include <QApplication>

#include <chrono>
#include <clocale>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>

namespace {
constexpr std::chrono::seconds kTeardownLimit{5};
} // namespace

int main(int argc, char** argv) {
    LimitHeapRetention(); // before any thread: those of mpv and Qt allocate from the start
    TTerminationSignals::IgnoreBrokenPipe();
    // First, so that everything built after it beeps and opens addresses on the desktop.
    DesktopPlatform desktop;
    Platform::SetCurrent(&desktop);
    std::optional<TSettingsModule> settings;
    try {
        settings.emplace(desktop);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "varnel: %s\n", error.what());
        return 1;
    }
    // Declared before everything it guards, so it is the last to go.
    std::optional<TTeardownWatchdog> watchdog;

    // Every argument is a path: Qt sees none of them, so a file named "-style" stays a file.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(DecodeFileName(argv[i]));
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    // Qt adopts the environment's locale; libmpv works only under the "C" numeric locale.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("varnel"));
    QApplication::setDesktopFileName(QStringLiteral("varnel"));

    // Before the window, whose constructor may hold the monthly reminder on screen.
    auto termination = std::make_unique<TTerminationSignals>();
    std::unique_ptr<TVarnelPlayer> window;
    try {
        window = std::make_unique<TVarnelPlayer>(*settings, std::make_unique<MpvMediaControl>());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "varnel: %s\n", error.what());
        return 1;
    }
    termination->SetMainWindow(window.get());

    if (!termination->Requested()) {
        // Before the first track starts, so the desktop hears of it; without a session bus it stays off.
        MprisService::Start(*window);
        SetTimeSeparator(QLatin1Char('.'));
        window->LoadCommandLine(arguments);
        window->show();
        QApplication::exec();
    }

    settings->Finish();
    // Everything is saved: a further signal may now end the process at once.
    termination.reset();
    // mpv's teardown waits for its reader threads, which a share that stopped answering can hold for
    // ever; everything is saved by now, so a teardown that does not end in time ends the process.
    watchdog.emplace(kTeardownLimit);
    window.reset();
    return 0;
}
