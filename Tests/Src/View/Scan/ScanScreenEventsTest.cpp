// The engines' reports as the scan screen paces them: the bar at most once
// per second of the scanning clock and never full before the end, the path
// at most once per tick, reports from many threads at once.

#include "ScanScreenFixture.h"

#include "Manager/LargeFilesManager.h"
#include "Manager/ScanManager.h"
#include "View/CustomView/CircularProgressView.h"
#include "View/CustomView/TruncatingLabel.h"
#include "View/DataDispaly/LeftScanning/LeftScanningViewController.h"
#include "View/DataDispaly/LeftScanning/ScanningLargeFileViewController.h"

#include <QThread>

#include <vector>

using State = ScanViewController::DisplayViewType;

namespace {

// Runs the queued reports.
void settleReports()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
}

}  // namespace

TEST_F(ScanScreenTest, DuplicateReportsArePacedByTheScanningClock)
{
    EngineGate gate(EngineGate::Kind::duplicateScan);
    ScanViewController* s = startScan(duplicateTree(), false);
    ASSERT_TRUE(waitUntil([&] { return gate.holding(); }));
    LeftScanningViewController* panel = s->leftScanningViewCtr();
    // The clock is the test's from here.
    panel->myTimer()->stop();
    settleReports();

    // An engine that reports it has done everything still shows 0.9999.
    s->scanProgress(1.0);
    panel->setTimeSeconds(5.0);
    s->scaningPath(QStringLiteral("/first"));
    settleReports();
    EXPECT_DOUBLE_EQ(s->lastScanProgress(), 1.0);
    EXPECT_DOUBLE_EQ(panel->progressValue(), 0.9999);
    EXPECT_DOUBLE_EQ(panel->circularProgress()->progress(), 0.9999);
    EXPECT_EQ(panel->scanningPathLabel()->text(), QStringLiteral("/first"));
    EXPECT_EQ(panel->scanningPathLabel()->toolTip(), QStringLiteral("/first"));
    EXPECT_DOUBLE_EQ(s->lastScanRefresh().lastScanRefreshRightViewTime, 5.0);

    // Within one tick the path changes once.
    s->scaningPath(QStringLiteral("/second"));
    settleReports();
    EXPECT_EQ(panel->scanningPathLabel()->text(), QStringLiteral("/first"));

    // The next tick shows the path, but the bar waits for a full second.
    s->scanProgress(0.5);
    panel->setTimeSeconds(5.5);
    s->scaningPath(QStringLiteral("/third"));
    settleReports();
    EXPECT_EQ(panel->scanningPathLabel()->text(), QStringLiteral("/third"));
    EXPECT_DOUBLE_EQ(panel->progressValue(), 0.9999);

    panel->setTimeSeconds(6.0);
    s->scaningPath(QStringLiteral("/fourth"));
    settleReports();
    EXPECT_DOUBLE_EQ(panel->progressValue(), 0.5);
    // A lower value is stored but the ring keeps what it showed.
    EXPECT_DOUBLE_EQ(panel->circularProgress()->progress(), 0.9999);

    // After a stop request paths are no longer shown.
    ScanManager::default_().setScanStop(true);
    panel->setTimeSeconds(7.0);
    s->scaningPath(QStringLiteral("/fifth"));
    settleReports();
    EXPECT_EQ(panel->scanningPathLabel()->text(), QStringLiteral("/fourth"));
    ScanManager::default_().setScanStop(false);
    gate.open();
    EXPECT_TRUE(waitForResults());
}

TEST_F(ScanScreenTest, ReportsFromManyThreadsLeaveOneRefreshWithTheLatestPath)
{
    EngineGate gate(EngineGate::Kind::duplicateScan);
    ScanViewController* s = startScan(duplicateTree(), false);
    ASSERT_TRUE(waitUntil([&] { return gate.holding(); }));
    LeftScanningViewController* panel = s->leftScanningViewCtr();
    panel->myTimer()->stop();
    settleReports();
    panel->setTimeSeconds(3.0);

    std::vector<QThread*> threads;
    for (int t = 0; t < 4; ++t) {
        threads.push_back(QThread::create([s, t] {
            for (int i = 0; i < 2000; ++i) {
                s->scaningPath(QStringLiteral("/worker%1/file%2").arg(t).arg(i));
                s->scanProgress(0.1);
            }
        }));
        threads.back()->start();
    }
    for (QThread* thread : threads) {
        thread->wait();
        delete thread;
    }
    s->scaningPath(QStringLiteral("/last"));
    settleReports();
    // Whatever arrived while a refresh was pending was folded into it.
    EXPECT_EQ(panel->scanningPathLabel()->text(), QStringLiteral("/last"));
    EXPECT_DOUBLE_EQ(s->lastScanProgress(), 0.1);
    gate.open();
    EXPECT_TRUE(waitForResults());
}

TEST_F(ScanScreenTest, LargeFileReportsArePercentagesPacedTheSameWay)
{
    EngineGate gate(EngineGate::Kind::largeFileScan);
    ScanViewController* s = startScan(largeFileTree(), true);
    ASSERT_TRUE(waitUntil([&] { return gate.holding(); }));
    ScanningLargeFileViewController* panel = s->scanningLargeFileViewController();
    panel->myTimer()->stop();
    settleReports();

    s->scanProgress(50.0);
    panel->setTimeSeconds(2.0);
    s->scaningPath(QStringLiteral("/big/one.iso"));
    settleReports();
    EXPECT_DOUBLE_EQ(s->lastScanProgress(), 0.5);
    EXPECT_DOUBLE_EQ(panel->progressValue(), 0.5);
    EXPECT_EQ(panel->scanningPathLabel()->text(), QStringLiteral("/big/one.iso"));
    EXPECT_EQ(panel->scanningPathLabel()->toolTip(), QStringLiteral("/big/one.iso"));

    s->scanProgress(100.0);
    s->scaningPath(QStringLiteral("/big/two.iso"));
    settleReports();
    EXPECT_EQ(panel->scanningPathLabel()->text(), QStringLiteral("/big/one.iso"));
    panel->setTimeSeconds(3.0);
    s->scaningPath(QStringLiteral("/big/three.iso"));
    settleReports();
    EXPECT_DOUBLE_EQ(panel->progressValue(), 0.9999);
    EXPECT_EQ(panel->scanningPathLabel()->text(), QStringLiteral("/big/three.iso"));
    gate.open();
    EXPECT_TRUE(waitForResults());
}
