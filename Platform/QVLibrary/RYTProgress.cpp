#include "RYTProgress.h"

#include <QPainter>
#include <QPainterPath>

RYTProgress::RYTProgress(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void RYTProgress::setMinValue(double value)
{
    minValue_ = value;
    update();
}

void RYTProgress::setMaxValue(double value)
{
    maxValue_ = value;
    update();
}

void RYTProgress::setProgressValue(double value)
{
    progressValue_ = value;
    update();
}

void RYTProgress::setCornerRadius(float radius)
{
    cornerRadius_ = radius;
    update();
}

void RYTProgress::setBackgroundColor(const QColor& color)
{
    backgroundColor_ = color;
    update();
}

void RYTProgress::setProgressColor(const QColor& color)
{
    progressColor_ = color;
    update();
}

double RYTProgress::fraction() const
{
    const double range = maxValue_ - minValue_;
    if (!(range > 0)) {
        return 0.0;
    }
    const double share = (progressValue_ - minValue_) / range;
    if (!(share > 0)) {
        return 0.0;
    }
    return qMin(share, 1.0);
}

QSize RYTProgress::sizeHint() const
{
    return QSize(200, 10);
}

void RYTProgress::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(rect());
    const qreal radius = qBound<qreal>(0.0, cornerRadius_, qMin(track.width(), track.height()) / 2.0);
    QPainterPath trackPath;
    trackPath.addRoundedRect(track, radius, radius);
    painter.fillPath(trackPath, backgroundColor_);

    const double share = fraction();
    if (share <= 0) {
        return;
    }
    // The fill is the track's shape cut at the share, so a short fill keeps
    // the rounded start and never pokes out of the track.
    QPainterPath fill;
    fill.addRect(QRectF(track.left(), track.top(), track.width() * share, track.height()));
    painter.fillPath(trackPath.intersected(fill), progressColor_);
}
