#pragma once

#include "listening/ListeningClock.h"

/// A clock the test moves by hand.
class FakeClock : public TListeningClock {
public:
    double Seconds() const override { return now; }
    double now = 1000;
};
