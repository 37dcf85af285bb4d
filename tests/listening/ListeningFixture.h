#pragma once

#include "FakeClock.h"
#include "PlayerFixture.h"

/// The player over the fake control with a clock the test moves.
class ListeningFixture : public PlayerFixture {
protected:
    FakeClock clock;
};
