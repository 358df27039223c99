#include "RYSelectView.h"

#include "RYTButton.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

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
    update();
    emit selectedChanged(selected_);
}

void RYSelectView::setCanSelected(bool canSelected)
{
    canSelected_ = canSelected;
    setCursor(canSelected_ ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void RYSelectView::setSelectedColor(const QColor& color)
{
    selectedColor_ = color;
    update();
}

QColor RYSelectView::currentBackgroundColor() const
{
    if (selected_ && selectedColor_.isValid()) {
        return selectedColor_;
    }
    return RYTView::currentBackgroundColor();
}

void RYSelectView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        RYTView::mousePressEvent(event);
        return;
    }
    event->accept();
    click();
}

void RYSelectView::click()
{
    if (!canSelected_) {
        return;
    }
    setSelected(true);
    if (viewDidSelected) {
        const auto block = viewDidSelected;  // the block may replace itself
        block(this, true);
    }
}

void RYSelectView::makeTabStop(QWidget* chosen, const QList<QWidget*>& group)
{
    const bool hadFocus =
        std::any_of(group.cbegin(), group.cend(), [](const QWidget* view) { return view && view->hasFocus(); });
    chosen->setFocusPolicy(Qt::TabFocus);
    if (hadFocus && !chosen->hasFocus()) {
        chosen->setFocus(Qt::TabFocusReason);
    }
    for (QWidget* view : group) {
        if (view && view != chosen) {
            view->setFocusPolicy(Qt::NoFocus);
        }
    }
}

void RYSelectView::paintEvent(QPaintEvent* event)
{
    RYTView::paintEvent(event);
    if (hasFocus() && focusPolicy() != Qt::NoFocus) {
        QPainter painter(this);
        RYTButton::paintFocusMark(painter, QRectF(rect()), qMax(4.0, cornerRadius().width()));
    }
}
