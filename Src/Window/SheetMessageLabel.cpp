#include "SheetMessageLabel.h"

#include <QPainter>
#include <QStyle>
#include <QTextLayout>

#include <cmath>

SheetMessageLabel::SheetMessageLabel(QWidget* parent) : QLabel(parent)
{
    setWordWrap(true);
}

QTextOption SheetMessageLabel::textOption() const
{
    QTextOption option(QStyle::visualAlignment(layoutDirection(), alignment() & Qt::AlignHorizontal_Mask));
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTextDirection(layoutDirection());
    return option;
}

qreal SheetMessageLabel::layOut(QTextLayout& layout, qreal width) const
{
    layout.setFont(font());
    layout.setTextOption(textOption());
    qreal height = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    return height;
}

int SheetMessageLabel::heightForWidth(int width) const
{
    const QMargins margins = contentsMargins();
    QTextLayout layout(text());
    const qreal height = layOut(layout, std::max(1, width - margins.left() - margins.right()));
    return static_cast<int>(std::ceil(height)) + margins.top() + margins.bottom();
}

QSize SheetMessageLabel::sizeHint() const
{
    const int width = maximumWidth() < QWIDGETSIZE_MAX ? maximumWidth() : QLabel::sizeHint().width();
    return {width, heightForWidth(width)};
}

QSize SheetMessageLabel::minimumSizeHint() const
{
    return sizeHint();
}

void SheetMessageLabel::paintEvent(QPaintEvent*)
{
    const QRect box = contentsRect();
    QTextLayout layout(text());
    const qreal height = layOut(layout, box.width());
    qreal top = box.top();
    if (alignment() & Qt::AlignVCenter) {
        top += (box.height() - height) / 2;
    } else if (alignment() & Qt::AlignBottom) {
        top += box.height() - height;
    }
    QPainter painter(this);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    layout.draw(&painter, QPointF(box.left(), top));
}
