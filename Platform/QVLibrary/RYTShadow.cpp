#include "RYTShadow.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

QMargins RYTShadow::margins() const
{
    if (!isVisible()) {
        return {};
    }
    const auto room = [](double spread) { return static_cast<int>(std::ceil(std::max(0.0, spread))); };
    return QMargins(room(blur - offset.x()), room(blur - offset.y()), room(blur + offset.x()),
                    room(blur + offset.y()));
}

void RYTShadow::paint(QPainter* painter, const QRectF& surface, double radius) const
{
    if (!isVisible()) {
        return;
    }
    // A few widening rings, each fainter, stand in for a blurred copy.
    const int steps = std::max(1, static_cast<int>(std::ceil(blur)));
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    for (int i = steps; i >= 1; --i) {
        QColor ring = color;
        ring.setAlphaF(color.alphaF() * static_cast<float>(steps - i + 1) / static_cast<float>(steps + 1));
        const double grow = static_cast<double>(i) * blur / steps;
        const QRectF r = surface.translated(offset).adjusted(-grow, -grow, grow, grow);
        painter->setBrush(ring);
        painter->drawRoundedRect(r, radius + grow, radius + grow);
    }
    painter->restore();
}
