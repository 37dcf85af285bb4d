// Start-up of the real program on one folder, run as a child of the start-up benchmark so that its
// peak memory is its own. Usage: varnel_startup_probe FOLDER [no-lengths]; with no-lengths the
// background reader of the list's lengths reads nothing. Prints the milliseconds from the start
// of the window's construction to the first track playing (state 3), and exits 0; exits 1 on failure.
#include "BenchPlatform.h"
#include "config/SettingsModule.h"
#include "engine/MpvMediaControl.h"
#include "shell/VarnelPlayer.h"
#include "util/Platform.h"
#include "util/TimeText.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <clocale>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <utility>

namespace {

constexpr int kPlayingDeadlineMs = 60000;

int Run(int argc, char** argv) {
    const bool readLengths = argc == 2;
    if (argc != 2 && !(argc == 3 && qstrcmp(argv[2], "no-lengths") == 0)) {
        std::fprintf(stderr, "usage: varnel_startup_probe FOLDER [no-lengths]\n");
        return 1;
    }
    QTemporaryDir settingsDir;
    if (!settingsDir.isValid())
        return 1;
    BenchPlatform platform(settingsDir.path() + u'/');
    TSettingsModule settings(platform);
    settings.GeneralConfigs().DonateDone(); // the reminder box would wait for a key that never comes

    const QStringList arguments{QFile::decodeName(argv[1])};
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    std::setlocale(LC_NUMERIC, "C"); // libmpv works only under the "C" numeric locale
    SetTimeSeparator(QLatin1Char('.'));

    // The same steps as the program's main, from the window's construction to the message loop.
    const auto start = std::chrono::steady_clock::now();
    TTrackLengths::Reader lengthReader;
    if (!readLengths)
        lengthReader = [](const QString&) { return std::optional<double>(); };
    auto window = std::make_unique<TVarnelPlayer>(
        settings, std::make_unique<MpvMediaControl>(MpvMediaControl::Options{QStringLiteral("null"), false}),
        nullptr, std::move(lengthReader));
    QEventLoop loop;
    window->Core().Player().OnStateChange(&loop, [&loop](int state) {
        if (state == psPlaying)
            loop.quit();
    });
    window->LoadCommandLine(arguments);
    if (window->Core().Files().isEmpty()) {
        std::fprintf(stderr, "varnel_startup_probe: no media files found\n");
        return 1;
    }
    window->show();
    if (window->Core().Player().State() != psPlaying) {
        QTimer::singleShot(kPlayingDeadlineMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    if (window->Core().Player().State() != psPlaying) {
        std::fprintf(stderr, "varnel_startup_probe: no state 3 within %d ms\n", kPlayingDeadlineMs);
        return 1;
    }
    std::printf("%.3f %lld\n", took.count(), static_cast<long long>(window->Core().Files().size()));
    std::fflush(stdout);
    return 0;
}

// Keeps the offscreen platform's notes (no raise(), no runtime folder) out of the benchmark's output.
void OnlyFailures(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "varnel_startup_probe: %s\n", qPrintable(message));
}

} // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(OnlyFailures);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    try {
        return Run(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "varnel_startup_probe: %s\n", error.what());
        return 1;
    }
}
