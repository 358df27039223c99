#include "GroupArrayChange.h"

std::optional<std::vector<GroupInsertRun>> groupInsertRuns(const DuplicateFilesList& shown,
                                                           const DuplicateFilesList& next)
{
    if (next.size() < shown.size()) {
        return std::nullopt;
    }
    std::vector<GroupInsertRun> runs;
    qsizetype old = 0;
    for (qsizetype i = 0; i < next.size(); ++i) {
        if (old < shown.size() && next[i] == shown[old]) {
            ++old;
            continue;
        }
        if (!runs.empty() && runs.back().position + runs.back().count == i) {
            ++runs.back().count;
        } else {
            runs.push_back({i, 1});
        }
    }
    if (old != shown.size()) {
        return std::nullopt;
    }
    return runs;
}

void GroupRows::rebuild()
{
    rows_.clear();
    rows_.reserve(groups_.size());
    // From the end, so a group listed twice keeps its first row.
    for (qsizetype i = groups_.size() - 1; i >= 0; --i) {
        rows_.insert(groups_[i].get(), int(i));
    }
}

bool GroupRows::update(const DuplicateFilesList& next, size_t maxRuns, const Insert& insert, const Reset& reset)
{
    const auto runs = groupInsertRuns(groups_, next);
    if (!runs || runs->size() > maxRuns) {
        reset([&] {
            groups_ = next;
            rebuild();
        });
        return false;
    }
    for (const GroupInsertRun& run : *runs) {
        const bool last = &run == &runs->back();
        insert(int(run.position), int(run.count), [&] {
            if (last) {
                // After the last run the list is `next`: share it rather
                // than copy every group into a list of our own.
                groups_ = next;
            } else {
                groups_.insert(run.position, run.count, nullptr);
                for (qsizetype i = 0; i < run.count; ++i) {
                    groups_[run.position + i] = next[run.position + i];
                }
            }
            if (run.position + run.count == groups_.size()) {
                // Appended: only the new rows are new.
                for (qsizetype i = run.position; i < groups_.size(); ++i) {
                    rows_.insert(groups_[i].get(), int(rows_.value(groups_[i].get(), int(i))));
                }
            } else {
                rebuild();
            }
        });
    }
    return true;
}

bool sameFiles(const QList<FileInfoPtr>& a, const QList<FileInfoPtr>& b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && !(*a[i] == *b[i])) {
            return false;
        }
    }
    return true;
}
