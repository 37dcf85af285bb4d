#include "playback/Volume.h"

#include "engine/MyPlayer.h"
#include "listening/SleepTimer.h"

#include <utility>

TVolume::TVolume(TMyPlayer& player, TSleepTimer& sleep, std::function<int()> backgroundVolume)
    : FPlayer(player), FSleep(sleep), FBackgroundVolume(std::move(backgroundVolume)) {}

void TVolume::Step(bool up) {
    up ? FPlayer.VolumeUp() : FPlayer.VolumeDown();
}

void TVolume::Set(int volume) {
    FSleep.SetVolume(volume);
    if (FInBackground)
        FSaved = volume;
}

void TVolume::Deactivate() {
    FInBackground = true;
    const int v = FSleep.Volume();
    FSaved = v;
    const int d = FBackgroundVolume();
    if (v > d)
        FSleep.SetVolume(d);
}

void TVolume::Activate() {
    FInBackground = false;
    FSleep.SetVolume(FSaved);
}
