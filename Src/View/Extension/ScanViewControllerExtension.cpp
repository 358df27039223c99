// The scan screen's side of the engines: their reports, which arrive on the
// engines' threads, moved to the main thread and paced by the scanning
// panel's clock; the tally at the end of a removal; and the labels of the
// usage events that describe the results.

#include "View/ScanViewController.h"

#include "Foundation/Dispatch.h"
#include "Main/Utilities.h"
#include "QVLibrary/RYTButton.h"
#include "Manager/LargeFilesManager.h"
#include "View/DataDispaly/LeftScanning/LeftScanningViewController.h"
#include "View/DataDispaly/LeftScanning/ScanningLargeFileViewController.h"
#include "View/CustomView/TruncatingLabel.h"
#include "View/Extension/KPLExtension.h"
#include "View/Extension/ScanScreenLook.h"
#include "View/FileDelete/FileRemovingViewController.h"
#include "View/LoadingView/LoadingViewController.h"
#include "Window/SheetWindowController.h"

#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

bool onMainThread(const QObject* object)
{
    return QThread::currentThread() == object->thread();
}

}  // namespace

// --- label builders ----------------------------------------------------------------

QString ScanViewController::GALogData::stopSizeCountString() const
{
    const ScanManager& engine = ScanManager::default_();
    return QStringLiteral("%1_%2_%3")
        .arg(manualStopScan ? QStringLiteral("b") : QStringLiteral("a"))
        .arg(transformedFileSize(engine.totalFilesSize(), false, true))
        .arg(engine.totalFilesCount());
}

QString ScanViewController::GALogData::topSizeString() const
{
    const ScanManager::Results r = ScanManager::default_().results();
    const struct {
        uint64_t size;
        const char* name;
    } kinds[] = {
        {r.pictureFilesSize, "image"}, {r.documentFilesSize, "document"}, {r.videoFilesSize, "video"},
        {r.audioFilesSize, "audio"},   {r.otherFilesSize, "other"},
    };
    uint64_t largest = 0;
    for (const auto& kind : kinds) {
        largest = std::max(largest, kind.size);
    }
    QStringList names;
    for (const auto& kind : kinds) {
        if (kind.size == largest) {
            names << QString::fromLatin1(kind.name);
        }
    }
    return names.join(QLatin1Char('_'));
}

QString ScanViewController::GALogData::typeNumberString() const
{
    const ScanManager::Results r = ScanManager::default_().results();
    return QStringLiteral("%1_%2_%3_%4_%5")
        .arg(r.pictureFilesCount)
        .arg(r.videoFilesCount)
        .arg(r.audioFilesCount)
        .arg(r.documentFilesCount)
        .arg(r.otherFilesCount);
}

QString ScanViewController::GALogData::selectNumberString() const
{
    const ScanManager::Results r = ScanManager::default_().results();
    const auto selected = [](const DuplicateFilesList& groups) {
        int count = 0;
        for (const DuplicateFilesPtr& group : groups) {
            for (const FileInfoPtr& file : group->infos()) {
                count += file->selected() ? 1 : 0;
            }
        }
        return count;
    };
    return QStringLiteral("%1_%2_%3_%4_%5")
        .arg(selected(r.pictureFiles))
        .arg(selected(r.videoFiles))
        .arg(selected(r.audioFiles))
        .arg(selected(r.documentFiles))
        .arg(selected(r.otherFiles));
}

// --- scan reports ------------------------------------------------------------------

void ScanViewController::startScan()
{
    TSLOG(QStringLiteral("startScan"));
    PRINTKPL(QStringLiteral("startScan"));
    QPointer<ScanViewController> self(this);
    DispatchQueue::main().async([self] {
        if (!self) {
            return;
        }
        if (QWidget* w = self->window(); w != self.data()) {
            setMainWindowFullScreenButtonEnable(w, false);
        }
        // The record is kept on the main thread, where it is read.
        self->gALogData_ = GALogData();
        self->lastScanRefresh_ = LastScanRefresh();
    });
}

