#pragma once

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

/// Watches for the modal widget that the next call shows and hands it to answer, which must close
/// it. Call Seen() after the call under test: it lets the watch run out and tells whether a modal
/// widget appeared.
class ModalAnswer {
public:
    explicit ModalAnswer(std::function<void(QWidget*)> answer) : FState(std::make_shared<State>()) {
        FState->answer = std::move(answer);
        // Shared state, so a watch that outlives a failed test touches nothing freed.
        QTimer::singleShot(50, [state = FState] {
            QWidget* modal = QApplication::activeModalWidget();
            state->fired = true;
            if (!modal)
                return;
            state->seen = true;
            state->answer(modal);
        });
    }

    bool Seen() {
        if (!QTest::qWaitFor([this] { return FState->fired; }, 2000))
            return false;
        return FState->seen;
    }

private:
    struct State {
        std::function<void(QWidget*)> answer;
        bool fired = false;
        bool seen = false;
    };
    std::shared_ptr<State> FState;
};
