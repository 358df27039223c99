#include "ImageListView.h"

ImageListView::ImageListView(QWidget* parent)
    : QListView(parent)
{
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_Hover);
}

void ImageListView::paintEvent(QPaintEvent* event)
{
    QListView::paintEvent(event);
    if (afterPaint) {
        afterPaint();
    }
}
