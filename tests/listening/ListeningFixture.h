#pragma once

#include "EventDrain.h"
#include "FakeMediaControl.h"
#include "config/MediaConfigs.h"
#include "engine/MyPlayer.h"
#include "listening/ListeningClock.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

/// A clock the test moves by hand.
class FakeClock : public TListeningClock {
public:
    double Seconds() const override { return now; }
    double now = 1000;
};

/// The player over the fake control, with a resume store in a temporary folder and a fake clock.
class ListeningFixture : public testing::Test {
protected:
    ListeningFixture() {
        resume = std::make_unique<TM3MediaConfigs>(dir.filePath("Play.ind"), QLocale::c());
        auto owned = std::make_unique<FakeMediaControl>();
        fake = owned.get();
        player = std::make_unique<TMyPlayer>(std::move(owned), *resume, [] {});
    }

    /// Opens path and lets it start playing, at position.
    void PlayAt(const QString& path, double position = 0) {
        player->PlayFile(path);
        DrainEvents();
        fake->position = position;
    }

    QTemporaryDir dir;
    FakeClock clock;
    std::unique_ptr<TM3MediaConfigs> resume;
    FakeMediaControl* fake = nullptr;
    std::unique_ptr<TMyPlayer> player;
};
