#pragma once

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

// An engine's weak hold on its delegate. The engines call their delegates
// from their own threads while the main thread may be destroying the very
// object called (a screen going away under a scan), so a plain pointer read
// by a worker can be freed under the call it is making. Each call here is
// made through a Call, which marks it under way until it ends; detach()
// takes the delegate away and waits for the calls to it that other threads
// are making, so its memory may go once detach() returns.
//
// A delegate's handlers must therefore return without waiting for the
// thread that detaches it (they only queue their work on the main thread).
template <typename T>
class DelegateHold {
public:
    DelegateHold() = default;
    DelegateHold(const DelegateHold&) = delete;
    DelegateHold& operator=(const DelegateHold&) = delete;

    // One call to the delegate, under way for as long as this lives.
    class Call {
    public:
        Call() = default;
        Call(Call&& other) noexcept : hold_(other.hold_), target_(other.target_)
        {
            other.hold_ = nullptr;
            other.target_ = nullptr;
        }
        Call& operator=(Call&&) = delete;
        Call(const Call&) = delete;
        Call& operator=(const Call&) = delete;
        ~Call()
        {
            if (hold_) {
                hold_->end(target_);
            }
        }

        explicit operator bool() const { return target_ != nullptr; }
        T* operator->() const { return target_; }
        T* get() const { return target_; }

    private:
        friend class DelegateHold;
        Call(const DelegateHold* hold, T* target) : hold_(hold), target_(target) {}

        const DelegateHold* hold_ = nullptr;
        T* target_ = nullptr;
    };

    // Who the delegate is now; only to compare with, never to call.
    T* get() const
    {
        std::lock_guard lock(mutex_);
        return target_;
    }
    void set(T* target)
    {
        std::lock_guard lock(mutex_);
        target_ = target;
    }

    // The delegate for one call; false when there is none.
    Call call() const
    {
        std::lock_guard lock(mutex_);
        if (!target_) {
            return {};
        }
        calls_.push_back({target_, std::this_thread::get_id()});
        return Call(this, target_);
    }

    // Takes `target` away if it is the delegate, then waits until no other
    // thread is inside a call to it. Calls the detaching thread itself is
    // making (a handler that leads to its own object's end) are not waited for.
    void detach(T* target)
    {
        if (!target) {
            return;
        }
        std::unique_lock lock(mutex_);
        if (target_ == target) {
            target_ = nullptr;
        }
        const std::thread::id self = std::this_thread::get_id();
        ++detaching_;
        ended_.wait(lock, [&] {
            return std::none_of(calls_.begin(), calls_.end(),
                                [&](const Under& c) { return c.target == target && c.thread != self; });
        });
        --detaching_;
    }

    // Whether a detach() is waiting for a call under way (tests hold a call
    // until it does).
    bool detachWaiting() const
    {
        std::lock_guard lock(mutex_);
        return detaching_ > 0;
    }

private:
    struct Under {
        T* target;
        std::thread::id thread;
    };

    void end(T* target) const
    {
        {
            std::lock_guard lock(mutex_);
            const std::thread::id self = std::this_thread::get_id();
            const auto it = std::find_if(calls_.begin(), calls_.end(),
                                         [&](const Under& c) { return c.target == target && c.thread == self; });
            if (it != calls_.end()) {
                *it = calls_.back();
                calls_.pop_back();
            }
            if (detaching_ == 0) {
                return;
            }
        }
        ended_.notify_all();
    }

    mutable std::mutex mutex_;
    mutable std::condition_variable ended_;
    T* target_ = nullptr;
    mutable std::vector<Under> calls_;
    int detaching_ = 0;
};
