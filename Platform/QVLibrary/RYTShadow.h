#pragma once

#include <QColor>
#include <QMargins>
#include <QPointF>
#include <QRectF>

class QPainter;

// A soft shadow under a rounded surface: its colour (the alpha is the
// strongest), how far it is moved and over how many pixels it fades. A view
// that casts one keeps the room it takes inside its own rectangle, since a
// widget paints nothing outside it.
struct RYTShadow {
    QColor color;
    QPointF offset;
    double blur = 0.0;

    bool isVisible() const { return color.isValid() && color.alpha() > 0; }
    // The room around the surface the shadow takes, in whole pixels.
    QMargins margins() const;
    // Paints the shadow of `surface`, rounded by `radius`, before the
    // surface itself is painted over it.
    void paint(QPainter* painter, const QRectF& surface, double radius) const;
};
