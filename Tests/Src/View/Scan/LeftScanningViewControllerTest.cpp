// The scanning panel with its clock driven by the test: the time shown, the
// progress it makes up before the engine names a file, the ring that never
// goes back, the found box.

#include "TestSupport.h"

#include "Foundation/Bundle.h"
#include "Manager/ScanManager.h"
#include "View/CustomView/CircularProgressView.h"
#include "View/CustomView/TruncatingLabel.h"
#include "View/DataDispaly/LeftScanning/LeftScanningViewController.h"
#include "View/Extension/KPLExtension.h"
#include "View/Extension/ScanScreenLook.h"

#include <QLabel>
#include <QTextDocument>
#include <QTimer>

namespace {

class LeftScanningTest : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        ScanManager::default_().setScanStop(false);
        panel = std::make_unique<LeftScanningViewController>();
    }
    void TearDown() override
    {
        panel.reset();
        ScanManager::default_().setScanStop(false);
        TempHomeTest::TearDown();
    }
    // Starts the panel and takes its clock over.
    void start()
    {
        panel->startTimer();
        panel->myTimer()->stop();
    }
    void ticks(int count)
    {
        for (int i = 0; i < count; ++i) {
            panel->timeListener();
        }
    }
    static QString plain(const QLabel* label)
    {
        QTextDocument document;
        document.setHtml(label->text());
        return document.toPlainText();
    }

    std::unique_ptr<LeftScanningViewController> panel;
};

}  // namespace

TEST_F(LeftScanningTest, StartsAtZeroWithTheFirstVirtualStep)
{
    EXPECT_EQ(panel->scanningTitleLabel()->text(), QStringLiteral("Scanning"));
    EXPECT_EQ(panel->scanningFoundLabel()->text(), QStringLiteral("Duplicates Found"));
    EXPECT_EQ(panel->estimatedTimeLabel()->text(), QStringLiteral("Elapsed time: "));
    start();
    EXPECT_EQ(panel->timeLabel()->text(), QStringLiteral("00:00"));
    EXPECT_EQ(plain(panel->scanningItemsLabel()), QStringLiteral("0 Items"));
    EXPECT_EQ(panel->scanningSizeHorizontalLabel()->property("plainText").toString(), transformedFileSize(0, true, true));
    EXPECT_TRUE(panel->scanningPathLabel()->text().isEmpty());
    // The first tick made the first step; the reset to 0 that follows it
    // does not take the ring back.
    EXPECT_DOUBLE_EQ(panel->progressValue(), 0.0);
    EXPECT_NEAR(panel->circularProgress()->progress(), 0.0001, 1e-9);
}

TEST_F(LeftScanningTest, TheClockCountsMinutesPastTheHour)
{
    start();
    panel->setTimeSeconds(64.9);
    ticks(1);
    EXPECT_EQ(panel->timeLabel()->text(), QStringLiteral("01:05"));
    panel->setTimeSeconds(3699.9);
    ticks(1);
    EXPECT_EQ(panel->timeLabel()->text(), QStringLiteral("61:40"));
    // A hair below a whole second after many steps still shows that second.
    panel->setTimeSeconds(0.0);
    ticks(300);
    EXPECT_EQ(panel->timeLabel()->text(), QStringLiteral("00:30"));
}

TEST_F(LeftScanningTest, VirtualProgressSlowsDownAndStopsAtTwoTenths)
{
    start();
    panel->setTimeSeconds(0.0);
    ticks(1000);  // 100 s
    EXPECT_NEAR(panel->progressValue(), 0.1, 2e-4);
    ticks(2000);  // 300 s
    EXPECT_NEAR(panel->progressValue(), 0.15, 2e-4);
    ticks(8000);  // 1100 s
    EXPECT_NEAR(panel->progressValue(), 0.2, 2e-4);
    const double reached = panel->progressValue();
    ticks(1000);
    EXPECT_DOUBLE_EQ(panel->progressValue(), reached);
    EXPECT_DOUBLE_EQ(ScanScreenLook::virtualScanStep(1100.1), 0.0);

    // Once a path has come, the clock adds nothing.
    panel->setTimeSeconds(10.0);
    panel->scanPath(QStringLiteral("/somewhere/file"));
    const double before = panel->progressValue();
    ticks(50);
    EXPECT_DOUBLE_EQ(panel->progressValue(), before);
}

TEST_F(LeftScanningTest, TheRingNeverGoesBackNorMovesAfterAStop)
{
    start();
    panel->setProgressValue(0.1);
    panel->setProgressValue(0.05);
    EXPECT_DOUBLE_EQ(panel->progressValue(), 0.05);
    EXPECT_DOUBLE_EQ(panel->lastProgressValue(), 0.1);
    EXPECT_DOUBLE_EQ(panel->circularProgress()->progress(), 0.1);
    panel->setProgressValue(0.3);
    EXPECT_DOUBLE_EQ(panel->circularProgress()->progress(), 0.3);

    ScanManager::default_().setScanStop(true);
    panel->setProgressValue(0.8);
    EXPECT_DOUBLE_EQ(panel->progressValue(), 0.8);
    EXPECT_DOUBLE_EQ(panel->circularProgress()->progress(), 0.3);
}

TEST_F(LeftScanningTest, TheFoundBoxShowsCountAndSizeWithTheirDigitsHighlighted)
{
    start();
    panel->updateSizeCountBox(12'500'000, 35);
    EXPECT_EQ(plain(panel->scanningItemsLabel()), QStringLiteral("35 Items"));
    EXPECT_TRUE(panel->scanningItemsLabel()->text().contains(QStringLiteral(">35<")));
    EXPECT_EQ(panel->scanningSizeHorizontalLabel()->property("plainText").toString(),
              transformedFileSize(12'500'000, true, true));
    // The number of the size is drawn in the digits' font.
    EXPECT_TRUE(panel->scanningSizeHorizontalLabel()->text().contains(QStringLiteral(">12.5 <")));
    panel->updateSizeCountBox(0, 1'000'000);
    EXPECT_EQ(plain(panel->scanningItemsLabel()), QStringLiteral("999999+ Items"));
    EXPECT_FALSE(panel->scanningItemsLabel()->text().contains(QStringLiteral("1000000")));

    // A long path is shown in full in its tool tip.
    const QString path = QStringLiteral("/very") + QStringLiteral("/long").repeated(40) + QStringLiteral("/name.bin");
    panel->scanPath(path);
    EXPECT_EQ(panel->scanningPathLabel()->toolTip(), path);
    EXPECT_EQ(panel->scanningPathLabel()->text(), path);
}
