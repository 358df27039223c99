#include "KPLOutlineRowView.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

namespace {

QBrush verticalGradient(const QGradientStops& stops, const QRectF& rect)
{
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setStops(stops);
    return QBrush(gradient);
}

}  // namespace

KPLOutlineRowView::KPLOutlineRowView(QObject* parent)
    : RYTableRowView(parent)
{
}

QRectF KPLOutlineRowView::selectionRect(const QRectF& rect) const
{
    const QMarginsF insets = highlightEdgeInsets_.value_or(QMarginsF());
    const bool rightToLeft = userInterfaceLayoutDirection() == Qt::RightToLeft;
    const double leading = rightToLeft ? insets.right() : insets.left();
    const double trailing = rightToLeft ? insets.left() : insets.right();
    return QRectF(rect.x() + leading, rect.y() + insets.top(), rect.width() - (leading + trailing),
                  rect.height() - (insets.top() + insets.bottom()));
}

void KPLOutlineRowView::drawBackgroundInRect(QPainter* painter, const QRectF& dirtyRect)
{
    if (fillColor_) {
        painter->fillRect(dirtyRect, *fillColor_);
    } else if (gradient_) {
        painter->fillRect(dirtyRect, verticalGradient(*gradient_, dirtyRect));
    } else {
        painter->fillRect(dirtyRect, QApplication::palette().color(QPalette::Base));
    }
}

void KPLOutlineRowView::drawSelectionInRect(QPainter* painter, const QRectF& dirtyRect)
{
    if (highlightStyle_ == SelectionHighlightStyle::none) {
        return;
    }
    const QRectF area = selectionRect(dirtyRect);
    const double radius = strokeRadius_.value_or(0.0);
    QPainterPath path;
    path.addRoundedRect(area, radius, radius);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, radius > 0);
    if (highlightColor_) {
        painter->fillPath(path, *highlightColor_);
    } else if (highlightGradient_) {
        painter->fillPath(path, verticalGradient(*highlightGradient_, area));
    } else {
        painter->fillPath(path, QColor(Qt::red));
    }
    if (strokeWidth_ && *strokeWidth_ > 0) {
        painter->strokePath(path, QPen(strokeColor_.value_or(QColor(Qt::transparent)), *strokeWidth_));
    }
    painter->restore();
}
