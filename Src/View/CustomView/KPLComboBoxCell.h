#pragma once

#include <QString>

#include "KPLCellLook.h"

class QPainter;
class QRectF;

// The looks and drawing of a KPLComboBox: the body, the title and a filled
// button strip along the trailing edge.
class KPLComboBoxCell : public KPLCellLook {
public:
    KPLComboBoxCell() = default;

    // Fill of the strip: the colour, else the gradient, else grey.
    std::optional<QColor> buttonColor;
    std::optional<QGradientStops> buttonGradient;
    // Stored only.
    std::optional<QColor> triangleImageColor;

    bool bordered = true;
    bool editable = true;
    std::optional<QFont> font;
    QSize controlSize;

    static constexpr double stripWidth = 17.0;

    QRectF titleRectForFrame(const QRectF& frame) const;
    QRectF buttonRectForFrame(const QRectF& frame) const;

    // The body and the strip; the title is drawn by the field that edits it,
    // in titleRectForFrame(), unless `title` is given.
    void drawWithFrame(QPainter* painter, const QRectF& frame, const QString* title = nullptr) const;
};
