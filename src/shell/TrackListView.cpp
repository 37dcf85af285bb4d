#include "shell/TrackListView.h"

#include "shell/AccessibleTrackList.h"

#include <QAccessible>
#include <QTimer>

TTrackListView::TTrackListView(QWidget* parent) : QTreeView(parent) {
    InstallTrackListAccessibility();
}

void TTrackListView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    // QTreeView's own version would also announce the row by the numbering of a table of cells, which the
    // list's accessible face does not have; the two rows are repainted here instead.
    viewport()->update();
    QAbstractItemView::currentChanged(current, previous);
    if (FUserMove)
        AnnounceCurrentRow();
}

void TTrackListView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
    // The selection follows the current row; only the move is announced, as a focus change.
    QAbstractItemView::selectionChanged(selected, deselected);
}

void TTrackListView::keyPressEvent(QKeyEvent* event) {
    FUserMove = true;
    QTreeView::keyPressEvent(event);
    FUserMove = false;
}

void TTrackListView::mousePressEvent(QMouseEvent* event) {
    FUserMove = true;
    QTreeView::mousePressEvent(event);
    FUserMove = false;
}

void TTrackListView::focusInEvent(QFocusEvent* event) {
    QTreeView::focusInEvent(event);
    // Queued: Qt announces the list itself after this event, and the row must come last.
    QTimer::singleShot(0, this, &TTrackListView::AnnounceCurrentRow);
}

void TTrackListView::AnnounceCurrentRow() {
    const QModelIndex current = currentIndex();
    if (!QAccessible::isActive() || !hasFocus() || !current.isValid())
        return;
    QAccessibleEvent focus(this, QAccessible::Focus);
    focus.setChild(current.row());
    QAccessible::updateAccessibility(&focus);
}
