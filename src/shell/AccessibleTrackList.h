#pragma once

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

class QAbstractItemModel;
class QTreeView;

/// The accessible face of the track list: a list with one item per track, named by its file name.
///
/// Qt shows a two-column view as a table of cells; a screen reader then reads every row whole, the full
/// path included, adds "column 1 of 2", and takes the current cell for the focus even while the focus is
/// elsewhere. Here an item's name is the first column's text and its description the second's (the path,
/// read only on request), and an item is focused only while the list has the focus.
class AccessibleTrackList : public QAccessibleWidget {
public:
    explicit AccessibleTrackList(QTreeView* view);
    ~AccessibleTrackList() override;
    AccessibleTrackList(const AccessibleTrackList&) = delete;
    AccessibleTrackList& operator=(const AccessibleTrackList&) = delete;

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* focusChild() const override;
    QAccessibleInterface* childAt(int x, int y) const override;

    QTreeView* view() const;

private:
    // Row items live in Qt's accessibility cache; they are dropped whenever the rows change, since an
    // item stands for a row number.
    void FollowModel() const;
    void DropRows() const;

    mutable QPointer<QAbstractItemModel> FModel;
    mutable QList<QMetaObject::Connection> FConnections;
    mutable QHash<int, QAccessible::Id> FRows;
};

/// Makes every TTrackListView use AccessibleTrackList. Safe to call more than once.
void InstallTrackListAccessibility();
