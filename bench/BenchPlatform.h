#pragma once

#include "util/Platform.h"

#include <QString>

#include <utility>

/// The real platform, but with the settings files in a folder of the caller's own: a run must neither
/// read the user's options nor leave files beside the build. Current while it lives.
class BenchPlatform : public Platform {
public:
    explicit BenchPlatform(QString folder) : FFolder(std::move(folder)) { Platform::SetCurrent(this); }
    ~BenchPlatform() override { Platform::SetCurrent(nullptr); }
    BenchPlatform(const BenchPlatform&) = delete;
    BenchPlatform& operator=(const BenchPlatform&) = delete;
    QString ExecutableFolder() const override { return FFolder; }

private:
    QString FFolder;
};
