// How a scan ends: a stop that does not wait for a read that never returns,
// progress that follows the bytes read, and a delegate that goes away while
// the scan is in its last report.

#include <atomic>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

#include "ScanFixture.h"

#ifdef TWINSWEEP_HAVE_FUSE
#include "StalledFileSystem.h"
#endif

namespace {

// Holds the reading of one file until released, as a read on a stalled
// mount does; every other file is read as usual. What the held reading
// touches is shared with it, so it may return after this has gone.
class StalledRead {
public:
    // Holds the `nth` opening (from 1) of the file at `path`.
    StalledRead(QByteArray path, int nth) : state_(std::make_shared<State>())
    {
        setMd5ReadFailureForTesting([state = state_, path = std::move(path), nth](const QByteArray& p) {
            if (p == path && ++state->seen == nth) {
                std::unique_lock lock(state->mutex);
                state->held = true;
                state->changed.notify_all();
                state->changed.wait(lock, [&] { return state->released; });
                state->held = false;
                state->returned = true;
                state->changed.notify_all();
            }
            return false;
        });
    }
    ~StalledRead()
    {
        release();
        setMd5ReadFailureForTesting(nullptr);
    }
    bool waitHeld() { return wait([this] { return state_->held; }); }
    bool waitReturned() { return wait([this] { return state_->returned; }); }
    bool held() const
    {
        std::lock_guard lock(state_->mutex);
        return state_->held;
    }
    void release()
    {
        std::lock_guard lock(state_->mutex);
        state_->released = true;
        state_->changed.notify_all();
    }

private:
    struct State {
        std::atomic<int> seen{0};
        std::mutex mutex;
        std::condition_variable changed;
        bool held = false;
        bool released = false;
        bool returned = false;
    };
    bool wait(const std::function<bool()>& condition)
    {
        std::unique_lock lock(state_->mutex);
        return state_->changed.wait_for(lock, std::chrono::seconds(30), condition);
    }
    std::shared_ptr<State> state_;
};

class ScanEndTest : public ScanFixture {
protected:
    void TearDown() override
    {
        setReadPlanForTesting({});
        engine().setSolidStateForTesting(std::nullopt);
        engine().setScanEndHookForTesting(nullptr);
        ScanFixture::TearDown();
    }

    std::vector<QStringList> groupsNow() const { return groups(); }

    // Groups read where several are at once (solid), or one at a time after
    // the others, as a spinning disk's groups out of memory are.
    void readAs(bool solid)
    {
        engine().setSolidStateForTesting(solid);
        ReadPlanForTesting plan;
        if (!solid) {
            plan.resident = [](const QByteArray&) { return false; };
        }
        setReadPlanForTesting(plan);
    }

    // `count` pairs below "s/", each of its own size from `base` + 1 bytes.
    void smallPairs(int count, int base)
    {
        for (int i = 1; i <= count; ++i) {
            const QByteArray body(base + i, char('a' + i % 26));
            writeFile(QString("s/%1a").arg(i), body);
            writeFile(QString("s/%1b").arg(i), body);
        }
    }

    // Scans the scratch folder until a read is held, then stops: the
    // stopped results come while the read is still held, none of their
    // groups below `heldFolder`. Those groups go to `stopped`.
    void stopWhileHeld(const std::function<bool()>& waitHeld, const std::function<bool()>& held,
                       const QString& heldFolder, std::vector<QStringList>& stopped)
    {
        engine().setFolderList({QFile::encodeName(scratch())});
        engine().scanDuplicateFile();
        ASSERT_TRUE(waitHeld());
        engine().stopScan();
        ASSERT_TRUE(waitUntil([&] { return delegate.count("finished") == 1; }, std::chrono::seconds(20)))
            << "the stopped scan waits for the held read";
        EXPECT_TRUE(held());
        ASSERT_TRUE(engine().waitUntilIdle(20000));
        stopped = groupsNow();
        for (const QStringList& group : stopped) {
            EXPECT_FALSE(group.first().startsWith(heldFolder)) << "a group filed half-read";
        }
        expectConsistentResults();
    }

