#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include <QString>

// A unit of work for an OperationQueue. Subclasses put their work in main();
// long work polls isCancelled() and returns early.
class Operation {
public:
    Operation() = default;
    virtual ~Operation() = default;
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;

    // Asks the operation to stop. One still waiting in a queue never starts;
    // one that runs sees isCancelled() and decides itself.
    virtual void cancel() { cancelled_.store(true); }
    bool isCancelled() const { return cancelled_.load(); }
    bool isExecuting() const { return executing_.load(); }
    bool isFinished() const { return finished_.load(); }

    // Runs once after the operation finished (also after it was cancelled
    // before it started), on whatever thread finished it.
    void setCompletionBlock(std::function<void()> block);

    // Runs the operation on the calling thread (what a queue does for it).
    void start();

protected:
    virtual void main() = 0;

private:
    friend class OperationQueue;
    void finishWithoutRunning();
    void runCompletion();

    std::atomic<bool> cancelled_{false};
    std::atomic<bool> executing_{false};
    std::atomic<bool> finished_{false};
    std::mutex completionMutex_;
    std::function<void()> completion_;
};

class BlockOperation : public Operation {
public:
    BlockOperation() = default;
    explicit BlockOperation(std::function<void()> block) { blocks_.push_back(std::move(block)); }
    void addExecutionBlock(std::function<void()> block) { blocks_.push_back(std::move(block)); }

protected:
    void main() override;

private:
    std::vector<std::function<void()>> blocks_;
};

// Runs operations on worker threads of its own, at most
// maxConcurrentOperationCount at a time (1 makes it serial, in the order the
// operations were added).
class OperationQueue {
public:
    enum class QualityOfService { background, utility, default_, userInitiated, userInteractive };
    static constexpr int defaultMaxConcurrentOperationCount = -1;

    explicit OperationQueue(const QString& name = {});
    // Pending operations are cancelled; running ones are waited for.
    ~OperationQueue();
    OperationQueue(const OperationQueue&) = delete;
    OperationQueue& operator=(const OperationQueue&) = delete;

    void setName(const QString& name);
    QString name() const;
    void setMaxConcurrentOperationCount(int count);
    int maxConcurrentOperationCount() const;
    void setQualityOfService(QualityOfService) {}

    void addOperation(std::shared_ptr<Operation> op);
    void addOperation(std::function<void()> block);
    // Waiting operations are cancelled and removed, so they never start; the
    // running ones are told through isCancelled().
    void cancelAllOperations();
    // A suspended queue starts nothing new; running operations go on.
    void setSuspended(bool suspended);
    bool isSuspended() const;
    // Blocks until no operation waits or runs (a suspended queue with waiting
    // operations is waited for until it is resumed or cancelled).
    void waitUntilAllOperationsAreFinished();
    int operationCount() const;

private:
    struct State;
    std::shared_ptr<State> state_;
};
