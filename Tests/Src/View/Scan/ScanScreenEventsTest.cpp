// The engines' reports as the scan screen paces them: the bar at most once
// per second of the scanning clock and never full before the end, the path
// at most once per tick, reports from many threads at once.

#include "ScanScreenFixture.h"

#include "Manager/AssembleOperation.h"
#include "Manager/LargeFilesManager.h"
#include "Manager/ScanManager.h"
#include "View/CustomView/CircularProgressView.h"
#include "View/CustomView/TruncatingLabel.h"
#include "View/DataDispaly/LeftScanning/LeftScanningViewController.h"
#include "View/DataDispaly/LeftScanning/ScanningLargeFileViewController.h"

#include <QScopeGuard>
#include <QThread>

#include <atomic>
#include <thread>
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

// A pair of files past 4 GiB read after the many small groups beside it
// have ended: the ring moves with the bytes read and the path names a file
// being read, not the last small file, although no new file is begun.
TEST_F(ScanScreenTest, TheRingAndThePathFollowALargeGroupReadLongAfterTheSmallOnes)
{
    constexpr qint64 size = (4LL << 30) + (64 << 20);
    writeSparse(QStringLiteral("all/big/a.iso"), size);
    writeSparse(QStringLiteral("all/big/b.iso"), size);
    constexpr int pairs = 100;
    for (int i = 0; i < pairs; ++i) {
        const QByteArray body(100 + i, char('a' + i % 26));
        writeFile(QStringLiteral("all/small/%1a").arg(i), body);
        writeFile(QStringLiteral("all/small/%1b").arg(i), body);
    }
    // The small groups are read once the large one waits before its whole
    // reading, a little slowly so that the path shows one of them; the
    // large one goes on when they are all done.
    std::atomic<bool> largeWaits{false};
    std::atomic<bool> go{false};
    std::atomic<int> smallDone{0};
    ReadPlanForTesting plan;
    plan.wholeReading = [&](const QByteArray& path) {
        if (!path.contains("/big/")) {
            ++smallDone;
            return;
        }
        largeWaits = true;
        while (!go.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    };
    setReadPlanForTesting(plan);
    setMd5ReadFailureForTesting([&](const QByteArray& path) {
        while (path.contains("/small/") && !largeWaits.load() && !go.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(path.contains("/small/") ? 2 : 0));
        return false;
    });
    ScanManager::default_().setSolidStateForTesting(true);
    const auto cleanUp = qScopeGuard([&] {
        go = true;
        ScanManager::default_().stopScan();
        ScanManager::default_().waitUntilIdle(60000);
        setReadPlanForTesting({});
        setMd5ReadFailureForTesting(nullptr);
        ScanManager::default_().setSolidStateForTesting(std::nullopt);
    });

    ScanViewController* s = startScan(scratch() + QStringLiteral("/all"), false);
    LeftScanningViewController* panel = s->leftScanningViewCtr();
    const auto pathShown = [panel](const char* folder) {
        return panel->scanningPathLabel()->text().contains(QLatin1String(folder));
    };
    ASSERT_TRUE(waitUntil([&] { return smallDone.load() == 2 * pairs && pathShown("/small/"); },
                          std::chrono::seconds(60)));
    const double before = panel->circularProgress()->progress();
    go = true;
    // Two refreshes of the ring, a second of the clock apart, while the
    // large group is read, and the path of one of its files.
    double moved = before;
    for (int step = 0; step < 2; ++step) {
        ASSERT_TRUE(waitUntil([&] { return panel->circularProgress()->progress() > moved; },
                              std::chrono::seconds(60)))
            << "the ring stays at " << moved;
        moved = panel->circularProgress()->progress();
    }
    EXPECT_TRUE(waitUntil([&] { return pathShown("/big/"); })) << panel->scanningPathLabel()->text().toStdString();
    EXPECT_LT(panel->circularProgress()->progress(), 0.9);
    EXPECT_EQ(s->displayViewType(), State::displayViewTypeScanning);
}
