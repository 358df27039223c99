#include "QLImageView.h"

#include <QPainter>

QLImageView::QLImageView(QWidget* parent)
    : QWidget(parent)
{
}

void QLImageView::setImage(const QImage& image)
{
    image_ = image;
    update();
}

QRectF QLImageView::imageRect() const
{
    if (image_.isNull()) {
        return {};
    }
    const QSizeF natural = image_.deviceIndependentSize();
    QSizeF fitted = natural;
    if (natural.width() > width() || natural.height() > height()) {
        fitted = natural.scaled(QSizeF(size()), Qt::KeepAspectRatio);
    }
    return QRectF((width() - fitted.width()) / 2.0, (height() - fitted.height()) / 2.0, fitted.width(),
                  fitted.height());
}

void QLImageView::paintEvent(QPaintEvent*)
{
    if (image_.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(imageRect(), image_);
}
