#include "DupImageNavigationView.h"

#include "Foundation/NotificationCenter.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

DupImageNavigationView::DupImageNavigationView(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
}

QString DupImageNavigationView::clickNotification()
{
    return QStringLiteral("DupImageNavigationViewClick");
}

void DupImageNavigationView::setFillColor(const QColor& color)
{
    fillColor_ = color;
    update();
}

void DupImageNavigationView::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton) {
        return;
    }
    NotificationCenter::defaultCenter().post(clickNotification());
    if (mouseDownBlock) {
        mouseDownBlock();
    }
}

void DupImageNavigationView::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
}

void DupImageNavigationView::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a quick double click counts as a click of its own.
    mousePressEvent(event);
}

void DupImageNavigationView::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
}

void DupImageNavigationView::enterEvent(QEnterEvent* event)
{
    event->accept();
}

void DupImageNavigationView::leaveEvent(QEvent* event)
{
    event->accept();
}

void DupImageNavigationView::paintEvent(QPaintEvent*)
{
    if (fillColor_.isValid() && fillColor_.alpha() > 0) {
        QPainter(this).fillRect(rect(), fillColor_);
    }
}