void ScanViewController::stopScan()
{
    TSLOG(QStringLiteral("stopScan"));
    PRINTKPL(QStringLiteral("stopScan"));
    QPointer<ScanViewController> self(this);
    DispatchQueue::main().async([self] {
        // A report that comes after the results are up changes nothing: an
        // overlay raised then would never be taken down.
        if (!self || self->displayViewType_ != DisplayViewType::displayViewTypeScanning) {
            return;
        }
        self->displayLoading(true);
        self->gALogData_.manualStopScan = true;
        self->gALogData_.manualStopScanProgressValue =
            self->leftScanningViewCtr_ ? self->leftScanningViewCtr_->progressValue() : 0.0;
    });
}

void ScanViewController::scanProgress(double value)
{
    latestEngineProgress_.store(value);
    if (progressRefreshPending_.exchange(true)) {
        return;
    }
    QPointer<ScanViewController> self(this);
    DispatchQueue::main().async([self] {
        if (!self) {
            return;
        }
        self->progressRefreshPending_.store(false);
        const double latest = self->latestEngineProgress_.load();
        self->lastScanProgress_ = self->largeFileMode_ ? latest / 100.0 : latest;
        // The ring follows the work done even while no file is named: one
        // very large file is read long after the last path came.
        self->showProgressRefresh();
    });
}

void ScanViewController::scaningPath(const QString& path)
{
    {
        std::lock_guard lock(pathMutex_);
        latestPath_ = path;
    }
    if (pathRefreshPending_.exchange(true)) {
        return;
    }
    QPointer<ScanViewController> self(this);
    DispatchQueue::main().async([self] {
        if (self) {
            self->showPathRefresh();
        }
    });
}

void ScanViewController::showProgressRefresh()
{
    if (displayViewType_ != DisplayViewType::displayViewTypeScanning) {
        return;
    }
    // The bar never shows full while the scan still runs.
    const double shown = lastScanProgress_ >= 1.0 ? 0.9999 : lastScanProgress_;
    if (!largeFileMode_) {
        const ScanManager& engine = ScanManager::default_();
        if (engine.scanFinished()) {
            return;
        }
        LeftScanningViewController* panel = leftScanningViewCtr();
        const double t = panel->timeSeconds();
        if (t != lastScanRefresh_.lastScanRefreshRightViewTime
            && t - lastScanRefresh_.lastScanRefreshRightViewTime >= 1.0 && !engine.scanStop()) {
            lastScanRefresh_.lastScanRefreshRightViewTime = t;
            panel->setProgressValue(shown);
            displayRightDataView();
        }
        return;
    }
    ScanningLargeFileViewController* panel = scanningLargeFileViewController();
    const double t = panel->timeSeconds();
    if (t != lastScanRefresh_.lastScanRefreshRightViewTime
        && t - lastScanRefresh_.lastScanRefreshRightViewTime >= 1.0) {
        lastScanRefresh_.lastScanRefreshRightViewTime = t;
        panel->setProgressValue(shown);
    }
}

void ScanViewController::showPathRefresh()
{
    pathRefreshPending_.store(false);
    QString path;
    {
        std::lock_guard lock(pathMutex_);
        path = latestPath_;
    }
    if (displayViewType_ != DisplayViewType::displayViewTypeScanning) {
        return;
    }
    showProgressRefresh();
    if (!largeFileMode_) {
        const ScanManager& engine = ScanManager::default_();
        LeftScanningViewController* panel = leftScanningViewCtr();
        const double t = panel->timeSeconds();
        if (engine.scanFinished() || t == lastScanRefresh_.lastScanRefreshScanningPathTime || engine.scanStop()) {
            return;
        }
        lastScanRefresh_.lastScanRefreshScanningPathTime = t;
        panel->scanPath(path);
        return;
    }
    ScanningLargeFileViewController* panel = scanningLargeFileViewController();
    const double t = panel->timeSeconds();
    if (t == lastScanRefresh_.lastScanRefreshScanningPathTime) {
        return;
    }
    lastScanRefresh_.lastScanRefreshScanningPathTime = t;
    panel->scanningPathLabel()->setText(path);
    panel->scanningPathLabel()->setToolTip(plainToolTip(path));
}

