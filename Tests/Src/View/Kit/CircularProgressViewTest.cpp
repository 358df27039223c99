#include "View/CustomView/CircularProgressView.h"

#include "Foundation/Progress.h"
#include "QVLibrary/RYTDarkMode.h"
#include "TestSupport.h"

#include <QSignalSpy>
#include <QVBoxLayout>

#include <atomic>
#include <thread>

namespace {

class CircularProgressViewTest : public ::testing::Test {
protected:
    void SetUp() override { view.resize(180, 180); }
    // The arc has reached the value given and stopped moving.
    bool arcSettledAt(double value) { return !view.isArcAnimating() && qAbs(view.strokeEnd() - value) < 1e-9; }

    CircularProgressView view;
};

}  // namespace

TEST_F(CircularProgressViewTest, ValuesAreClampedAndShownWithTwoDecimals)
{
    EXPECT_EQ(view.labelText(), QStringLiteral("0%"));
    view.setProgress(-0.5);
    EXPECT_EQ(view.progress(), 0.0);
    EXPECT_EQ(view.labelText(), QStringLiteral("0.00%"));
    view.setProgress(0.4567);
    EXPECT_EQ(view.labelText(), QStringLiteral("45.67%"));
    view.setProgress(0.989);
    EXPECT_EQ(view.labelText(), QStringLiteral("98.90%"));
    EXPECT_FALSE(view.isFinished());

    QSignalSpy finished(&view, &CircularProgressView::isFinishedChanged);
    view.setProgress(0.99);
    EXPECT_EQ(view.labelText(), QStringLiteral("99.99%"));
    EXPECT_TRUE(view.isFinished());
    view.setProgress(0.995);
    EXPECT_EQ(view.labelText(), QStringLiteral("99.99%"));
    view.setProgress(2);
    EXPECT_EQ(view.progress(), 1.0);
    EXPECT_EQ(view.labelText(), QStringLiteral("99.99%"));
    EXPECT_EQ(finished.count(), 1);
    ASSERT_TRUE(waitUntil([&] { return arcSettledAt(1.0); }));

    // A smaller value shows its number again; the view stays finished.
    view.setProgress(0.5);
    EXPECT_EQ(view.labelText(), QStringLiteral("50.00%"));
    EXPECT_TRUE(view.isFinished());
}

TEST_F(CircularProgressViewTest, TheArcFollowsOnTheMainQueueOverOneSecond)
{
    view.setProgress(0.4);
    // The text at once, the arc in a later turn.
    EXPECT_EQ(view.strokeEnd(), 0.0);
    EXPECT_FALSE(view.isArcAnimating());
    ASSERT_TRUE(waitUntil([&] { return view.isArcAnimating(); }));
    // Eased out: well past half way before half the second is over.
    ASSERT_TRUE(waitUntil([&] { return view.strokeEnd() > 0.2; }, std::chrono::milliseconds(600)));
    // A second write while the first moves: the arc turns towards the newest value.
    view.setProgress(0.8);
    view.setProgress(0.6);
    ASSERT_TRUE(waitUntil([&] { return arcSettledAt(0.6); }));
}

TEST_F(CircularProgressViewTest, GeometryFollowsTheCurrentSize)
{
    view.resize(100, 60);
    EXPECT_DOUBLE_EQ(view.radius(), 24.0);
    EXPECT_NEAR(view.discRadius(), 21.36, 1e-9);
    view.resize(60, 100);
    EXPECT_DOUBLE_EQ(view.radius(), 24.0);
    // Sized by a layout after it was made.
    QWidget host;
    auto* layout = new QVBoxLayout(&host);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* placed = new CircularProgressView(&host);
    layout->addWidget(placed);
    host.resize(200, 300);
    host.show();
    ASSERT_TRUE(waitUntil([&] { return placed->width() == 200; }));
    EXPECT_DOUBLE_EQ(placed->radius(), 80.0);
    EXPECT_EQ(CircularProgressView(140).size(), QSize(140, 140));
}

TEST_F(CircularProgressViewTest, CancelNeedsACancellableView)
{
    int cancelled = 0;
    view.setOnCancelled([&] { ++cancelled; });
    QSignalSpy changes(&view, &CircularProgressView::isCancelledChanged);
    view.cancel();
    EXPECT_FALSE(view.isCancelled());
    EXPECT_EQ(cancelled, 0);

    view.setIsCancellable(true);
    view.cancel();
    EXPECT_TRUE(view.isCancelled());
    EXPECT_EQ(cancelled, 1);
    EXPECT_EQ(changes.count(), 1);
    // Once per change to cancelled.
    view.cancel();
    view.setIsCancelled(true);
    EXPECT_EQ(cancelled, 1);

    // Finished while cancelled keeps the number.
    view.setProgress(0.5);
    view.setIsFinished(true);
    EXPECT_EQ(view.labelText(), QStringLiteral("50.00%"));
}

