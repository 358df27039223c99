#include "RowCountModel.h"

RowCountModel::RowCountModel(std::function<int()> count, QObject* parent)
    : QAbstractTableModel(parent)
    , count_(std::move(count))
{
}

int RowCountModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count_();
}

int RowCountModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant RowCountModel::data(const QModelIndex&, int) const
{
    return {};
}

Qt::ItemFlags RowCountModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}

void RowCountModel::reload(const std::function<void()>& apply)
{
    beginResetModel();
    if (apply) {
        apply();
    }
    endResetModel();
}

void RowCountModel::insertRows(int first, int count, const std::function<void()>& apply)
{
    if (count <= 0) {
        apply();
        return;
    }
    beginInsertRows(QModelIndex(), first, first + count - 1);
    apply();
    endInsertRows();
}

void RowCountModel::rowChanged(int row)
{
    if (row >= 0 && row < rowCount()) {
        emit dataChanged(index(row, 0), index(row, 0));
    }
}
