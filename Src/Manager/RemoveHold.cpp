#include "RemoveHold.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <vector>

struct RemoveHold::Holding::State {
    mutable std::mutex mutex;
    std::condition_variable released;
    std::set<uint64_t> tickets;
    uint64_t nextTicket = 1;
    int waiting = 0;

    void letGo(uint64_t ticket)
    {
        {
            std::lock_guard lock(mutex);
            if (tickets.erase(ticket) == 0 || !tickets.empty()) {
                return;
            }
        }
        released.notify_all();
    }
};

RemoveHold::Holding::Holding(std::shared_ptr<State> state, uint64_t ticket)
    : state_(std::move(state)), ticket_(ticket)
{
}

RemoveHold::Holding::~Holding()
{
    release();
}

void RemoveHold::Holding::release()
{
    if (const uint64_t ticket = ticket_.exchange(0)) {
        state_->letGo(ticket);
    }
}

RemoveHold::RemoveHold() : state_(std::make_shared<Holding::State>()) {}

std::shared_ptr<RemoveHold::Holding> RemoveHold::hold()
{
    std::lock_guard lock(state_->mutex);
    const uint64_t ticket = state_->nextTicket++;
    state_->tickets.insert(ticket);
    return std::shared_ptr<Holding>(new Holding(state_, ticket));
}

bool RemoveHold::isHeld() const
{
    std::lock_guard lock(state_->mutex);
    return !state_->tickets.empty();
}

void RemoveHold::reset()
{
    {
        std::lock_guard lock(state_->mutex);
        state_->tickets.clear();
    }
    state_->released.notify_all();
}

void RemoveHold::pass(const std::atomic<bool>& stop)
{
    std::unique_lock lock(state_->mutex);
    if (state_->tickets.empty() || stop.load()) {
        return;
    }
    ++state_->waiting;
    // A stop set by the program's end tells nobody here: it is looked at
    // now and then, so a held removal never holds the end up for long.
    while (!state_->tickets.empty() && !stop.load()) {
        state_->released.wait_for(lock, std::chrono::milliseconds(100));
    }
    --state_->waiting;
}

bool RemoveHold::isWaiting() const
{
    std::lock_guard lock(state_->mutex);
    return state_->waiting > 0;
}

std::shared_ptr<RemoveHold::Holding> StopQuestionHolds::hold(RemoveHold& removal)
{
    open_.push_back(removal.hold());
    return open_.back();
}

bool StopQuestionHolds::answered(const std::shared_ptr<RemoveHold::Holding>& holding)
{
    holding->release();
    std::erase(open_, holding);
    return open_.empty();
}

void StopQuestionHolds::releaseAll()
{
    for (const std::shared_ptr<RemoveHold::Holding>& holding : open_) {
        holding->release();
    }
}
