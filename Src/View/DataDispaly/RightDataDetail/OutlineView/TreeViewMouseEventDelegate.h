#pragma once

class QMouseEvent;

// Mouse reports an outline could give; every one is optional and the
// outline sends none of them.
class TreeViewMouseEventDelegate {
public:
    virtual ~TreeViewMouseEventDelegate() = default;
    virtual void mouseUpEvent(QMouseEvent*) {}
    virtual void mouseDownEvent(QMouseEvent*) {}
    virtual void mouseMovedEvent(QMouseEvent*) {}
    virtual void mouseDraggedEvent(QMouseEvent*) {}
};
