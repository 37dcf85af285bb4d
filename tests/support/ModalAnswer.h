#pragma once

#include "EventDrain.h"

#include <QApplication>
#include <QMetaObject>
#include <QWidget>

#include <functional>
#include <memory>

/// Hands the modal window that the code under test shows next to answer, which must close it. The
/// watch is queued at once and runs from that window's own event loop; when no window comes up it
/// runs at the next drain and finds none. Seen() drains the events and tells whether one came up.
class ModalAnswer {
public:
    explicit ModalAnswer(std::function<void(QWidget*)> answer) {
        const auto watch = [seen = FSeen, answer = std::move(answer)] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                *seen = true;
                answer(modal);
            }
        };
        QMetaObject::invokeMethod(QApplication::instance(), watch, Qt::QueuedConnection);
    }

    bool Seen() {
        DrainEvents();
        return *FSeen;
    }

private:
    // Shared with the watch, so a watch that outlives a failed test touches nothing freed.
    std::shared_ptr<bool> FSeen = std::make_shared<bool>(false);
};
