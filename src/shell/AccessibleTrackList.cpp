#include "shell/AccessibleTrackList.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QTreeView>
#include <QWindow>

#include <utility>

namespace {
class AccessibleTrackRow : public QAccessibleInterface {
public:
    AccessibleTrackRow(QTreeView* view, int row) : FView(view), FRow(row) {}

    bool isValid() const override {
        return FView != nullptr && FView->model() != nullptr && FRow < FView->model()->rowCount();
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override {
        return FView ? FView->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(FView.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    QString text(QAccessible::Text t) const override {
        if (!isValid())
            return {};
        // The name only: a reader speaks a description with every move.
        if (t == QAccessible::Name)
            return FView->model()->index(FRow, 0).data(Qt::AccessibleTextRole).toString();
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override {
        if (!isValid())
            return {};
        const QAbstractItemModel* model = FView->model();
        QRect row = FView->visualRect(model->index(FRow, 0));
        for (int column = 1; column < model->columnCount(); ++column)
            row = row.united(FView->visualRect(model->index(FRow, column)));
        return QRect(FView->viewport()->mapToGlobal(row.topLeft()), row.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }

    QAccessible::State state() const override {
        QAccessible::State st;
        if (!isValid()) {
            st.invalid = true;
            return st;
        }
        st.focusable = true;
        st.selectable = true;
        const QModelIndex index = FView->model()->index(FRow, 0);
        if (FView->selectionModel() && FView->selectionModel()->isRowSelected(FRow, QModelIndex()))
            st.selected = true;
        if (FView->hasFocus() && FView->currentIndex().row() == FRow)
            st.focused = true;
        if (!FView->isVisible() || !FView->viewport()->rect().intersects(FView->visualRect(index)))
            st.invisible = st.offscreen = true;
        return st;
    }

    const QTreeView* View() const { return FView.data(); }
    int Row() const { return FRow; }

private:
    QPointer<QTreeView> FView;
    const int FRow;
};

QAccessibleInterface* TrackListFactory(const QString& className, QObject* object) {
    auto* view = qobject_cast<QTreeView*>(object);
    if (className != QLatin1String("TTrackListView") || view == nullptr)
        return nullptr;
    return new AccessibleTrackList(view);
}
} // namespace

void InstallTrackListAccessibility() {
    QAccessible::installFactory(TrackListFactory);
}

AccessibleTrackList::AccessibleTrackList(QTreeView* view) : QAccessibleWidget(view, QAccessible::List) {}

AccessibleTrackList::~AccessibleTrackList() {
    for (const QMetaObject::Connection& c : FConnections)
        QObject::disconnect(c);
    DropRows();
}

QTreeView* AccessibleTrackList::view() const {
    return static_cast<QTreeView*>(widget());
}

void AccessibleTrackList::FollowModel() const {
    QAbstractItemModel* model = view()->model();
    if (model == FModel)
        return;
    for (const QMetaObject::Connection& c : FConnections)
        QObject::disconnect(c);
    FConnections.clear();
    DropRows();
    FModel = model;
    if (model == nullptr)
        return;
    const auto drop = [this] { DropRows(); };
    FConnections = {
        QObject::connect(model, &QAbstractItemModel::modelReset, view(), drop),
        QObject::connect(model, &QAbstractItemModel::rowsInserted, view(), drop),
        QObject::connect(model, &QAbstractItemModel::rowsRemoved, view(), drop),
        QObject::connect(model, &QAbstractItemModel::rowsMoved, view(), drop),
        QObject::connect(model, &QAbstractItemModel::layoutChanged, view(), drop),
    };
}

void AccessibleTrackList::DropRows() const {
    const QHash<int, QAccessible::Id> rows = std::exchange(FRows, {});
    for (const QAccessible::Id id : rows)
        QAccessible::deleteAccessibleInterface(id);
}

int AccessibleTrackList::childCount() const {
    FollowModel();
    return FModel ? FModel->rowCount() : 0;
}

QAccessibleInterface* AccessibleTrackList::child(int index) const {
    if (index < 0 || index >= childCount())
        return nullptr;
    if (const auto found = FRows.constFind(index); found != FRows.constEnd())
        return QAccessible::accessibleInterface(*found);
    auto* row = new AccessibleTrackRow(view(), index);
    const QAccessible::Id id = QAccessible::registerAccessibleInterface(row);
    FRows.insert(index, id);
    return row;
}

int AccessibleTrackList::indexOfChild(const QAccessibleInterface* child) const {
    const auto* row = dynamic_cast<const AccessibleTrackRow*>(child);
    if (row == nullptr || row->View() != view() || !row->isValid())
        return -1;
    return row->Row();
}

QAccessibleInterface* AccessibleTrackList::focusChild() const {
    if (!view()->hasFocus() || !view()->currentIndex().isValid())
        return nullptr;
    return child(view()->currentIndex().row());
}

QAccessibleInterface* AccessibleTrackList::childAt(int x, int y) const {
    const QPoint local = view()->viewport()->mapFromGlobal(QPoint(x, y));
    const QModelIndex index = view()->indexAt(local);
    return index.isValid() ? child(index.row()) : nullptr;
}
