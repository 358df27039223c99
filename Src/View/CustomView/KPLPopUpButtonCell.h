#pragma once

#include <QIcon>
#include <QRectF>
#include <QString>

#include "KPLCellLook.h"

class QPainter;

// Where a pop-up cell's image sits against its title.
enum class KPLImagePosition {
    noImage = 0,
    imageOnly = 1,
    imageLeft = 2,
    imageRight = 3,
    imageBelow = 4,
    imageAbove = 5,
    imageOverlaps = 6,
    imageLeading = 7,
    imageTrailing = 8,
};

// The looks and drawing of a KPLPopUpButton: the body (when bordered), the
// image and the title.
class KPLPopUpButtonCell : public KPLCellLook {
public:
    KPLPopUpButtonCell() = default;

    // Stored only.
    std::optional<QColor> arrowColor;
    std::optional<QGradientStops> arrowGradient;

    QString title;
    QIcon image;
    QSize imageSize{16, 16};
    KPLImagePosition imagePosition = KPLImagePosition::imageRight;
    bool bordered = true;
    std::optional<QFont> font;
    // The control size copied from the control when the cell was made.
    QSize controlSize;

    // The rectangles of the title, the image and the state image in `bounds`.
    QRectF titleRectForBounds(const QRectF& bounds) const;
    QRectF imageRectForBounds(const QRectF& bounds) const;
    QRectF stateImageRectForBounds(const QRectF& bounds) const;

    void drawWithFrame(QPainter* painter, const QRectF& frame) const;
    void drawInterior(QPainter* painter, const QRectF& frame) const;

private:
    double titleHeight() const;
    double titleWidth() const;
};
