#include "RYTableRowView.h"

#include "RYTableRowViewHost.h"

#include <QAbstractItemView>
#include <QPainter>

RYTableRowView::RYTableRowView(QObject* parent)
    : QObject(parent)
{
}

RYTableRowView::~RYTableRowView() = default;

void RYTableRowView::setSelected(bool selected)
{
    selected_ = selected;
}

RYTableRowViewHost* RYTableRowView::host() const
{
    return placed_ ? host_ : nullptr;
}

QAbstractItemView* RYTableRowView::tableView() const
{
    return host() ? host_->view() : nullptr;
}

bool RYTableRowView::isPlaced() const
{
    return placed_ && host_ && host_->view();
}

bool RYTableRowView::isHidden() const
{
    const QAbstractItemView* view = tableView();
    return !isPlaced() || !view || !view->isVisible();
}

QRect RYTableRowView::visibleRect() const
{
    const QAbstractItemView* view = tableView();
    if (!view) {
        return {};
    }
    return view->viewport()->rect().intersected(frame_).translated(-frame_.topLeft());
}

int RYTableRowView::numberOfColumns() const
{
    return isPlaced() ? host_->numberOfColumns() : 0;
}

QModelIndex RYTableRowView::index() const
{
    return isPlaced() ? host_->indexForRow(row_) : QModelIndex();
}

Qt::LayoutDirection RYTableRowView::userInterfaceLayoutDirection() const
{
    const QAbstractItemView* view = tableView();
    return view ? view->layoutDirection() : Qt::LeftToRight;
}

std::optional<QPointF> RYTableRowView::mouseLocation() const
{
    if (!isPlaced()) {
        return std::nullopt;
    }
    const std::optional<QPointF> mouse = host_->mousePosition();
    if (!mouse) {
        return std::nullopt;
    }
    return *mouse - QPointF(frame_.topLeft());
}

void RYTableRowView::setNeedsDisplay()
{
    if (isPlaced()) {
        host_->setNeedsDisplay(this);
    }
}

void RYTableRowView::display()
{
    if (isPlaced()) {
        host_->display(this);
    }
}

void RYTableRowView::drawRect(QPainter* painter, const QRectF& dirtyRect)
{
    drawBackgroundInRect(painter, dirtyRect);
    if (selected_) {
        drawSelectionInRect(painter, dirtyRect);
    }
}

void RYTableRowView::drawBackgroundInRect(QPainter*, const QRectF&)
{
}

void RYTableRowView::drawSelectionInRect(QPainter* painter, const QRectF&)
{
    const QAbstractItemView* view = tableView();
    if (view) {
        painter->fillRect(bounds(), view->palette().brush(QPalette::Highlight));
    }
}

void RYTableRowView::mouseEntered(QMouseEvent*)
{
}

void RYTableRowView::mouseMoved(QMouseEvent*)
{
}

void RYTableRowView::mouseExited(QMouseEvent*)
{
}
