#include "config/SettingsModule.h"
#include "engine/MpvMediaControl.h"
#include "shell/MprisService.h"
#include "shell/TerminationSignals.h"
#include "shell/VarnelPlayer.h"
#include "util/FileNameCodec.h"
#include "util/Platform.h"
#include "util/TimeText.h"

#include <QApplication>

#include <clocale>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>

int main(int argc, char** argv) {
    std::optional<SettingsModule> settings;
    try {
        settings.emplace(Platform::Current());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "varnel: %s\n", error.what());
        return 1;
    }

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

    std::unique_ptr<TVarnelPlayer> window;
    try {
        window = std::make_unique<TVarnelPlayer>(*settings, std::make_unique<MpvMediaControl>());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "varnel: %s\n", error.what());
        return 1;
    }
    // Before the first track starts, so the desktop hears of it; without a session bus it stays off.
    MprisService::Start(*window);
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::Received, window.get(), &QWidget::close);

    SetTimeSeparator(QLatin1Char('.'));
    window->LoadCommandLine(arguments);

    window->show();
    QApplication::exec();
    window.reset();

    settings->Finish();
    return 0;
}
