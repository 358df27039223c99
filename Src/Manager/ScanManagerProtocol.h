#pragma once

#include <QString>

// What the file engines report to the screen that runs them. Every call may
// come from any thread; a receiver moves its work to the main thread.
class ScanManagerProtocol {
public:
    virtual ~ScanManagerProtocol() = default;

    // A scan begins (before the walk).
    virtual void startScan() = 0;
    // A stop was requested; may arrive twice for one stop.
    virtual void stopScan() = 0;
    // A file is about to be read (decoded path, for showing).
    virtual void scaningPath(const QString& path) = 0;
    // Fraction of size groups done, 0 to 1, never decreasing within a scan.
    virtual void scanProgress(double progress) = 0;
    // The scan ended, also after a stop; sent exactly once per scan.
    virtual void scanFinished() = 0;

    virtual void startRemove() = 0;
    virtual void stopRemove() = 0;
    virtual void removeFinished() = 0;
    // A file went after its removal run had ended without it (a call on a
    // mount that stopped answering came back): the engine's
    // takeLateRemovals() takes it into the results. May come at any time.
    virtual void removedAfterEnd() {}
};
