// A small program that links the analytics library the way Twinsweep does:
// it configures the log manager, sends one event, waits until the helper has
// it, then ends normally ("close"), by abort() ("crash") or waits for SIGTERM
// ("term"). Usage: GAProbe close|crash|term <bundle identifier for the port file>
#include "QVDASocketServer.h"
#include "QVDataAnalysis.h"

#include "Helper/QVDAHelper.h"
#include "QVBaseLib/Helper.h"

#include <QString>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc < 3) {
        return 2;
    }
    const QByteArray mode = argv[1];
    QVariantMap info;
    info.insert(QStringLiteral("CFBundleShortVersionString"), QStringLiteral("1.0.0"));
    QVDAHelper::setBundleOverrideForTesting(QVDAHelper::BundleOverride{QString::fromUtf8(argv[2]), info});
    Helper::setNetworkReachableOverride(true);

    RYGALogManager& manager = RYGALogManager::shared();
    manager.setTerminationStatus(QStringLiteral("running"));
    manager.setProductName(QStringLiteral("Probe"));
    manager.setProductVersion(QStringLiteral("1.0.0"));
    manager.setGa4Identifier(QStringLiteral("G-PROBE"));
    manager.gaLogManagerDidUpdate();
    RYAsyncGALog(QStringLiteral("Probe"), QStringLiteral("Send"), QStringLiteral("one"));

    if (!QVDASocketServer::defaultManager().waitUntilFlushed(std::chrono::seconds(30))) {
        std::fprintf(stderr, "the helper never connected\n");
        return 3;
    }
    if (mode == "crash") {
        std::abort();
    }
    if (mode == "term") {
        std::printf("ready\n");
        std::fflush(stdout);
        for (;;) {
            ::pause();
        }
    }
    manager.setTerminationStatus(QStringLiteral("exited"));
    return 0;
}
