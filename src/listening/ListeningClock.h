#pragma once

/// The clock the listening rules measure play and pause time by: seconds from any fixed start,
/// never going back. This one is the system's steady clock; tests set one of their own.
class TListeningClock {
public:
    virtual ~TListeningClock() = default;
    virtual double Seconds() const;
};
