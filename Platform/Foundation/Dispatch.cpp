#include "Dispatch.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

namespace {

// The main queue: closures wait in a deque of ours; a bare event tells the
// pump object on the main thread to drain it.
class MainPump : public QObject {
public:
    static constexpr QEvent::Type kDrain = static_cast<QEvent::Type>(QEvent::User + 731);

    void push(std::function<void()> work)
    {
        bool wake = false;
        {
            std::lock_guard lock(mutex_);
            work_.push_back(std::move(work));
            wake = !drainPosted_;
            drainPosted_ = true;
        }
        if (wake) {
            QCoreApplication::postEvent(this, new QEvent(kDrain));
        }
    }

protected:
    void customEvent(QEvent* event) override
    {
        if (event->type() != kDrain) {
            return;
        }
        std::deque<std::function<void()>> batch;
        {
            std::lock_guard lock(mutex_);
            batch.swap(work_);
            drainPosted_ = false;
        }
        for (auto& work : batch) {
            if (work) {
                work();
            }
        }
    }

private:
    std::mutex mutex_;
    std::deque<std::function<void()>> work_;
    bool drainPosted_ = false;
};

MainPump* mainPump()
{
    static MainPump* pump = [] {
        QCoreApplication* app = QCoreApplication::instance();
        auto* p = new MainPump;
        if (app) {
            p->moveToThread(app->thread());
            // Dies with the application so no closure outlives the event loop.
            QObject::connect(app, &QObject::destroyed, p, [p] { delete p; });
        }
        return p;
    }();
    return pump;
}

}  // namespace

// Worker threads of our own: a serial queue has at most one, the global queue
// adds a thread whenever work waits and none is idle (up to a bound), like
// the platform's global queues do when their threads block. An idle worker
// leaves after a while; every worker that left is joined, so nothing it kept
// per thread (Qt's font caches, for one) outlives what it belongs to.
struct DispatchQueue::Pool : std::enable_shared_from_this<DispatchQueue::Pool> {
    explicit Pool(int maxThreads) : maxThreads(maxThreads) {}

    ~Pool()
    {
        // The last reference may be a leaving worker's own: that one cannot
        // wait for itself, and ends right after.
        for (std::thread& worker : gone) {
            if (worker.get_id() == std::this_thread::get_id()) {
                worker.detach();
            } else if (worker.joinable()) {
                worker.join();
            }
        }
    }

    void push(std::function<void()> work)
    {
        std::vector<std::thread> left;
        {
            std::lock_guard lock(mutex);
            queue.push_back(std::move(work));
            // A worker told to wake still counts as idle until it takes its
            // piece, so idle workers are enough only while they outnumber the
            // pieces waiting; otherwise a piece would wait behind another's job.
            if (qsizetype(queue.size()) <= idle) {
                cv.notify_one();
            } else if (qsizetype(live.size()) < maxThreads) {
                // The new worker takes the lock first thing, so it is filed
                // before it can leave.
                std::thread worker([self = shared_from_this()] { self->run(); });
                const std::thread::id id = worker.get_id();
                live.emplace(id, std::move(worker));
            }
            left.swap(gone);
        }
        // Those that left have nothing more to do than end their thread.
        for (std::thread& worker : left) {
            worker.join();
        }
    }

    void run()
    {
        std::unique_lock lock(mutex);
        for (;;) {
            if (queue.empty()) {
                if (retiring) {
                    break;
                }
                ++idle;
                const bool woke = cv.wait_for(lock, std::chrono::seconds(5),
                                              [this] { return !queue.empty() || retiring; });
                --idle;
                if (!woke || queue.empty()) {
                    break;
                }
            }
            std::function<void()> work = std::move(queue.front());
            queue.pop_front();
            ++busy;
            lock.unlock();
            if (work) {
                work();
            }
            work = nullptr;
            lock.lock();
            --busy;
            if (queue.empty() && busy == 0) {
                drained.notify_all();
            }
        }
        const auto self = live.find(std::this_thread::get_id());
        if (self != live.end()) {
            gone.push_back(std::move(self->second));
            live.erase(self);
        }
        drained.notify_all();
    }

    void waitForIdle()
    {
        std::unique_lock lock(mutex);
        drained.wait(lock, [this] { return queue.empty() && busy == 0; });
    }

    bool waitForIdle(std::chrono::milliseconds bound)
    {
        std::unique_lock lock(mutex);
        return drained.wait_for(lock, bound, [this] { return queue.empty() && busy == 0; });
    }

