#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

// A point where a worker of the code under test waits, as it would on a
// slow disk or a slow decode, until the test lets it go. The wait is
// bounded, so a failing test cannot hang its program; going, the point lets
// its worker go and waits until it has left.
class HoldPoint {
public:
    HoldPoint() = default;
    HoldPoint(const HoldPoint&) = delete;
    HoldPoint& operator=(const HoldPoint&) = delete;
    ~HoldPoint()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        released_ = true;
        changed_.notify_all();
        changed_.wait_for(lock, std::chrono::seconds(30), [this] { return !holding_; });
    }

    // Called by the worker: holds it until release().
    void wait()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (released_) {
            return;
        }
        holding_ = true;
        changed_.notify_all();
        changed_.wait_for(lock, std::chrono::seconds(60), [this] { return released_; });
        holding_ = false;
        changed_.notify_all();
    }

    bool isHolding() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return holding_;
    }

    bool waitUntilHolding(std::chrono::milliseconds timeout = std::chrono::seconds(30)) const
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, timeout, [this] { return holding_; });
    }

    void release()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool holding_ = false;
    bool released_ = false;
};
