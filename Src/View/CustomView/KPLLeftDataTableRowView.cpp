#include "KPLLeftDataTableRowView.h"

#include <QPainter>
#include <QPainterPath>

KPLLeftDataTableRowView::KPLLeftDataTableRowView(QObject* parent)
    : RYTableRowView(parent)
{
}

void KPLLeftDataTableRowView::setHighlightColor(const QColor& color)
{
    highlightColor_ = color;
    setNeedsDisplay();
}

void KPLLeftDataTableRowView::setSelectedColor(const QColor& color)
{
    selectedColor_ = color;
    setNeedsDisplay();
}

void KPLLeftDataTableRowView::setBgColor(const QColor& color)
{
    bgColor_ = color;
    setNeedsDisplay();
}

void KPLLeftDataTableRowView::setBorderColor(const QColor& color)
{
    borderColor_ = color;
    setNeedsDisplay();
}

void KPLLeftDataTableRowView::setAlternateRowColor(const QColor& color)
{
    alternateRowColor_ = color;
    setNeedsDisplay();
}

QRectF KPLLeftDataTableRowView::changeRect(const QRectF& rect) const
{
    const bool leftToRight = userInterfaceLayoutDirection() != Qt::RightToLeft;
    const double leading = leftToRight ? insets_.left() : insets_.right();
    const double trailing = leftToRight ? insets_.right() : insets_.left();
    return QRectF(rect.x() + leading, rect.y() + insets_.top(), rect.width() - (leading + trailing),
                  rect.height() - (insets_.top() + insets_.bottom()));
}

void KPLLeftDataTableRowView::setSelected(bool selected)
{
    RYTableRowView::setSelected(selected);
    if (delegate_) {
        delegate_->tableRowViewSelectedDidChange(this);
    }
    setNeedsDisplay();
}

void KPLLeftDataTableRowView::drawBackgroundInRect(QPainter* painter, const QRectF&)
{
    QColor fill = Qt::white;
    if (alternateRowColor_.isValid()) {
        fill = alternateRowColor_;
    } else if (bgColor_.isValid()) {
        fill = bgColor_;
    }
    painter->fillRect(bounds(), fill);
}

void KPLLeftDataTableRowView::drawSelectionInRect(QPainter* painter, const QRectF&)
{
    const QColor fill = isSelected() && selectedColor_.isValid() ? selectedColor_ : QColor(Qt::white);
    QPainterPath path;
    path.addRoundedRect(changeRect(bounds()), radius_, radius_);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (borderColor_.isValid()) {
        painter->strokePath(path, QPen(borderColor_, 1.0));
    }
    painter->fillPath(path, fill);
    painter->restore();
}

void KPLLeftDataTableRowView::drawRect(QPainter* painter, const QRectF& dirtyRect)
{
    RYTableRowView::drawRect(painter, dirtyRect);
    if (mouseFocus_ && !isSelected() && highlightColor_.isValid()) {
        QPainterPath path;
        path.addRoundedRect(changeRect(bounds()), radius_, radius_);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->fillPath(path, highlightColor_);
        painter->restore();
    }
}

bool KPLLeftDataTableRowView::mouseInview() const
{
    if (isHidden()) {
        return false;
    }
    const std::optional<QPointF> mouse = mouseLocation();
    return mouse && QRectF(visibleRect()).contains(*mouse);
}

void KPLLeftDataTableRowView::mouseEntered(QMouseEvent* event)
{
    if (!mouseInview()) {
        return;
    }
    mouseFocus_ = true;
    display();
    if (delegate_) {
        delegate_->tableRowViewEntered(this, event);
    }
}

void KPLLeftDataTableRowView::mouseMoved(QMouseEvent*)
{
    if (!mouseFocus_ && mouseInview()) {
        mouseFocus_ = true;
        display();
    }
}

void KPLLeftDataTableRowView::mouseExited(QMouseEvent* event)
{
    if (!mouseFocus_) {
        return;
    }
    mouseFocus_ = false;
    display();
    if (delegate_) {
        delegate_->tableRowViewExited(this, event);
    }
}

void KPLLeftDataTableRowView::viewDidMoveToSuperview()
{
    mouseFocus_ = false;
}
