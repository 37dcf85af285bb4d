#pragma once

#include <QObject>

class QSocketNotifier;

/// Turns SIGTERM, SIGHUP and SIGINT into a Qt signal on the UI thread, so that a logout or a kill
/// closes the main window as its close button would and nothing remembered is lost.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    /// Installs the handlers; without them (socketpair failed) the default actions stay.
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void Received(int signalNumber);

private:
    void ReadSignal();

    QSocketNotifier* FNotifier = nullptr;
};
