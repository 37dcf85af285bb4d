#include "util/StartupTrace.h"

#include <cstdlib>
#include <cstring>

void TStartupTrace::Mark(StartupStep step, Clock::time_point now) {
    const unsigned bit = 1u << static_cast<unsigned>(step);
    if (!FOut || (FPrinted & bit) != 0)
        return;
    FPrinted |= bit;
    const std::chrono::duration<double> seconds = now.time_since_epoch();
    std::fprintf(FOut, "varnel-startup %.6f %s\n", seconds.count(), Name(step));
    // stderr is unbuffered, but a trace sent to a file must not wait for the exit to be seen.
    std::fflush(FOut);
}

const char* TStartupTrace::Name(StartupStep step) {
    switch (step) {
    case StartupStep::Main:
        return "main";
    case StartupStep::StoresRead:
        return "stores-read";
    case StartupStep::Application:
        return "application";
    case StartupStep::MpvCreated:
        return "libmpv-created";
    case StartupStep::WindowBuilt:
        return "window-built";
    case StartupStep::ListBuilt:
        return "list-built";
    case StartupStep::LoadSent:
        return "load-sent";
    case StartupStep::WindowShown:
        return "window-shown";
    case StartupStep::Accessibility:
        return "accessibility-bridge";
    case StartupStep::FirstSound:
        return "first-sound";
    case StartupStep::ListWhole:
        return "list-whole";
    }
    return "unknown";
}

TStartupTrace& TStartupTrace::Process() {
    // Read once: the trace is asked for before the program starts, never switched on half-way.
    static TStartupTrace trace([] {
        const char* value = std::getenv("VARNEL_STARTUP_TRACE");
        return value && std::strcmp(value, "1") == 0 ? stderr : nullptr;
    }());
    return trace;
}
