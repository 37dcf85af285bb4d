#pragma once

// Set while a command changes playback; cleared at its end however it ends, so that a failing
// control cannot leave the core deaf to the control's states.
class BusyScope {
public:
    explicit BusyScope(bool& flag) : FFlag(flag) { FFlag = true; }
    ~BusyScope() { FFlag = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& FFlag;
};
