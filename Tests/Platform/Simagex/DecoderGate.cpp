#include "DecoderGate.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "SimagexTesting.h"

namespace {

// Kept for the whole program: a decoder may still be leaving the hook as a
// gate goes.
struct GateState {
    std::mutex mutex;
    std::condition_variable changed;
    std::function<bool(const std::string&)> holds;
    std::vector<std::string> letGo;
    bool releasedAll = false;
    std::vector<std::string> held;

    bool isLetGo(const std::string& path) const
    {
        return releasedAll || std::any_of(letGo.begin(), letGo.end(), [&](const std::string& part) {
                   return path.find(part) != std::string::npos;
               });
    }
    bool holding(const std::string& part) const
    {
        return std::any_of(held.begin(), held.end(),
                           [&](const std::string& path) { return path.find(part) != std::string::npos; });
    }
};

GateState& state()
{
    static GateState* gate = new GateState;
    return *gate;
}

void hook(const char* path, void*)
{
    GateState& gate = state();
    const std::string image(path);
    std::unique_lock<std::mutex> lock(gate.mutex);
    if (!gate.holds || gate.isLetGo(image) || !gate.holds(image)) {
        return;
    }
    gate.held.push_back(image);
    gate.changed.notify_all();
    gate.changed.wait_for(lock, std::chrono::seconds(60), [&] { return gate.isLetGo(image); });
    gate.held.erase(std::find(gate.held.begin(), gate.held.end(), image));
    gate.changed.notify_all();
}

}  // namespace

DecoderGate::DecoderGate(std::function<bool(const std::string& path)> holds)
{
    GateState& gate = state();
    {
        std::lock_guard<std::mutex> lock(gate.mutex);
        gate.holds = std::move(holds);
        gate.letGo.clear();
        gate.releasedAll = false;
    }
    SimagexSetDecodeHookForTesting(&hook, nullptr);
}

DecoderGate::~DecoderGate()
{
    SimagexSetDecodeHookForTesting(nullptr, nullptr);
    release();
    GateState& gate = state();
    std::unique_lock<std::mutex> lock(gate.mutex);
    gate.changed.wait_for(lock, std::chrono::seconds(30), [&] { return gate.held.empty(); });
    gate.holds = nullptr;
}

bool DecoderGate::isHolding(const std::string& part) const
{
    GateState& gate = state();
    std::lock_guard<std::mutex> lock(gate.mutex);
    return gate.holding(part);
}

bool DecoderGate::waitUntilHolding(const std::string& part) const
{
    GateState& gate = state();
    std::unique_lock<std::mutex> lock(gate.mutex);
    return gate.changed.wait_for(lock, std::chrono::seconds(30), [&] { return gate.holding(part); });
}

void DecoderGate::release(const std::string& part)
{
    GateState& gate = state();
    std::lock_guard<std::mutex> lock(gate.mutex);
    if (part.empty()) {
        gate.releasedAll = true;
    } else {
        gate.letGo.push_back(part);
    }
    gate.changed.notify_all();
}
