#include "AnimationContainView.h"

#include "QVLibrary/RYTButton.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QMouseEvent>

AnimationContainView::AnimationContainView(QWidget* parent) : QWidget(parent)
{
    setCursor(Qt::PointingHandCursor);
    // Without it a keyboard could not choose the first folders at all.
    setFocusPolicy(Qt::TabFocus);
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

void AnimationContainView::keyPressEvent(QKeyEvent* event)
{
    if (!RYTButton::isPressKey(event) || !isVisible()) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    if (!event->isAutoRepeat() && mouseDownBlock_) {
        mouseDownBlock_();
    }
}

void AnimationContainView::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void AnimationContainView::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

void AnimationContainView::paintEvent(QPaintEvent*)
{
    if (hasFocus()) {
        QPainter painter(this);
        RYTButton::paintFocusMark(painter, QRectF(rect()), 8.0);
    }
}
