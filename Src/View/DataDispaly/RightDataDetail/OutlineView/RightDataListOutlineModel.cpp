#include "RightDataListOutlineModel.h"

#include <bit>

namespace {
// Beyond this many separate runs of new groups a reset is cheaper than the
// insertions one by one.
constexpr size_t kMaxInsertRuns = 64;
}

RightDataListOutlineModel::RightDataListOutlineModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

int RightDataListOutlineModel::rowsOf(int position) const
{
    const DuplicateFiles* group = groups_.list()[position].get();
    // A group listed twice opens at its first place only; an open group
    // shows the files it had when it opened, until the next list.
    const auto open = expanded_.constFind(group);
    if (open == expanded_.cend() || groups_.rowOf(group) != position) {
        return 1;
    }
    return 1 + open->files;
}

void RightDataListOutlineModel::rebuildSums()
{
    const int count = int(groups_.list().size());
    sums_.assign(size_t(count) + 1, 0);
    totalRows_ = 0;
    for (int i = 1; i <= count; ++i) {
        const int rows = rowsOf(i - 1);
        totalRows_ += rows;
        sums_[size_t(i)] += rows;
        const int up = i + (i & -i);
        if (up <= count) {
            sums_[size_t(up)] += sums_[size_t(i)];
        }
    }
}

void RightDataListOutlineModel::addToSum(int position, int delta)
{
    totalRows_ += delta;
    for (int i = position + 1; i < int(sums_.size()); i += i & -i) {
        sums_[size_t(i)] += delta;
    }
}

int RightDataListOutlineModel::rowsBefore(int position) const
{
    int sum = 0;
    for (int i = position; i > 0; i -= i & -i) {
        sum += sums_[size_t(i)];
    }
    return sum;
}

RightDataListOutlineModel::Place RightDataListOutlineModel::placeOfRow(int row) const
{
    if (row < 0 || row >= totalRows_) {
        return {};
    }
    // The last group whose rows begin at or before `row`: walk down the
    // tree, taking every block that ends before it.
    const int count = int(sums_.size()) - 1;
    int position = 0;
    int before = 0;
    for (int step = int(std::bit_floor(unsigned(count))); step > 0; step >>= 1) {
        const int next = position + step;
        if (next <= count && before + sums_[size_t(next)] <= row) {
            position = next;
            before += sums_[size_t(next)];
        }
    }
    return Place{position, row - before - 1};
}

bool RightDataListOutlineModel::setGroups(const DuplicateFilesList& groups)
{
    // Open groups that the new list no longer holds are forgotten; the
    // others show the files they hold now.
    auto keepOpenGroupsShown = [this] {
        for (auto it = expanded_.begin(); it != expanded_.end();) {
            if (groups_.rowOf(it.key()) < 0) {
                it = expanded_.erase(it);
            } else {
                it->files = it->group->fileCount();
                ++it;
            }
        }
        rebuildSums();
    };
    // A removal takes files out of the groups it leaves in place: when an
    // open group no longer has the files its rows show, inserting only the
    // new groups would leave rows that point past its files.
    bool filesChanged = false;
    for (auto it = expanded_.cbegin(); it != expanded_.cend() && !filesChanged; ++it) {
        filesChanged = it->files != it->group->fileCount();
    }
    if (filesChanged) {
        beginResetModel();
        groups_.update(groups, kMaxInsertRuns, [](int, int, const std::function<void()>& apply) { apply(); },
                       [](const std::function<void()>& apply) { apply(); });
        keepOpenGroupsShown();
        endResetModel();
        return false;
    }
    return groups_.update(
        groups, kMaxInsertRuns,
        [this](int first, int count, const std::function<void()>& apply) {
            // New groups are closed: one row each, at the row of the group
            // now at `first`.
            const int row = first < int(groups_.list().size()) ? firstRowOf(first) : totalRows_;
            beginInsertRows(QModelIndex(), row, row + count - 1);
            apply();
            rebuildSums();
            endInsertRows();
        },
        [this, &keepOpenGroupsShown](const std::function<void()>& apply) {
            beginResetModel();
            apply();
            keepOpenGroupsShown();
            endResetModel();
        });
}

DuplicateFilesPtr RightDataListOutlineModel::groupAt(const QModelIndex& index) const
{
    const Place place = placeOfRow(index.isValid() ? index.row() : -1);
    return place.group >= 0 && place.file < 0 ? groups_.list()[place.group] : nullptr;
}

