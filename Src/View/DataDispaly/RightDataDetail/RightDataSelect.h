#pragma once

#include <memory>

#include "Model/DuplicateFiles.h"

// What a right panel remembers of the user's choice, so that a refreshed
// list comes back with the same group and file chosen, and a mode switch
// hands the choice to the other panel: the group last chosen (or the group
// of the file last chosen) and the file last chosen, with their rows. Empty
// records and -1 mean nothing is chosen.
struct RightDataMainSelect {
    int row = -1;
    DuplicateFilesPtr item = std::make_shared<DuplicateFiles>();
};

struct RightDataSubSelect {
    int row = -1;
    FileInfoPtr item = std::make_shared<FileInfo>(ResourceValueURL());
};
