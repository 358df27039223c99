#include "CircularProgressView.h"

#include "QVLibrary/RYTDarkMode.h"

#include "Foundation/Dispatch.h"
#include "Foundation/Progress.h"
#include "Main/Utilities.h"
#include "View/Extension/KPLExtensionView.h"

#include <QEasingCurve>
#include <QPainter>
#include <QVariantAnimation>

namespace {

constexpr int kArcDurationMs = 1000;
constexpr double kFinishedFrom = 0.99;

QEasingCurve easeOut()
{
    // The usual ease-out: a cubic Bézier through (0, 0), (0.58, 1), (1, 1).
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.0, 0.0), QPointF(0.58, 1.0), QPointF(1.0, 1.0));
    return curve;
}

}  // namespace

CircularProgressView::CircularProgressView(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

CircularProgressView::CircularProgressView(double size, QWidget* parent)
    : CircularProgressView(parent)
{
    resize(qRound(size), qRound(size));
}

CircularProgressView::~CircularProgressView()
{
    stopObserving();
}

QColor CircularProgressView::color()
{
    return assetColor(QStringLiteral("ProgressColor"));
}

QColor CircularProgressView::labelColor()
{
    return assetColor(QStringLiteral("ProgressLabelColor"));
}

void CircularProgressView::setOnLightSurface(bool light)
{
    onLightSurface_ = light;
    update();
}

double CircularProgressView::radius() const
{
    const double midX = width() / 2.0;
    const double midY = height() / 2.0;
    return 0.8 * (height() <= width() ? midY : midX);
}

QSize CircularProgressView::sizeHint() const
{
    return QSize(180, 180);
}

void CircularProgressView::setLabel(const QString& text)
{
    if (label_ != text) {
        label_ = text;
        update();
    }
}

void CircularProgressView::setProgress(double progress)
{
    progress_ = progress > 0 ? qMin(progress, 1.0) : 0.0;
    // The arc follows in the next turn of the main queue, towards whatever
    // value is current then; the text changes at once.
    DispatchQueue::main().async(this, [this] { animateArc(); });
    if (progress_ >= kFinishedFrom) {
        setIsFinished(true);
        setLabel(QStringLiteral("99.99%"));
    } else {
        setLabel(QString::asprintf("%.2f%%", progress_ * 100.0));
    }
}

void CircularProgressView::animateArc()
{
    if (arcAnimation_) {
        arcAnimation_->stop();
        delete arcAnimation_.data();
    }
    if (strokeEnd_ == progress_) {
        return;
    }
    auto* animation = new QVariantAnimation(this);
    animation->setDuration(kArcDurationMs);
    animation->setEasingCurve(easeOut());
    animation->setStartValue(strokeEnd_);
    animation->setEndValue(progress_);
    connect(animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        strokeEnd_ = value.toDouble();
        update();
    });
    arcAnimation_ = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

bool CircularProgressView::isArcAnimating() const
{
    return arcAnimation_ && arcAnimation_->state() == QAbstractAnimation::Running;
}

bool CircularProgressView::isFinished() const
{
    return progressInstance_ ? progressInstance_->isFinished() : finished_;
}

void CircularProgressView::setIsFinished(bool finished)
{
    const bool changed = finished_ != finished;
    finished_ = finished;
    if (changed) {
        emit isFinishedChanged(finished);
    }
    if (finished_ && !isCancelled()) {
        setLabel(QStringLiteral("99.99%"));
    }
}

bool CircularProgressView::isCancelled() const
{
    return progressInstance_ ? progressInstance_->isCancelled() : cancelled_;
}

void CircularProgressView::setIsCancelled(bool cancelled)
{
    becomeCancelled(cancelled);
}

void CircularProgressView::becomeCancelled(bool cancelled)
{
    const bool becameCancelled = cancelled && !cancelled_;
    const bool changed = cancelled_ != cancelled;
    cancelled_ = cancelled;
    if (changed) {
        emit isCancelledChanged(cancelled);
    }
    // Once per change to cancelled, however often it is set.
    if (becameCancelled && onCancelled_) {
        onCancelled_();
    }
}

bool CircularProgressView::isCancellable() const
{
    return progressInstance_ ? progressInstance_->isCancellable() : cancellable_;
}

void CircularProgressView::setIsCancellable(bool cancellable)
{
    cancellable_ = cancellable;
}

void CircularProgressView::setLineWidth(double width)
{
    lineWidth_ = width;
    update();
}

void CircularProgressView::stopObserving()
{
    for (const QMetaObject::Connection& connection : std::as_const(observations_)) {
        disconnect(connection);
    }
    observations_.clear();
    ++observation_;
}

Progress* CircularProgressView::progressInstance() const
{
    return progressInstance_;
}

void CircularProgressView::setProgressInstance(Progress* progress)
{
    // Whatever was followed before is let go, also when nothing new comes.
    stopObserving();
    progressInstance_ = progress;
    if (!progress) {
        return;
    }
    const quint64 generation = observation_;
    const QPointer<CircularProgressView> self(this);
    // The object may change on any thread; each change is looked at on the
    // main thread, by a view that still exists and still follows it.
    auto onMain = [self, generation](std::function<void(CircularProgressView*, Progress*)> step) {
        DispatchQueue::main().async([self, generation, step = std::move(step)] {
            if (!self || self->observation_ != generation || !self->progressInstance_) {
                return;
            }
            step(self.data(), self->progressInstance_.data());
        });
    };
    observations_.append(connect(
        progress, &Progress::fractionCompletedChanged, progress,
        [onMain](double) {
            onMain([](CircularProgressView* view, Progress* object) {
                if (!view->isCancelled() && !object->isFinished()) {
                    view->setProgress(object->fractionCompleted());
                }
            });
        },
        Qt::DirectConnection));
    observations_.append(connect(
        progress, &Progress::finishedChanged, progress,
        [onMain](bool) {
            onMain([](CircularProgressView* view, Progress* object) {
                if (!view->isCancelled() && object->isFinished()) {
                    view->setProgress(1.0);
                }
            });
        },
        Qt::DirectConnection));
    observations_.append(connect(
        progress, &Progress::cancelledChanged, progress,
        [onMain](bool) {
            onMain([](CircularProgressView* view, Progress* object) { view->becomeCancelled(object->isCancelled()); });
        },
        Qt::DirectConnection));
    cancellable_ = progress->isCancellable();
}

void CircularProgressView::reset()
{
    if (arcAnimation_) {
        arcAnimation_->stop();
        delete arcAnimation_.data();
    }
    progress_ = 0.0;
    finished_ = false;
    cancelled_ = false;
    strokeEnd_ = 0.0;
    label_ = QStringLiteral("0%");
    update();
}

void CircularProgressView::cancel()
{
    if (progressInstance_) {
        if (progressInstance_->isCancellable()) {
            progressInstance_->cancel();
        }
        return;
    }
    if (!cancellable_) {
        return;
    }
    becomeCancelled(true);
}

void CircularProgressView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(width() / 2.0, height() / 2.0);
    const double r = radius();
    const QColor ringColor =
        onLightSurface_ ? RYTDarkMode::colorNamed(QStringLiteral("ProgressColor"), false) : color();
    const QColor textColor =
        onLightSurface_ ? RYTDarkMode::colorNamed(QStringLiteral("ProgressLabelColor"), false) : labelColor();

    painter.setPen(Qt::NoPen);
    painter.setBrush(ringColor);
    painter.drawEllipse(centre, r * 0.89, r * 0.89);

    const QRectF circle(centre.x() - r, centre.y() - r, 2 * r, 2 * r);
    painter.setBrush(Qt::NoBrush);
    if (strokeEnd_ > 0) {
        QPen arcPen(textColor, lineWidth_);
        arcPen.setCapStyle(Qt::RoundCap);
        painter.setPen(arcPen);
        // From the top, clockwise.
        painter.drawArc(circle, 90 * 16, -qRound(strokeEnd_ * 360.0 * 16.0));
    }
    painter.setPen(QPen(ringColor, lineWidth_));
    painter.drawEllipse(circle);

    // The text box is as high as a line of the font, centred 5 points below
    // the middle, with the text at its top.
    const QFont font = shuziFont(28);
    const QFontMetricsF metrics(font);
    const double lineHeight = metrics.height();
    painter.setFont(font);
    painter.setPen(textColor);
    const QRectF box(0, centre.y() + 5 - lineHeight / 2, width(), lineHeight);
    painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop, label_);
}
