#include "AppTermination.h"

#include "GA/RYGALogManager.h"
#include "Manager/LargeFilesManager.h"
#include "Manager/ScanImagesManager.h"
#include "Manager/ScanManager.h"
#include "Foundation/Bundle.h"
#include "Window/ModalOverlay.h"
#include "Window/SheetWindowController.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <atomic>
#include <memory>
#include <vector>

namespace {
std::function<void()>& quitHandler()
{
    static std::function<void()> handler;
    return handler;
}

std::atomic<bool> g_terminating{false};
}  // namespace

namespace AppTermination {

void setQuitHandlerForTesting(std::function<void()> handler)
{
    quitHandler() = std::move(handler);
}

bool isTerminating()
{
    return g_terminating.load();
}

void terminate()
{
    RYGALogManager::shared().setTerminationStatus(QStringLiteral("exited"));
    if (quitHandler()) {
        // The program goes on in the test that asked.
        g_terminating.store(false);
        quitHandler()();
        return;
    }
    // Not quit(): that asks every window to close once more, and a scan
    // screen answers with its question again.
    g_terminating.store(true);
    QCoreApplication::exit(0);
}

bool removalBusy()
{
    // The runs, not their queues: an operation still on a queue after its
    // run has ended was left behind and waits for nothing.
    return ScanManager::default_().removeRunning() || !LargeFilesManager::default_().waitUntilRemoveIdle(0)
           || ScanImagesManager::shared().removalRuns();
}

bool enginesBusy()
{
    return removalBusy() || ScanManager::default_().scaning() || ScanImagesManager::shared().isSearching();
}

void stopEnginesAndTerminate(bool largeFileScanRuns, double graceSeconds)
{
    g_terminating.store(true);
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
    // State 1 is set by the screen as it starts the search, which may not
    // have reached the engine yet.
    if (images.isSearching() || images.scanState() == 1) {
        images.stop();
    }
    images.stopRemove();

    if (!enginesBusy()) {
        terminate();
        return;
    }
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    auto* timer = new QTimer(QCoreApplication::instance());
    timer->setInterval(50);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, clock, graceSeconds] {
        // A removal is waited for to its end, so that no file is left half
        // moved and no Trash item without its information; a scan only for
        // the grace time.
        if (removalBusy() || (enginesBusy() && clock->elapsed() < static_cast<qint64>(graceSeconds * 1000))) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        terminate();
    });
    timer->start();
}

QString removalRunsExitText()
{
    return localized("Files are being removed. If you exit now, the removal stops after the file in hand. Are you "
                     "sure you want to exit the program?");
}

void askToExit(std::function<bool()> beforeExit)
{
    std::vector<std::shared_ptr<RemoveHold::Holding>> holds;
    if (removalBusy()) {
        holds.push_back(ScanManager::default_().removeHold().hold());
        holds.push_back(LargeFilesManager::default_().removeHold().hold());
        holds.push_back(ScanImagesManager::shared().removeHold().hold());
    }
    const QString text = holds.empty() ? QString() : removalRunsExitText();
    const auto answered = [beforeExit = std::move(beforeExit), holds](int answer) {
        if (answer == 1) {
            const bool largeFileScanRuns = beforeExit ? beforeExit() : false;
            // The stops are set before the holds let go: no file goes after "Yes".
            stopEnginesAndTerminate(largeFileScanRuns);
        }
        for (const std::shared_ptr<RemoveHold::Holding>& holding : holds) {
            holding->release();
        }
    };
    if (text.isEmpty()) {
        SheetWindowController::showContentSureExitApp(answered);
        return;
    }
    QWidget* parent = ModalOverlay::applicationMainWindow();
    if (!parent) {
        return;  // the holds go with the closure
    }
    SheetWindowController::beginSheet(SheetWindowController::SheetActionType::uncertain, text, localized("Yes"),
                                      localized("Cancel"), parent, nullptr, answered);
}

}  // namespace AppTermination
