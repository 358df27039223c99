#pragma once

#include <QString>

#include "Model/ScanImagesGroupItem.h"

class ScanImagesManager;

// What the similar-image engine tells its screen during a search. Calls come
// on the engine's and the library's threads; receivers move to the main
// thread themselves.
class ScanImagesManagerDelegate {
public:
    virtual ~ScanImagesManagerDelegate() = default;
    virtual void scanImageManagerDidStart(ScanImagesManager* manager) = 0;
    virtual void scanImagesManagerProgressDidChanged(ScanImagesManager* manager, double ratio, qint64 total,
                                                     const QString& path) = 0;
    // A copy of the groups found so far.
    virtual void scanImagesManagerScanData(ScanImagesManager* manager, const ScanImagesGroupList& groups) = 0;
    virtual void scanImagesManagerScanDidFinished(ScanImagesManager* manager, int state) = 0;
    virtual void scanImagesManagerScanDidStop(ScanImagesManager* manager, int state) = 0;
};
