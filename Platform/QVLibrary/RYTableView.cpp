#include "RYTableView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

RYTableView::RYTableView(QWidget* parent)
    : QTableView(parent)
{
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    setFrameShape(QFrame::NoFrame);
}

void RYTableView::setBorderColor(const QColor& color)
{
    borderColor_ = color;
}

void RYTableView::setBorderWidth(float width)
{
    borderWidth_ = width < 0.0f ? 0.0f : width;
}

void RYTableView::setCornerRadius(float radius)
{
    cornerRadius_ = radius < 0.0f ? 0.0f : radius;
}

void RYTableView::drawTableViewBorder()
{
    // The outline is drawn around the frame so that it frames headers and
    // scroll bars too; leave room for it.
    const int margin = qCeil(borderWidth_);
    setViewportMargins(margin, margin, margin, margin);
    update();
    viewport()->update();
}

bool RYTableView::event(QEvent* event)
{
    const bool handled = QTableView::event(event);
    if (event->type() == QEvent::Paint && borderColor_.isValid() && borderWidth_ > 0.0f) {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const double inset = borderWidth_ / 2.0;
        painter.setPen(QPen(borderColor_, borderWidth_));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), cornerRadius_, cornerRadius_);
    }
    return handled;
}

void RYTableView::mouseMoveEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    const int row = index.isValid() ? index.row() : -1;
    const int column = index.isValid() ? index.column() : -1;
    if (row != hoveredRow_) {
        if (hoveredRow_ >= 0 && delegate_) {
            delegate_->tableViewMouseExitedRow(this, hoveredRow_, hoveredColumn_, event);
        }
        hoveredRow_ = row;
        hoveredColumn_ = column;
        if (row >= 0 && delegate_) {
            delegate_->tableViewMouseEnteredRow(this, row, column, event);
        }
    }
    hoveredColumn_ = column;
    if (delegate_) {
        delegate_->tableViewMouseInRow(this, row, column, event);
    }
    QTableView::mouseMoveEvent(event);
}

void RYTableView::mousePressEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    const int row = index.isValid() ? index.row() : -1;
    const int column = index.isValid() ? index.column() : -1;
    if (delegate_) {
        if (event->button() == Qt::LeftButton) {
            delegate_->tableViewMouseDownRow(this, row, column, event);
        } else if (event->button() == Qt::RightButton) {
            delegate_->tableViewRightMouseDownRow(this, row, column, event);
        }
    }
    QTableView::mousePressEvent(event);
}

void RYTableView::leaveEvent(QEvent* event)
{
    if (hoveredRow_ >= 0) {
        const int row = hoveredRow_;
        const int column = hoveredColumn_;
        hoveredRow_ = -1;
        hoveredColumn_ = -1;
        if (delegate_) {
            delegate_->tableViewMouseExitedRow(this, row, column, nullptr);
        }
    }
    QTableView::leaveEvent(event);
}
