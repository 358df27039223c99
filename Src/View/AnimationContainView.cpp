#include "AnimationContainView.h"

#include <QEnterEvent>
#include <QMouseEvent>

AnimationContainView::AnimationContainView(QWidget* parent) : QWidget(parent)
{
    setCursor(Qt::PointingHandCursor);
}

void AnimationContainView::enterEvent(QEnterEvent* event)
{
    event->accept();
    if (mouseEnteredBlock_) {
        mouseEnteredBlock_();
    }
}

void AnimationContainView::leaveEvent(QEvent* event)
{
    event->accept();
    if (mouseExitedBlock_) {
        mouseExitedBlock_();
    }
}

void AnimationContainView::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    // A right or middle press is no click.
    if (event->button() == Qt::LeftButton && mouseDownBlock_) {
        mouseDownBlock_();
    }
}
