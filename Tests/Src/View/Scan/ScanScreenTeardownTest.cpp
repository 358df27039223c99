// A scan screen going away while its engine is inside a report to it: the
// screen's memory goes only once that report has returned.

#include "ScanScreenFixture.h"

#include "Manager/ScanManager.h"

#include <atomic>
#include <chrono>
#include <thread>

// The program's end deletes the screen while the scan, at its end, is in its
// finished report to it (held there): the deletion waits for that report,
// so the engine is done with the screen by the time the screen is gone.
TEST_F(ScanScreenTest, AScreenGoingAwayWaitsForTheEngineReportUnderWay)
{
    ScanManager& engine = ScanManager::default_();
    std::atomic<bool> atEnd{false};
    std::atomic<bool> deleted{false};
    std::atomic<bool> waitedFor{false};
    engine.setScanEndHookForTesting([&] {
        atEnd = true;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!engine.delegateDetachWaitingForTesting() && !deleted.load() &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::yield();
        }
        // Still inside the report: the screen's going away must be waiting
        // for it, not done already.
        waitedFor = engine.delegateDetachWaitingForTesting() && !deleted.load();
    });
    ScanViewController* s = startScan(duplicateTree(), false);
    ASSERT_TRUE(waitUntil([&] { return atEnd.load(); }, std::chrono::seconds(60)));
    delete s;
    deleted = true;
    // The engine marks itself idle a moment after its report returns, so
    // what the deletion waited for is read from inside the report.
    EXPECT_TRUE(waitedFor.load()) << "the screen went while its report was under way";
    EXPECT_EQ(engine.delegate(), nullptr);
    EXPECT_TRUE(engine.waitUntilIdle(30000));
    engine.setScanEndHookForTesting(nullptr);
}
