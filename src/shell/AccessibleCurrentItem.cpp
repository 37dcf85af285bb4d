#include "shell/AccessibleCurrentItem.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QEvent>
#include <QTimer>

namespace {
class CurrentItemAnnouncer : public QObject {
public:
    explicit CurrentItemAnnouncer(QAbstractItemView* view) : QObject(view), FView(view) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        // Queued: Qt announces the view itself after its focus-in event, and the item must come last.
        if (watched == FView && event->type() == QEvent::FocusIn)
            QTimer::singleShot(0, this, &CurrentItemAnnouncer::Announce);
        return false;
    }

private:
    void Announce() const {
        const QModelIndex current = FView->currentIndex();
        if (!QAccessible::isActive() || !FView->hasFocus() || !current.isValid())
            return;
        QAccessibleInterface* view = QAccessible::queryAccessibleInterface(FView);
        QAccessibleTableInterface* table = view ? view->tableInterface() : nullptr;
        if (table == nullptr)
            return;
        QAccessibleInterface* cell = table->cellAt(current.row(), current.column());
        if (cell == nullptr)
            return;
        QAccessibleEvent focus(FView, QAccessible::Focus);
        focus.setChild(view->indexOfChild(cell));
        QAccessible::updateAccessibility(&focus);
    }

    QAbstractItemView* FView;
};
} // namespace

void AnnounceCurrentItemOnFocus(QAbstractItemView* view) {
    view->installEventFilter(new CurrentItemAnnouncer(view));
}
