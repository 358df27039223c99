#include "Foundation/Dispatch.h"

#include "TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

TEST(Dispatch, MainQueueRunsOnTheMainThreadAfterTheCallerReturns)
{
    std::atomic<bool> ran{false};
    QThread* seen = nullptr;
    DispatchQueue::main().async([&] {
        seen = QThread::currentThread();
        ran = true;
    });
    EXPECT_FALSE(ran.load()) << "main-queue work must wait for the event loop";
    ASSERT_TRUE(waitUntil([&] { return ran.load(); }));
    EXPECT_EQ(seen, QCoreApplication::instance()->thread());
}

TEST(Dispatch, WorkPostedFromAWorkerReachesTheMainThread)
{
    std::atomic<bool> ran{false};
    QThread* seen = nullptr;
    DispatchQueue::global().async([&] {
        DispatchQueue::main().async([&] {
            seen = QThread::currentThread();
            ran = true;
        });
    });
    ASSERT_TRUE(waitUntil([&] { return ran.load(); }));
    EXPECT_EQ(seen, QCoreApplication::instance()->thread());
}

TEST(Dispatch, SerialQueueKeepsOrderAndNeverOverlaps)
{
    DispatchQueue queue(QStringLiteral("serial"));
    std::mutex m;
    std::vector<int> order;
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};
    for (int i = 0; i < 200; ++i) {
        queue.async([&, i] {
            if (inside.fetch_add(1) != 0) {
                overlapped = true;
            }
            {
                std::lock_guard lock(m);
                order.push_back(i);
            }
            inside.fetch_sub(1);
        });
    }
    queue.waitForIdle();
    EXPECT_FALSE(overlapped.load());
    ASSERT_EQ(order.size(), 200u);
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(order[static_cast<size_t>(i)], i);
    }
}

TEST(Dispatch, AsyncAfterWaitsAtLeastTheDelayAndRunsOnItsQueue)
{
    QElapsedTimer timer;
    timer.start();
    std::atomic<qint64> mainElapsed{-1};
    std::atomic<bool> onMain{false};
    DispatchQueue::main().asyncAfter(0.15, [&] {
        onMain = QThread::currentThread() == QCoreApplication::instance()->thread();
        mainElapsed = timer.elapsed();
    });
    std::atomic<bool> globalOffMain{false};
    std::atomic<bool> globalRan{false};
    DispatchQueue::global().asyncAfter(0.05, [&] {
        globalOffMain = QThread::currentThread() != QCoreApplication::instance()->thread();
        globalRan = true;
    });
    ASSERT_TRUE(waitUntil([&] { return mainElapsed.load() >= 0 && globalRan.load(); }));
    EXPECT_GE(mainElapsed.load(), 140);
    EXPECT_TRUE(onMain.load());
    EXPECT_TRUE(globalOffMain.load());
}

TEST(Dispatch, SyncOnTheMainQueueFromAWorkerWaitsForTheResult)
{
    std::atomic<int> value{0};
    std::atomic<bool> workerDone{false};
    DispatchQueue::global().async([&] {
        DispatchQueue::main().sync([&] { value = 42; });
        workerDone = value.load() == 42;
    });
    ASSERT_TRUE(waitUntil([&] { return workerDone.load(); }));
    // From the main thread itself it runs at once instead of deadlocking.
    DispatchQueue::main().sync([&] { value = 7; });
    EXPECT_EQ(value.load(), 7);
}

TEST(Dispatch, BoundedWaitReportsWorkStillRunningAndThenItsEnd)
{
    std::atomic<bool> release{false};
    std::atomic<bool> started{false};
    DispatchQueue::global().async([&] {
        started = true;
        while (!release.load()) {
            std::this_thread::yield();
        }
    });
    ASSERT_TRUE(waitUntil([&] { return started.load(); }));
    EXPECT_FALSE(DispatchQueue::global().waitForIdle(std::chrono::milliseconds(20)));
    release = true;
    EXPECT_TRUE(DispatchQueue::global().waitForIdle(std::chrono::seconds(10)));
}

// Two pieces of work handed over back to back while one worker idles: the
// second must not wait behind the first for the same worker. When it did, a
// long job (a scan, a read on a slow disk) held up short ones queued after it
// until it ended.
TEST(Dispatch, WorkQueuedBehindALongJobGetsAWorkerOfItsOwn)
{
    for (int round = 0; round < 20; ++round) {
        // Leaves every worker idle, so the hand-overs below find one waiting.
        DispatchQueue::global().async([] {});
        ASSERT_TRUE(DispatchQueue::global().waitForIdle(std::chrono::seconds(10)));

        std::atomic<bool> release{false};
        std::atomic<bool> shortRan{false};
        DispatchQueue::global().async([&] {
            while (!release.load()) {
                std::this_thread::yield();
            }
        });
        DispatchQueue::global().async([&] { shortRan = true; });
        const bool ran = waitUntil([&] { return shortRan.load(); }, std::chrono::seconds(5));
        release = true;
        ASSERT_TRUE(DispatchQueue::global().waitForIdle(std::chrono::seconds(10)));
        ASSERT_TRUE(ran) << "round " << round;
    }
}

// What a worker keeps per thread (Qt keeps its font caches so) is given back
// when the application ends, not by a worker idling past the libraries' end.
TEST(DispatchDeathTest, IdleWorkersEndWithTheApplication)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            static std::atomic<bool> givenBack{false};
            struct PerThread {
                ~PerThread() { givenBack = true; }
            };
            std::atomic<bool> ran{false};
            DispatchQueue::global().async([&ran] {
                thread_local PerThread kept;
                (void)&kept;
                ran = true;
            });
            while (!ran.load()) {
                std::this_thread::yield();
            }
            QCoreApplication::instance()->~QCoreApplication();
            std::fputs(givenBack.load() ? "given back\n" : "still kept\n", stderr);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "given back");
}

// A preview still being read on the global queue when the program ended used
// to run on while the libraries were torn down, and crashed the process on
// its way out. The application object's end now waits for such work.
TEST(DispatchDeathTest, TheApplicationsEndWaitsForGlobalWorkStillRunning)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::atomic<bool> started{false};
            DispatchQueue::global().async([&started] {
                started = true;
                // The work itself takes a while; nothing here waits on a clock.
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                std::fputs("global work finished\n", stderr);
            });
            while (!started.load()) {
                std::this_thread::yield();
            }
            // The test's application object lives on main()'s stack; end it
            // as the program's own return would, then leave without unwinding.
            QCoreApplication::instance()->~QCoreApplication();
            std::fputs("application gone\n", stderr);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "global work finished.*application gone");
}
