#include "DecoderGate.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "SimagexTesting.h"

namespace {

// Kept for the whole program: a decoder may still be leaving the hook as a
// gate goes.
struct GateState {
    std::mutex mutex;
    std::condition_variable changed;
    std::function<bool(const std::string&)> holds;
    bool released = false;
    int holding = 0;
    int everHeld = 0;
};

GateState& state()
{
    static GateState* gate = new GateState;
    return *gate;
}

void hook(const char* path, void*)
{
    GateState& gate = state();
    std::unique_lock<std::mutex> lock(gate.mutex);
    if (gate.released || !gate.holds || !gate.holds(path)) {
        return;
    }
    ++gate.holding;
    ++gate.everHeld;
    gate.changed.notify_all();
    // Bounded, so a test that fails cannot hang its program.
    gate.changed.wait_for(lock, std::chrono::seconds(60), [&] { return gate.released; });
    --gate.holding;
    gate.changed.notify_all();
}

}  // namespace

DecoderGate::DecoderGate(std::function<bool(const std::string& path)> holds)
{
    GateState& gate = state();
    {
        std::lock_guard<std::mutex> lock(gate.mutex);
        gate.holds = std::move(holds);
        gate.released = false;
        gate.holding = 0;
        gate.everHeld = 0;
    }
    SimagexSetDecodeHookForTesting(&hook, nullptr);
}

DecoderGate::~DecoderGate()
{
    SimagexSetDecodeHookForTesting(nullptr, nullptr);
    release();
    GateState& gate = state();
    std::unique_lock<std::mutex> lock(gate.mutex);
    gate.changed.wait_for(lock, std::chrono::seconds(30), [&] { return gate.holding == 0; });
    gate.holds = nullptr;
}

int DecoderGate::holding() const
{
    GateState& gate = state();
    std::lock_guard<std::mutex> lock(gate.mutex);
    return gate.holding;
}

int DecoderGate::everHeld() const
{
    GateState& gate = state();
    std::lock_guard<std::mutex> lock(gate.mutex);
    return gate.everHeld;
}

bool DecoderGate::waitUntilHeld(int count, int seconds) const
{
    GateState& gate = state();
    std::unique_lock<std::mutex> lock(gate.mutex);
    return gate.changed.wait_for(lock, std::chrono::seconds(seconds), [&] { return gate.everHeld >= count; });
}

void DecoderGate::release()
{
    GateState& gate = state();
    std::lock_guard<std::mutex> lock(gate.mutex);
    gate.released = true;
    gate.changed.notify_all();
}
