#include "WhiteListPathModel.h"

#include "Foundation/ResourceValues.h"
#include "Main/Utilities.h"

#include <QFile>

WhiteListPathModel::WhiteListPathModel(QObject* parent)
    : QAbstractListModel(parent)
{
}

void WhiteListPathModel::setEntries(const QStringList& entries)
{
    beginResetModel();
    entries_ = entries;
    endResetModel();
}

void WhiteListPathModel::setChosenRow(int row)
{
    if (row == chosenRow_) {
        return;
    }
    const int old = chosenRow_;
    chosenRow_ = row;
    rowChanged(old);
    rowChanged(row);
}

QString WhiteListPathModel::displayPath(int row) const
{
    if (row < 0 || row >= entries_.size() || entries_.at(row).isEmpty()) {
        return {};
    }
    return QFile::decodeName(FilePath::fromStoredText(entries_.at(row)));
}

int WhiteListPathModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(entries_.size());
}

QVariant WhiteListPathModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= entries_.size()) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        return displayPath(index.row());
    case Qt::ToolTipRole:
        return plainToolTip(displayPath(index.row()));
    case ChosenRole:
        return index.row() == chosenRow_;
    default:
        return {};
    }
}

Qt::ItemFlags WhiteListPathModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled : Qt::NoItemFlags;
}

void WhiteListPathModel::rowChanged(int row)
{
    if (row >= 0 && row < entries_.size()) {
        const QModelIndex at = index(row, 0);
        emit dataChanged(at, at);
    }
}
