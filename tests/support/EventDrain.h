#pragma once

#include <QCoreApplication>

/// Delivers everything the UI thread's event loop holds (posted events, deferred deletes, timers
/// already due) until a round delivers nothing. With the fake control nothing happens off this
/// thread, so once the queue is empty, what has not happened will not: the barrier that proves an
/// absence, where a fixed wait would only make one likely.
inline void DrainEvents() {
    // Counts the events the application delivers while it lives; its going removes it as a filter.
    class DeliveryCounter : public QObject {
    public:
        DeliveryCounter() { QCoreApplication::instance()->installEventFilter(this); }
        bool eventFilter(QObject*, QEvent*) override {
            ++FDelivered;
            return false;
        }
        int FDelivered = 0;
    } counter;
    do {
        counter.FDelivered = 0;
        QCoreApplication::sendPostedEvents();
        // Sent only when asked for by type: a deleteLater from this loop level waits otherwise.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    } while (counter.FDelivered > 0);
}
