#include "AnimationView.h"

#include <QPaintEvent>
#include <QPainter>

#include <cmath>

namespace Lottie {

namespace {

double clampProgress(double value)
{
    if (!(value > 0)) {
        return 0;
    }
    return qMin(value, 1.0);
}

}  // namespace

AnimationView::AnimationView(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    frameTimer_.setTimerType(Qt::PreciseTimer);
    connect(&frameTimer_, &QTimer::timeout, this, &AnimationView::tick);
    endTimer_.setSingleShot(true);
    endTimer_.setTimerType(Qt::PreciseTimer);
    connect(&endTimer_, &QTimer::timeout, this, &AnimationView::tick);
}

AnimationView::~AnimationView() = default;

void AnimationView::setAnimation(std::shared_ptr<const Animation> animation)
{
    if (playing_) {
        endPlay(false);
    }
    animation_ = std::move(animation);
    renderer_.reset();
    rendererTried_ = false;
    restingProgress_ = 0;
    frameValid_ = false;
    frame_ = QImage();
    updateGeometry();
    update();
}

void AnimationView::setImageProvider(std::shared_ptr<AnimationImageProvider> provider)
{
    imageProvider_ = std::move(provider);
    renderer_.reset();
    rendererTried_ = false;
    frameValid_ = false;
    update();
}

void AnimationView::setLoopMode(LottieLoopMode mode)
{
    loopMode_ = mode;
}

void AnimationView::play(LottieCompletionBlock completion)
{
    play(0.0, 1.0, std::nullopt, std::move(completion));
}

void AnimationView::play(double fromProgress, double toProgress, std::optional<LottieLoopMode> loopMode,
                         LottieCompletionBlock completion)
{
    if (loopMode) {
        loopMode_ = *loopMode;
    }
    if (playing_) {
        endPlay(false);
    }
    if (!animation_) {
        deliver(std::move(completion), false);
        return;
    }
    play_.from = clampProgress(fromProgress);
    play_.to = clampProgress(toProgress);
    play_.mode = loopMode_;
    play_.seconds = std::fabs(play_.to - play_.from) * animation_->duration();
    if (!(play_.seconds > 0)) {
        // Nothing lies between the two points: show it and be done.
        restingProgress_ = play_.to;
        update();
        deliver(std::move(completion), true);
        return;
    }
    completion_ = std::move(completion);
    playing_ = true;
    clock_.start();
    scheduleTimers();
    update();
}

void AnimationView::stop()
{
    if (playing_) {
        endPlay(false);
    }
    restingProgress_ = 0;
    update();
}

double AnimationView::currentProgress() const
{
    if (!playing_) {
        return restingProgress_;
    }
    return progressAt(static_cast<double>(clock_.nsecsElapsed()) / 1e9);
}

double AnimationView::progressAt(double elapsedSeconds) const
{
    const double passes = elapsedSeconds / play_.seconds;
    double t = 0;
    switch (play_.mode) {
    case LottieLoopMode::playOnce:
        t = qMin(passes, 1.0);
        break;
    case LottieLoopMode::loop:
        t = std::fmod(passes, 1.0);
        break;
    case LottieLoopMode::autoReverse: {
        const double phase = std::fmod(passes, 2.0);
        t = phase <= 1.0 ? phase : 2.0 - phase;
        break;
    }
    }
    return play_.from + (play_.to - play_.from) * t;
}

void AnimationView::endPlay(bool finished)
{
    if (!playing_) {
        return;
    }
    restingProgress_ = finished ? play_.to : currentProgress();
    playing_ = false;
    frameTimer_.stop();
    endTimer_.stop();
    deliver(std::exchange(completion_, nullptr), finished);
}

void AnimationView::deliver(LottieCompletionBlock completion, bool finished)
{
    if (!completion) {
        return;
    }
    // Queued and bound to the view: the caller's own call returns first, and
    // a view that is gone by then calls nobody.
    QMetaObject::invokeMethod(
        this, [completion = std::move(completion), finished] { completion(finished); }, Qt::QueuedConnection);
}

void AnimationView::scheduleTimers()
{
    frameTimer_.stop();
    endTimer_.stop();
    if (!playing_) {
        return;
    }
    if (isVisible()) {
        const double fps = animation_ ? animation_->framerate() : 30.0;
        frameTimer_.start(qMax(8, qRound(1000.0 / fps)));
    } else if (play_.mode == LottieLoopMode::playOnce) {
        // Nothing is drawn while hidden, but the play still ends on time.
        const double left = play_.seconds - static_cast<double>(clock_.nsecsElapsed()) / 1e9;
        endTimer_.start(qMax(0, static_cast<int>(std::ceil(left * 1000.0))));
    }
}

void AnimationView::tick()
{
    if (!playing_) {
        return;
    }
    if (play_.mode == LottieLoopMode::playOnce && static_cast<double>(clock_.nsecsElapsed()) / 1e9 >= play_.seconds) {
        endPlay(true);
        update();
        return;
    }
    if (!isVisible()) {
        return;
    }
    if (AnimationRenderer* r = renderer(); r && frameValid_ && r->frameAtProgress(currentProgress()) == frameNumber_) {
        return;
    }
    update();
}

AnimationRenderer* AnimationView::renderer()
{
    if (!renderer_ && !rendererTried_ && animation_) {
        rendererTried_ = true;
        renderer_ = animation_->makeRenderer(imageProvider_.get());
    }
    return renderer_.get();
}

const QImage& AnimationView::frameImage(qreal ratio)
{
    AnimationRenderer* r = renderer();
    const QSize pixels(qRound(width() * ratio), qRound(height() * ratio));
    if (!r || pixels.isEmpty()) {
        frame_ = QImage();
        frameValid_ = false;
        return frame_;
    }
    const size_t number = r->frameAtProgress(currentProgress());
    if (frameValid_ && number == frameNumber_ && frame_.size() == pixels) {
        return frame_;
    }
    if (frame_.size() != pixels) {
        frame_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    }
    r->renderInto(number, frame_);
    frame_.setDevicePixelRatio(ratio);
    frameNumber_ = number;
    frameValid_ = true;
    ++renderedFrames_;
    return frame_;
}

QImage AnimationView::currentFrameImage(qreal devicePixelRatio)
{
    return frameImage(devicePixelRatio > 0 ? devicePixelRatio : devicePixelRatioF());
}

QSize AnimationView::sizeHint() const
{
    if (animation_) {
        return animation_->size();
    }
    return QSize(100, 100);
}

void AnimationView::paintEvent(QPaintEvent*)
{
    if (!animation_) {
        return;
    }
    QPainter painter(this);
    // The painter's device tells the pixel density: the screen's, or that of
    // an image the view is rendered into.
    const QImage& image = frameImage(painter.device()->devicePixelRatioF());
    if (image.isNull()) {
        return;
    }
    painter.drawImage(QPointF(0, 0), image);
}

void AnimationView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    scheduleTimers();
}

void AnimationView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    scheduleTimers();
}

}  // namespace Lottie
