#pragma once

#include <QWidget>

class QTimer;

/// A hidden notice that a screen reader speaks once each time it is said: the way to tell a change that
/// shows nowhere on screen, such as a new speed or volume.
///
/// It is a notification on the accessibility bus, and readers speak one when it becomes showing; placed in a
/// status bar, it is spoken without the role's name. A quick series of Say() speaks only the last text, once
/// the series has paused, so that held or repeated keys do not queue a value for every step.
class TSpokenNotice : public QWidget {
    Q_OBJECT
public:
    explicit TSpokenNotice(QWidget* parent = nullptr);

    void Say(const QString& text);
    /// The text said last, or about to be.
    QString Pending() const { return FText; }
    /// True from Say() until the text has been shown.
    bool Waiting() const;

signals:
    /// Right after the notice has been shown with text.
    void Spoken(const QString& text);

private:
    void Show();

    QString FText;
    QTimer* FDelay;
};

/// Makes every TSpokenNotice a notification for screen readers. Safe to call more than once.
void InstallSpokenNoticeAccessibility();