void ScanViewController::scanFinished()
{
    if (!largeFileMode_) {
        TSLOG(QStringLiteral("scanFinished"));
        PRINTKPL(QStringLiteral("scanFinished"));
    }
    QPointer<ScanViewController> self(this);
    DispatchQueue::main().async([self] {
        if (self) {
            self->showScanFinished();
        }
    });
}

void ScanViewController::showScanFinished()
{
    // Only the first end of a scan acts: the large-file engine reports its
    // end from a stop and again from its walk, and a late report must not
    // end a question the user just opened or cover a removal in progress.
    if (displayViewType_ != DisplayViewType::displayViewTypeScanning) {
        return;
    }
    if (QWidget* w = window(); w != this) {
        setMainWindowFullScreenButtonEnable(w, true);
    }
    SheetWindowController::endSheet();
    loadingViewCtr()->setIsLoading(true);
    displayLoading(true);
    if (largeFileMode_) {
        if (scanningLargeFileViewController_) {
            scanningLargeFileViewController_->myTimer()->stop();
        }
    } else if (leftScanningViewCtr_) {
        leftScanningViewCtr_->myTimer()->stop();
    }
    displayViewType_ = DisplayViewType::displayViewTypeScanFinished;
    // The start button is Remove from now on; a stop had disabled it.
    startBtn()->setEnabled(true);
    displayScanFinishedView();
    const uint64_t completed = countUsageUnsigned(QStringLiteral("CompleteScanCount"));
    if (largeFileMode_) {
        return;
    }
    const double elapsed = leftScanningViewCtr_ ? leftScanningViewCtr_->timeSeconds() : 0.0;
    asyncGALog(QStringLiteral("Process"), QStringLiteral("CompleteScan"),
               QStringLiteral("%1_%2_%3_%4_File")
                   .arg(completed)
                   .arg(gALogData_.stopSizeCountString())
                   .arg(ScanScreenLook::roundedUpSeconds(elapsed))
                   .arg(QString::asprintf("%.0f", gALogData_.manualStopScanProgressValue * 100.0)));
    const ScanManager& engine = ScanManager::default_();
    if (engine.totalFilesCount() > 0) {
        const uint64_t withResults = countUsageUnsigned(QStringLiteral("Scanresultdata"));
        asyncGALog(QStringLiteral("Process"), QStringLiteral("Scanresultdata"),
                   QString::number(withResults) + QStringLiteral("_File"));
        asyncGALog(QStringLiteral("Result"), QStringLiteral("TopSize"), gALogData_.topSizeString());
        asyncGALog(QStringLiteral("Result"), QStringLiteral("TypeNumber"), gALogData_.typeNumberString());
    }
    gALogData_.manualStopScanProgressValue = 1.0;
    TSLOG(QStringLiteral("scan finished, count = "), QString::number(engine.totalFilesCount()),
          QStringLiteral(", size = "), transformedFileSize(engine.totalFilesSize(), false, true));
}

// --- removal reports ---------------------------------------------------------------

