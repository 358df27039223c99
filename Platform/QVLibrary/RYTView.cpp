#include "RYTView.h"

#include <QPainter>
#include <QPainterPath>

RYTView::RYTView(QWidget* parent)
    : QWidget(parent)
{
}

void RYTView::setBackgroundColor(const QColor& color)
{
    backgroundColor_ = color;
    update();
}

void RYTView::setBorderColor(const QColor& color)
{
    borderColor_ = color;
    update();
}

void RYTView::setBorderWidth(double width)
{
    borderWidth_ = width < 0.0 ? 0.0 : width;
    update();
}

void RYTView::setCornerRadius(const QSizeF& radius)
{
    cornerRadius_ = radius;
    update();
}

void RYTView::paintEvent(QPaintEvent*)
{
    const QColor background = currentBackgroundColor();
    const bool fill = background.isValid() && background.alpha() > 0;
    const bool stroke = borderColor_.isValid() && borderWidth_ > 0.0;
    if (!fill && !stroke) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The border lies inside the bounds, so half the pen goes inwards.
    const double inset = stroke ? borderWidth_ / 2.0 : 0.0;
    const QRectF box = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    const double radius = qMax(0.0, cornerRadius_.width() - inset);
    QPainterPath path;
    path.addRoundedRect(box, radius, radius);
    if (fill) {
        painter.fillPath(path, background);
    }
    if (stroke) {
        painter.setPen(QPen(borderColor_, borderWidth_));
        painter.drawPath(path);
    }
}
