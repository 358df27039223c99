#include "Foundation/Progress.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

TEST(Progress, FractionAndFinishFollowTheUnits)
{
    Progress progress(4);
    QSignalSpy fraction(&progress, &Progress::fractionCompletedChanged);
    QSignalSpy finished(&progress, &Progress::finishedChanged);
    EXPECT_EQ(progress.fractionCompleted(), 0.0);
    EXPECT_FALSE(progress.isFinished());

    progress.setCompletedUnitCount(1);
    EXPECT_EQ(progress.fractionCompleted(), 0.25);
    progress.setCompletedUnitCount(1);  // no change, no signal
    EXPECT_EQ(fraction.count(), 1);
    progress.setCompletedUnitCount(4);
    EXPECT_TRUE(progress.isFinished());
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.last().at(0).toBool(), true);
    // More than the total is still all of it.
    progress.setCompletedUnitCount(9);
    EXPECT_EQ(progress.fractionCompleted(), 1.0);
    EXPECT_EQ(finished.count(), 1);
    // A larger total makes it unfinished again.
    progress.setTotalUnitCount(18);
    EXPECT_EQ(progress.fractionCompleted(), 0.5);
    EXPECT_FALSE(progress.isFinished());
    EXPECT_EQ(finished.count(), 2);

    // No total: nothing done, never finished.
    Progress empty(0);
    empty.setCompletedUnitCount(5);
    EXPECT_EQ(empty.fractionCompleted(), 0.0);
    EXPECT_FALSE(empty.isFinished());
    empty.setCompletedUnitCount(-3);
    EXPECT_EQ(empty.fractionCompleted(), 0.0);
}

TEST(Progress, CancelIsSignalledOnce)
{
    Progress progress;
    QSignalSpy cancelled(&progress, &Progress::cancelledChanged);
    EXPECT_TRUE(progress.isCancellable());
    progress.setCancellable(false);
    EXPECT_FALSE(progress.isCancellable());
    progress.cancel();
    progress.cancel();
    EXPECT_TRUE(progress.isCancelled());
    EXPECT_EQ(cancelled.count(), 1);
}

TEST(Progress, WorkersMayAdvanceItTogether)
{
    Progress progress(8000);
    std::atomic<int> signalled{0};
    QObject::connect(
        &progress, &Progress::fractionCompletedChanged, &progress, [&](double) { ++signalled; },
        Qt::DirectConnection);
    std::vector<std::thread> workers;
    for (int w = 0; w < 4; ++w) {
        workers.emplace_back([&, w] {
            for (int i = 1; i <= 1000; ++i) {
                // Setters and readers on four threads at once.
                progress.setCompletedUnitCount(w * 1000 + i);
                (void)progress.fractionCompleted();
            }
        });
    }
    for (auto& worker : workers) {
        worker.join();
    }
    EXPECT_GT(signalled.load(), 0);
    EXPECT_LE(progress.completedUnitCount(), 4000);
    EXPECT_EQ(progress.totalUnitCount(), 8000);
}