void ScanViewController::startRemove()
{
    TSLOG(QStringLiteral("startRemove"));
    QPointer<ScanViewController> self(this);
    const auto show = [self] {
        if (!self) {
            return;
        }
        self->gALogData_.startRemoveData = true;
        if (self->displayViewType_ != DisplayViewType::displayViewTypeRemoving) {
            self->displayViewType_ = DisplayViewType::displayViewTypeRemoving;
            self->displayRemovingView();
        }
    };
    if (onMainThread(this)) {
        show();
        return;
    }
    // The engine queues its first removal once this returns: by then the
    // removal screen has taken the place of the result panels, so no panel
    // reads a group while the removal changes it. The lock of the hand-over
    // orders the panels' last reads before the removal's writes where a
    // checker of threads can see it. A screen going away ends the wait: it
    // waits itself for this call to return, and shows nothing any more.
    const std::shared_ptr<RemovalHandOver> handOver = removalHandOver_;
    auto shown = std::make_shared<bool>(false);
    DispatchQueue::main().async([show, handOver, shown] {
        show();
        std::lock_guard lock(handOver->mutex);
        *shown = true;
        handOver->changed.notify_all();
    });
    std::unique_lock lock(handOver->mutex);
    handOver->changed.wait(lock, [&] { return *shown || handOver->going; });
}

void ScanViewController::stopRemove()
{
    TSLOG(QStringLiteral("stopRemove"));
    QPointer<ScanViewController> self(this);
    DispatchQueue::main().async([self] {
        // Only a removal on screen can be stopped: the notice of a removal
        // that never began (short of space) must not raise an overlay that
        // nothing would take down.
        if (!self || self->displayViewType_ != DisplayViewType::displayViewTypeRemoving) {
            return;
        }
        self->displayLoading(true);
        self->gALogData_.manualStopRemove = true;
    });
}

void ScanViewController::removedAfterEnd()
{
    QPointer<ScanViewController> self(this);
    DispatchQueue::main().async([self] {
        // Only the results on show are brought up to date; a removal on
        // screen takes it in when its results come back.
        if (!self || self->displayViewType_ != DisplayViewType::displayViewTypeRemoveFinished ||
            !self->takeLateRemovals()) {
            return;
        }
        if (!self->anyResultsLeft()) {
            self->backToHome();
            return;
        }
        self->displayScanFinishedView();
        if (self->largeFileMode_) {
            self->updateCountLable(true);
        } else {
            self->updateSelectCountSizeLabel();
        }
    });
}

void ScanViewController::removeFinished()
{
    TSLOG(QStringLiteral("removeFinished"));
    QPointer<ScanViewController> self(this);
    const bool large = largeFileMode_;
    DispatchQueue::global().async([self, large] {
        const uint64_t largeSize = large ? LargeFilesManager::default_().removesucceedSize() : 0;
        const int largeCount = large ? LargeFilesManager::default_().removesucceedCount() : 0;
        // What is left comes back with nothing selected; failures are counted.
        ScanManager& engine = ScanManager::default_();
        int failed = 0;
        for (const DuplicateFilesPtr& group : engine.totalFiles()) {
            for (const FileInfoPtr& file : group->infos()) {
                failed += file->removeError() ? 1 : 0;
                file->setSelected(false);
            }
            group->setSelectState(ControlState::off);
        }
        engine.setErrorRemoveCount(engine.errorRemoveCount() + failed);
        DispatchQueue::main().async([self, large, largeSize, largeCount] {
            if (!self) {
                return;
            }
            if (large) {
                self->hasRemovesucceedSize_ += largeSize;
                self->hasRemovesucceedCount_ += largeCount;
            }
            SheetWindowController::endSheet();
            self->displayLoading(false);
            if (self->fileRemovingViewCtr_) {
                self->fileRemovingViewCtr_->removeFinished();
            }
            if (large) {
                return;
            }
            const uint64_t complete = countUsageUnsigned(QStringLiteral("Complete"));
            asyncGALog(QStringLiteral("Process"), QStringLiteral("Complete"),
                       QStringLiteral("%1_%2_File")
                           .arg(complete)
                           .arg(self->gALogData_.manualStopRemove ? QStringLiteral("stoppedDE")
                                                                  : QStringLiteral("successDE")));
        });
    });
}
