#include "Lottie/Animation.h"
#include "Lottie/AnimationView.h"
#include "Lottie/LRUAnimationCache.h"

#include "Foundation/Bundle.h"
#include "TestSupport.h"

#include <QPointer>

#include <optional>

namespace {

std::shared_ptr<const Lottie::Animation> shipped(const char* name)
{
    return Lottie::Animation::filepath(
        Bundle::main().pathForResource(QStringLiteral("LottieAnimation/%1/data").arg(QLatin1String(name)),
                                       QStringLiteral("json")),
        &Lottie::LRUAnimationCache::sharedCache());
}

// Records the completions a play gets.
struct Completions {
    QList<bool> results;
    Lottie::LottieCompletionBlock block()
    {
        return [this](bool finished) { results.append(finished); };
    }
};

class AnimationViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        view.resize(120, 120);
        view.setAnimation(shipped("Loading"));
        ASSERT_TRUE(view.animation());
    }
    Lottie::AnimationView view;
};

}  // namespace

TEST_F(AnimationViewTest, FramesAreRenderedAtTheDevicePixelSize)
{
    const QImage one = view.currentFrameImage(1.0);
    EXPECT_EQ(one.size(), QSize(120, 120));
    const QImage two = view.currentFrameImage(2.0);
    EXPECT_EQ(two.size(), QSize(240, 240));
    EXPECT_EQ(two.devicePixelRatio(), 2.0);

    // Drawn into a 2× image, the view renders its own 2× frame.
    view.setAnimation(shipped("Wastebasket"));
    view.play(0.99, 1.0, Lottie::LottieLoopMode::playOnce);
    Completions none;
    EXPECT_TRUE(waitUntil([&] { return !view.isAnimationPlaying(); }));
    QImage target(240, 240, QImage::Format_ARGB32_Premultiplied);
    target.setDevicePixelRatio(2.0);
    target.fill(Qt::transparent);
    view.render(&target);
    // Inside the basket: its blue, drawn at full resolution.
    const QColor inside = QColor::fromRgba(target.pixel(79, 144));
    EXPECT_GT(inside.blue(), 150);
    EXPECT_GT(inside.alpha(), 200);
}

TEST_F(AnimationViewTest, PlayOnceStopsAtTheEndAndCompletesTrue)
{
    Completions done;
    view.show();
    view.play(0.9, 1.0, Lottie::LottieLoopMode::playOnce, done.block());
    EXPECT_TRUE(view.isAnimationPlaying());
    EXPECT_TRUE(done.results.isEmpty());  // never from inside play()
    ASSERT_TRUE(waitUntil([&] { return !done.results.isEmpty(); }));
    EXPECT_EQ(done.results, QList<bool>{true});
    EXPECT_FALSE(view.isAnimationPlaying());
    EXPECT_DOUBLE_EQ(view.currentProgress(), 1.0);
    EXPECT_GT(view.renderedFrameCount(), 0);
}

TEST_F(AnimationViewTest, SegmentsStopAtTheirEndInEitherDirection)
{
    Completions done;
    view.play(0.2, 0.3, Lottie::LottieLoopMode::playOnce, done.block());
    ASSERT_TRUE(waitUntil([&] { return done.results.size() == 1; }));
    EXPECT_DOUBLE_EQ(view.currentProgress(), 0.3);

    // Backwards, as the home screen's hover-out plays 0.4 to 0.
    view.play(0.35, 0.25, std::nullopt, done.block());
    bool wentBack = false;
    ASSERT_TRUE(waitUntil([&] {
        const double p = view.currentProgress();
        wentBack = wentBack || (p < 0.34 && p > 0.25);
        return done.results.size() == 2;
    }));
    EXPECT_TRUE(wentBack);
    EXPECT_EQ(done.results, (QList<bool>{true, true}));
    EXPECT_DOUBLE_EQ(view.currentProgress(), 0.25);
}

