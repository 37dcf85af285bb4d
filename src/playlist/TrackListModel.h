#pragma once

#include "util/PathList.h"

#include <QAbstractTableModel>

#include <functional>

/// The track list as the list view shows it: per path, its file name (or its listed name) and the
/// path itself.
/// Reads the window's list in place, so Reset() must follow every change to it.
class TTrackListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { NameColumn = 0, PathColumn = 1, ColumnCount = 2 };

    /// The name a path is listed by when it has one of its own (a talking book's title); empty: none.
    using ListedName = std::function<QString(const QString& path)>;

    /// A model over files, which must outlive it; nullptr shows an empty list.
    explicit TTrackListModel(const TPathList* files, QObject* parent = nullptr, ListedName listedName = {});

    /// Tells the views that the list was rebuilt.
    void Reset();
    /// Around an append to the list: rows first..last are about to come, and have come. The rows
    /// before them, and the views' place among them, stay as they are.
    void BeginAppend(int first, int last);
    void EndAppend();

    /// The number of paths; 0 below the top level.
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    /// Always two; 0 below the top level.
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    /// The file name or the path for the display and accessible-text roles; empty otherwise.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    /// Always empty: the list shows no headers.
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const TPathList* FFileList;
    ListedName FListedName;
};
