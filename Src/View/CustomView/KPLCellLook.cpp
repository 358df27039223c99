#include "KPLCellLook.h"

#include "View/Extension/KPLExtensionView.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

double KPLCellLook::bodyRadius() const
{
    return borderRadius && *borderRadius > 0.0 ? *borderRadius : 2.0;
}

QFont KPLCellLook::titleFontFor(const std::optional<QFont>& cellFont) const
{
    if (titleFont) {
        return *titleFont;
    }
    if (cellFont) {
        return *cellFont;
    }
    return systemFont(11);
}

QColor KPLCellLook::titleColorToUse() const
{
    if (!titleColor || !titleColor->isValid() || titleColor->alpha() == 0) {
        return Qt::black;
    }
    return *titleColor;
}

void KPLCellLook::drawBody(QPainter* painter, const QRectF& frame) const
{
    const double radius = bodyRadius();
    QPainterPath path;
    path.addRoundedRect(frame, radius, radius);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->strokePath(path, QPen(borderColor.value_or(QColor(Qt::transparent)), borderWidth.value_or(0.5)));
    if (fillColor) {
        painter->fillPath(path, *fillColor);
    } else if (fillGradient) {
        QLinearGradient gradient(frame.topLeft(), frame.bottomLeft());
        gradient.setStops(*fillGradient);
        painter->fillPath(path, gradient);
    } else {
        painter->fillPath(path, Qt::white);
    }
    painter->restore();
}
