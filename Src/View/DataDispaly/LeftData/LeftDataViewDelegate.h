#pragma once

#include "Manager/ScanManager.h"

// What the left panels (duplicate categories, large-file groups) tell the
// scan screen.
class LeftDataViewDelegate {
public:
    virtual ~LeftDataViewDelegate() = default;
    // The All/Selected filter changed.
    virtual void leftDataViewUpdateViewSelected(bool viewSelected) = 0;
    // The duplicate panel's category choice: show these groups on the right.
    virtual void leftDataViewShowFiles(const DuplicateFilesList& files) = 0;
    // The large-file panel's group choice: the group for the right table,
    // then the right side is shown anew.
    virtual void setRightLargeDataFiles(const DuplicateFilesPtr& files) = 0;
    virtual void displayRightDataView() = 0;
};
