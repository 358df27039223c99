#pragma once

// What the removal screen tells the screen that shows it.
class FileRemovingViewDelegate {
public:
    virtual ~FileRemovingViewDelegate() = default;
    // The removal has ended and the user has closed its finish window.
    virtual void fileRemovingViewRemoveFinished() = 0;
};
