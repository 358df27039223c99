#include "RYSelectView.h"

#include <QMouseEvent>

RYSelectView::RYSelectView(QWidget* parent)
    : RYTView(parent)
{
    setCursor(Qt::PointingHandCursor);
}

void RYSelectView::setSelected(bool selected)
{
    if (selected_ == selected) {
        return;
    }
    selected_ = selected;
    emit selectedChanged(selected_);
}

void RYSelectView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        RYTView::mousePressEvent(event);
        return;
    }
    setSelected(true);
    event->accept();
    if (viewDidSelected) {
        const auto block = viewDidSelected;  // the block may replace itself
        block(this, true);
    }
}
