#include "IconView.h"

#include "QVLibrary/RYTImage.h"

#include <QPainter>

IconView::IconView(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void IconView::setImage(const QIcon& image)
{
    image_ = image;
    imageName_.clear();
    update();
}

void IconView::setImageNamed(const QString& name)
{
    image_ = RYTImage::named(name);
    imageName_ = name;
    update();
}

QSize IconView::sizeHint() const
{
    return QSize(16, 16);
}

void IconView::paintEvent(QPaintEvent*)
{
    if (image_.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    image_.paint(&painter, rect(), Qt::AlignCenter);
}
