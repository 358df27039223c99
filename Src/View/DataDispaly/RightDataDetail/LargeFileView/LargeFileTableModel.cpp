#include "LargeFileTableModel.h"

#include "View/Extension/KPLExtension.h"

LargeFileTableModel::LargeFileTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void LargeFileTableModel::setFiles(QList<FileInfoPtr> files)
{
    beginResetModel();
    files_ = std::move(files);
    endResetModel();
}

void LargeFileTableModel::setCheckable(bool checkable)
{
    if (checkable_ == checkable) {
        return;
    }
    checkable_ = checkable;
    refreshChecks();
}

void LargeFileTableModel::refreshChecks()
{
    if (!files_.isEmpty()) {
        emit dataChanged(index(0, checkColumn), index(rowCount() - 1, checkColumn));
    }
}

int LargeFileTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(files_.size());
}

int LargeFileTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columnCount_;
}

QVariant LargeFileTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= files_.size()) {
        return {};
    }
    const FileInfoPtr& file = files_.at(index.row());
    switch (index.column()) {
    case checkColumn:
        if (role == Qt::CheckStateRole) {
            return file->selected() ? Qt::Checked : Qt::Unchecked;
        }
        break;
    case nameColumn:
        if (role == Qt::DisplayRole) {
            return file->name();
        }
        if (role == Qt::ToolTipRole) {
            return file->displayPath();
        }
        if (role == Qt::DecorationRole) {
            return file->icon();
        }
        break;
    case sizeColumn:
        if (role == Qt::DisplayRole) {
            return transformedFileSize(file->size(), false, true);
        }
        if (role == Qt::TextAlignmentRole) {
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        }
        break;
    default:
        break;
    }
    return {};
}

bool LargeFileTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.column() != checkColumn || role != Qt::CheckStateRole || !checkable_
        || index.row() >= files_.size()) {
        return false;
    }
    files_.at(index.row())->setSelected(value.toInt() == Qt::Checked);
    emit dataChanged(index, index);
    if (onCheck_) {
        onCheck_(index.row());
    }
    return true;
}

Qt::ItemFlags LargeFileTableModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == checkColumn && checkable_) {
        flags |= Qt::ItemIsUserCheckable;
    }
    return flags;
}
