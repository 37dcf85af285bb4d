#pragma once

#include "EventDrain.h"
#include "FakeMediaControl.h"
#include "FixedPlatform.h"
#include "TouchFile.h"
#include "config/SettingsModule.h"
#include "playback/PlayerCore.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

/// The player core over the fake control, with its settings files in a temporary folder on a fixed
/// platform: the list, the moves and the advance with no window.
class CoreFixture : public ::testing::Test {
protected:
    CoreFixture() { platform.folder = Root(); }

    /// Opens the stores and builds the core; nothing plays yet.
    TPlayerCore& MakeCore() {
        if (!settings)
            settings = std::make_unique<TSettingsModule>(platform);
        auto owned = std::make_unique<FakeMediaControl>();
        control = owned.get();
        core = std::make_unique<TPlayerCore>(*settings, std::move(owned));
        return *core;
    }
    /// Builds the core and loads arguments, as a start does.
    TPlayerCore& Start(const QStringList& arguments) {
        MakeCore().LoadCommandLine(arguments);
        DrainEvents();
        return *core;
    }
    /// Creates an empty file (and its folders) below the temporary folder; returns its path.
    QString Touch(const QString& relative) {
        TouchFile(QFile::encodeName(FDir.path()), relative.toUtf8());
        return Root() + relative;
    }
    QString Root() const { return FDir.path() + QLatin1Char('/'); }
    double Remembered(const QString& path) const { return settings->MediaConfigs().GetResumeTime(path); }

    QTemporaryDir FDir;
    FixedPlatform platform;
    std::unique_ptr<TSettingsModule> settings;
    FakeMediaControl* control = nullptr; // owned by the core's player
    std::unique_ptr<TPlayerCore> core;
};
