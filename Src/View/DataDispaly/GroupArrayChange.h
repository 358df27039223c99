#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "Model/DuplicateFiles.h"
#include "Manager/ScanManager.h"

#include <QHash>

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

// The group list a model shows, with the row of each group (its first row
// when a group is listed twice).
class GroupRows {
public:
    using Insert = std::function<void(int first, int count, const std::function<void()>& apply)>;
    using Reset = std::function<void(const std::function<void()>& apply)>;

    const DuplicateFilesList& list() const { return groups_; }
    int rowOf(const DuplicateFiles* group) const { return rows_.value(group, -1); }

    // Shows `next`. When it only adds groups (in at most `maxRuns` runs),
    // each run goes in through `insert`, which wraps the change for the
    // model; otherwise everything is replaced through `reset`. True when
    // only rows were inserted.
    bool update(const DuplicateFilesList& next, size_t maxRuns, const Insert& insert, const Reset& reset);

private:
    void rebuild();

    DuplicateFilesList groups_;
    QHash<const DuplicateFiles*, int> rows_;
};

// Two file lists are equal when they hold equal files (by path) in order.
bool sameFiles(const QList<FileInfoPtr>& a, const QList<FileInfoPtr>& b);
