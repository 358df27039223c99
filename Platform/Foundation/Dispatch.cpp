#include "Dispatch.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

#include <condition_variable>
#include <mutex>

DispatchQueue::DispatchQueue(Kind kind, const QString& label) : kind_(kind), label_(label) {}

DispatchQueue::DispatchQueue(const QString& label) : kind_(Kind::serial), label_(label)
{
    pool_ = std::make_unique<QThreadPool>();
    pool_->setMaxThreadCount(1);
    pool_->setExpiryTimeout(2000);
}

DispatchQueue::~DispatchQueue()
{
    if (pool_) {
        pool_->waitForDone();
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
    static DispatchQueue queue(Kind::global, QStringLiteral("global"));
    return queue;
}

void DispatchQueue::async(std::function<void()> work)
{
    switch (kind_) {
    case Kind::main: {
        QCoreApplication* app = QCoreApplication::instance();
        if (!app) {
            return;  // no event loop, nothing could ever run it
        }
        QMetaObject::invokeMethod(app, std::move(work), Qt::QueuedConnection);
        break;
    }
    case Kind::global:
        QThreadPool::globalInstance()->start(std::move(work));
        break;
    case Kind::serial:
        pool_->start(std::move(work));
        break;
    }
}

void DispatchQueue::asyncAfter(double seconds, std::function<void()> work)
{
    const int ms = seconds <= 0 ? 0 : static_cast<int>(seconds * 1000.0 + 0.5);
    DispatchQueue* target = this;
    // Timers live on the main thread; when one fires the closure is handed to
    // the queue it was meant for.
    DispatchQueue::main().async([ms, target, work = std::move(work)]() mutable {
        QTimer::singleShot(ms, QCoreApplication::instance(), [target, work = std::move(work)]() mutable {
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
        QMetaObject::invokeMethod(app, work, Qt::BlockingQueuedConnection);
        return;
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
        pool_->waitForDone();
    }
}

void dispatchMainAfter(double seconds, std::function<void()> work)
{
    DispatchQueue::main().asyncAfter(seconds, std::move(work));
}
