#include "DupImageView.h"

#include <QApplication>
#include <QStyleHints>

namespace {
int gIntervalForTesting = -1;
}

DupImageView::DupImageView(QObject* parent)
    : QObject(parent)
{
}

int DupImageView::doubleClickInterval()
{
    return gIntervalForTesting >= 0 ? gIntervalForTesting : QGuiApplication::styleHints()->mouseDoubleClickInterval();
}

void DupImageView::setDoubleClickIntervalForTesting(int ms)
{
    gIntervalForTesting = ms;
}

void DupImageView::mouseDown()
{
    ++clickEvencts_;
    auto* timer = new QTimer(this);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, [this, timer] {
        timer->deleteLater();
        handleClicks();
    });
    timer->start(doubleClickInterval());
    clickTimer_ = timer;
}

void DupImageView::finishNow()
{
    handleClicks();
}

void DupImageView::handleClicks()
{
    const int count = clickEvencts_;
    clickEvencts_ = 0;
    if (count == 2) {
        if (mouseDoubleDownBlock) {
            mouseDoubleDownBlock();
        }
    } else if (count == 1) {
        if (mouseDownBlock) {
            mouseDownBlock();
        }
    }
}

void ImageLoupeSelectView::track(bool inside)
{
    if (inside == inside_) {
        if (inside && mouseMovedBlock) {
            mouseMovedBlock();
        }
        return;
    }
    inside_ = inside;
    if (inside) {
        if (mouseEnterBlock) {
            mouseEnterBlock();
        }
        if (mouseMovedBlock) {
            mouseMovedBlock();
        }
    } else if (mouseExitedBlock) {
        mouseExitedBlock();
    }
}
