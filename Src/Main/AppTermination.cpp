#include "AppTermination.h"

#include "GA/RYGALogManager.h"
#include "Manager/LargeFilesManager.h"
#include "Manager/ScanImagesManager.h"
#include "Manager/ScanManager.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <memory>

namespace {
std::function<void()>& quitHandler()
{
    static std::function<void()> handler;
    return handler;
}
}  // namespace

namespace AppTermination {

void setQuitHandlerForTesting(std::function<void()> handler)
{
    quitHandler() = std::move(handler);
}

void terminate()
{
    RYGALogManager::shared().setTerminationStatus(QStringLiteral("exited"));
    if (quitHandler()) {
        quitHandler()();
        return;
    }
    QCoreApplication::quit();
}

bool removalBusy()
{
    // The image engine's states 5 and 6: a removal started or running.
    const uint imageState = ScanImagesManager::shared().scanState();
    return ScanManager::default_().removeQueue().operationCount() > 0
           || LargeFilesManager::default_().removeQueue().operationCount() > 0 || imageState == 5 || imageState == 6;
}

void stopEnginesAndTerminate(bool largeFileScanRuns, double graceSeconds)
{
    ScanManager& scan = ScanManager::default_();
    if (scan.scaning()) {
        scan.setScanStop(true);
        scan.assembleSSDQueue().cancelAllOperations();
        scan.assembleHDDQueue().cancelAllOperations();
        scan.appendQueue().cancelAllOperations();
    }
    // Waiting operations never start; the running one sees the flag after
    // the file in hand.
    scan.setRemoveStop(true);
    scan.removeQueue().cancelAllOperations();
    LargeFilesManager& large = LargeFilesManager::default_();
    if (largeFileScanRuns) {
        large.stopScanLargeFile();
    }
    large.stopRemove();
    ScanImagesManager& images = ScanImagesManager::shared();
    if (images.scanState() == 1) {
        images.stop();
    }
    images.stopRemove();

    if (!removalBusy()) {
        terminate();
        return;
    }
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    auto* timer = new QTimer(QCoreApplication::instance());
    timer->setInterval(50);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, clock, graceSeconds] {
        if (removalBusy() && clock->elapsed() < static_cast<qint64>(graceSeconds * 1000)) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        terminate();
    });
    timer->start();
}

}  // namespace AppTermination
