#include "listening/ListeningClock.h"

#include <chrono>

double TListeningClock::Seconds() const {
    // Steady: a change of the wall clock (a time zone, a sync) must not end a timer or fake a pause.
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
