#include "ImageSlider.h"

#include <cmath>

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTDarkMode.h"

ImageSlider::ImageSlider(QWidget* parent)
    : QSlider(Qt::Horizontal, parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

void ImageSlider::setLeftAlig(double inset)
{
    leftAlig_ = inset;
    update();
}

void ImageSlider::setImage(const QIcon& image)
{
    image_ = image;
    update();
}

void ImageSlider::setImageSize(const QSizeF& size)
{
    imageSize_ = size;
    update();
}

void ImageSlider::setSliderHeigh(double height)
{
    sliderHeigh_ = height;
    update();
}

void ImageSlider::setSliderFrame(std::optional<QRectF> frame)
{
    sliderFrame_ = frame;
    update();
}

QColor ImageSlider::leftColor() const
{
    return leftColor_.isValid() ? leftColor_ : RYTDarkMode::colorNamed(QStringLiteral("silderLeftColor"));
}

QColor ImageSlider::rightColor() const
{
    return rightColor_.isValid() ? rightColor_ : RYTDarkMode::colorNamed(QStringLiteral("silderRightColor"));
}

void ImageSlider::setLeftColor(const QColor& color)
{
    leftColor_ = color;
    update();
}

void ImageSlider::setRightColor(const QColor& color)
{
    rightColor_ = color;
    update();
}

double ImageSlider::fraction() const
{
    const double span = double(maximum()) - double(minimum());
    return span > 0.0 ? (double(value()) - double(minimum())) / span : 0.0;
}

QRectF ImageSlider::knobRect() const
{
    const double w = width();
    const double h = height();
    const double x = (w - 2.0 * leftAlig_) * fraction() - imageSize_.width() / 2.0 + leftAlig_;
    return QRectF(x, h / 2.0 - imageSize_.height() / 2.0, imageSize_.width(), imageSize_.height());
}

QRectF ImageSlider::trackRect() const
{
    if (sliderFrame_) {
        return *sliderFrame_;
    }
    return QRectF(leftAlig_, (height() - sliderHeigh_) / 2.0, width() - 2.0 * leftAlig_, sliderHeigh_);
}

QRectF ImageSlider::filledRect() const
{
    const QRectF track = trackRect();
    // As wide as the knob's left edge lies from the slider's left end.
    return QRectF(track.x(), track.y(), knobRect().x(), track.height());
}

void ImageSlider::paintEvent(QPaintEvent* event)
{
    if (image_.isNull()) {
        QSlider::paintEvent(event);
        noteValue();
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const auto pill = [&](const QRectF& rect, const QColor& color) {
        if (rect.width() <= 0.0 || rect.height() <= 0.0) {
            return;
        }
        const double radius = rect.height() / 2.0;
        QPainterPath path;
        path.addRoundedRect(rect, radius, radius);
        painter.fillPath(path, color);
    };
    // Track below the coloured part, which lies below the knob.
    pill(trackRect(), rightColor());
    pill(filledRect(), leftColor());
    const QRectF knob = knobRect();
    const QSize pixels(qCeil(knob.width()), qCeil(knob.height()));
    painter.drawPixmap(knob, image_.pixmap(pixels, devicePixelRatioF()), QRectF());
    if (hasFocus()) {
        // The program's focus ring, round the knob with a little room.
        const QRectF ring = knob.adjusted(-3.0, -3.0, 3.0, 3.0);
        RYTButton::paintFocusMark(painter, ring, ring.width() / 2.0);
    }
    noteValue();
}

void ImageSlider::sliderChange(SliderChange change)
{
    QSlider::sliderChange(change);
    // The owner's label follows the value at once, not only at the next
    // drawing, so what is shown never lags what was set.
    if (change == SliderValueChange) {
        noteValue();
    }
}

void ImageSlider::noteValue()
{
    const double current = value();
    if (std::isnan(lastValue_) || lastValue_ != current) {
        lastValue_ = current;
        if (imageSliderProtocol_) {
            imageSliderProtocol_->imageSliderValueDidChange();
        }
    }
}

int ImageSlider::valueAt(double x) const
{
    const double span = width() - 2.0 * leftAlig_;
    const double f = span > 0.0 ? std::clamp((x - leftAlig_) / span, 0.0, 1.0) : 0.0;
    return minimum() + int(std::lround(f * (double(maximum()) - double(minimum()))));
}

void ImageSlider::mousePressEvent(QMouseEvent* event)
{
    if (image_.isNull() || event->button() != Qt::LeftButton) {
        QSlider::mousePressEvent(event);
        return;
    }
    event->accept();
    // A press on the track moves the knob there; dragging continues from it.
    setSliderDown(true);
    setSliderPosition(valueAt(event->position().x()));
}

void ImageSlider::mouseMoveEvent(QMouseEvent* event)
{
    if (image_.isNull()) {
        QSlider::mouseMoveEvent(event);
        return;
    }
    event->accept();
    if (isSliderDown()) {
        setSliderPosition(valueAt(event->position().x()));
    }
}

void ImageSlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (image_.isNull() || event->button() != Qt::LeftButton) {
        QSlider::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    if (isSliderDown()) {
        setSliderPosition(valueAt(event->position().x()));
        setSliderDown(false);
    }
}
