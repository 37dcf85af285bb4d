#pragma once

#include <QTreeView>

/// The on-screen track list: two columns (name and path) for the eye, one list of names for a screen
/// reader (see AccessibleTrackList).
///
/// It tells a screen reader of a new current row only while it has the focus and only for the user's own
/// moves: a row made current by the program (the next track starting) is announced by the window title.
class TTrackListView : public QTreeView {
    Q_OBJECT
public:
    explicit TTrackListView(QWidget* parent = nullptr);

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void AnnounceCurrentRow();

    bool FUserMove = false;
};
