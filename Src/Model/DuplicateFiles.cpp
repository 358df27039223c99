#include "DuplicateFiles.h"

uint64_t DuplicateFiles::selectedSize() const
{
    uint64_t sum = 0;
    for (const FileInfoPtr& info : infos_) {
        if (info->selected()) {
            sum += info->size();
        }
    }
    return sum;
}

int DuplicateFiles::selectedCount() const
{
    int count = 0;
    for (const FileInfoPtr& info : infos_) {
        count += info->selected() ? 1 : 0;
    }
    return count;
}

FileType DuplicateFiles::fileType() const
{
    return infos_.isEmpty() ? FileType::other : infos_.first()->fileType();
}

int DuplicateFiles::errorCount() const
{
    int count = 0;
    for (const FileInfoPtr& info : infos_) {
        count += info->removeError().has_value() ? 1 : 0;
    }
    return count;
}
