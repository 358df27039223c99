#pragma once

#include <atomic>
#include <future>
#include <initializer_list>
#include <memory>
#include <vector>

#include "Foundation/OperationQueue.h"
#include "TestSupport.h"

// One call on each queue that does not return for as long as the object
// lives, as a stopped removal leaves one behind on a mount that stopped
// answering. The calls are let go, and their queues waited for, when it goes
// (also when a test fails early).
class LeftBehindCalls {
public:
    explicit LeftBehindCalls(std::initializer_list<OperationQueue*> queues)
        : queues_(queues), released_(release_.get_future().share())
    {
        for (OperationQueue* queue : queues_) {
            queue->addOperation([running = running_, released = released_] {
                running->fetch_add(1);
                released.wait();
            });
        }
    }
    ~LeftBehindCalls()
    {
        release_.set_value();
        for (OperationQueue* queue : queues_) {
            queue->waitUntilAllOperationsAreFinished();
        }
    }
    LeftBehindCalls(const LeftBehindCalls&) = delete;
    LeftBehindCalls& operator=(const LeftBehindCalls&) = delete;

    // Waits until every call has started.
    bool started() const
    {
        return waitUntil([this] { return running_->load() == int(queues_.size()); });
    }

private:
    std::vector<OperationQueue*> queues_;
    std::promise<void> release_;
    std::shared_future<void> released_;
    std::shared_ptr<std::atomic<int>> running_ = std::make_shared<std::atomic<int>>(0);
};
