#include "View/LoadingView/LoadingBackdrop.h"
#include "View/LoadingView/LoadingMouseView.h"
#include "View/LoadingView/LoadingViewController.h"
#include "View/LoadingView/LoadingWindowController.h"

#include "Lottie/AnimationView.h"
#include "QVBaseLib/RYLog.h"
#include "TestSupport.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QWheelEvent>

namespace {

// Counts what reaches it; stands for the scan screen under the overlay.
class CountingView : public QWidget {
public:
    explicit CountingView(QWidget* parent)
        : QWidget(parent)
    {
        setFocusPolicy(Qt::StrongFocus);
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, QColor(40, 120, 200));
        setPalette(p);
    }
    int presses = 0;
    int releases = 0;
    int doubleClicks = 0;
    int wheels = 0;
    int keys = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
    void mouseReleaseEvent(QMouseEvent*) override { ++releases; }
    void mouseDoubleClickEvent(QMouseEvent*) override { ++doubleClicks; }
    void wheelEvent(QWheelEvent*) override { ++wheels; }
    void keyPressEvent(QKeyEvent*) override { ++keys; }
};

class LoadingViewControllerTest : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        window = std::make_unique<QWidget>();
        window->resize(1000, 580);
        covered = new QWidget(window.get());
        covered->setGeometry(0, 0, 1000, 580);
        counter = new CountingView(covered);
        counter->setGeometry(0, 0, 1000, 580);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        loading = new LoadingViewController;
    }

    void TearDown() override
    {
        delete loading.data();
        window.reset();
        TempHomeTest::TearDown();
    }

    int overlaysIn(QWidget* view) const
    {
        return static_cast<int>(view->findChildren<LoadingViewController*>(Qt::FindDirectChildrenOnly).size());
    }

    QString logText() const
    {
        QFile file(RYLog::shared().logPath() + QStringLiteral("/Twinsweep.log"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    std::unique_ptr<QWidget> window;
    QWidget* covered = nullptr;
    CountingView* counter = nullptr;
    QPointer<LoadingViewController> loading;
};

}  // namespace

TEST_F(LoadingViewControllerTest, ShowsOverTheViewPinnedToItsEdges)
{
    EXPECT_FALSE(loading->isLoading());
    EXPECT_EQ(loading->loadingLabel()->text(), QStringLiteral("Loading..."));
    EXPECT_TRUE(loading->animationView()->animation());
    EXPECT_EQ(loading->animationView()->loopMode(), Lottie::LottieLoopMode::loop);

    loading->loadingStart(true, covered);
    EXPECT_TRUE(loading->isLoading());
    EXPECT_EQ(loading->parentWidget(), covered);
    EXPECT_TRUE(loading->isVisible());
    EXPECT_EQ(loading->geometry(), covered->rect());
    EXPECT_TRUE(loading->animationView()->isAnimationPlaying());
    EXPECT_TRUE(logText().contains(QStringLiteral("LoadingStart")));

    // The picture behind is the covered view, saturated and blurred.
    const QImage background = loading->background();
    ASSERT_FALSE(background.isNull());
    EXPECT_EQ(background.size(), covered->size() * covered->devicePixelRatioF());
    const QColor middle = background.pixelColor(500, 290);
    const QColor original(40, 120, 200);
    EXPECT_LT(middle.red(), original.red());  // more saturated: red falls further from blue
    EXPECT_GT(middle.blue(), original.blue());

    covered->resize(1200, 700);
    EXPECT_EQ(loading->geometry(), QRect(0, 0, 1200, 700));
    ASSERT_TRUE(waitUntil([&] { return loading->background().size() == QSize(1200, 700) * covered->devicePixelRatioF(); }));

    loading->loadingStart(false, covered);
    EXPECT_FALSE(loading->isLoading());
    EXPECT_EQ(overlaysIn(covered), 0);
    EXPECT_FALSE(loading->isVisible());
    EXPECT_TRUE(logText().contains(QStringLiteral("LoadingClose")));
}

TEST_F(LoadingViewControllerTest, HidingWhatWasNeverShownRemovesNothing)
{
    auto* other = new QWidget(covered);
    const int before = static_cast<int>(covered->children().size());
    loading->loadingStart(false, covered);
    EXPECT_FALSE(loading->isLoading());
    EXPECT_EQ(static_cast<int>(covered->children().size()), before);
    EXPECT_EQ(other->parentWidget(), covered);
}

TEST_F(LoadingViewControllerTest, ShowHideShowLeavesOneAnimatingOverlay)
{
    loading->loadingStart(true, covered);
    loading->loadingStart(true, covered);
    EXPECT_EQ(overlaysIn(covered), 1);
    loading->loadingStart(false, covered);
    loading->loadingStart(true, covered);
    EXPECT_EQ(overlaysIn(covered), 1);
    EXPECT_TRUE(loading->isVisible());
    EXPECT_TRUE(loading->animationView()->isAnimationPlaying());
    // On top of everything the view holds.
    EXPECT_EQ(covered->children().last(), loading.data());
    ASSERT_TRUE(waitUntil([&] { return loading->animationView()->renderedFrameCount() > 1; }));
}

TEST_F(LoadingViewControllerTest, NothingBeneathGetsClicksScrollingOrKeys)
{
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    counter->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), counter);

    loading->loadingStart(true, covered);
    // Through the window, where a user's click arrives: on the overlay and on
    // the animation and label inside it.
    for (QWidget* target : {static_cast<QWidget*>(loading->mouseView()),
                            static_cast<QWidget*>(loading->animationView()),
                            static_cast<QWidget*>(loading->loadingLabel())}) {
        const QPoint at = target->mapTo(window.get(), target->rect().center());
        QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(window->windowHandle(), Qt::LeftButton, {}, at);
        QWheelEvent wheel(QPointF(target->rect().center()), QPointF(target->mapToGlobal(target->rect().center())),
                          QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &wheel);
    }
    // The focus moved off the covered controls.
    EXPECT_NE(QApplication::focusWidget(), counter);
    QTest::keyClick(window->windowHandle(), Qt::Key_A);
    QTest::keyClick(window->windowHandle(), Qt::Key_Tab);
    QTest::keyClick(window->windowHandle(), Qt::Key_Space);
    EXPECT_EQ(counter->presses, 0);
    EXPECT_EQ(counter->releases, 0);
    EXPECT_EQ(counter->doubleClicks, 0);
    EXPECT_EQ(counter->wheels, 0);
    EXPECT_EQ(counter->keys, 0);
    EXPECT_NE(QApplication::focusWidget(), counter);

    // Once the overlay is gone the view works again and has its focus back.
    loading->loadingStart(false, covered);
    EXPECT_EQ(QApplication::focusWidget(), counter);
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, QPoint(500, 290));
    QTest::keyClick(window->windowHandle(), Qt::Key_A);
    EXPECT_EQ(counter->presses, 1);
    EXPECT_EQ(counter->keys, 1);
}

