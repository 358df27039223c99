#pragma once

// What a user sees of the ring that marks the keyboard focus: the pixels of
// a control that take the ring's colour when it gets the focus and were of
// another colour without it. A ring drawn over an edge of its own colour
// counts few; a ring in a clear band counts its whole length. On a control
// filled with the ring's own colour the mark is what changes at all.

#include "QVLibrary/RYTButton.h"

#include <QImage>
#include <QWidget>

#include <algorithm>
#include <cstdlib>

namespace FocusRingProbe {

inline int distance(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

// Counted on the control as it is drawn with and without the focus; it
// keeps (or takes) the focus afterwards. `anyColour`: every pixel that
// changes plainly counts, not only those that take the ring's colour.
inline int visiblePixels(QWidget* control, bool anyColour = false)
{
    control->setFocus(Qt::TabFocusReason);
    const QImage with = control->grab().toImage().convertToFormat(QImage::Format_RGB32);
    control->clearFocus();
    const QImage without = control->grab().toImage().convertToFormat(QImage::Format_RGB32);
    control->setFocus(Qt::TabFocusReason);
    if (with.size() != without.size()) {
        return 0;
    }
    const QRgb ring = RYTButton::normalColor().rgb();
    int seen = 0;
    for (int y = 0; y < with.height(); ++y) {
        for (int x = 0; x < with.width(); ++x) {
            const QRgb focused = with.pixel(x, y);
            const bool counts = anyColour ? distance(focused, without.pixel(x, y)) > 80
                                          : distance(focused, ring) <= 40 && distance(without.pixel(x, y), ring) > 80;
            if (counts) {
                ++seen;
            }
        }
    }
    return seen;
}

// A ring a user can follow round `area` (the control's own rectangle
// unless told): more of it shows than a one-pixel band round that area
// would give, which is all that shows of a ring drawn on an edge of its
// own colour.
inline bool isVisible(QWidget* control, QRect area = QRect(), bool anyColour = false)
{
    if (area.isNull()) {
        area = control->rect();
    }
    const double band = (area.width() + area.height()) * control->devicePixelRatioF();
    return visiblePixels(control, anyColour) >= int(1.5 * band);
}

}  // namespace FocusRingProbe
