#include "config/SettingsModule.h"
#include "config/SortTypes.h"
#include "engine/MpvMediaControl.h"
#include "playlist/FileSearch.h"
#include "shell/AccessibilityWatch.h"
#include "shell/MprisService.h"
#include "shell/TerminationSignals.h"
#include "shell/VarnelPlayer.h"
#include "ui/DesktopPlatform.h"
#include "util/FileNameCodec.h"
#include "util/HeapRetention.h"
#include "util/Platform.h"
#include "util/StartupTrace.h"
#include "util/TimeText.h"

#include <QAccessible>
#include <QApplication>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <clocale>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>

namespace {
constexpr std::chrono::seconds kTeardownLimit{5};

/// Finds the arguments' media files on a thread of its own, while Qt, libmpv and the window start;
/// nothing when the options' extension list is empty, as testing a name would then read the store.
std::unique_ptr<TFileSearch> SearchBeside(const QStringList& arguments, TM3GeneralConfigs& options) {
    // Read here, on this thread: from then on a name is tested against the kept list alone, which
    // nothing changes before the search is over.
    if (arguments.isEmpty() || options.ExtensionList().isEmpty())
        return nullptr;
    return std::make_unique<TFileSearch>(
        arguments, [&options](const QString& name) { return options.IsMediaFile(name); });
}

/// Hands the search's files to the window. In the order found, a search still going on starts the
/// list with what it has found so far, so that a large tree sounds at once; the rest follows.
void LoadSearched(TVarnelPlayer& window, const QStringList& arguments, TFileSearch& search, int sortType) {
    if (sortType != kSortAsFound || search.First().isEmpty()) {
        window.LoadCommandLine(arguments, search.Whole());
        return;
    }
    auto [found, over] = search.TakeFound();
    window.LoadCommandLine(arguments, std::move(found), !over);
    if (over)
        return;
    // Runs on the search's thread: only a queued call, which checks on the UI thread that the core
    // is still there.
    search.Follow([&search, core = QPointer<TPlayerCore>(&window.Core())] {
        QMetaObject::invokeMethod(
            qApp,
            [&search, core] {
                auto [more, ended] = search.TakeFound();
                if (core)
                    core->FilesFound(std::move(more), ended);
            },
            Qt::QueuedConnection);
    });
}

} // namespace

int main(int argc, char** argv) {
    MarkStartup(StartupStep::Main);
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
    MarkStartup(StartupStep::StoresRead);
    // Declared before everything it guards, so it is the last to go.
    std::optional<TTeardownWatchdog> watchdog;

    // Every argument is a path: Qt sees none of them, so a file named "-style" stays a file.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(DecodeFileName(argv[i]));
    const int sortType = settings->GeneralConfigs().SortType();
    std::unique_ptr<TFileSearch> search = SearchBeside(arguments, settings->GeneralConfigs());
    // In the order found, the first file found is the first to play: the search needs to hurry
    // only until then. Any other order needs the whole list first.
    if (search && sortType == kSortAsFound)
        search->GiveWay();
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    // Qt adopts the environment's locale; libmpv works only under the "C" numeric locale.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("varnel"));
    QApplication::setDesktopFileName(QStringLiteral("varnel"));
    MarkStartup(StartupStep::Application);
    // The moment the screen reader's bridge comes up, for the start-up trace.
    std::optional<TAccessibilityWatch> accessibilityMark;
    if (TStartupTrace::Process().Enabled()) {
        if (QAccessible::isActive())
            MarkStartup(StartupStep::Accessibility);
        else
            accessibilityMark.emplace([] { MarkStartup(StartupStep::Accessibility); });
    }

    // Before the window, whose constructor may hold the monthly reminder on screen.
    auto termination = std::make_unique<TTerminationSignals>();
    std::unique_ptr<TVarnelPlayer> window;
    try {
        window = std::make_unique<TVarnelPlayer>(*settings, std::make_unique<MpvMediaControl>());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "varnel: %s\n", error.what());
        return 1;
    }
    MarkStartup(StartupStep::WindowBuilt);
    termination->SetMainWindow(window.get());

    if (!termination->Requested()) {
        SetTimeSeparator(QLatin1Char('.'));
        if (search)
            LoadSearched(*window, arguments, *search, sortType);
        else
            window->LoadCommandLine(arguments);
        // The first track's load waits in the event queue: queued behind it, the window is shown
        // and painted while mpv opens the file and the sound output on its own threads.
        QTimer::singleShot(0, window.get(), [&window, &termination] {
            if (termination->Requested())
                return;
            window->show();
            MarkStartup(StartupStep::WindowShown);
            // Without a session bus it stays off. What the desktop asks of it then is read as it
            // stands, so coming after the first track costs the desktop nothing.
            MprisService::Start(*window);
        });
        QApplication::exec();
    }

    settings->Finish();
    // Everything is saved: a further signal may now end the process at once.
    termination.reset();
    // mpv's teardown waits for its reader threads, which a share that stopped answering can hold for
    // ever; everything is saved by now, so a teardown that does not end in time ends the process.
    watchdog.emplace(kTeardownLimit);
    // A search still going on (a huge tree, a slow share) ends before the core it reports to.
    search.reset();
    window.reset();
    return 0;
}
