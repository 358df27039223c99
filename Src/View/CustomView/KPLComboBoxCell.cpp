#include "KPLComboBoxCell.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

QRectF KPLComboBoxCell::titleRectForFrame(const QRectF& frame) const
{
    const double th = QFontMetricsF(titleFontFor(font)).height();
    return QRectF(frame.x() + 4.0, frame.y() + (frame.height() - th) / 2.0, frame.width() - 21.0, frame.height());
}

QRectF KPLComboBoxCell::buttonRectForFrame(const QRectF& frame) const
{
    return QRectF(frame.x() + frame.width() - stripWidth, frame.y(), stripWidth, frame.height());
}

void KPLComboBoxCell::drawWithFrame(QPainter* painter, const QRectF& frame, const QString* title) const
{
    if (!bordered) {
        return;
    }
    drawBody(painter, frame);
    if (title) {
        const QRectF titleRect = titleRectForFrame(frame);
        const QFont titleFont = titleFontFor(font);
        painter->save();
        painter->setFont(titleFont);
        painter->setPen(titleColorToUse());
        painter->drawText(QRectF(titleRect.x(), titleRect.y(), titleRect.width(), QFontMetricsF(titleFont).height()),
                          Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, *title);
        painter->restore();
    }
    // Rounded at the trailing corners only: the leading half is square.
    const QRectF strip = buttonRectForFrame(frame);
    const double radius = bodyRadius();
    QPainterPath path;
    path.addRoundedRect(strip, radius, radius);
    QPainterPath square;
    square.addRect(QRectF(strip.x(), strip.y(), strip.width() / 2.0, strip.height()));
    path = path.united(square);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (buttonColor) {
        painter->fillPath(path, *buttonColor);
    } else if (buttonGradient) {
        QLinearGradient gradient(strip.topLeft(), strip.bottomLeft());
        gradient.setStops(*buttonGradient);
        painter->fillPath(path, gradient);
    } else {
        painter->fillPath(path, QColor(128, 128, 128));
    }
    painter->restore();
}
