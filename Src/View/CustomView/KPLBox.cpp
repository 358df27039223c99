#include "KPLBox.h"

#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <cmath>

KPLBox::KPLBox(QWidget* parent) : QWidget(parent), layout_(new QVBoxLayout(this))
{
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
}

KPLBox::~KPLBox() = default;

void KPLBox::setContentView(QWidget* view)
{
    if (view == content_) {
        return;
    }
    if (content_) {
        layout_->removeWidget(content_);
        content_->hide();
    }
    content_ = view;
    if (view) {
        layout_->addWidget(view);
        view->show();
    }
}

void KPLBox::setFillColor(const QColor& color)
{
    fillColor_ = color;
    update();
}

void KPLBox::setBorderColor(const QColor& color)
{
    borderColor_ = color;
    update();
}

void KPLBox::setBorderWidth(double width)
{
    borderWidth_ = std::max(0.0, width);
    updateMargins();
    update();
}

void KPLBox::setCornerRadius(double radius)
{
    cornerRadius_ = std::max(0.0, radius);
    update();
}

void KPLBox::setShadow(const QColor& color, const QPointF& offset, double blur)
{
    shadow_ = RYTShadow{color, offset, std::max(0.0, blur)};
    updateMargins();
    update();
}

void KPLBox::updateMargins()
{
    // The content lies inside the border and clear of the shadow's spread.
    const int border = static_cast<int>(std::ceil(borderWidth_));
    layout_->setContentsMargins(shadow_.margins() + QMargins(border, border, border, border));
}

void KPLBox::paintEvent(QPaintEvent*)
{
    const bool fill = fillColor_.isValid() && fillColor_.alpha() > 0;
    const bool stroke = borderColor_.isValid() && borderWidth_ > 0.0;
    if (!fill && !stroke && !hasShadow()) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF surface = QRectF(rect()).marginsRemoved(QMarginsF(shadow_.margins()));
    shadow_.paint(&painter, surface, cornerRadius_);
    const double inset = stroke ? borderWidth_ / 2.0 : 0.0;
    const QRectF box = surface.adjusted(inset, inset, -inset, -inset);
    const double radius = std::max(0.0, cornerRadius_ - inset);
    QPainterPath path;
    path.addRoundedRect(box, radius, radius);
    if (fill) {
        painter.fillPath(path, fillColor_);
    }
    if (stroke) {
        painter.setPen(QPen(borderColor_, borderWidth_));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    }
}
