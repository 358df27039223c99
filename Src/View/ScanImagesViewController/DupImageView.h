#pragma once

#include <functional>

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

// Tells a single click on a thumbnail from a double click. Every press is
// noted and starts a one-shot timer of the system's double-click interval
// (earlier timers of the burst keep running); when a timer fires, exactly
// two noted presses are a double click, exactly one a single click, and any
// other number nothing. The notes are cleared in every case, so a later
// timer of the same burst finds none.
class DupImageView : public QObject {
    Q_OBJECT
public:
    explicit DupImageView(QObject* parent = nullptr);

    std::function<void()> mouseDownBlock;
    std::function<void()> mouseDoubleDownBlock;

    void mouseDown();
    // Decides at once on the presses noted so far, as the timer would.
    void finishNow();
    int pendingClicks() const { return clickEvencts_; }
    // The interval used; tests shorten it.
    static int doubleClickInterval();
    static void setDoubleClickIntervalForTesting(int ms);

private:
    void handleClicks();

    int clickEvencts_ = 0;
    QPointer<QTimer> clickTimer_;
};

// The magnifier spot of a thumbnail: told when the pointer enters it,
// moves over it and leaves it. The owning view feeds it the pointer's
// place; the spot itself is a rectangle the cell's delegate gives.
class ImageLoupeSelectView {
public:
    std::function<void()> mouseEnterBlock;
    std::function<void()> mouseExitedBlock;
    std::function<void()> mouseMovedBlock;

    bool isInside() const { return inside_; }
    // The pointer is (or is not) over the spot now.
    void track(bool inside);

private:
    bool inside_ = false;
};
