#include "shell/SpokenNotice.h"

#include <QAccessibleWidget>
#include <QTimer>

namespace {
// Longer than the gap between auto-repeated or quickly typed keys, short enough to answer the key.
constexpr int kSeriesPauseMs = 300;

class AccessibleNotice : public QAccessibleWidget {
public:
    explicit AccessibleNotice(QWidget* notice) : QAccessibleWidget(notice, QAccessible::Notification) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return widget()->accessibleName();
        return {};
    }
};

QAccessibleInterface* NoticeFactory(const QString& className, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (className != QLatin1String("TSpokenNotice") || widget == nullptr)
        return nullptr;
    return new AccessibleNotice(widget);
}
} // namespace

void InstallSpokenNoticeAccessibility() {
    QAccessible::installFactory(NoticeFactory);
}

TSpokenNotice::TSpokenNotice(QWidget* parent) : QWidget(parent), FDelay(new QTimer(this)) {
    InstallSpokenNoticeAccessibility();
    setObjectName(QStringLiteral("SpokenNotice"));
    setFixedSize(0, 0); // nothing to see: the text is for the ear
    setFocusPolicy(Qt::NoFocus);
    hide();
    FDelay->setSingleShot(true);
    FDelay->setInterval(kSeriesPauseMs);
    connect(FDelay, &QTimer::timeout, this, &TSpokenNotice::Show);
}

void TSpokenNotice::Say(const QString& text) {
    FText = text;
    FDelay->start();
}

bool TSpokenNotice::Waiting() const {
    return FDelay->isActive();
}

void TSpokenNotice::Show() {
    // Hidden first: a reader speaks the notice when it becomes showing, not while it stays shown.
    hide();
    setAccessibleName(FText);
    show();
    emit Spoken(FText);
    // Hidden again once the showing is reported, so that reading the status bar does not repeat it.
    QTimer::singleShot(0, this, &QWidget::hide);
}
