#include "KPLPopUpButtonCell.h"

#include <QFontMetricsF>
#include <QPainter>

double KPLPopUpButtonCell::titleHeight() const
{
    return QFontMetricsF(titleFontFor(font)).height();
}

double KPLPopUpButtonCell::titleWidth() const
{
    return QFontMetricsF(titleFontFor(font)).horizontalAdvance(title);
}

QRectF KPLPopUpButtonCell::titleRectForBounds(const QRectF& bounds) const
{
    switch (imagePosition) {
    case KPLImagePosition::imageOnly:
    case KPLImagePosition::imageBelow:
    case KPLImagePosition::imageAbove:
        return {};
    default:
        break;
    }
    const double space = image.isNull() ? 8.0 : imageSize.width() + 8.0;
    const double y = bounds.y() + (bounds.height() - titleHeight()) / 2.0;
    if (imagePosition == KPLImagePosition::imageLeft) {
        return QRectF(bounds.x() + space, y, bounds.width() - (space + 15.0), bounds.height());
    }
    return QRectF(bounds.x() + 4.0, y, bounds.width() - 19.0, bounds.height());
}

QRectF KPLPopUpButtonCell::imageRectForBounds(const QRectF& bounds) const
{
    if (image.isNull()) {
        return {};
    }
    const double iw = imageSize.width();
    const double ih = imageSize.height();
    switch (imagePosition) {
    case KPLImagePosition::imageOnly:
        return QRectF((bounds.width() - iw) / 2.0, (bounds.height() - ih) / 2.0, iw, ih);
    case KPLImagePosition::imageLeft:
        return QRectF(bounds.x() + 4.0, bounds.y() + (bounds.height() - ih) / 2.0, iw, ih);
    case KPLImagePosition::imageRight: {
        const double tw = titleWidth();
        return QRectF(bounds.x() + tw + 8.0, bounds.y() + (bounds.height() - ih) / 2.0, bounds.width() - (tw + 23.0),
                      bounds.height());
    }
    default:
        return {};
    }
}

QRectF KPLPopUpButtonCell::stateImageRectForBounds(const QRectF& bounds) const
{
    return QRectF(bounds.topLeft(), QSizeF(10.0, 10.0));
}

void KPLPopUpButtonCell::drawWithFrame(QPainter* painter, const QRectF& frame) const
{
    if (bordered) {
        drawBody(painter, frame);
    }
    drawInterior(painter, frame);
}

void KPLPopUpButtonCell::drawInterior(QPainter* painter, const QRectF& frame) const
{
    const QRectF imageRect = imageRectForBounds(frame);
    if (!imageRect.isEmpty()) {
        // The image keeps its own size at the start of its rectangle, centred
        // across it.
        const QRectF at(imageRect.x(), imageRect.y() + (imageRect.height() - imageSize.height()) / 2.0,
                        imageSize.width(), imageSize.height());
        image.paint(painter, at.toAlignedRect(), Qt::AlignCenter);
    }
    const QRectF titleRect = titleRectForBounds(frame);
    if (titleRect.isEmpty()) {
        return;
    }
    painter->save();
    const QFont titleFont = titleFontFor(font);
    painter->setFont(titleFont);
    painter->setPen(titleColorToUse());
    const QString shown = QFontMetricsF(titleFont).elidedText(title, Qt::ElideRight, titleRect.width());
    painter->drawText(QRectF(titleRect.x(), titleRect.y(), titleRect.width(), titleHeight()),
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    painter->restore();
}