TEST_F(AnimationViewTest, LoopGoesOnFromTheStart)
{
    Completions done;
    view.show();
    view.setLoopMode(Lottie::LottieLoopMode::loop);
    view.play(0.0, 0.1, std::nullopt, done.block());
    // The segment lasts 0.2 s; a drop in progress means it started over.
    double last = 0;
    bool wrapped = false;
    ASSERT_TRUE(waitUntil([&] {
        const double p = view.currentProgress();
        wrapped = p + 0.05 < last;
        last = p;
        return wrapped;
    }));
    EXPECT_TRUE(view.isAnimationPlaying());
    EXPECT_TRUE(done.results.isEmpty());
    view.stop();
    ASSERT_TRUE(waitUntil([&] { return !done.results.isEmpty(); }));
    EXPECT_EQ(done.results, QList<bool>{false});
    EXPECT_DOUBLE_EQ(view.currentProgress(), 0.0);
}

TEST_F(AnimationViewTest, AutoReverseComesBack)
{
    view.play(0.0, 0.1, Lottie::LottieLoopMode::autoReverse);
    EXPECT_EQ(view.loopMode(), Lottie::LottieLoopMode::autoReverse);
    bool reachedEnd = false;
    ASSERT_TRUE(waitUntil([&] {
        const double p = view.currentProgress();
        reachedEnd = reachedEnd || p > 0.08;
        // Coming back down, never jumping to the start.
        return reachedEnd && p < 0.04 && p > 0.0;
    }));
    EXPECT_TRUE(view.isAnimationPlaying());
}

TEST_F(AnimationViewTest, ANewPlayEndsTheRunningOneWithFalse)
{
    Completions first;
    Completions second;
    view.play(0.0, 1.0, Lottie::LottieLoopMode::playOnce, first.block());
    view.play(0.9, 1.0, std::nullopt, second.block());
    ASSERT_TRUE(waitUntil([&] { return !second.results.isEmpty(); }));
    EXPECT_EQ(first.results, QList<bool>{false});
    EXPECT_EQ(second.results, QList<bool>{true});

    // So does a new animation.
    Completions third;
    view.setLoopMode(Lottie::LottieLoopMode::loop);
    view.play(third.block());
    view.setAnimation(shipped("Wastebasket"));
    EXPECT_FALSE(view.isAnimationPlaying());
    ASSERT_TRUE(waitUntil([&] { return !third.results.isEmpty(); }));
    EXPECT_EQ(third.results, QList<bool>{false});
}

TEST_F(AnimationViewTest, WithoutAnAnimationPlaysCompleteWithFalse)
{
    Completions done;
    view.setAnimation(Lottie::Animation::filepath(QStringLiteral("/nonexistent/data.json")));
    EXPECT_FALSE(view.animation());
    view.play(done.block());
    view.play(0.0, 0.5, Lottie::LottieLoopMode::playOnce, done.block());
    EXPECT_FALSE(view.isAnimationPlaying());
    ASSERT_TRUE(waitUntil([&] { return done.results.size() == 2; }));
    EXPECT_EQ(done.results, (QList<bool>{false, false}));
    EXPECT_TRUE(view.currentFrameImage(1.0).isNull());
}

TEST_F(AnimationViewTest, AHiddenViewRendersNothingButKeepsItsPlace)
{
    Completions done;
    view.setLoopMode(Lottie::LottieLoopMode::loop);
    view.play(done.block());
    ASSERT_FALSE(view.isVisible());
    // Time goes on while hidden…
    ASSERT_TRUE(waitUntil([&] { return view.currentProgress() > 0.1; }));
    EXPECT_EQ(view.renderedFrameCount(), 0);
    // …and once shown the view draws where the loop stands.
    view.show();
    ASSERT_TRUE(waitUntil([&] { return view.renderedFrameCount() > 0; }));
    EXPECT_TRUE(view.isAnimationPlaying());
    view.hide();

    // A play once still ends on time while hidden.
    Completions once;
    const int rendered = view.renderedFrameCount();
    view.play(0.9, 1.0, Lottie::LottieLoopMode::playOnce, once.block());
    ASSERT_TRUE(waitUntil([&] { return !once.results.isEmpty(); }));
    EXPECT_EQ(once.results, QList<bool>{true});
    EXPECT_EQ(view.renderedFrameCount(), rendered);
}

TEST(AnimationViewLifetime, AViewThatIsGoneCallsNobody)
{
    bool called = false;
    {
        Lottie::AnimationView view;
        view.setAnimation(shipped("Loading"));
        view.play([&](bool) { called = true; });
        view.stop();  // queues the completion, then the view goes
    }
    // Let anything queued run.
    int turns = 0;
    waitUntil([&] { return ++turns > 5; });
    EXPECT_FALSE(called);
}
