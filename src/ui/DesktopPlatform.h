#pragma once

#include "util/Platform.h"

/// The platform of the running program: the base's kernel and locale services, and the desktop's
/// beep and address handler, which need the widgets. main installs it before anything asks for one.
class DesktopPlatform : public Platform {
public:
    void Beep() override;
    bool OpenUrl(const QUrl& url) override;
};
