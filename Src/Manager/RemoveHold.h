#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

// Holds a removal between two files while the user is asked whether to stop
// it, so that nothing more goes before the answer. Each question holds with
// a ticket of its own and lets go of that ticket alone: one answer never
// frees a removal that another question still holds. It is apart from the
// queue's suspension that the short-of-space question uses, so neither
// question resumes what the other holds.
class RemoveHold {
public:
    // One question's hold, kept for as long as the question may still be
    // answered; it lets go when released or destroyed, whichever comes first.
    class Holding {
    public:
        ~Holding();
        Holding(const Holding&) = delete;
        Holding& operator=(const Holding&) = delete;
        void release();

    private:
        friend class RemoveHold;
        struct State;
        Holding(std::shared_ptr<State> state, uint64_t ticket);
        std::shared_ptr<State> state_;
        std::atomic<uint64_t> ticket_;
    };

    RemoveHold();

    // Holds from now on (any thread) until the holding is released.
    std::shared_ptr<Holding> hold();
    bool isHeld() const;
    // Forgets every hold: a new run starts free, whatever an earlier screen
    // left behind.
    void reset();

    // The removal's between-files point: returns at once while nothing
    // holds; otherwise waits until every hold is let go, or `stop` reads
    // true (whoever set it, without telling this hold).
    void pass(const std::atomic<bool>& stop);
    // Whether a removal waits in pass() now.
    bool isWaiting() const;

private:
    std::shared_ptr<Holding::State> state_;
};

// The holds of one screen's stop questions that are still open: each holds
// the removal until its answer, and a screen that goes first lets go of all.
class StopQuestionHolds {
public:
    StopQuestionHolds() = default;
    ~StopQuestionHolds() { releaseAll(); }
    StopQuestionHolds(const StopQuestionHolds&) = delete;
    StopQuestionHolds& operator=(const StopQuestionHolds&) = delete;

    // A new question's hold on the removal.
    std::shared_ptr<RemoveHold::Holding> hold(RemoveHold& removal);
    // Lets go of an answered question's hold; true when no question is open
    // any more.
    bool answered(const std::shared_ptr<RemoveHold::Holding>& holding);
    void releaseAll();

private:
    std::vector<std::shared_ptr<RemoveHold::Holding>> open_;
};
