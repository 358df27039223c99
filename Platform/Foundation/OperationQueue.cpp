#include "OperationQueue.h"

#include <chrono>
#include <thread>

void Operation::setCompletionBlock(std::function<void()> block)
{
    std::lock_guard lock(completionMutex_);
    completion_ = std::move(block);
}

void Operation::runCompletion()
{
    std::function<void()> block;
    {
        std::lock_guard lock(completionMutex_);
        block = std::move(completion_);
        completion_ = nullptr;
    }
    if (block) {
        block();
    }
}

void Operation::start()
{
    if (finished_.load() || executing_.exchange(true)) {
        return;
    }
    if (!isCancelled()) {
        main();
    }
    executing_.store(false);
    finished_.store(true);
    runCompletion();
}

void Operation::finishWithoutRunning()
{
    finished_.store(true);
    runCompletion();
}

void BlockOperation::main()
{
    for (auto& block : blocks_) {
        if (block) {
            block();
        }
    }
}

struct OperationQueue::State {
    mutable std::mutex mutex;
    std::condition_variable idle;
    std::deque<std::shared_ptr<Operation>> pending;
    std::vector<std::shared_ptr<Operation>> active;
    int running = 0;
    int workers = 0;
    int maxConcurrent = OperationQueue::defaultMaxConcurrentOperationCount;
    bool suspended = false;
    bool closing = false;
    std::condition_variable workAvailable;
    QString name;

    int limit() const
    {
        if (maxConcurrent > 0) {
            return maxConcurrent;
        }
        const unsigned hw = std::thread::hardware_concurrency();
        return hw == 0 ? 4 : static_cast<int>(hw);
    }

    // Called with the mutex held: starts workers for the waiting operations.
    // One operation added needs one worker: waking every idle one would
    // only have the others find nothing and sleep again.
    void spawnWorkers(const std::shared_ptr<State>& self, bool oneAdded = false)
    {
        if (!suspended && !pending.empty() && idleWorkers() > 0) {
            if (oneAdded) {
                workAvailable.notify_one();
            } else {
                workAvailable.notify_all();
            }
        }
        while (!suspended && workers < limit() && static_cast<int>(pending.size()) > idleWorkers()) {
            ++workers;
            std::thread([self] { self->workerLoop(); }).detach();
        }
    }

    // Workers that are about to take a waiting operation.
    int idleWorkers() const { return workers - running; }

    void workerLoop()
    {
        std::unique_lock lock(mutex);
        for (;;) {
            if (pending.empty() && !suspended && !closing) {
                // Linger a little: engines feed serial queues one operation
                // at a time, and a new thread per operation is costly.
                workAvailable.wait_for(lock, std::chrono::milliseconds(100),
                                       [this] { return !pending.empty() || suspended || closing; });
            }
            if (suspended || pending.empty() || running >= limit()) {
                break;
            }
            std::shared_ptr<Operation> op = std::move(pending.front());
            pending.pop_front();
            ++running;
            active.push_back(op);
            lock.unlock();
            op->start();
            lock.lock();
            std::erase(active, op);
            op.reset();
            --running;
            if (running == 0 && pending.empty()) {
                // Whoever waits for the queue to empty learns it now, not
                // when a lingering worker gives up.
                idle.notify_all();
            }
        }
        --workers;
        idle.notify_all();
    }
};

OperationQueue::OperationQueue(const QString& name) : state_(std::make_shared<State>())
{
    state_->name = name;
}

OperationQueue::~OperationQueue()
{
    cancelAllOperations();
    std::unique_lock lock(state_->mutex);
    state_->closing = true;
    state_->workAvailable.notify_all();
    state_->idle.wait(lock, [this] { return state_->running == 0 && state_->workers == 0; });
}

void OperationQueue::setName(const QString& name)
{
    std::lock_guard lock(state_->mutex);
    state_->name = name;
}

QString OperationQueue::name() const
{
    std::lock_guard lock(state_->mutex);
    return state_->name;
}

void OperationQueue::setMaxConcurrentOperationCount(int count)
{
    std::lock_guard lock(state_->mutex);
    state_->maxConcurrent = count;
    state_->spawnWorkers(state_);
}

int OperationQueue::maxConcurrentOperationCount() const
{
    std::lock_guard lock(state_->mutex);
    return state_->maxConcurrent;
}

void OperationQueue::addOperation(std::shared_ptr<Operation> op)
{
    if (!op) {
        return;
    }
    if (op->isCancelled()) {
        op->finishWithoutRunning();
        return;
    }
    std::lock_guard lock(state_->mutex);
    state_->pending.push_back(std::move(op));
    state_->spawnWorkers(state_, true);
}

void OperationQueue::addOperation(std::function<void()> block)
{
    addOperation(std::make_shared<BlockOperation>(std::move(block)));
}

void OperationQueue::cancelAllOperations()
{
    std::deque<std::shared_ptr<Operation>> dropped;
    {
        std::lock_guard lock(state_->mutex);
        dropped.swap(state_->pending);
        for (auto& op : state_->active) {
            op->cancel();
        }
        state_->idle.notify_all();
    }
    for (auto& op : dropped) {
        op->cancel();
        op->finishWithoutRunning();
    }
}

void OperationQueue::setSuspended(bool suspended)
{
    std::lock_guard lock(state_->mutex);
    state_->suspended = suspended;
    state_->workAvailable.notify_all();
    if (!suspended) {
        state_->spawnWorkers(state_);
    }
    state_->idle.notify_all();
}

bool OperationQueue::isSuspended() const
{
    std::lock_guard lock(state_->mutex);
    return state_->suspended;
}

void OperationQueue::waitUntilAllOperationsAreFinished()
{
    std::unique_lock lock(state_->mutex);
    state_->idle.wait(lock, [this] { return state_->running == 0 && state_->pending.empty(); });
}

int OperationQueue::operationCount() const
{
    std::lock_guard lock(state_->mutex);
    return static_cast<int>(state_->pending.size()) + state_->running;
}