FileInfoPtr RightDataListOutlineModel::fileAt(const QModelIndex& index) const
{
    const Place place = placeOfRow(index.isValid() ? index.row() : -1);
    if (place.group < 0 || place.file < 0) {
        return nullptr;
    }
    const QList<FileInfoPtr>& files = groups_.list()[place.group]->infos();
    return place.file < files.size() ? files[place.file] : nullptr;
}

DuplicateFilesPtr RightDataListOutlineModel::parentGroup(const QModelIndex& index) const
{
    const Place place = placeOfRow(index.isValid() ? index.row() : -1);
    return place.group >= 0 ? groups_.list()[place.group] : nullptr;
}

QModelIndex RightDataListOutlineModel::indexOfGroup(const DuplicateFiles* group) const
{
    const int position = groups_.rowOf(group);
    return position >= 0 ? index(firstRowOf(position), 0) : QModelIndex();
}

QModelIndex RightDataListOutlineModel::fileIndex(const DuplicateFiles* group, int file) const
{
    const int position = groups_.rowOf(group);
    if (position < 0 || file < 0 || file >= rowsOf(position) - 1) {
        return {};
    }
    return index(firstRowOf(position) + 1 + file, 0);
}

QModelIndex RightDataListOutlineModel::indexOfFile(const DuplicateFiles* group, const FileInfo* file) const
{
    if (!group || !file) {
        return {};
    }
    const QList<FileInfoPtr>& files = group->infos();
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (files[i].get() == file) {
            return fileIndex(group, int(i));
        }
    }
    return {};
}

QModelIndex RightDataListOutlineModel::indexOfShownFile(const FileInfo& file) const
{
    // Only open groups give their files rows; the first row wins.
    QModelIndex found;
    for (auto it = expanded_.cbegin(); it != expanded_.cend(); ++it) {
        const QList<FileInfoPtr>& files = it->group->infos();
        for (qsizetype i = 0; i < files.size(); ++i) {
            if (files[i].get() == &file || *files[i] == file) {
                const QModelIndex at = fileIndex(it.key(), int(i));
                if (at.isValid() && (!found.isValid() || at.row() < found.row())) {
                    found = at;
                }
                break;
            }
        }
    }
    return found;
}

bool RightDataListOutlineModel::expand(const DuplicateFiles* group)
{
    const int position = groups_.rowOf(group);
    if (position < 0 || expanded_.contains(group)) {
        return false;
    }
    const DuplicateFilesPtr& shown = groups_.list()[position];
    const int files = shown->fileCount();
    const int row = firstRowOf(position);
    if (files > 0) {
        beginInsertRows(QModelIndex(), row + 1, row + files);
    }
    expanded_.insert(group, Open{shown, files});
    addToSum(position, files);
    if (files > 0) {
        endInsertRows();
    }
    return true;
}

bool RightDataListOutlineModel::collapse(const DuplicateFiles* group)
{
    const int position = groups_.rowOf(group);
    if (position < 0 || !expanded_.contains(group)) {
        return false;
    }
    const int files = rowsOf(position) - 1;
    const int row = firstRowOf(position);
    if (files > 0) {
        beginRemoveRows(QModelIndex(), row + 1, row + files);
    }
    expanded_.remove(group);
    addToSum(position, -files);
    if (files > 0) {
        endRemoveRows();
    }
    return true;
}

void RightDataListOutlineModel::expandAll()
{
    beginResetModel();
    for (const DuplicateFilesPtr& group : groups_.list()) {
        expanded_.insert(group.get(), Open{group, group->fileCount()});
    }
    rebuildSums();
    endResetModel();
}

void RightDataListOutlineModel::collapseAll()
{
    beginResetModel();
    expanded_.clear();
    rebuildSums();
    endResetModel();
}

void RightDataListOutlineModel::groupChanged(const DuplicateFiles* group, bool withFiles)
{
    const int position = groups_.rowOf(group);
    if (position < 0) {
        return;
    }
    const int row = firstRowOf(position);
    const int last = withFiles ? row + rowsOf(position) - 1 : row;
    emit dataChanged(index(row, 0), index(last, 0));
}

int RightDataListOutlineModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : totalRows_;
}

int RightDataListOutlineModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant RightDataListOutlineModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) {
        return {};
    }
    if (const FileInfoPtr file = fileAt(index)) {
        return file->displayPath();
    }
    if (const DuplicateFilesPtr group = groupAt(index)) {
        return group->infos().isEmpty() ? QString() : group->infos().first()->name();
    }
    return {};
}

Qt::ItemFlags RightDataListOutlineModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}
