#include "RightDataListArrowButton.h"

#include <QPainter>

#include <numbers>

RightDataListArrowButton::RightDataListArrowButton(QWidget* parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
    setFocusPolicy(Qt::NoFocus);
}

void RightDataListArrowButton::setImage(const QIcon& image)
{
    setIcon(image);
    update();
}

void RightDataListArrowButton::setRotation(double radians)
{
    if (rotation_ == radians) {
        return;
    }
    rotation_ = radians;
    update();
}

void RightDataListArrowButton::paintEvent(QPaintEvent*)
{
    if (icon().isNull()) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QPointF centre = QRectF(rect()).center();
    painter.translate(centre);
    // A positive turn is clockwise on screen: "down" turned a quarter
    // points left, so the expanding arrow starts where the collapsed one was.
    painter.rotate(rotation_ * 180.0 / std::numbers::pi);
    painter.translate(-centre);
    icon().paint(&painter, rect(), Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
}