TEST_F(LoadingViewControllerTest, WithoutAViewNothingShowsButTheStateFollows)
{
    loading->loadingStart(true, nullptr);
    EXPECT_TRUE(loading->isLoading());
    EXPECT_EQ(loading->parentWidget(), nullptr);
    EXPECT_FALSE(loading->isVisible());
    EXPECT_TRUE(logText().contains(QStringLiteral("no view to cover")));
    loading->loadingStart(false, nullptr);
    EXPECT_FALSE(loading->isLoading());
    loading->setIsLoading(true);
    EXPECT_TRUE(loading->isLoading());
}

TEST_F(LoadingViewControllerTest, AnOverlayGoesWithTheViewItCovers)
{
    loading->loadingStart(true, covered);
    delete covered;
    EXPECT_TRUE(loading.isNull());
}

TEST(LoadingBackdrop, FiltersSaturateThenBlur)
{
    QImage image(40, 20, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(128, 128, 128));
    // Grey stays grey, however saturated.
    QImage grey = LoadingBackdrop::applyFilters(image);
    EXPECT_EQ(grey.pixelColor(20, 10), QColor(128, 128, 128));

    // A hard edge between two colours becomes soft, a few pixels wide.
    for (int y = 0; y < 20; ++y) {
        for (int x = 20; x < 40; ++x) {
            image.setPixelColor(x, y, QColor(200, 100, 100));
        }
    }
    const QImage soft = LoadingBackdrop::applyFilters(image, 1.0, 2.0);
    EXPECT_EQ(soft.pixelColor(2, 10), QColor(128, 128, 128));
    EXPECT_EQ(soft.pixelColor(37, 10), QColor(200, 100, 100));
    const QColor edge = soft.pixelColor(19, 10);
    EXPECT_GT(edge.red(), 140);
    EXPECT_LT(edge.red(), 190);
    // Saturation pulls the channels apart around their grey.
    const QColor strong = LoadingBackdrop::applyFilters(image, 2.0, 0.0).pixelColor(37, 10);
    EXPECT_GT(strong.red(), 200);
    EXPECT_LT(strong.green(), 100);

    // At 2× the radius is counted in points: the edge is as soft in points.
    QImage twice = image.scaled(80, 40);
    twice.setDevicePixelRatio(2.0);
    const QImage softTwice = LoadingBackdrop::applyFilters(twice, 1.0, 2.0);
    EXPECT_NEAR(softTwice.pixelColor(38, 20).red(), edge.red(), 12);
    EXPECT_TRUE(LoadingBackdrop::applyFilters(QImage()).isNull());
}

TEST(LoadingWindowController, ItsContentShowsTheFrostedBackdrop)
{
    LoadingWindowController controller;
    ASSERT_TRUE(controller.window());
    ASSERT_TRUE(controller.testView());
    controller.window()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(controller.window()));
    EXPECT_TRUE(controller.testView()->autoFillBackground());
}
