#include "shell/MprisRootAdaptor.h"

#include "shell/VarnelPlayer.h"

#include <QTimer>

namespace {
// The audio and video types of the default extension list, as the desktop entry lists them.
const char* const MimeTypes[] = {
    "audio/mpeg",     "audio/mp2",       "audio/x-wav", "audio/wav",      "video/x-msvideo", "audio/midi",
    "audio/mp4",      "audio/x-m4a",     "audio/basic", "audio/x-aiff",   "audio/x-aifc",    "audio/x-ms-wma",
    "audio/aac",      "video/quicktime", "video/mp4",   "video/x-m4v",    "video/3gpp",      "video/3gpp2",
    "video/mp2t",     "video/x-ms-wmv",  "video/mpeg",  "audio/x-mod",    "video/x-ms-vob",  "video/x-ms-asf",
    "audio/x-ms-asx", "audio/x-ms-wax",  "video/x-flv", "video/x-ms-wtv",
};
} // namespace

MprisRootAdaptor::MprisRootAdaptor(TVarnelPlayer& window, QObject* parent)
    : QDBusAbstractAdaptor(parent), FWindow(window) {}

QString MprisRootAdaptor::Identity() const {
    return QStringLiteral("Varnel");
}

QString MprisRootAdaptor::DesktopEntry() const {
    return QStringLiteral("varnel");
}

QStringList MprisRootAdaptor::SupportedUriSchemes() const {
    return {QStringLiteral("file")};
}

QStringList MprisRootAdaptor::SupportedMimeTypes() const {
    QStringList types;
    for (const char* type : MimeTypes)
        types.append(QString::fromLatin1(type));
    return types;
}

void MprisRootAdaptor::Raise() {
    try {
        FWindow.setWindowState(FWindow.windowState() & ~Qt::WindowMinimized);
        FWindow.show();
        FWindow.raise();
        FWindow.activateWindow();
    } catch (...) {
    }
}

void MprisRootAdaptor::Quit() {
    // Queued, so the reply leaves before the window's closing can end the event loop.
    QTimer::singleShot(0, &FWindow, &QWidget::close);
}