TEST_F(CircularProgressViewTest, ResetReturnsToZeroWithoutAnimation)
{
    view.setIsCancellable(true);
    view.setProgress(1.0);
    ASSERT_TRUE(waitUntil([&] { return arcSettledAt(1.0); }));
    view.cancel();
    view.reset();
    EXPECT_EQ(view.labelText(), QStringLiteral("0%"));
    EXPECT_EQ(view.strokeEnd(), 0.0);
    EXPECT_FALSE(view.isArcAnimating());
    EXPECT_FALSE(view.isFinished());
    EXPECT_FALSE(view.isCancelled());
    // Also in the middle of an animation.
    view.setProgress(0.7);
    ASSERT_TRUE(waitUntil([&] { return view.isArcAnimating(); }));
    view.reset();
    EXPECT_EQ(view.strokeEnd(), 0.0);
    EXPECT_FALSE(view.isArcAnimating());
}

TEST_F(CircularProgressViewTest, FollowsAProgressObjectAdvancedFromAWorker)
{
    Progress progress(1000);
    int cancelled = 0;
    view.setOnCancelled([&] { ++cancelled; });
    view.setProgressInstance(&progress);
    EXPECT_TRUE(view.isCancellable());

    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 1; i <= 500; ++i) {
            progress.setCompletedUnitCount(i);
        }
        done = true;
    });
    ASSERT_TRUE(waitUntil([&] { return done && view.labelText() == QStringLiteral("50.00%"); }));
    worker.join();
    EXPECT_DOUBLE_EQ(view.progress(), 0.5);

    std::thread finisher([&] { progress.setCompletedUnitCount(1000); });
    finisher.join();
    ASSERT_TRUE(waitUntil([&] { return view.progress() == 1.0; }));
    EXPECT_TRUE(view.isFinished());
    EXPECT_EQ(view.labelText(), QStringLiteral("99.99%"));

    // Cancelling through the view cancels the object; the view hears it back.
    view.cancel();
    EXPECT_TRUE(progress.isCancelled());
    ASSERT_TRUE(waitUntil([&] { return cancelled == 1; }));
    EXPECT_TRUE(view.isCancelled());
}

TEST_F(CircularProgressViewTest, AnObjectThatMayNotBeCancelledStaysRunning)
{
    Progress progress(10);
    progress.setCancellable(false);
    view.setProgressInstance(&progress);
    EXPECT_FALSE(view.isCancellable());
    view.cancel();
    EXPECT_FALSE(progress.isCancelled());
    // Cancelled elsewhere, the view is told all the same.
    std::thread([&] { progress.cancel(); }).join();
    ASSERT_TRUE(waitUntil([&] { return view.isCancelled(); }));
    // A cancelled view no longer follows the fraction.
    progress.setCompletedUnitCount(5);
    int turns = 0;
    waitUntil([&] { return ++turns > 5; });
    EXPECT_EQ(view.progress(), 0.0);
}

TEST_F(CircularProgressViewTest, ANewObjectOrNoneEndsTheEarlierObservations)
{
    Progress first(100);
    Progress second(100);
    view.setProgressInstance(&first);
    // News of the first object still on its way when the view moves on is dropped.
    first.setCompletedUnitCount(10);
    view.setProgressInstance(&second);
    second.setCompletedUnitCount(20);
    ASSERT_TRUE(waitUntil([&] { return view.labelText() == QStringLiteral("20.00%"); }));
    first.setCompletedUnitCount(30);
    first.cancel();
    int turns = 0;
    waitUntil([&] { return ++turns > 5; });
    EXPECT_EQ(view.labelText(), QStringLiteral("20.00%"));
    EXPECT_FALSE(view.isCancelled());

    view.setProgressInstance(nullptr);
    EXPECT_EQ(view.progressInstance(), nullptr);
    second.setCompletedUnitCount(90);
    turns = 0;
    waitUntil([&] { return ++turns > 5; });
    EXPECT_EQ(view.labelText(), QStringLiteral("20.00%"));

    // An object that goes away leaves the view on its own state.
    {
        Progress shortLived(10);
        view.setProgressInstance(&shortLived);
    }
    EXPECT_EQ(view.progressInstance(), nullptr);
    EXPECT_FALSE(view.isFinished());
}

TEST_F(CircularProgressViewTest, ColoursComeFromTheTableAndTheRingLetsTheArcShow)
{
    RYTDarkMode::setForcedAppearance(0);
    const QColor ring = CircularProgressView::color();
    EXPECT_EQ(ring, RYTDarkMode::colorNamed(QStringLiteral("ProgressColor"), false));
    EXPECT_EQ(CircularProgressView::labelColor(), RYTDarkMode::colorNamed(QStringLiteral("ProgressLabelColor"), false));
    // The ring lies over the arc at the same radius.
    EXPECT_LT(ring.alphaF(), 0.6);
    RYTDarkMode::setForcedAppearance(1);
    EXPECT_EQ(CircularProgressView::color(), RYTDarkMode::colorNamed(QStringLiteral("ProgressColor"), true));
    RYTDarkMode::setForcedAppearance(-1);
}
