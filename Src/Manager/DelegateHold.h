#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

// An engine's weak hold on its delegate. The engines call their delegates
// from their own threads while the main thread may be destroying the very
// object called (a screen going away under a scan), so a plain pointer read
// by a worker can be freed under the call it is making. Each call here is
// made through a Call, which marks it under way until it ends; detach()
// takes the delegate away and waits for the calls under way on other
// threads, so its memory may go once detach() returns.
//
// A call costs two atomic steps and no lock: the scan reports every file it
// reads through here, from several workers at once.
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
                hold_->end();
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
    T* get() const { return target_.load(); }
    void set(T* target) { target_.store(target); }

    // The delegate for one call; false when there is none.
    Call call() const
    {
        if (!target_.load(std::memory_order_relaxed)) {
            return {};  // nothing to call: nothing to mark
        }
        // Marked under way before the delegate is read: a detach that takes
        // it away afterwards sees the mark and waits.
        active_.fetch_add(1);
        T* target = target_.load();
        if (!target) {
            end(false);
            return {};
        }
        ownCalls().push_back(this);
        return Call(this, target);
    }

    // Takes `target` away if it is the delegate, then waits until no other
    // thread is inside a call made through this hold. Calls the detaching
    // thread itself is making (a handler that leads to its own object's end)
    // are not waited for.
    void detach(T* target)
    {
        if (!target) {
            return;
        }
        T* expected = target;
        target_.compare_exchange_strong(expected, nullptr);
        const int own = int(std::count(ownCalls().begin(), ownCalls().end(), this));
        std::unique_lock lock(mutex_);
        detaching_.fetch_add(1);
        ended_.wait(lock, [&] { return active_.load() <= own; });
        detaching_.fetch_sub(1);
    }

    // Whether a detach() is waiting for a call under way (tests hold a call
    // until it does).
    bool detachWaiting() const { return detaching_.load() > 0; }

private:
    // The holds whose delegates this thread is calling now.
    static std::vector<const void*>& ownCalls()
    {
        thread_local std::vector<const void*> calls;
        return calls;
    }

    void end(bool made = true) const
    {
        if (made) {
            std::vector<const void*>& calls = ownCalls();
            const auto it = std::find(calls.rbegin(), calls.rend(), this);
            if (it != calls.rend()) {
                calls.erase(std::next(it).base());
            }
        }
        active_.fetch_sub(1);
        if (detaching_.load() > 0) {
            // Taken so that a detach between its test and its wait cannot miss it.
            { std::lock_guard lock(mutex_); }
            ended_.notify_all();
        }
    }

    std::atomic<T*> target_{nullptr};
    mutable std::atomic<int> active_{0};
    std::atomic<int> detaching_{0};
    mutable std::mutex mutex_;
    mutable std::condition_variable ended_;
};