    // Sends the idle workers away and joins them, with those that left
    // before; a worker still busy after `bound` is left to end by itself.
    // Work given later still runs, each worker leaving when it runs out.
    void retireIdleWorkers(std::chrono::milliseconds bound)
    {
        std::vector<std::thread> left;
        {
            std::unique_lock lock(mutex);
            retiring = true;
            cv.notify_all();
            drained.wait_for(lock, bound, [this] { return qsizetype(live.size()) == busy; });
            left.swap(gone);
        }
        for (std::thread& worker : left) {
            worker.join();
        }
    }

    const int maxThreads;
    std::mutex mutex;
    std::condition_variable cv;
    std::condition_variable drained;
    std::deque<std::function<void()>> queue;
    std::unordered_map<std::thread::id, std::thread> live;  // every worker in its loop
    std::vector<std::thread> gone;  // left their loop, not joined yet
    int idle = 0;
    int busy = 0;
    bool retiring = false;
};

DispatchQueue::DispatchQueue(Kind kind, const QString& label) : kind_(kind), label_(label)
{
    if (kind == Kind::global) {
        pool_ = std::make_shared<Pool>(64);
    }
}

DispatchQueue::DispatchQueue(const QString& label) : kind_(Kind::serial), label_(label)
{
    pool_ = std::make_shared<Pool>(1);
}

DispatchQueue::~DispatchQueue()
{
    if (kind_ == Kind::serial && pool_) {
        pool_->waitForIdle();
    }
}

DispatchQueue& DispatchQueue::main()
{
    static DispatchQueue queue(Kind::main, QStringLiteral("main"));
    return queue;
}

DispatchQueue& DispatchQueue::global(QoS)
{
    // Quality-of-service classes are accepted for the callers' sake; all share one pool.
    static DispatchQueue* queue = [] {
        auto* q = new DispatchQueue(Kind::global, QStringLiteral("global"));
        // Runs first thing in the application object's destructor, while the
        // main queue still takes the closures' last hand-overs. Libraries a
        // worker may be using (decoders, the MIME database) tear themselves
        // down after it; the bound keeps a worker stuck on a dead mount from
        // holding the program's end for ever. The idle workers then end,
        // while the Qt state they kept per thread can still be given back.
        qAddPostRoutine([] {
            DispatchQueue& global = DispatchQueue::global();
            if (!global.waitForIdle(std::chrono::seconds(10))) {
                qWarning("Work on the global queue was still running at exit");
            }
            global.pool_->retireIdleWorkers(std::chrono::seconds(1));
        });
        return q;
    }();
    return *queue;
}

void DispatchQueue::async(std::function<void()> work)
{
    if (kind_ == Kind::main) {
        if (!QCoreApplication::instance()) {
            return;  // no event loop, nothing could ever run it
        }
        mainPump()->push(std::move(work));
        return;
    }
    pool_->push(std::move(work));
}

void DispatchQueue::async(QObject* context, std::function<void()> work)
{
    QPointer<QObject> guard(context);
    auto guarded = [guard, work = std::move(work)]() mutable {
        if (guard) {
            work();
        }
    };
    if (kind_ == Kind::main) {
        async(std::move(guarded));
    } else {
        pool_->push(std::move(guarded));
    }
}

void DispatchQueue::asyncAfter(double seconds, std::function<void()> work)
{
    const int ms = seconds <= 0 ? 0 : static_cast<int>(seconds * 1000.0 + 0.5);
    DispatchQueue* target = this;
    // Timers live on the main thread; when one fires the closure is handed to
    // the queue it was meant for.
    DispatchQueue::main().async([ms, target, work = std::move(work)]() mutable {
        QTimer::singleShot(ms, mainPump(), [target, work = std::move(work)]() mutable {
            if (target->isMain()) {
                work();
            } else {
                target->async(std::move(work));
            }
        });
    });
}

void DispatchQueue::sync(const std::function<void()>& work)
{
    if (kind_ == Kind::main) {
        QCoreApplication* app = QCoreApplication::instance();
        if (!app || QThread::currentThread() == app->thread()) {
            work();
            return;
        }
    }
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    async([&] {
        work();
        std::lock_guard lock(m);
        done = true;
        cv.notify_one();
    });
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return done; });
}

void DispatchQueue::waitForIdle()
{
    if (pool_) {
        pool_->waitForIdle();
    }
}

bool DispatchQueue::waitForIdle(std::chrono::milliseconds bound)
{
    return !pool_ || pool_->waitForIdle(bound);
}

void dispatchMainAfter(double seconds, std::function<void()> work)
{
    DispatchQueue::main().asyncAfter(seconds, std::move(work));
}
