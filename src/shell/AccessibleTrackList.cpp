#include "shell/AccessibleTrackList.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QTreeView>
#include <QWindow>

#include <utility>

namespace {
QRect GlobalRect(const QTreeView* view, const QRect& local) {
    return QRect(view->viewport()->mapToGlobal(local.topLeft()), local.size());
}

// The path of a row, as the second column shows it: a part of the row a reader reaches by reviewing
// the screen, not one it speaks when the row is focused.
class AccessibleTrackPath : public QAccessibleInterface {
public:
    AccessibleTrackPath(QTreeView* view, int row, QAccessible::Id rowId)
        : FView(view), FRow(row), FRowId(rowId) {}

    bool isValid() const override {
        return FView != nullptr && FView->model() != nullptr && FRow < FView->model()->rowCount() &&
               FView->model()->columnCount() > 1;
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return FView ? FView->window()->windowHandle() : nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::accessibleInterface(FRowId); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name || !isValid())
            return {};
        return FView->model()->index(FRow, 1).data(Qt::AccessibleTextRole).toString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        return isValid() ? GlobalRect(FView, FView->visualRect(FView->model()->index(FRow, 1))) : QRect();
    }
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QAccessible::State state() const override {
        QAccessible::State st;
        if (!isValid()) {
            st.invalid = true;
            return st;
        }
        st.readOnly = true;
        const QRect shown = FView->visualRect(FView->model()->index(FRow, 1));
        if (!FView->isVisible() || !FView->viewport()->rect().intersects(shown))
            st.invisible = st.offscreen = true;
        return st;
    }

private:
    QPointer<QTreeView> FView;
    const int FRow;
    const QAccessible::Id FRowId;
};

class AccessibleTrackRow : public QAccessibleInterface {
public:
    AccessibleTrackRow(QTreeView* view, int row) : FView(view), FRow(row) {}
    ~AccessibleTrackRow() override {
        if (FPathId != 0)
            QAccessible::deleteAccessibleInterface(FPathId);
    }
    AccessibleTrackRow(const AccessibleTrackRow&) = delete;
    AccessibleTrackRow& operator=(const AccessibleTrackRow&) = delete;

    bool isValid() const override {
        return FView != nullptr && FView->model() != nullptr && FRow < FView->model()->rowCount();
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return FView ? FView->window()->windowHandle() : nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(FView.data());
    }
    QAccessibleInterface* child(int index) const override {
        if (index != 0 || childCount() == 0)
            return nullptr;
        if (FPathId == 0) {
            auto* path = new AccessibleTrackPath(
                FView.data(), FRow, QAccessible::uniqueId(const_cast<AccessibleTrackRow*>(this)));
            FPathId = QAccessible::registerAccessibleInterface(path);
        }
        return QAccessible::accessibleInterface(FPathId);
    }
    int childCount() const override { return isValid() && FView->model()->columnCount() > 1 ? 1 : 0; }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return FPathId != 0 && child == QAccessible::accessibleInterface(FPathId) ? 0 : -1;
    }

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
        // The name's column: the path beside it is the row's child.
        return GlobalRect(FView, FView->visualRect(FView->model()->index(FRow, 0)));
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
    mutable QAccessible::Id FPathId = 0;
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
