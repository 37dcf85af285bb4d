#pragma once

#include <QDBusAbstractAdaptor>
#include <QStringList>

class TVarnelPlayer;

/// The MPRIS root interface: who the player is and the window commands a desktop may ask for.
class MprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
public:
    MprisRootAdaptor(TVarnelPlayer& window, QObject* parent);

    bool CanQuit() const { return true; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    QString Identity() const;
    QString DesktopEntry() const;
    QStringList SupportedUriSchemes() const;
    /// The MIME types of the desktop entry; never empty.
    QStringList SupportedMimeTypes() const;

public slots:
    /// Brings the main window to the front.
    void Raise();
    /// Closes the main window as its close button does (the position is remembered).
    void Quit();

private:
    TVarnelPlayer& FWindow;
};
