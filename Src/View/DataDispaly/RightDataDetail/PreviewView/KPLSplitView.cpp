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
        QPainter painter(this);
        split_->drawDivider(&painter, rect());
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
    if (orientation() == Qt::Horizontal) {
        // Panes side by side: a plain line.
        painter->fillRect(rect, lineColor());
        return;
    }
    // Stacked panes: an 11-point bar with a line above and below, white, and
    // the 12 × 11 grip centred on it.
    const QRect bar(rect.x(), rect.y() + 1, rect.width(), 11);
    painter->fillRect(rect, Qt::white);
    painter->fillRect(QRect(rect.x(), bar.top() - 1, rect.width(), 1), lineColor());
    painter->fillRect(QRect(rect.x(), bar.bottom() + 1, rect.width(), 1), lineColor());
    const QIcon grip = RYTImage::named(QStringLiteral("rightSplitViewImage"));
    if (!grip.isNull()) {
        const QRect place(rect.x() + (rect.width() - 12) / 2, bar.top(), 12, 11);
        grip.paint(painter, place);
    }
}

QSplitterHandle* KPLSplitView::createHandle()
{
    return new Divider(orientation(), this);
}
