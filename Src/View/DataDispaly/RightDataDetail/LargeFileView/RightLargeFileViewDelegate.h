#pragma once

// The check-all state of the large-file table.
enum class SelectType { typeMix, typeOn, typeOff };

// The large-file table's order.
enum class SortType { defaultSort = 0, nameUp = 1, nameDown = 2, sizeUp = 3, sizeDown = 4 };

// What the large-file table tells the scan screen about the user's ticks.
class RightLargeFileViewDelegate {
public:
    virtual ~RightLargeFileViewDelegate() = default;
    // A file's tick changed: true asks the screen to count the selection.
    virtual void updateCountLable(bool isCheck) = 0;
    // The state the check-all box should show for the group on display.
    virtual void updateSelectedState(SelectType selectType) = 0;
};
