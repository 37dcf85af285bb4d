#include "ui/DesktopPlatform.h"

#include <QApplication>
#include <QDesktopServices>

void DesktopPlatform::Beep() {
    QApplication::beep();
}

bool DesktopPlatform::OpenUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}
