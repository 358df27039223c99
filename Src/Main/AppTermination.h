#pragma once

#include <functional>

// The normal ends of the program that do not go through the window's close.
namespace AppTermination {

// Records "exited" as the analytics termination status and ends the event
// loop with status 0. The windows are not asked again: the user has already
// said yes where a question was due.
void terminate();

// Ends the program from a screen while an engine may be working: a scan is
// stopped (the large-file one only when `largeFileScanRuns`, since its stop
// always reports an end), and so is a similar-image search; a removal is
// asked to stop. The engines are given up to `graceSeconds` to finish the
// file in hand, so nothing is left half moved and no engine thread still
// runs while the program tears down. Then terminate(). Returns at once; the
// waiting happens on the event loop.
void stopEnginesAndTerminate(bool largeFileScanRuns, double graceSeconds = 5.0);

// From a confirmed exit until the program has ended: closing the window
// then asks nothing more.
bool isTerminating();

// Whether an engine still has removal work running or waiting.
bool removalBusy();
// Whether any engine still works: a removal, a duplicate scan or an image
// search.
bool enginesBusy();

// Tests replace the final quit to see that it was asked for.
void setQuitHandlerForTesting(std::function<void()> handler);

}  // namespace AppTermination
