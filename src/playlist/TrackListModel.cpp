#include "playlist/TrackListModel.h"

TrackListModel::TrackListModel(const QStringList* files, QObject* parent)
    : QAbstractTableModel(parent), FFileList(files) {}

void TrackListModel::Reset() {
    beginResetModel();
    endResetModel();
}

int TrackListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || FFileList == nullptr)
        return 0;
    return int(FFileList->size());
}

int TrackListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TrackListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return {};
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const QString& path = FFileList->at(index.row());
    if (index.column() == PathColumn)
        return path;
    // Worked out per request: a hundred thousand rows must not cost a hundred thousand stored names.
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QVariant TrackListModel::headerData(int, Qt::Orientation, int) const {
    return {};
}
