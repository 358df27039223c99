#include "LoadingMouseView.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QWheelEvent>

LoadingMouseView::LoadingMouseView(QWidget* parent)
    : QWidget(parent)
{
}

void LoadingMouseView::mousePressEvent(QMouseEvent* event)
{
    event->accept();
}

void LoadingMouseView::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
}

void LoadingMouseView::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
}

void LoadingMouseView::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
}

void LoadingMouseView::wheelEvent(QWheelEvent* event)
{
    event->accept();
}

void LoadingMouseView::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
}
