#pragma once

#include <optional>

#include <QColor>
#include <QGradientStops>
#include <QPointer>
#include <QScrollArea>

#include "KPLScroll.h"

class QAbstractScrollArea;

// The scroller look of KPLScrollView, which can also sit on any scroll area
// (a Qt item view is its own scroll area): two KPLScroll scrollers, the
// set-up values, and settings forwarded to both scrollers.
class KPLScrollViewLook {
public:
    explicit KPLScrollViewLook(QAbstractScrollArea* area);
    virtual ~KPLScrollViewLook();
    KPLScrollViewLook(const KPLScrollViewLook&) = delete;
    KPLScrollViewLook& operator=(const KPLScrollViewLook&) = delete;

    // Gives `area` the look with the set-up values; the returned object
    // belongs to the area. A second call answers the first look.
    static KPLScrollViewLook* applyTo(QAbstractScrollArea* area);
    static KPLScrollViewLook* lookOf(const QAbstractScrollArea* area);

    bool showVerticalScroller() const { return showVerticalScroller_; }
    void setShowVerticalScroller(bool show);
    bool showHorizontalScroller() const { return showHorizontalScroller_; }
    void setShowHorizontalScroller(bool show);
    // Each shown scroller takes this thickness; a hidden one takes 0.
    std::optional<double> scrollerSize() const { return scrollerSize_; }
    void setScrollerSize(std::optional<double> size);
    // Forwarded as both scrollers' track fill.
    std::optional<QColor> scrollerFillColor() const { return scrollerFillColor_; }
    void setScrollerFillColor(std::optional<QColor> color);
    std::optional<QGradientStops> scrollerFillGradient() const { return scrollerFillGradient_; }
    void setScrollerFillGradient(std::optional<QGradientStops> gradient) { scrollerFillGradient_ = std::move(gradient); }
    // The scroll area's own background.
    std::optional<QColor> fillColor() const { return fillColor_; }
    void setFillColor(std::optional<QColor> color);
    std::optional<QGradientStops> fillGradient() const { return fillGradient_; }
    void setFillGradient(std::optional<QGradientStops> gradient) { fillGradient_ = std::move(gradient); }
    std::optional<QColor> fillBorderColor() const { return fillBorderColor_; }
    void setFillBorderColor(std::optional<QColor> color);
    std::optional<double> fillBorderWidth() const { return fillBorderWidth_; }
    void setFillBorderWidth(std::optional<double> width);
    std::optional<QColor> knobBorderColor() const { return knobBorderColor_; }
    void setKnobBorderColor(std::optional<QColor> color) { knobBorderColor_ = color; }
    std::optional<double> knobBorderWidth() const { return knobBorderWidth_; }
    void setKnobBorderWidth(std::optional<double> width);
    std::optional<double> knobRadius() const { return knobRadius_; }
    void setKnobRadius(std::optional<double> radius) { knobRadius_ = radius; }
    std::optional<double> knobSize() const { return knobSize_; }
    void setKnobSize(std::optional<double> size);
    std::optional<QColor> knobFillColor() const { return knobFillColor_; }
    void setKnobFillColor(std::optional<QColor> color);
    std::optional<QGradientStops> knobFillGradient() const { return knobFillGradient_; }
    void setKnobFillGradient(std::optional<QGradientStops> gradient) { knobFillGradient_ = std::move(gradient); }

    KPLScroll* hScroller() const { return hScroller_; }
    KPLScroll* vScroller() const { return vScroller_; }

protected:
    // The set-up every look starts with.
    void configScrollView();

private:
    void updateScroller();
    void redraw();
    template <typename F>
    void forEachScroller(F apply)
    {
        for (KPLScroll* scroller : {hScroller_.data(), vScroller_.data()}) {
            if (scroller) {
                apply(scroller);
            }
        }
    }

    QAbstractScrollArea* area_;
    QPointer<KPLScroll> hScroller_;
    QPointer<KPLScroll> vScroller_;
    bool showVerticalScroller_ = true;
    bool showHorizontalScroller_ = true;
    std::optional<double> scrollerSize_;
    std::optional<QColor> scrollerFillColor_;
    std::optional<QGradientStops> scrollerFillGradient_;
    std::optional<QColor> fillColor_;
    std::optional<QGradientStops> fillGradient_;
    std::optional<QColor> fillBorderColor_;
    std::optional<double> fillBorderWidth_;
    std::optional<QColor> knobBorderColor_;
    std::optional<double> knobBorderWidth_;
    std::optional<double> knobRadius_;
    std::optional<double> knobSize_;
    std::optional<QColor> knobFillColor_;
    std::optional<QGradientStops> knobFillGradient_;
};

// A scroll view with the program's thin scrollers: only the vertical one
// shows, 10 wide, a light track with a rule on its inner side and a 5 wide
// rounded knob, on a white background.
class KPLScrollView : public QScrollArea, public KPLScrollViewLook {
    Q_OBJECT
public:
    explicit KPLScrollView(QWidget* parent = nullptr);
};
