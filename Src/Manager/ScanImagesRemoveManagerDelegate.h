#pragma once

class ScanImagesManager;

// What the similar-image engine tells its screen during a removal.
class ScanImagesRemoveManagerDelegate {
public:
    virtual ~ScanImagesRemoveManagerDelegate() = default;
    virtual void removeManagerDidStart(ScanImagesManager* manager) = 0;
    virtual void removeManagerProgressDidChange(ScanImagesManager* manager, double progress) = 0;
    virtual void removeManagerDidStop(ScanImagesManager* manager) = 0;
    virtual void removeMangerDidFinish(ScanImagesManager* manager) = 0;
    // An image went after its removal had ended without it (a call on a
    // mount that stopped answering came back): the engine's
    // takeLateRemovals() takes it out of the groups. May come at any time.
    virtual void removeManagerRemovedAfterEnd(ScanImagesManager*) {}
};
