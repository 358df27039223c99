#include "RightLargeFileTableModel.h"

#include "Main/Utilities.h"

RightLargeFileTableModel::RightLargeFileTableModel(QObject* parent)
    : QAbstractListModel(parent)
{
}

void RightLargeFileTableModel::setFiles(QList<FileInfoPtr> files)
{
    beginResetModel();
    files_ = std::move(files);
    endResetModel();
}

FileInfoPtr RightLargeFileTableModel::fileAt(int row) const
{
    return row >= 0 && row < files_.size() ? files_.at(row) : nullptr;
}

int RightLargeFileTableModel::rowOf(const FileInfoPtr& file) const
{
    return file ? int(files_.indexOf(file)) : -1;
}

void RightLargeFileTableModel::rowChanged(int row)
{
    if (row >= 0 && row < files_.size()) {
        emit dataChanged(index(row), index(row));
    }
}

void RightLargeFileTableModel::allRowsChanged()
{
    if (!files_.isEmpty()) {
        emit dataChanged(index(0), index(int(files_.size()) - 1));
    }
}

int RightLargeFileTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(files_.size());
}

QVariant RightLargeFileTableModel::data(const QModelIndex& index, int role) const
{
    const FileInfoPtr file = fileAt(index.row());
    if (!file) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole: return file->name();
    // The whole path: files of one name in different folders are told
    // apart before one of them goes.
    case Qt::ToolTipRole: return toolTips_ ? QVariant(plainToolTip(file->displayPath())) : QVariant();
    case Qt::CheckStateRole: return file->selected() ? Qt::Checked : Qt::Unchecked;
    default: return {};
    }
}

Qt::ItemFlags RightLargeFileTableModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}
