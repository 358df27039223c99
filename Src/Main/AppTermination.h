#pragma once

#include <functional>

// The normal ends of the program that do not go through the window's close.
namespace AppTermination {

// Records "exited" as the analytics termination status and ends the event
// loop.
void terminate();

// Ends the program from a screen while an engine may be working: a scan is
// stopped (the large-file one only when `largeFileScanRuns`, since its stop
// always reports an end); a removal is asked to stop and is given up to
// `graceSeconds` to finish the file in hand, so nothing is left half moved.
// Then terminate(). Returns at once; the waiting happens on the event loop.
void stopEnginesAndTerminate(bool largeFileScanRuns, double graceSeconds = 5.0);

// Whether an engine still has removal work running or waiting.
bool removalBusy();

// Tests replace the final quit to see that it was asked for.
void setQuitHandlerForTesting(std::function<void()> handler);

}  // namespace AppTermination
