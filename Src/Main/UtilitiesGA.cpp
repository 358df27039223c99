#include "Utilities.h"

#include "GA/QVDataAnalysis.h"
#include "QVBaseLib/Helper.h"

#include <cstdio>

// Usage events from screens and engines. Nothing is sent while the network
// is unreachable; the library itself never reports a failure back.

void asyncGALog(const QString& category, const QString& action, const QString& label)
{
    if (!Helper::isConnectNetwork()) {
        return;
    }
    std::puts("RYAsyncGALog 发送埋点");
    RYAsyncGALog(category, action, label);
}

void syncGALog(const QString& category, const QString& action, const QString& label)
{
    if (!Helper::isConnectNetwork()) {
        return;
    }
    std::puts("RYSyncGALog 发送埋点");
    RYSyncGALog(category, action, label);
}
