#include "LeftLargeDataRow.h"

#include "Manager/LargeFilesManager.h"

#include <algorithm>

void LeftLargeDataRow::setUp(bool isSelectedView, int slot)
{
    if (!isSelectedView) {
        files_ = engineGroup(slot);
    }
    isSelectView_ = isSelectedView;
}

DuplicateFilesPtr LeftLargeDataRow::engineGroup(int slot)
{
    const DuplicateFilesList groups = LargeFilesManager::default_().allFiles();
    if (slot < 0 || slot >= groups.size() || !groups.at(slot)) {
        return std::make_shared<DuplicateFiles>();
    }
    return groups.at(slot);
}

int LeftLargeDataRow::countOf(const QList<FileInfoPtr>& files, bool selectedOnly)
{
    if (!selectedOnly) {
        return int(files.size());
    }
    return int(std::count_if(files.cbegin(), files.cend(), [](const FileInfoPtr& file) { return file->selected(); }));
}

uint64_t LeftLargeDataRow::sizeOf(const QList<FileInfoPtr>& files, bool selectedOnly)
{
    uint64_t sum = 0;
    for (const FileInfoPtr& file : files) {
        if (!selectedOnly || file->selected()) {
            sum += file->size();
        }
    }
    return sum;
}

int LeftLargeDataRow::filesCount() const
{
    return countOf(engineGroup(slot())->infos(), isSelectView_);
}

uint64_t LeftLargeDataRow::filesSize() const
{
    const DuplicateFilesPtr group = engineGroup(slot());
    // The engine keeps an all-files row's total; a selected-only row adds
    // up its checked files.
    return isSelectView_ ? sizeOf(group->infos(), true) : group->totalSize();
}

double LeftLargeDataRow::progressValue() const
{
    const uint64_t size = filesSize();
    const DuplicateFilesPtr all = engineGroup(0);
    const uint64_t total = isSelectView_ ? sizeOf(all->infos(), true) : all->totalSize();
    if (size == 0 || total == 0) {
        return 0.0;
    }
    return std::clamp(double(size) / double(total), 0.0, 1.0);
}