    // Once a held worker has returned: its queue lets it go.
    static bool queuesEmpty()
    {
        return waitUntil([] {
            ScanManager& e = ScanManager::default_();
            return e.assembleSSDQueue().operationCount() == 0 && e.assembleHDDQueue().operationCount() == 0 &&
                   e.appendQueue().operationCount() == 0;
        });
    }

    // A file of `size` bytes of zeros, made without writing them.
    void sparse(const QString& relative, qint64 size)
    {
        writeFile(relative, QByteArray());
        QFile file(scratch() + "/" + relative);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.resize(size));
    }
};

}  // namespace

// A read that never returns does not hold up Stop: the stopped results come
// while the read is still held, without the group it was reading, and the
// worker left in it changes nothing when it returns, also under the next
// scan.
TEST_F(ScanEndTest, AStopDoesNotWaitForAReadThatNeverReturns)
{
    settings({});
    smallPairs(40, 100);
    writeFile("held/a", QByteArray(50000, 'h'));
    writeFile("held/b", QByteArray(50000, 'h'));
    // Solid: read where several groups are at once. Cold spinning: the held
    // group is read in the one-at-a-time queue (its first opening probes it
    // where several are read at once, its second reads it).
    for (const auto& [solid, nth] : {std::pair{true, 1}, std::pair{false, 2}}) {
        readAs(solid);
        delegate.events.clear();
        delegate.progress.clear();
        {
            StalledRead stalled(bytesOf("held/a"), nth);
            std::vector<QStringList> stopped;
            stopWhileHeld([&] { return stalled.waitHeld(); }, [&] { return stalled.held(); }, "held/", stopped);
            ASSERT_FALSE(HasFatalFailure()) << solid;

            // The next scan runs to its end beside the worker still held.
            delegate.events.clear();
            delegate.progress.clear();
            scan({scratch()});
            EXPECT_TRUE(stalled.held());
            EXPECT_EQ(engine().totalFiles().size(), 41) << solid;
            EXPECT_DOUBLE_EQ(engine().scanningProgress(), 1.0);
            const std::vector<QStringList> full = groupsNow();
            const size_t events = delegate.eventList().size();
            const size_t reports = delegate.progressList().size();
            const size_t paths = delegate.pathList().size();

            // The held worker returns into a scan that is over: it reports
            // and files nothing, and its queue lets it go.
            stalled.release();
            ASSERT_TRUE(stalled.waitReturned());
            ASSERT_TRUE(queuesEmpty());
            EXPECT_EQ(groupsNow(), full);
            EXPECT_EQ(delegate.eventList().size(), events);
            EXPECT_EQ(delegate.progressList().size(), reports);
            EXPECT_EQ(delegate.pathList().size(), paths);
            EXPECT_DOUBLE_EQ(engine().scanningProgress(), 1.0);
            expectConsistentResults();
        }
        // And the queues read as many groups at once as before.
        EXPECT_EQ(engine().assembleSSDQueue().maxConcurrentOperationCount(), 5);
        EXPECT_EQ(engine().assembleHDDQueue().maxConcurrentOperationCount(), 1);
        delegate.events.clear();
        scan({scratch()});
        EXPECT_EQ(engine().totalFiles().size(), 41);
    }
}

// The same with a real file system whose read does not answer: a FUSE
// mount holding a file's reads, as a stalled network mount does. The
// stopped results come while the read is held, and nothing changes when
// the mount answers at last.
TEST_F(ScanEndTest, AStopDoesNotWaitForAMountThatStoppedAnswering)
{
#ifndef TWINSWEEP_HAVE_FUSE
    GTEST_SKIP() << "built without FUSE";
#else
    settings({});
    smallPairs(20, 100);
    const QByteArray body(50000, 'f');
    // Read where several groups are at once, and one group at a time after
    // the others (as a spinning disk's cold groups are).
    for (const bool solid : {true, false}) {
        readAs(solid);
        delegate.events.clear();
        StalledFileSystem mount(scratch() + "/mount", {{"a", body}, {"b", body}}, "a");
        if (!mount.mounted()) {
            GTEST_SKIP() << "no FUSE file system could be mounted here";
        }
        std::vector<QStringList> stopped;
        stopWhileHeld([&] { return mount.waitStalled(); }, [&] { return mount.stalled(); }, "mount/", stopped);
        ASSERT_FALSE(HasFatalFailure()) << solid;
        const size_t events = delegate.eventList().size();

        mount.release();
        ASSERT_TRUE(queuesEmpty());
        EXPECT_EQ(groupsNow(), stopped);
        EXPECT_EQ(delegate.eventList().size(), events);
        expectConsistentResults();
    }
#endif
}

