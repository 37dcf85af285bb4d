#include "playlist/TrackListModel.h"

#include <utility>

TTrackListModel::TTrackListModel(const TPathList* files, QObject* parent, ListedName listedName)
    : QAbstractTableModel(parent), FFileList(files), FListedName(std::move(listedName)) {}

void TTrackListModel::Reset() {
    beginResetModel();
    endResetModel();
}

void TTrackListModel::BeginAppend(int first, int last) {
    beginInsertRows(QModelIndex(), first, last);
}

void TTrackListModel::EndAppend() {
    endInsertRows();
}

int TTrackListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || FFileList == nullptr)
        return 0;
    return int(FFileList->size());
}

int TTrackListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TTrackListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return {};
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const QString path = FFileList->at(index.row());
    if (index.column() == PathColumn)
        return path;
    if (FListedName)
        if (QString listed = FListedName(path); !listed.isEmpty())
            return listed;
    // Worked out per request: a hundred thousand rows must not cost a hundred thousand stored names.
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QVariant TTrackListModel::headerData(int, Qt::Orientation, int) const {
    return {};
}
