// The large-file scanning panel driven tick by tick: the ring's creeping
// bands, its end at the first path, the clock past an hour and the screen
// code it writes.

#include "TestSupport.h"

#include "Foundation/UserDefaults.h"
#include "View/CustomView/CircularProgressView.h"
#include "View/CustomView/TruncatingLabel.h"
#include "View/DataDispaly/LeftScanning/ScanningLargeFileViewController.h"

#include <QLabel>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class ScanningLargeFileViewControllerTest : public TempHomeTest {
protected:
    // `seconds` of ticks, driven directly.
    void tick(ScanningLargeFileViewController& panel, double seconds)
    {
        const int ticks = int(seconds * 10 + 0.5);
        for (int i = 0; i < ticks; ++i) {
            panel.timeListener();
        }
    }
};

TEST_F(ScanningLargeFileViewControllerTest, TheRingCreepsSlowerAndSlowerUpToAFifthUntilAPathShows)
{
    ScanningLargeFileViewController panel;
    tick(panel, 100);
    EXPECT_NEAR(panel.progressValue(), 0.1, 2e-5);
    tick(panel, 200);
    EXPECT_NEAR(panel.progressValue(), 0.15, 2e-5);
    tick(panel, 300);
    EXPECT_NEAR(panel.progressValue(), 0.18, 2e-5);
    tick(panel, 500);
    EXPECT_NEAR(panel.progressValue(), 0.2, 2e-5);
    tick(panel, 300);
    EXPECT_NEAR(panel.progressValue(), 0.2, 2e-5) << "no step after 1100 s";
    EXPECT_NEAR(panel.circularProgress()->progress(), 0.2, 2e-5);
    EXPECT_EQ(panel.timeLabel()->text(), QStringLiteral("23:20"));
}

TEST_F(ScanningLargeFileViewControllerTest, TheFirstPathEndsTheCreepingForGood)
{
    ScanningLargeFileViewController panel;
    tick(panel, 10);
    const double reached = panel.progressValue();
    panel.scanningPathLabel()->setText(QStringLiteral("/home/user/film.mkv"));
    tick(panel, 50);
    EXPECT_DOUBLE_EQ(panel.progressValue(), reached);
    EXPECT_EQ(panel.timeLabel()->text(), QStringLiteral("01:00"));

    // A real value below the creeping one moves the ring back: the later
    // value wins. A value of 1 or more is capped by the screen at 0.9999,
    // which the ring reads as 99.99%.
    panel.setProgressValue(0.0005);
    EXPECT_DOUBLE_EQ(panel.circularProgress()->progress(), 0.0005);
    panel.setProgressValue(0.9999);
    EXPECT_EQ(panel.circularProgress()->labelText(), QStringLiteral("99.99%"));
}

TEST_F(ScanningLargeFileViewControllerTest, TheClockCountsMinutesPastAnHour)
{
    ScanningLargeFileViewController panel;
    tick(panel, 7);
    EXPECT_EQ(panel.timeLabel()->text(), QStringLiteral("00:07"));
    tick(panel, 3600 - 7);
    EXPECT_EQ(panel.timeLabel()->text(), QStringLiteral("60:00"));
    tick(panel, 900);
    EXPECT_EQ(panel.timeLabel()->text(), QStringLiteral("75:00"));
}

TEST_F(ScanningLargeFileViewControllerTest, ItsTextsClockAndScreenCode)
{
    UserDefaults::standardUserDefaults().setInteger(3, QStringLiteral("CloseView"));
    ScanningLargeFileViewController panel;
    EXPECT_EQ(UserDefaults::standardUserDefaults().integerForKey(QStringLiteral("CloseView")), 13);
    EXPECT_EQ(panel.scanningTitleLabel()->text(), QStringLiteral("Scanning"));
    EXPECT_EQ(panel.estimatedTimeLabel()->text(), QStringLiteral("Elapsed time: "));
    EXPECT_TRUE(panel.scanningPathLabel()->text().isEmpty());

    // Starting: one tick at once (its step is lost to the reset), a 0.1 s
    // clock, an empty path and the ring at 0.
    panel.scanningPathLabel()->setText(QStringLiteral("/old"));
    panel.startTimer();
    EXPECT_TRUE(panel.myTimer()->isActive());
    EXPECT_EQ(panel.myTimer()->interval(), 100);
    EXPECT_DOUBLE_EQ(panel.timeSeconds(), 0.1);
    EXPECT_DOUBLE_EQ(panel.progressValue(), 0.0);
    EXPECT_TRUE(panel.scanningPathLabel()->text().isEmpty());
    ASSERT_TRUE(waitUntil([&] { return panel.timeSeconds() > 0.25; }));
}

}  // namespace
