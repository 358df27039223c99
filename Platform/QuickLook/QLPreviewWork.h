#pragma once

#include <functional>

// Reading files for a preview off the main thread. The program waits for
// such work (ten seconds at most) before it ends: the readers it uses (the
// MIME database, image and PDF libraries) tear themselves down at exit, and
// a read still running then would use them after they are gone.
namespace QuickLook {

// Runs `work` on the shared pool. Call it on the main thread.
void runPreviewWork(std::function<void()> work);

// Work started and not yet finished.
int previewWorkInFlight();

}  // namespace QuickLook
