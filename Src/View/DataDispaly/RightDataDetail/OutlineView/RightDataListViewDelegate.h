#pragma once

// What the list panel tells the scan screen.
class RightDataListViewDelegate {
public:
    virtual ~RightDataListViewDelegate() = default;
    // True: show the empty "No data selected" state instead of the panel.
    virtual void updateRightDataBox(bool notData) = 0;
    // The selection changed: count the selected files and sizes again.
    virtual void updateSelectCountSizeLabel() = 0;
    // While the left panel shows only selected files, reload its categories.
    virtual void leftDataViewCtrReloadData(bool sort) = 0;
};
