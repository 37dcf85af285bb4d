#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QVariantMap>

class MprisPlayerAdaptor;
class TVarnelPlayer;

/// Publishes the main window as an MPRIS media player, so the desktop's media keys and sound
/// menus reach it; it lives as a child of the window. It is the context of the calls its adaptors
/// serve, through which they answer an error.
class MprisService : public QObject, public QDBusContext {
    Q_OBJECT
public:
    static constexpr const char* kServiceName = "org.mpris.MediaPlayer2.varnel";
    static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";

    /// Publishes window on the session bus; false, quietly, without a bus or a free name.
    static bool Start(TVarnelPlayer& window);
    /// Publishes window on bus; false, quietly, when bus is not connected or no name is free.
    static bool Start(TVarnelPlayer& window, const QDBusConnection& bus);

    ~MprisService() override;

    /// The name held on the bus: the common one, or a per-process one when another player has it.
    QString BusName() const { return FBusName; }

private:
    MprisService(TVarnelPlayer& window, const QDBusConnection& bus);
    /// False when neither the object nor a name could be registered.
    bool Register();
    bool TakeName(const QString& name);
    /// Signals the properties that changed since the last signal.
    void SignalChanges();

    QDBusConnection FBus;
    QString FBusName;
    bool FObjectRegistered = false;
    MprisPlayerAdaptor* FPlayer = nullptr;
    QVariantMap FSent;
};
