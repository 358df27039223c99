#include "KPLScrollView.h"

#include "Main/Utilities.h"

#include <QAbstractScrollArea>
#include <QVariant>

namespace {

const char* const kLookProperty = "_kpl_scrollViewLook";

// The look of a scroll area that is not a KPLScrollView; it goes with the area.
class KPLScrollAreaLook final : public QObject, public KPLScrollViewLook {
public:
    explicit KPLScrollAreaLook(QAbstractScrollArea* area)
        : QObject(area)
        , KPLScrollViewLook(area)
    {
        configScrollView();
    }
};

}  // namespace

KPLScrollViewLook::KPLScrollViewLook(QAbstractScrollArea* area)
    : area_(area)
{
    hScroller_ = new KPLScroll(Qt::Horizontal);
    vScroller_ = new KPLScroll(Qt::Vertical);
    area->setHorizontalScrollBar(hScroller_);
    area->setVerticalScrollBar(vScroller_);
    area->setProperty(kLookProperty, QVariant::fromValue(reinterpret_cast<quintptr>(this)));
}

KPLScrollViewLook::~KPLScrollViewLook() = default;

KPLScrollViewLook* KPLScrollViewLook::applyTo(QAbstractScrollArea* area)
{
    if (!area) {
        return nullptr;
    }
    if (KPLScrollViewLook* look = lookOf(area)) {
        return look;
    }
    return new KPLScrollAreaLook(area);
}

KPLScrollViewLook* KPLScrollViewLook::lookOf(const QAbstractScrollArea* area)
{
    if (!area) {
        return nullptr;
    }
    return reinterpret_cast<KPLScrollViewLook*>(area->property(kLookProperty).value<quintptr>());
}

void KPLScrollViewLook::configScrollView()
{
    area_->setFrameShape(QFrame::NoFrame);
    setShowVerticalScroller(true);
    setShowHorizontalScroller(false);
    setScrollerSize(10.0);
    setScrollerFillColor(color256(230, 236, 245, 0.4));
    setFillColor(QColor(Qt::white));
    setKnobBorderWidth(0.0);
    setKnobSize(5.0);
    setKnobFillColor(color256(150, 164, 179, 0.4));
    setFillBorderColor(color256(210, 216, 223, 1.0));
    setFillBorderWidth(0.5);
}

void KPLScrollViewLook::redraw()
{
    area_->update();
    area_->viewport()->update();
}

void KPLScrollViewLook::updateScroller()
{
    // Qt lays the scrollers out along the trailing and bottom edges (the
    // leading edge in a right-to-left layout) at their own thickness; a
    // scroller of thickness 0 is switched off so it takes no room.
    const auto apply = [this](KPLScroll* scroller, bool shown, Qt::Orientation orientation) {
        if (!scroller) {
            return;
        }
        const std::optional<double> size = shown ? scrollerSize_ : std::optional<double>(0.0);
        scroller->setScrollerSize(size);
        const bool visible = !size || *size > 0.0;
        const Qt::ScrollBarPolicy policy = visible ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
        if (orientation == Qt::Vertical) {
            area_->setVerticalScrollBarPolicy(policy);
        } else {
            area_->setHorizontalScrollBarPolicy(policy);
        }
    };
    apply(vScroller_, showVerticalScroller_, Qt::Vertical);
    apply(hScroller_, showHorizontalScroller_, Qt::Horizontal);
    area_->updateGeometry();
    redraw();
}

void KPLScrollViewLook::setShowVerticalScroller(bool show)
{
    showVerticalScroller_ = show;
    updateScroller();
}

void KPLScrollViewLook::setShowHorizontalScroller(bool show)
{
    showHorizontalScroller_ = show;
    updateScroller();
}

void KPLScrollViewLook::setScrollerSize(std::optional<double> size)
{
    scrollerSize_ = size;
    updateScroller();
}

void KPLScrollViewLook::setScrollerFillColor(std::optional<QColor> color)
{
    scrollerFillColor_ = color;
    forEachScroller([&](KPLScroll* scroller) { scroller->setFillColor(color); });
    redraw();
}

void KPLScrollViewLook::setFillColor(std::optional<QColor> color)
{
    fillColor_ = color;
    if (color) {
        // The area under the scrollers too: their track is translucent and
        // is meant to lie on this background.
        for (QWidget* surface : {static_cast<QWidget*>(area_), area_->viewport()}) {
            QPalette palette = surface->palette();
            palette.setColor(QPalette::Base, *color);
            palette.setColor(QPalette::Window, *color);
            surface->setPalette(palette);
            surface->setAutoFillBackground(true);
        }
    }
    redraw();
}

void KPLScrollViewLook::setFillBorderColor(std::optional<QColor> color)
{
    fillBorderColor_ = color;
    forEachScroller([&](KPLScroll* scroller) { scroller->setFillBorderColor(color); });
    redraw();
}

void KPLScrollViewLook::setFillBorderWidth(std::optional<double> width)
{
    fillBorderWidth_ = width;
    forEachScroller([&](KPLScroll* scroller) { scroller->setFillBorderWidth(width); });
    redraw();
}

void KPLScrollViewLook::setKnobBorderWidth(std::optional<double> width)
{
    knobBorderWidth_ = width;
    forEachScroller([&](KPLScroll* scroller) { scroller->setKnobBorderWidth(width); });
    redraw();
}

void KPLScrollViewLook::setKnobSize(std::optional<double> size)
{
    knobSize_ = size;
    forEachScroller([&](KPLScroll* scroller) { scroller->setKnobSize(size); });
    redraw();
}

void KPLScrollViewLook::setKnobFillColor(std::optional<QColor> color)
{
    knobFillColor_ = color;
    forEachScroller([&](KPLScroll* scroller) { scroller->setKnobFillColor(color); });
    redraw();
}

KPLScrollView::KPLScrollView(QWidget* parent)
    : QScrollArea(parent)
    , KPLScrollViewLook(this)
{
    configScrollView();
}
