#pragma once

#include "EventDrain.h"
#include "FakeMediaControl.h"
#include "config/MediaConfigs.h"
#include "engine/MyPlayer.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

/// The player over the fake control, with a resume store in a temporary folder; beeps are counted.
class PlayerFixture : public testing::Test {
protected:
    /// resumeFile: what "Play.ind" holds before the store opens it (nothing: no file).
    explicit PlayerFixture(const QByteArray& resumeFile = {}) {
        QFile file(dir.filePath("Play.ind"));
        if (!resumeFile.isEmpty() && file.open(QIODevice::WriteOnly)) {
            file.write(resumeFile);
            file.close();
        }
        resume = std::make_unique<TM3MediaConfigs>(file.fileName(), QLocale::c());
        auto owned = std::make_unique<FakeMediaControl>();
        fake = owned.get();
        player = std::make_unique<TMyPlayer>(std::move(owned), *resume, [this] { ++beeps; });
    }

    /// Opens path and lets it start playing, at position.
    void PlayAt(const QString& path, double position = 0) {
        player->PlayFile(path);
        DrainEvents();
        fake->position = position;
    }

    QTemporaryDir dir;
    std::unique_ptr<TM3MediaConfigs> resume;
    FakeMediaControl* fake = nullptr;
    std::unique_ptr<TMyPlayer> player;
    int beeps = 0;
};
