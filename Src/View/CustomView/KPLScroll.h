#pragma once

#include <optional>

#include <QColor>
#include <QGradientStops>
#include <QScrollBar>

// A self-drawn scroller: a filled track with an optional outline and a
// rounded knob, with no arrow buttons. Unset values fall back as the
// property comments say; gradients run from the top edge down.
class KPLScroll : public QScrollBar {
    Q_OBJECT
public:
    explicit KPLScroll(QWidget* parent = nullptr);
    explicit KPLScroll(Qt::Orientation orientation, QWidget* parent = nullptr);

    // Thickness given by the owning scroll view; 0 hides the scroller, none
    // leaves the style's thickness.
    std::optional<double> scrollerSize() const { return scrollerSize_; }
    void setScrollerSize(std::optional<double> size);
    // Track outline, drawn only with a width above 0.
    std::optional<QColor> fillBorderColor() const { return fillBorderColor_; }
    void setFillBorderColor(std::optional<QColor> color);
    std::optional<double> fillBorderWidth() const { return fillBorderWidth_; }
    void setFillBorderWidth(std::optional<double> width);
    // Track fill: the colour, else the gradient, else white.
    std::optional<QColor> fillColor() const { return fillColor_; }
    void setFillColor(std::optional<QColor> color);
    std::optional<QGradientStops> fillGradient() const { return fillGradient_; }
    void setFillGradient(std::optional<QGradientStops> gradient);
    // Knob outline, stroked only with a width above 0.
    std::optional<QColor> knobBorderColor() const { return knobBorderColor_; }
    void setKnobBorderColor(std::optional<QColor> color);
    std::optional<double> knobBorderWidth() const { return knobBorderWidth_; }
    void setKnobBorderWidth(std::optional<double> width);
    // Knob thickness across the track; none or not above 0 means the knob
    // part inset by 4 on each side.
    std::optional<double> knobSize() const { return knobSize_; }
    void setKnobSize(std::optional<double> size);
    // Corner radius; none or not above 0 means half the knob's width.
    std::optional<double> knobRadius() const { return knobRadius_; }
    void setKnobRadius(std::optional<double> radius);
    // Knob fill: the colour, else the gradient, else grey.
    std::optional<QColor> knobFillColor() const { return knobFillColor_; }
    void setKnobFillColor(std::optional<QColor> color);
    std::optional<QGradientStops> knobFillGradient() const { return knobFillGradient_; }
    void setKnobFillGradient(std::optional<QGradientStops> gradient);

    // The knob part (where the knob may be dragged) and the knob as drawn,
    // with its corner radius; an empty knob when there is nothing to scroll.
    QRect knobPartRect() const;
    QRectF knobRect() const;
    double knobCornerRadius() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setUp();
    void drawKnob(QPainter& painter) const;

    std::optional<double> scrollerSize_ = 16.0;
    std::optional<QColor> fillBorderColor_;
    std::optional<double> fillBorderWidth_ = 0.0;
    std::optional<QColor> fillColor_;
    std::optional<QGradientStops> fillGradient_;
    std::optional<QColor> knobBorderColor_;
    std::optional<double> knobBorderWidth_ = 0.0;
    std::optional<double> knobSize_ = 6.0;
    std::optional<double> knobRadius_ = -1.0;
    std::optional<QColor> knobFillColor_;
    std::optional<QGradientStops> knobFillGradient_;
};
