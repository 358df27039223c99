#include "View/CustomView/KPLLineView.h"
#include "View/CustomView/KPLScroll.h"
#include "View/CustomView/KPLScrollView.h"

#include "QVLibrary/RYTDarkMode.h"

#include <QLabel>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(KPLScrollTest, DefaultKnobIsSixWideWithHalfItsWidthAsRadiusAndFollowsTheValue)
{
    KPLScroll bar(Qt::Vertical);
    bar.resize(16, 200);
    bar.setRange(0, 300);
    bar.setPageStep(100);
    EXPECT_DOUBLE_EQ(bar.knobRect().width(), 6.0);
    EXPECT_DOUBLE_EQ(bar.knobRect().x(), 5.0);
    EXPECT_DOUBLE_EQ(bar.knobCornerRadius(), 3.0);
    // A quarter of the range is a page: the knob is a quarter of the track.
    EXPECT_DOUBLE_EQ(bar.knobRect().height(), 50.0);
    EXPECT_DOUBLE_EQ(bar.knobRect().y(), 0.0);
    bar.setValue(300);
    EXPECT_DOUBLE_EQ(bar.knobRect().bottom(), 200.0);

    // No knob size: the knob part inset by 4 on each side.
    bar.setKnobSize(std::nullopt);
    EXPECT_DOUBLE_EQ(bar.knobRect().width(), 8.0);
    bar.setKnobRadius(2.0);
    EXPECT_DOUBLE_EQ(bar.knobCornerRadius(), 2.0);
    // Nothing to scroll, no knob.
    bar.setRange(0, 0);
    EXPECT_TRUE(bar.knobRect().isEmpty());
}

TEST(KPLScrollTest, DraggingTheKnobScrollsAlongTheWholeTrack)
{
    KPLScroll bar(Qt::Vertical);
    bar.resize(10, 200);
    bar.setRange(0, 300);
    bar.setPageStep(100);
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(5, 10));
    QTest::mouseMove(&bar, QPoint(5, 85));
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(5, 85));
    EXPECT_EQ(bar.value(), 150);
}

TEST(KPLScrollTest, TrackOutlineOnlyWithAWidthAboveZero)
{
    KPLScroll bar(Qt::Vertical);
    bar.resize(10, 100);
    bar.setFillColor(QColor(240, 240, 240));
    bar.setFillBorderColor(QColor(255, 0, 0));
    bar.setFillBorderWidth(0.0);
    EXPECT_EQ(bar.grab().toImage().pixelColor(0, 50), QColor(240, 240, 240));
    bar.setFillBorderWidth(1.0);
    const QColor edge = bar.grab().toImage().pixelColor(0, 50);
    EXPECT_GT(edge.red(), edge.green() + 40);
    // Without a fill colour or gradient the track is white.
    bar.setFillColor(std::nullopt);
    bar.setFillBorderWidth(0.0);
    EXPECT_EQ(bar.grab().toImage().pixelColor(5, 50), QColor(Qt::white));
}

TEST(KPLScrollViewTest, SetUpShowsOnlyATenWideVerticalScrollerWithAFiveWideKnob)
{
    KPLScrollView view;
    auto* content = new QLabel(QStringLiteral("content"));
    content->setFixedSize(150, 1000);
    view.setWidget(content);
    view.resize(200, 200);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));

    EXPECT_EQ(view.frameShape(), QFrame::NoFrame);
    ASSERT_TRUE(view.vScroller()->isVisible());
    EXPECT_FALSE(view.hScroller()->isVisible());
    EXPECT_EQ(view.vScroller()->width(), 10);
    EXPECT_EQ(view.vScroller()->mapTo(&view, QPoint(0, 0)), QPoint(190, 0));
    EXPECT_DOUBLE_EQ(view.vScroller()->knobRect().width(), 5.0);
    EXPECT_DOUBLE_EQ(view.vScroller()->knobCornerRadius(), 2.5);
    EXPECT_EQ(view.vScroller()->fillColor(), QColor::fromRgbF(230 / 256.0f, 236 / 256.0f, 245 / 256.0f, 0.4f));
    EXPECT_EQ(view.viewport()->palette().color(QPalette::Window), QColor(Qt::white));

    view.setShowHorizontalScroller(true);
    QTest::qWait(0);
    ASSERT_TRUE(view.hScroller()->isVisible());
    EXPECT_EQ(view.hScroller()->height(), 10);
    EXPECT_EQ(view.hScroller()->mapTo(&view, QPoint(0, 0)).y(), 190);
    view.setShowVerticalScroller(false);
    QTest::qWait(0);
    EXPECT_FALSE(view.vScroller()->isVisible());
}

TEST(KPLScrollViewTest, AnItemViewTakesTheSameLookOnce)
{
    QTableView table;
    KPLScrollViewLook* look = KPLScrollViewLook::applyTo(&table);
    ASSERT_NE(look, nullptr);
    EXPECT_EQ(KPLScrollViewLook::applyTo(&table), look);
    EXPECT_EQ(qobject_cast<KPLScroll*>(table.verticalScrollBar()), look->vScroller());
    EXPECT_EQ(table.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    look->setKnobSize(7.0);
    EXPECT_EQ(look->vScroller()->knobSize(), std::optional<double>(7.0));
    EXPECT_EQ(look->hScroller()->knobSize(), std::optional<double>(7.0));
}

TEST(KPLLineViewTest, PaintsTheNamedLineColourOfTheAppearance)
{
    KPLLineView line;
    line.resize(40, 1);
    RYTDarkMode::setForcedAppearance(0);
    EXPECT_EQ(line.grab().toImage().pixelColor(20, 0), RYTDarkMode::colorNamed(QStringLiteral("ScanViewLineViewColor"), false));
    RYTDarkMode::setForcedAppearance(1);
    EXPECT_EQ(line.grab().toImage().pixelColor(20, 0), RYTDarkMode::colorNamed(QStringLiteral("ScanViewLineViewColor"), true));
    RYTDarkMode::setForcedAppearance(-1);
}

}  // namespace
