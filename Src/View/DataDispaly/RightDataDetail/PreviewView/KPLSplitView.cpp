#include "KPLSplitView.h"

#include "QVLibrary/RYTDarkMode.h"
#include "QVLibrary/RYTImage.h"

#include <QPainter>

namespace {

class Divider : public QSplitterHandle {
public:
    Divider(Qt::Orientation orientation, KPLSplitView* parent)
        : QSplitterHandle(orientation, parent)
        , split_(parent)
    {
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        // Qt widens a thin divider by margins the mouse can grab and shows only
        // what lies within them: the divider itself is the contents rectangle.
        QPainter painter(this);
        split_->drawDivider(&painter, contentsRect());
    }

private:
    KPLSplitView* split_;
};

QColor lineColor()
{
    // The bar is white in both appearances, so its outline keeps the light value.
    const QColor color = RYTDarkMode::colorNamed(QStringLiteral("ScanViewLineViewColor"), false);
    return color.isValid() ? color : QColor(Qt::red);
}

}  // namespace

KPLSplitView::KPLSplitView(QWidget* parent)
    : KPLSplitView(Qt::Horizontal, parent)
{
}

KPLSplitView::KPLSplitView(Qt::Orientation orientation, QWidget* parent)
    : QSplitter(orientation, parent)
{
    setChildrenCollapsible(false);
    setHandleWidth(dividerThickness());
}

void KPLSplitView::setDividerHeight(double height)
{
    dividerHeight_ = height;
    setHandleWidth(dividerThickness());
    for (int i = 0; i < count(); ++i) {
        if (QSplitterHandle* divider = handle(i)) {
            divider->update();
        }
    }
}

int KPLSplitView::dividerThickness() const
{
    return qMax(0, qRound(dividerHeight_));
}

void KPLSplitView::drawDivider(QPainter* painter, const QRect& rect) const
{
    // The bar is outlined on all four sides, white within, whichever way the
    // panes lie; a bar thick enough for it carries the 12 x 11 grip in its
    // middle. A one-point divider is thus all outline: a plain line.
    painter->fillRect(rect, lineColor());
    const QRect inside = rect.adjusted(1, 1, -1, -1);
    if (inside.isEmpty()) {
        return;
    }
    painter->fillRect(inside, Qt::white);
    const QIcon grip = RYTImage::named(QStringLiteral("rightSplitViewImage"));
    if (!grip.isNull() && inside.height() >= 11 && inside.width() >= 12) {
        const QRect place(rect.x() + (rect.width() - 12) / 2, inside.y() + (inside.height() - 11) / 2, 12, 11);
        grip.paint(painter, place);
    }
}

QSplitterHandle* KPLSplitView::createHandle()
{
    return new Divider(orientation(), this);
}
