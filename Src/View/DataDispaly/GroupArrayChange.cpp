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
