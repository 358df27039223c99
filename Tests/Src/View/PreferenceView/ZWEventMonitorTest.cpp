#include "View/PreferenceView/ZWEventMonitor.h"

#include "TestSupport.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

struct Seen {
    QList<QWidget*> targets;
    QList<QEvent::Type> types;
};

ZWEventMonitor::Handler recorder(Seen& seen)
{
    return [&seen](QWidget* target, QEvent* event) {
        seen.targets.append(target);
        seen.types.append(event->type());
    };
}

class ZWEventMonitorTest : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        window.resize(200, 100);
        auto* layout = new QVBoxLayout(&window);
        button = new QPushButton(QStringLiteral("Go"));
        label = new QLabel(QStringLiteral("text"));
        layout->addWidget(button);
        layout->addWidget(label);
        window.show();
        other.resize(100, 50);
        other.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    }

    QWidget window;
    QWidget other;
    QPushButton* button = nullptr;
    QLabel* label = nullptr;
};

TEST_F(ZWEventMonitorTest, LeftPressesOfEveryWindowAreSeenOnceAndStillReachTheirTarget)
{
    Seen seen;
    ZWEventMonitor monitor(ZWEventMonitorTypeLocal, ZWEventMonitor::leftMouseDown, recorder(seen));
    monitor.start();
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });

    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    // The label ignores the press, which then travels to its parent: one sighting.
    QTest::mouseClick(label, Qt::LeftButton);
    QTest::mouseClick(&other, Qt::LeftButton);
    // Right presses and releases are not in the mask.
    QTest::mouseClick(&other, Qt::RightButton);
    EXPECT_EQ(seen.targets, (QList<QWidget*>{button, label, &other}));
    EXPECT_EQ(seen.types, QList<QEvent::Type>(3, QEvent::MouseButtonPress));
}

// Qt hands the widgets a double click's second press as the double-click
// event alone; a left-press monitor still sees two presses, and the target
// still gets both.
TEST_F(ZWEventMonitorTest, BothPressesOfADoubleClickThroughTheWindowAreSeen)
{
    Seen seen;
    ZWEventMonitor monitor(ZWEventMonitorTypeLocal, ZWEventMonitor::leftMouseDown, recorder(seen));
    monitor.start();
    int doubleClicks = 0;
    struct Counter : QObject {
        int* count;
        explicit Counter(int* c) : count(c) {}
        bool eventFilter(QObject*, QEvent* event) override
        {
            *count += event->type() == QEvent::MouseButtonDblClick ? 1 : 0;
            return false;
        }
    } counter(&doubleClicks);
    other.installEventFilter(&counter);

    QTest::mouseDClick(other.windowHandle(), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(doubleClicks, 1);
    EXPECT_EQ(seen.targets, (QList<QWidget*>{&other, &other}));
    // A right double click is not in the mask.
    QTest::mouseDClick(other.windowHandle(), Qt::RightButton, {}, QPoint(20, 20));
    EXPECT_EQ(seen.targets.size(), 2);
}

TEST_F(ZWEventMonitorTest, StartingTwiceLeavesOneMonitorAndStopEndsIt)
{
    Seen seen;
    ZWEventMonitor monitor(ZWEventMonitorTypeLocal, ZWEventMonitor::leftMouseDown | ZWEventMonitor::mouseMoved,
                           recorder(seen));
    // Stopping a monitor that never started does nothing.
    monitor.stop();
    EXPECT_EQ(monitor.localMonitor(), nullptr);
    monitor.start();
    monitor.start();
    EXPECT_NE(monitor.localMonitor(), nullptr);
    QTest::mouseClick(&other, Qt::LeftButton);
    QTest::mouseMove(&other, QPoint(10, 10));
    EXPECT_EQ(seen.types, (QList<QEvent::Type>{QEvent::MouseButtonPress, QEvent::MouseMove}));

    monitor.stop();
    EXPECT_EQ(monitor.localMonitor(), nullptr);
    QTest::mouseClick(&other, Qt::LeftButton);
    EXPECT_EQ(seen.types.size(), 2);
}

TEST_F(ZWEventMonitorTest, AReleasedMonitorCallsNothingAndAGlobalOneInstallsNothing)
{
    Seen seen;
    auto* monitor = new ZWEventMonitor(ZWEventMonitorTypeLocal, ZWEventMonitor::leftMouseDown, recorder(seen));
    monitor->start();
    delete monitor;
    QTest::mouseClick(&other, Qt::LeftButton);
    EXPECT_TRUE(seen.targets.isEmpty());

    ZWEventMonitor global(ZWEventMonitorTypeGlobal, ZWEventMonitor::leftMouseDown, recorder(seen));
    global.start();
    EXPECT_EQ(global.localMonitor(), nullptr);
    EXPECT_EQ(global.globalMonitor(), nullptr);
    QTest::mouseClick(&other, Qt::LeftButton);
    EXPECT_TRUE(seen.targets.isEmpty());

    // Both: the local half works.
    ZWEventMonitor both(ZWEventMonitorTypeBoth, ZWEventMonitor::leftMouseDown, recorder(seen));
    both.start();
    QTest::mouseClick(&other, Qt::LeftButton);
    EXPECT_EQ(seen.targets.size(), 1);
}

TEST(ZWEventMonitorMaskTest, EventsMapToTheirMaskBits)
{
    QMouseEvent left(QEvent::MouseButtonPress, QPointF(), QPointF(), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent rightUp(QEvent::MouseButtonRelease, QPointF(), QPointF(), Qt::RightButton, Qt::NoButton,
                        Qt::NoModifier);
    QMouseEvent drag(QEvent::MouseMove, QPointF(), QPointF(), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent move(QEvent::MouseMove, QPointF(), QPointF(), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, QPointF(), QPointF(), Qt::LeftButton, Qt::LeftButton,
                            Qt::NoModifier);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    EXPECT_EQ(ZWEventMonitor::maskOf(&left), 2u);
    EXPECT_EQ(ZWEventMonitor::maskOf(&rightUp), 16u);
    EXPECT_EQ(ZWEventMonitor::maskOf(&drag), 64u);
    EXPECT_EQ(ZWEventMonitor::maskOf(&move), 32u);
    EXPECT_EQ(ZWEventMonitor::maskOf(&doubleClick), 2u);
    EXPECT_EQ(ZWEventMonitor::maskOf(&key), 1024u);
}

}  // namespace
