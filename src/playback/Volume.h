#pragma once

#include <functional>

class TMyPlayer;
class TSleepTimer;

/// The one owner of the volume: the keys' steps, the desktop's value and the turn down while
/// another application is in front all go through it, and through the sleep timer, whose fade
/// holds the volume below the listener's.
class TVolume {
public:
    /// backgroundVolume: the option's volume for while the window is behind another one.
    TVolume(TMyPlayer& player, TSleepTimer& sleep, std::function<int()> backgroundVolume);

    /// The volume step keys (only while a file is active).
    void Step(bool up);
    /// A volume the user set from the desktop while the window may be in the background: it is
    /// also the one restored when the window comes back.
    void Set(int volume);
    /// The window went behind another application: down to the option's volume.
    void Deactivate();
    /// The window came back in front: the listener's volume again.
    void Activate();
    bool InBackground() const { return FInBackground; }

private:
    TMyPlayer& FPlayer;
    TSleepTimer& FSleep;
    std::function<int()> FBackgroundVolume;
    // Until the first activation and between Deactivate and Activate.
    bool FInBackground = true;
    int FSaved = 100;
};
