#include "RightDataListOutlineModel.h"

namespace {
// Beyond this many separate runs of new groups a reset is cheaper than the
// insertions one by one.
constexpr size_t kMaxInsertRuns = 64;
}

RightDataListOutlineModel::RightDataListOutlineModel(QObject* parent)
    : QAbstractItemModel(parent)
{
}

bool RightDataListOutlineModel::setGroups(const DuplicateFilesList& groups)
{
    return groups_.update(
        groups, kMaxInsertRuns,
        [this](int first, int count, const std::function<void()>& apply) {
            beginInsertRows(QModelIndex(), first, first + count - 1);
            apply();
            endInsertRows();
        },
        [this](const std::function<void()>& apply) {
            beginResetModel();
            apply();
            endResetModel();
        });
}

DuplicateFilesPtr RightDataListOutlineModel::groupAt(const QModelIndex& index) const
{
    if (!isGroupIndex(index) || index.row() >= groups_.list().size()) {
        return nullptr;
    }
    return groups_.list()[index.row()];
}

DuplicateFilesPtr RightDataListOutlineModel::parentGroup(const QModelIndex& index) const
{
    if (!index.isValid() || !index.internalPointer()) {
        return nullptr;
    }
    const auto* group = static_cast<const DuplicateFiles*>(index.internalPointer());
    const int row = groups_.rowOf(group);
    return row >= 0 ? groups_.list()[row] : nullptr;
}

FileInfoPtr RightDataListOutlineModel::fileAt(const QModelIndex& index) const
{
    const DuplicateFilesPtr group = parentGroup(index);
    if (!group || index.row() >= group->fileCount()) {
        return nullptr;
    }
    return group->infos()[index.row()];
}

int RightDataListOutlineModel::rowOfGroup(const DuplicateFiles* group) const
{
    return groups_.rowOf(group);
}

QModelIndex RightDataListOutlineModel::indexOfGroup(const DuplicateFiles* group) const
{
    const int row = groups_.rowOf(group);
    return row >= 0 ? createIndex(row, 0, nullptr) : QModelIndex();
}

QModelIndex RightDataListOutlineModel::indexOfFile(const DuplicateFiles* group, const FileInfo* file) const
{
    const int groupRow = groups_.rowOf(group);
    if (groupRow < 0 || !file) {
        return {};
    }
    const QList<FileInfoPtr>& files = groups_.list()[groupRow]->infos();
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (files[i].get() == file) {
            return createIndex(int(i), 0, const_cast<DuplicateFiles*>(groups_.list()[groupRow].get()));
        }
    }
    return {};
}

void RightDataListOutlineModel::groupChanged(const DuplicateFiles* group, bool withFiles)
{
    const QModelIndex at = indexOfGroup(group);
    if (!at.isValid()) {
        return;
    }
    emit dataChanged(at, at);
    const int files = groups_.list()[at.row()]->fileCount();
    if (withFiles && files > 0) {
        emit dataChanged(index(0, 0, at), index(files - 1, 0, at));
    }
}

QModelIndex RightDataListOutlineModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0 || row < 0) {
        return {};
    }
    if (!parent.isValid()) {
        return row < groups_.list().size() ? createIndex(row, 0, nullptr) : QModelIndex();
    }
    const DuplicateFilesPtr group = groupAt(parent);
    if (!group || row >= group->fileCount()) {
        return {};
    }
    return createIndex(row, 0, const_cast<DuplicateFiles*>(group.get()));
}

QModelIndex RightDataListOutlineModel::parent(const QModelIndex& child) const
{
    if (!child.isValid() || !child.internalPointer()) {
        return {};
    }
    const int row = groups_.rowOf(static_cast<const DuplicateFiles*>(child.internalPointer()));
    return row >= 0 ? createIndex(row, 0, nullptr) : QModelIndex();
}

int RightDataListOutlineModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid()) {
        return int(groups_.list().size());
    }
    const DuplicateFilesPtr group = groupAt(parent);
    return group ? group->fileCount() : 0;
}

int RightDataListOutlineModel::columnCount(const QModelIndex&) const
{
    return 1;
}

bool RightDataListOutlineModel::hasChildren(const QModelIndex& parent) const
{
    return rowCount(parent) > 0;
}

QVariant RightDataListOutlineModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) {
        return {};
    }
    if (const DuplicateFilesPtr group = groupAt(index)) {
        return group->infos().isEmpty() ? QString() : group->infos().first()->name();
    }
    if (const FileInfoPtr file = fileAt(index)) {
        return file->displayPath();
    }
    return {};
}

Qt::ItemFlags RightDataListOutlineModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.internalPointer()) {
        flags |= Qt::ItemNeverHasChildren;
    }
    return flags;
}
