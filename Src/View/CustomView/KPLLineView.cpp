#include "KPLLineView.h"

#include "Main/Utilities.h"

#include <QPainter>

KPLLineView::KPLLineView(QWidget* parent)
    : QWidget(parent)
{
}

QColor KPLLineView::lineColor() const
{
    return assetColor(QStringLiteral("ScanViewLineViewColor"));
}

void KPLLineView::paintEvent(QPaintEvent*)
{
    // Looked up at every paint, so the line follows the appearance.
    QPainter painter(this);
    painter.fillRect(rect(), lineColor());
}
