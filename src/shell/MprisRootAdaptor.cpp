#include "shell/MprisRootAdaptor.h"

#include "shell/VarnelPlayer.h"
#include "util/IgnoreFailure.h"

#include <QTimer>

namespace {
// The audio and video types of the default extension list: the desktop entry's MimeType line, in its order.
const char* const kMimeTypes[] = {
    "audio/mpeg",   "audio/x-wav",    "video/x-msvideo", "audio/midi", "audio/mp4",      "audio/basic",
    "audio/x-aiff", "audio/x-aifc",   "audio/x-ms-wma",  "audio/mp2",  "audio/aac",      "video/quicktime",
    "video/mp4",    "video/3gpp",     "video/3gpp2",     "video/mp2t", "video/x-ms-wmv", "video/mpeg",
    "audio/x-mod",  "audio/x-ms-asx", "video/x-flv",
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
    for (const char* type : kMimeTypes)
        types.append(QString::fromLatin1(type));
    return types;
}

void MprisRootAdaptor::Raise() {
    IgnoreFailure([&] {
        FWindow.setWindowState(FWindow.windowState() & ~Qt::WindowMinimized);
        FWindow.show();
        FWindow.raise();
        FWindow.activateWindow();
    });
}

void MprisRootAdaptor::Quit() {
    // Queued, so the reply leaves before the window's closing can end the event loop.
    QTimer::singleShot(0, &FWindow, &QWidget::close);
}
