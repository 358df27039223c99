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
    shadowColor_ = color;
    shadowOffset_ = offset;
    shadowBlur_ = std::max(0.0, blur);
    updateMargins();
    update();
}

void KPLBox::updateMargins()
{
    // The content lies inside the border and clear of the shadow's spread.
    const int border = static_cast<int>(std::ceil(borderWidth_));
    if (!hasShadow()) {
        layout_->setContentsMargins(border, border, border, border);
        return;
    }
    const double spread = shadowBlur_;
    const int left = static_cast<int>(std::ceil(std::max(0.0, spread - shadowOffset_.x()))) + border;
    const int right = static_cast<int>(std::ceil(std::max(0.0, spread + shadowOffset_.x()))) + border;
    const int top = static_cast<int>(std::ceil(std::max(0.0, spread - shadowOffset_.y()))) + border;
    const int bottom = static_cast<int>(std::ceil(std::max(0.0, spread + shadowOffset_.y()))) + border;
    layout_->setContentsMargins(left, top, right, bottom);
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
    QMarginsF margins(0, 0, 0, 0);
    if (hasShadow()) {
        const QMargins m = layout_->contentsMargins();
        const double border = std::ceil(borderWidth_);
        margins = QMarginsF(m.left() - border, m.top() - border, m.right() - border, m.bottom() - border);
    }
    const QRectF surface = QRectF(rect()).marginsRemoved(margins);
    if (hasShadow()) {
        // A few widening rings, each fainter, stand in for a blurred copy.
        const int steps = std::max(1, static_cast<int>(std::ceil(shadowBlur_)));
        painter.setPen(Qt::NoPen);
        for (int i = steps; i >= 1; --i) {
            QColor ring = shadowColor_;
            ring.setAlphaF(shadowColor_.alphaF() * static_cast<float>(steps - i + 1) / static_cast<float>(steps + 1));
            const double grow = static_cast<double>(i) * shadowBlur_ / steps;
            const QRectF r = surface.translated(shadowOffset_).adjusted(-grow, -grow, grow, grow);
            painter.setBrush(ring);
            painter.drawRoundedRect(r, cornerRadius_ + grow, cornerRadius_ + grow);
        }
    }
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
