#pragma once

#include <chrono>
#include <cstdio>

/// The steps of a start-up, in the order they are expected to come.
enum class StartupStep {
    Main,          // main() entered: what came before is the loader and the libraries' own start
    StoresRead,    // the options and the remembered positions read
    Application,   // the QApplication built
    MpvCreated,    // libmpv created, configured and initialised
    WindowBuilt,   // the main window constructed
    ListBuilt,     // the command line turned into the track list
    LoadSent,      // the first file's load handed to mpv
    WindowShown,   // the window asked to show
    Accessibility, // the accessibility bridge active (only when a screen reader's bus answers)
    FirstSound,    // mpv restarted playback of the first file: its sound is on its way out
    ListWhole,     // every file of the command line is on the list (after the first sound, for a
                   // large tree in the order found)
};

/// What a start-up spends its time on before the first sound, printed when the environment asks
/// (VARNEL_STARTUP_TRACE=1) as "varnel-startup SECONDS STEP" lines on stderr, SECONDS being the
/// monotonic clock, so that a program that started this one can set the lines against its own
/// clock. Each step is printed the first time it is reached only: later loads and later
/// playback restarts are not the start-up. Used from the UI thread only.
class TStartupTrace {
public:
    using Clock = std::chrono::steady_clock;

    /// A trace printing to `out`, or printing nothing when `out` is null.
    explicit TStartupTrace(std::FILE* out) : FOut(out) {}

    /// Prints `step` at the time `now` if it has not been printed yet.
    void Mark(StartupStep step, Clock::time_point now = Clock::now());
    bool Enabled() const { return FOut != nullptr; }

    /// The name a step is printed under.
    static const char* Name(StartupStep step);

    /// The process's trace: printing to stderr when VARNEL_STARTUP_TRACE is 1, otherwise nothing.
    static TStartupTrace& Process();

private:
    std::FILE* FOut;
    unsigned FPrinted = 0;
};

/// Marks `step` on the process's trace.
inline void MarkStartup(StartupStep step) {
    TStartupTrace& trace = TStartupTrace::Process();
    if (trace.Enabled())
        trace.Mark(step);
}
