#include "ScanImagesModels.h"

ScanImagesItemPtr ImageItemSource::imageOf(const QModelIndex& index)
{
    const auto* source = dynamic_cast<const ImageItemSource*>(index.model());
    return source ? source->imageForIndex(index) : nullptr;
}

// --- Groups -------------------------------------------------------------------

void ScanImagesGroupListModel::setGroups(const ScanImagesGroupList& groups)
{
    beginResetModel();
    groups_ = groups;
    endResetModel();
}

ScanImagesGroupItemPtr ScanImagesGroupListModel::groupAt(int row) const
{
    return row >= 0 && row < groups_.size() ? groups_.at(row) : nullptr;
}

void ScanImagesGroupListModel::refresh()
{
    if (!groups_.isEmpty()) {
        emit dataChanged(index(0), index(int(groups_.size()) - 1));
    }
}

int ScanImagesGroupListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(groups_.size());
}

QVariant ScanImagesGroupListModel::data(const QModelIndex& index, int role) const
{
    const ScanImagesGroupItemPtr group = groupAt(index.row());
    if (!group || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) {
        return {};
    }
    return group->groupName();
}

// --- One group's images ---------------------------------------------------------

void ScanImagesGroupImagesModel::setGroup(const ScanImagesGroupItemPtr& group)
{
    beginResetModel();
    group_ = group;
    endResetModel();
}

void ScanImagesGroupImagesModel::refresh()
{
    const int rows = rowCount();
    if (rows > 0) {
        emit dataChanged(index(0), index(rows - 1));
    }
}

ScanImagesItemPtr ScanImagesGroupImagesModel::imageForIndex(const QModelIndex& index) const
{
    if (!group_ || !index.isValid() || index.model() != this || index.row() >= group_->dupImageItems().size()) {
        return nullptr;
    }
    return group_->dupImageItems().at(index.row());
}

int ScanImagesGroupImagesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !group_ ? 0 : int(group_->dupImageItems().size());
}

QVariant ScanImagesGroupImagesModel::data(const QModelIndex& index, int role) const
{
    const ScanImagesItemPtr item = imageForIndex(index);
    if (!item || role != Qt::DisplayRole) {
        return {};
    }
    return item->imageName();
}

// --- Sections -------------------------------------------------------------------

void ScanImagesSectionModel::setGroups(const ScanImagesGroupList& groups)
{
    beginResetModel();
    groups_ = groups;
    endResetModel();
}

// An item's internal id is its section + 1; a section's is 0.
ScanImagesItemPtr ScanImagesSectionModel::imageForIndex(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this || index.internalId() == 0) {
        return nullptr;
    }
    const qsizetype section = qsizetype(index.internalId()) - 1;
    if (section >= groups_.size() || !groups_.at(section)) {
        return nullptr;
    }
    const auto& items = groups_.at(section)->dupImageItems();
    return index.row() < items.size() ? items.at(index.row()) : nullptr;
}

QModelIndex ScanImagesSectionModel::index(int row, int column, const QModelIndex& parent) const
{
    if (row < 0 || column != 0 || row >= rowCount(parent)) {
        return {};
    }
    return createIndex(row, column, parent.isValid() ? quintptr(parent.row()) + 1 : quintptr(0));
}

QModelIndex ScanImagesSectionModel::parent(const QModelIndex& child) const
{
    if (!child.isValid() || child.internalId() == 0) {
        return {};
    }
    return createIndex(int(child.internalId() - 1), 0, quintptr(0));
}

int ScanImagesSectionModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid()) {
        return int(groups_.size());
    }
    if (parent.internalId() != 0 || parent.row() >= groups_.size() || !groups_.at(parent.row())) {
        return 0;
    }
    return int(groups_.at(parent.row())->dupImageItems().size());
}

int ScanImagesSectionModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant ScanImagesSectionModel::data(const QModelIndex& index, int role) const
{
    const ScanImagesItemPtr item = imageForIndex(index);
    if (!item || role != Qt::DisplayRole) {
        return {};
    }
    return item->imageName();
}
