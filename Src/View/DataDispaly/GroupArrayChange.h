#pragma once

#include <optional>
#include <vector>

#include "Model/DuplicateFiles.h"
#include "Manager/ScanManager.h"

// How a new group list relates to the one shown: when it holds every shown
// group in the same order (the same objects), only the groups in between
// are new. The runs of new groups, by their place in the new list, let a
// model insert just those rows.
struct GroupInsertRun {
    qsizetype position = 0;  // in the new list
    qsizetype count = 0;
};

// The runs of groups that `next` adds to `shown`, in ascending order; none
// when `next` drops or reorders a shown group. Equal lists give an empty
// vector.
std::optional<std::vector<GroupInsertRun>> groupInsertRuns(const DuplicateFilesList& shown,
                                                           const DuplicateFilesList& next);

// Two file lists are equal when they hold equal files (by path) in order.
bool sameFiles(const QList<FileInfoPtr>& a, const QList<FileInfoPtr>& b);
