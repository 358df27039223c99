#pragma once

#include <functional>

// Reading files for a preview off the main thread. The readers it uses (the
// MIME database, image and PDF libraries) tear themselves down at exit; the
// shared pool's own wait at the application's end keeps a read still running
// from using them after they are gone.
namespace QuickLook {

// Runs `work` on the shared pool. Call it on the main thread.
void runPreviewWork(std::function<void()> work);

}  // namespace QuickLook
