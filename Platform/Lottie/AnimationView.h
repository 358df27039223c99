#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include "Lottie/Animation.h"
#include "Lottie/AnimationImageProvider.h"

namespace Lottie {

enum class LottieLoopMode {
    playOnce,     // to the end of the segment, then stop there
    loop,         // from the start of the segment again, for ever
    autoReverse,  // forward, then backward, for ever
};

// Told whether the play ran to its end (true) or was ended early: by a new
// play, stop(), a new animation, or because there was nothing to play (false).
using LottieCompletionBlock = std::function<void(bool animationFinished)>;

// Shows an animation and plays it. Frames are rendered at the view's size in
// device pixels, aspect-fitted and centred, at the animation's frame rate,
// and only while the view is visible: a hidden view renders nothing, yet its
// play goes on in time, so it shows the right frame when it appears again
// and a play once still completes when its time is up. Completions run on
// the main thread after the call that caused them returned, and never after
// the view is gone.
class AnimationView : public QWidget {
    Q_OBJECT
public:
    explicit AnimationView(QWidget* parent = nullptr);
    ~AnimationView() override;

    // A new animation ends the running play and shows its first frame.
    std::shared_ptr<const Animation> animation() const { return animation_; }
    void setAnimation(std::shared_ptr<const Animation> animation);

    // The images of the animation's image assets; a play goes on.
    std::shared_ptr<AnimationImageProvider> imageProvider() const { return imageProvider_; }
    void setImageProvider(std::shared_ptr<AnimationImageProvider> provider);

    // The mode of the next play() (and of segment plays given none).
    LottieLoopMode loopMode() const { return loopMode_; }
    void setLoopMode(LottieLoopMode mode);

    // Plays the whole animation from its start in the view's loop mode.
    void play(LottieCompletionBlock completion = nullptr);
    // Plays from one progress (0 to 1) to another, backwards when `to` lies
    // before `from`. A given loop mode becomes the view's loop mode.
    void play(double fromProgress, double toProgress, std::optional<LottieLoopMode> loopMode = std::nullopt,
              LottieCompletionBlock completion = nullptr);
    // Ends the play (its completion gets false) and shows the first frame.
    void stop();
    bool isAnimationPlaying() const { return playing_; }

    // Where the play stands now, 0 to 1 of the whole animation.
    double currentProgress() const;
    // The frame shown now, rendered at the view's size in device pixels (of
    // `devicePixelRatio`, or of the view's screen when 0).
    QImage currentFrameImage(qreal devicePixelRatio = 0);
    // How many frames the view has rendered.
    int renderedFrameCount() const { return renderedFrames_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct Play {
        double from = 0;
        double to = 1;
        LottieLoopMode mode = LottieLoopMode::playOnce;
        double seconds = 0;  // one pass from `from` to `to`
    };

    void endPlay(bool finished);
    void deliver(LottieCompletionBlock completion, bool finished);
    void tick();
    void scheduleTimers();
    double progressAt(double elapsedSeconds) const;
    AnimationRenderer* renderer();
    const QImage& frameImage(qreal ratio);

    std::shared_ptr<const Animation> animation_;
    std::shared_ptr<AnimationImageProvider> imageProvider_;
    std::shared_ptr<AnimationRenderer> renderer_;
    bool rendererTried_ = false;
    LottieLoopMode loopMode_ = LottieLoopMode::playOnce;

    bool playing_ = false;
    Play play_;
    LottieCompletionBlock completion_;
    QElapsedTimer clock_;
    double restingProgress_ = 0;

    QTimer frameTimer_;
    QTimer endTimer_;

    QImage frame_;
    size_t frameNumber_ = 0;
    bool frameValid_ = false;
    int renderedFrames_ = 0;
};

}  // namespace Lottie
