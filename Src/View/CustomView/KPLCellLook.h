#pragma once

#include <optional>

#include <QColor>
#include <QFont>
#include <QGradientStops>

class QPainter;
class QRectF;

// The looks the styled pop-up button and combo box cells share: a rounded,
// stroked and filled body and the title's font and colour. Unset values
// fall back as the comments say.
class KPLCellLook {
public:
    virtual ~KPLCellLook() = default;

    // None or clear means black.
    std::optional<QColor> titleColor;
    // None means the cell's font, else the system font of size 11.
    std::optional<QFont> titleFont;
    // Body fill: the colour, else the gradient (from the top down), else white.
    std::optional<QColor> fillColor;
    std::optional<QGradientStops> fillGradient;
    std::optional<QColor> borderColor;
    // None means 0.5.
    std::optional<double> borderWidth = 0.5;
    // None or not above 0 means 2.
    std::optional<double> borderRadius;

    double bodyRadius() const;
    // The title's font and colour with the fallbacks applied; `cellFont` is
    // the font of the control, if it has one of its own.
    QFont titleFontFor(const std::optional<QFont>& cellFont) const;
    QColor titleColorToUse() const;
    // The rounded body in `frame`: stroked, then filled.
    void drawBody(QPainter* painter, const QRectF& frame) const;
};

// The shared looks on a control: each setter keeps the value on the control
// (where every look starts unset), copies it to the control's cell and
// redraws.
class KPLCellLookMirror {
public:
    KPLCellLookMirror() { look_.borderWidth.reset(); }
    virtual ~KPLCellLookMirror() = default;

    std::optional<QColor> titleColor() const { return look_.titleColor; }
    void setTitleColor(std::optional<QColor> color) { mirror(&KPLCellLook::titleColor, color); }
    std::optional<QFont> titleFont() const { return look_.titleFont; }
    void setTitleFont(std::optional<QFont> font) { mirror(&KPLCellLook::titleFont, font); }
    std::optional<QColor> fillColor() const { return look_.fillColor; }
    void setFillColor(std::optional<QColor> color) { mirror(&KPLCellLook::fillColor, color); }
    std::optional<QGradientStops> fillGradient() const { return look_.fillGradient; }
    void setFillGradient(std::optional<QGradientStops> gradient) { mirror(&KPLCellLook::fillGradient, gradient); }
    std::optional<QColor> borderColor() const { return look_.borderColor; }
    void setBorderColor(std::optional<QColor> color) { mirror(&KPLCellLook::borderColor, color); }
    std::optional<double> borderWidth() const { return look_.borderWidth; }
    void setBorderWidth(std::optional<double> width) { mirror(&KPLCellLook::borderWidth, width); }
    std::optional<double> borderRadius() const { return look_.borderRadius; }
    void setBorderRadius(std::optional<double> radius) { mirror(&KPLCellLook::borderRadius, radius); }

protected:
    virtual KPLCellLook* cellLook() = 0;
    virtual void redrawCell() = 0;

    template <typename T>
    void mirror(std::optional<T> KPLCellLook::*member, const std::optional<T>& value)
    {
        look_.*member = value;
        cellLook()->*member = value;
        redrawCell();
    }

private:
    KPLCellLook look_;
};
