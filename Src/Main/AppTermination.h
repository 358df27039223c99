#pragma once

#include <functional>

#include <QString>

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

// The exit question of a screen that may have an engine working. While a
// removal runs, the question says so and holds every running removal, with
// a ticket of its own, until it is answered: nothing more goes while the
// user decides. "Yes" calls `beforeExit` (which tells whether a large-file
// scan runs), then stopEnginesAndTerminate(), and only then lets go, so the
// removal ends at the file in hand and the program ends once it has.
// "Cancel" lets the removal go on. Nothing is shown without a main window.
void askToExit(std::function<bool()> beforeExit);

// The exit question's text while a removal runs.
QString removalRunsExitText();

// From a confirmed exit until the program has ended: closing the window
// then asks nothing more.
bool isTerminating();

// Whether a removal run of any engine has started and not ended: its
// driver, not each call it made. A call a stopped run left behind (a file
// in hand on a mount that stopped answering) ends by itself and keeps
// nothing waiting.
bool removalBusy();
// Whether any engine still works: a removal, a duplicate scan or an image
// search.
bool enginesBusy();

// Tests replace the final quit to see that it was asked for.
void setQuitHandlerForTesting(std::function<void()> handler);

}  // namespace AppTermination