// Progress follows the bytes to read: a group of a few very large files,
// read first, moves it while it is read, most of the way, before any of the
// many small groups is read; it still only rises, to 1.
TEST_F(ScanEndTest, ProgressFollowsTheBytesRead)
{
    settings({});
    smallPairs(100, 10);
    for (int i = 0; i < 3; ++i) {
        sparse(QString("big/%1").arg(i), 48 << 20);
    }
    engine().setSolidStateForTesting(true);
    // No small group is read before the large one has ended (or a while).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::atomic<bool> largeDone{false};
    setMd5ReadFailureForTesting([&](const QByteArray& path) {
        if (path.contains("/s/")) {
            while (!largeDone.load() && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::yield();
            }
        }
        return false;
    });
    std::vector<double> beforeSmall;
    std::mutex mutex;
    delegate.onPath = [&](const QString& path) {
        std::lock_guard lock(mutex);
        if (path.contains("/s/") && beforeSmall.empty()) {
            beforeSmall = delegate.progressList();
        }
    };
    std::thread watcher([&] {
        // The large group has ended once the progress stands at its share.
        while (std::chrono::steady_clock::now() < deadline) {
            const auto progress = delegate.progressList();
            if (!progress.empty() && progress.back() > 0.95) {
                break;
            }
            std::this_thread::yield();
        }
        largeDone.store(true);
    });
    scan({scratch()});
    watcher.join();
    delegate.onPath = nullptr;
    const auto progress = delegate.progressList();
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_DOUBLE_EQ(progress.back(), 1.0);
    EXPECT_DOUBLE_EQ(engine().scanningProgress(), 1.0);
    std::lock_guard lock(mutex);
    // Several steps inside the large group's reading, then its end near 1.
    const auto inside = std::count_if(beforeSmall.begin(), beforeSmall.end(),
                                      [](double v) { return v > 0.02 && v < 0.95; });
    EXPECT_GE(inside, 3) << "reports before the small groups: " << beforeSmall.size();
    ASSERT_FALSE(beforeSmall.empty());
    EXPECT_GT(beforeSmall.back(), 0.95);
    EXPECT_EQ(engine().totalFiles().size(), 101);
}

// A delegate going away while the scan makes its last report: detaching it
// waits until that report has returned, so its memory may go right after;
// the report never comes later.
TEST_F(ScanEndTest, DetachingWaitsForTheReportUnderWay)
{
    settings({});
    writeFile("a", "same");
    writeFile("b", "same");
    struct Screen : RecordingDelegate {
        std::atomic<bool> detached{false};
        std::atomic<bool> calledAfter{false};
        void scanFinished() override
        {
            calledAfter = calledAfter || detached.load();
            RecordingDelegate::scanFinished();
        }
    };
    auto screen = std::make_unique<Screen>();
    engine().setDelegate(screen.get());
    std::atomic<bool> atEnd{false};
    std::atomic<bool> detachReturned{false};
    // The scan's end held with its report in hand until the detach waits
    // for it (or, were it not waited for, has returned).
    engine().setScanEndHookForTesting([&] {
        atEnd = true;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!engine().delegateDetachWaitingForTesting() && !detachReturned.load() &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::yield();
        }
    });
    engine().setFolderList({QFile::encodeName(scratch())});
    engine().scanDuplicateFile();
    ASSERT_TRUE(waitUntil([&] { return atEnd.load(); }));
    engine().detachDelegate(screen.get());
    screen->detached = true;
    detachReturned = true;
    EXPECT_EQ(screen->count("finished"), 1) << "detach returned before the report under way";
    EXPECT_TRUE(engine().waitUntilIdle(20000));
    EXPECT_FALSE(screen->calledAfter.load());
    EXPECT_EQ(engine().delegate(), nullptr);
    screen.reset();  // its memory goes: nothing may reach it now
    engine().setScanEndHookForTesting(nullptr);
    engine().setDelegate(&delegate);
}
