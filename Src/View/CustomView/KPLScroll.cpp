#include "KPLScroll.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QProxyStyle>
#include <QStyleOptionSlider>

namespace {

const QColor kGrey(128, 128, 128);

// Scroller geometry without arrow buttons: the groove is the whole
// scroller and the knob moves along all of it. Mouse handling asks the
// style too, so dragging and paging follow what is drawn.
class KPLScrollStyle final : public QProxyStyle {
public:
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget) const override
    {
        const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
        if (control != CC_ScrollBar || !bar) {
            return QProxyStyle::subControlRect(control, option, sub, widget);
        }
        const QRect rect = bar->rect;
        const bool vertical = bar->orientation == Qt::Vertical;
        const int length = vertical ? rect.height() : rect.width();
        const int range = bar->maximum - bar->minimum;
        int knobLength = length;
        int knobStart = 0;
        if (range > 0) {
            const qint64 page = qMax(1, bar->pageStep);
            knobLength = int(qint64(length) * page / (qint64(range) + page));
            knobLength = qBound(qMin(20, length), knobLength, length);
            knobStart = sliderPositionFromValue(bar->minimum, bar->maximum, bar->sliderPosition,
                                                length - knobLength, bar->upsideDown);
        }
        auto span = [&](int start, int size) {
            return vertical ? QRect(rect.left(), rect.top() + start, rect.width(), size)
                            : QRect(rect.left() + start, rect.top(), size, rect.height());
        };
        switch (sub) {
        case SC_ScrollBarGroove:
            return rect;
        case SC_ScrollBarSlider:
            return span(knobStart, knobLength);
        case SC_ScrollBarSubPage:
            return span(0, knobStart);
        case SC_ScrollBarAddPage:
            return span(knobStart + knobLength, length - knobStart - knobLength);
        default:
            return {};
        }
    }
};

void fillWith(QPainter& painter, const QPainterPath& path, const QRectF& box, const std::optional<QColor>& color,
              const std::optional<QGradientStops>& gradient, const QColor& fallback)
{
    if (color) {
        painter.fillPath(path, *color);
    } else if (gradient) {
        // From the top edge down.
        QLinearGradient linear(box.topLeft(), box.bottomLeft());
        linear.setStops(*gradient);
        painter.fillPath(path, linear);
    } else {
        painter.fillPath(path, fallback);
    }
}

}  // namespace

KPLScroll::KPLScroll(QWidget* parent)
    : QScrollBar(parent)
{
    setUp();
}

KPLScroll::KPLScroll(Qt::Orientation orientation, QWidget* parent)
    : QScrollBar(orientation, parent)
{
    setUp();
}

void KPLScroll::setUp()
{
    auto* style = new KPLScrollStyle;
    style->setParent(this);
    setStyle(style);
    fillBorderColor_ = kGrey;
    fillColor_ = palette().color(QPalette::Base);
    knobBorderColor_ = kGrey;
    knobFillColor_ = kGrey;
}

void KPLScroll::setScrollerSize(std::optional<double> size)
{
    scrollerSize_ = size;
    updateGeometry();
    update();
}

void KPLScroll::setFillBorderColor(std::optional<QColor> color)
{
    fillBorderColor_ = color;
    update();
}

void KPLScroll::setFillBorderWidth(std::optional<double> width)
{
    fillBorderWidth_ = width;
    update();
}

void KPLScroll::setFillColor(std::optional<QColor> color)
{
    fillColor_ = color;
    update();
}

void KPLScroll::setFillGradient(std::optional<QGradientStops> gradient)
{
    fillGradient_ = std::move(gradient);
    update();
}

void KPLScroll::setKnobBorderColor(std::optional<QColor> color)
{
    knobBorderColor_ = color;
    update();
}

void KPLScroll::setKnobBorderWidth(std::optional<double> width)
{
    knobBorderWidth_ = width;
    update();
}

void KPLScroll::setKnobSize(std::optional<double> size)
{
    knobSize_ = size;
    update();
}

void KPLScroll::setKnobRadius(std::optional<double> radius)
{
    knobRadius_ = radius;
    update();
}

void KPLScroll::setKnobFillColor(std::optional<QColor> color)
{
    knobFillColor_ = color;
    update();
}

void KPLScroll::setKnobFillGradient(std::optional<QGradientStops> gradient)
{
    knobFillGradient_ = std::move(gradient);
    update();
}

QSize KPLScroll::sizeHint() const
{
    QSize size = QScrollBar::sizeHint();
    if (scrollerSize_) {
        const int thickness = qMax(0, qRound(*scrollerSize_));
        if (orientation() == Qt::Vertical) {
            size.setWidth(thickness);
        } else {
            size.setHeight(thickness);
        }
    }
    return size;
}

QRect KPLScroll::knobPartRect() const
{
    if (maximum() <= minimum()) {
        return {};
    }
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
}

QRectF KPLScroll::knobRect() const
{
    const QRectF part = knobPartRect();
    if (part.isEmpty()) {
        return {};
    }
    const double size = knobSize_.value_or(0.0);
    // Taller than wide is vertical, whatever the orientation says.
    if (height() > width()) {
        const double knobWidth = size > 0.0 ? size : part.width() - 8.0;
        return QRectF((width() - knobWidth) / 2.0, part.y(), knobWidth, part.height());
    }
    const double knobHeight = size > 0.0 ? size : part.height() - 8.0;
    return QRectF(part.x(), (height() - knobHeight) / 2.0, part.width(), knobHeight);
}

double KPLScroll::knobCornerRadius() const
{
    const double radius = knobRadius_.value_or(-1.0);
    return radius > 0.0 ? radius : knobRect().width() / 2.0;
}

void KPLScroll::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds(rect());
    QPainterPath track;
    track.addRect(bounds);
    fillWith(painter, track, bounds, fillColor_, fillGradient_, Qt::white);
    const double borderWidth = fillBorderWidth_.value_or(0.0);
    if (borderWidth > 0.0) {
        // One pixel up, so the top edge falls outside and the outline reads
        // as a rule along the side that faces the content.
        painter.setPen(QPen(fillBorderColor_.value_or(kGrey), borderWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(0.0, -1.0, bounds.width(), bounds.height()));
    }
    drawKnob(painter);
}

void KPLScroll::drawKnob(QPainter& painter) const
{
    const QRectF knob = knobRect();
    if (knob.isEmpty()) {
        return;
    }
    const double radius = knobCornerRadius();
    QPainterPath path;
    path.addRoundedRect(knob, radius, radius);
    const double borderWidth = knobBorderWidth_.value_or(0.0);
    if (borderWidth > 0.0) {
        painter.strokePath(path, QPen(knobBorderColor_.value_or(kGrey), borderWidth));
    }
    fillWith(painter, path, knob, knobFillColor_, knobFillGradient_, kGrey);
}
