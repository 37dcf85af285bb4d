#include "shell/MprisService.h"

#include "shell/MprisPlayerAdaptor.h"
#include "shell/MprisRootAdaptor.h"
#include "shell/VarnelPlayer.h"
#include "util/IgnoreFailure.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

bool MprisService::Start(TVarnelPlayer& window) {
    return Start(window, QDBusConnection::sessionBus());
}

bool MprisService::Start(TVarnelPlayer& window, const QDBusConnection& bus) {
    if (!bus.isConnected())
        return false;
    auto* service = new MprisService(window, bus);
    if (service->Register())
        return true;
    delete service;
    return false;
}

MprisService::MprisService(TVarnelPlayer& window, const QDBusConnection& bus) : QObject(&window), FBus(bus) {
    new MprisRootAdaptor(window, this);
    FPlayer = new MprisPlayerAdaptor(window.Core(), this);
    FSent = FPlayer->SignalledProperties();
    connect(&window, &TVarnelPlayer::DisplayRefreshed, this, &MprisService::SignalChanges);
}

MprisService::~MprisService() {
    if (!FBusName.isEmpty())
        FBus.unregisterService(FBusName);
    if (FObjectRegistered)
        FBus.unregisterObject(QString::fromLatin1(kObjectPath));
}

bool MprisService::Register() {
    // The object first: a desktop that sees the name appear queries it at once.
    FObjectRegistered =
        FBus.registerObject(QString::fromLatin1(kObjectPath), this, QDBusConnection::ExportAdaptors);
    if (!FObjectRegistered)
        return false;
    const QString common = QString::fromLatin1(kServiceName);
    return TakeName(common) ||
           TakeName(common + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid()));
}

bool MprisService::TakeName(const QString& name) {
    QDBusConnectionInterface* bus = FBus.interface();
    if (!bus)
        return false;
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = bus->registerService(
        name, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered)
        return false;
    FBusName = name;
    return true;
}

void MprisService::SignalChanges() {
    IgnoreFailure([&] {
        const QVariantMap now = FPlayer->SignalledProperties();
        QVariantMap changed;
        for (auto it = now.cbegin(); it != now.cend(); ++it) {
            if (FSent.value(it.key()) != it.value())
                changed.insert(it.key(), it.value());
        }
        if (changed.isEmpty())
            return;
        FSent = now;
        QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kObjectPath),
                                                         QStringLiteral("org.freedesktop.DBus.Properties"),
                                                         QStringLiteral("PropertiesChanged"));
        signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
        FBus.send(signal);
    });
}
