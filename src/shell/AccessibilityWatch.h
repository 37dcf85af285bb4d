#pragma once

#include <QAccessible>

#include <functional>
#include <utility>

/// Calls back each time the screen reader's link to the program comes up, for as long as it lives.
class TAccessibilityWatch : public QAccessible::ActivationObserver {
public:
    explicit TAccessibilityWatch(std::function<void()> turnedOn) : FTurnedOn(std::move(turnedOn)) {
        QAccessible::installActivationObserver(this);
    }
    ~TAccessibilityWatch() override { QAccessible::removeActivationObserver(this); }
    TAccessibilityWatch(const TAccessibilityWatch&) = delete;
    TAccessibilityWatch& operator=(const TAccessibilityWatch&) = delete;

    void accessibilityActiveChanged(bool active) override {
        if (active)
            FTurnedOn();
    }

private:
    std::function<void()> FTurnedOn;
};
