#pragma once

#include "engine/MpvMediaControl.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

/// Pumps the event loop until the control reports `wanted`; returns false at the deadline.
inline bool PumpUntil(const MpvMediaControl& control, int wanted, int ms = 10000) {
    QDeadlineTimer deadline(ms);
    while (control.PlayState() != wanted) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}
