#include "Foundation/OperationQueue.h"

#include "TestSupport.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// A gate the test opens when it wants the blocked operations to go on.
struct Gate {
    std::mutex m;
    std::condition_variable cv;
    bool open = false;
    void wait()
    {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return open; });
    }
    void release()
    {
        std::lock_guard lock(m);
        open = true;
        cv.notify_all();
    }
};

}  // namespace

TEST(OperationQueue, NeverRunsMoreThanTheLimitAtOnce)
{
    for (int limit : {1, 3, 5}) {
        OperationQueue queue;
        queue.setMaxConcurrentOperationCount(limit);
        std::atomic<int> inside{0};
        std::atomic<int> peak{0};
        std::atomic<int> done{0};
        for (int i = 0; i < 40; ++i) {
            queue.addOperation([&] {
                const int now = inside.fetch_add(1) + 1;
                int p = peak.load();
                while (now > p && !peak.compare_exchange_weak(p, now)) {
                }
                std::this_thread::sleep_for(std::chrono::microseconds(200));
                inside.fetch_sub(1);
                done.fetch_add(1);
            });
        }
        queue.waitUntilAllOperationsAreFinished();
        EXPECT_EQ(done.load(), 40);
        EXPECT_LE(peak.load(), limit) << "limit " << limit;
        if (limit == 1) {
            EXPECT_EQ(peak.load(), 1);
        }
    }
}

TEST(OperationQueue, SerialQueueRunsInTheOrderAdded)
{
    OperationQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    std::vector<int> order;
    for (int i = 0; i < 100; ++i) {
        queue.addOperation([&order, i] { order.push_back(i); });
    }
    queue.waitUntilAllOperationsAreFinished();
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(order[static_cast<size_t>(i)], i);
    }
}

TEST(OperationQueue, CancelStopsWaitingOperationsAndTellsTheRunningOne)
{
    OperationQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    Gate gate;
    std::atomic<bool> started{false};
    auto running = std::make_shared<BlockOperation>();
    std::atomic<bool> sawCancel{false};
    running->addExecutionBlock([&, op = running.get()] {
        started = true;
        gate.wait();
        sawCancel = op->isCancelled();
    });
    std::atomic<int> laterRan{0};
    std::atomic<int> laterCompleted{0};
    queue.addOperation(running);
    std::vector<std::shared_ptr<BlockOperation>> later;
    for (int i = 0; i < 5; ++i) {
        auto op = std::make_shared<BlockOperation>([&] { laterRan.fetch_add(1); });
        op->setCompletionBlock([&] { laterCompleted.fetch_add(1); });
        later.push_back(op);
        queue.addOperation(op);
    }
    ASSERT_TRUE(waitUntil([&] { return started.load(); }));
    queue.cancelAllOperations();
    gate.release();
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(sawCancel.load());
    EXPECT_EQ(laterRan.load(), 0);
    EXPECT_EQ(laterCompleted.load(), 5) << "cancelled operations still finish";
    for (const auto& op : later) {
        EXPECT_TRUE(op->isCancelled());
        EXPECT_TRUE(op->isFinished());
    }
    EXPECT_EQ(queue.operationCount(), 0);
}

TEST(OperationQueue, SuspendedQueueStartsNothingNewAndResumes)
{
    OperationQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    Gate gate;
    std::atomic<bool> firstStarted{false};
    std::atomic<bool> firstDone{false};
    std::atomic<bool> secondRan{false};
    queue.addOperation([&] {
        firstStarted = true;
        gate.wait();
        firstDone = true;
    });
    ASSERT_TRUE(waitUntil([&] { return firstStarted.load(); }));
    queue.setSuspended(true);
    queue.addOperation([&] { secondRan = true; });
    gate.release();  // the running one goes on while suspended
    ASSERT_TRUE(waitUntil([&] { return firstDone.load(); }));
    // Nothing new starts while suspended.
    EXPECT_FALSE(waitUntil([&] { return secondRan.load(); }, std::chrono::milliseconds(150)));
    EXPECT_EQ(queue.operationCount(), 1);
    queue.setSuspended(false);
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(secondRan.load());
}

TEST(OperationQueue, CompletionRunsAfterTheWorkAndBeforeWaitReturns)
{
    OperationQueue queue;
    queue.setMaxConcurrentOperationCount(5);
    std::mutex m;
    std::vector<std::string> events;
    for (int i = 0; i < 10; ++i) {
        auto op = std::make_shared<BlockOperation>([&, i] {
            std::lock_guard lock(m);
            events.push_back("work" + std::to_string(i));
        });
        op->setCompletionBlock([&, i] {
            std::lock_guard lock(m);
            events.push_back("done" + std::to_string(i));
        });
        queue.addOperation(op);
    }
    queue.waitUntilAllOperationsAreFinished();
    ASSERT_EQ(events.size(), 20u);
    for (int i = 0; i < 10; ++i) {
        const auto work = std::find(events.begin(), events.end(), "work" + std::to_string(i));
        const auto done = std::find(events.begin(), events.end(), "done" + std::to_string(i));
        ASSERT_NE(work, events.end());
        ASSERT_NE(done, events.end());
        EXPECT_LT(work, done);
    }
}

// An idle worker lingers a while for more work; whoever waits for the
// queue must not wait that out. Thirty waits that each sat out the linger
// (a tenth of a second) would take three seconds; the bound leaves a wide
// margin for a loaded machine and still catches it.
TEST(OperationQueue, WaitingEndsWhenTheLastOperationDoesNotWhenTheIdleWorkerLeaves)
{
    OperationQueue queue;
    queue.setMaxConcurrentOperationCount(5);
    std::atomic<int> ran{0};
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 30; ++i) {
        queue.addOperation([&] { ran.fetch_add(1); });
        queue.waitUntilAllOperationsAreFinished();
        ASSERT_EQ(ran.load(), i + 1);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
}

TEST(OperationQueue, AnOperationCancelledBeforeItIsAddedNeverRuns)
{
    OperationQueue queue;
    std::atomic<bool> ran{false};
    std::atomic<bool> completed{false};
    auto op = std::make_shared<BlockOperation>([&] { ran = true; });
    op->setCompletionBlock([&] { completed = true; });
    op->cancel();
    queue.addOperation(op);
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_FALSE(ran.load());
    EXPECT_TRUE(completed.load());
}

TEST(OperationQueue, DestroyingAQueueDropsWaitingWorkAndWaitsForTheRunningOne)
{
    std::atomic<int> ran{0};
    std::atomic<bool> started{false};
    Gate gate;
    std::vector<std::shared_ptr<BlockOperation>> waiting;
    std::thread releaser;
    {
        OperationQueue queue;
        queue.setMaxConcurrentOperationCount(1);
        queue.addOperation([&] {
            started = true;
            gate.wait();
            ran.fetch_add(1);
        });
        for (int i = 0; i < 10; ++i) {
            waiting.push_back(std::make_shared<BlockOperation>([&] { ran.fetch_add(1); }));
            queue.addOperation(waiting.back());
        }
        ASSERT_TRUE(waitUntil([&] { return started.load(); }));
        // The running operation is let go only once the destructor has
        // cancelled the waiting ones, so the destructor must wait for it.
        releaser = std::thread([&] {
            for (const auto& op : waiting) {
                while (!op->isCancelled()) {
                    std::this_thread::yield();
                }
            }
            gate.release();
        });
    }
    releaser.join();
    EXPECT_EQ(ran.load(), 1);
}
