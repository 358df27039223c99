#include "ScanViewController.h"
#include "View/ScanProgressPanel.h"

#include "Foundation/Bundle.h"
#include "Main/AppTermination.h"
#include "Manager/LargeFilesManager.h"
#include "Manager/ScanManager.h"
#include "View/Extension/KPLExtension.h"
#include "View/FolderSetViewController.h"
#include "Window/SheetWindowController.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

namespace {
std::atomic<bool> g_isGAScanFinished{false};
}

bool ScanViewController::isGAScanFinished()
{
    return g_isGAScanFinished.load();
}

void ScanViewController::setIsGAScanFinished(bool value)
{
    g_isGAScanFinished.store(value);
}

ScanViewController::ScanViewController(QWidget* parent)
    : ViewController(parent), largeFileMode_(FolderSetViewController::isScanLargeFile()), timer_(new QTimer(this))
{
    setObjectName(QStringLiteral("ScanViewController"));
    const ScanProgressPanel panel = buildScanProgressPanel(this, timer_, &elapsedSeconds_);
    title_ = panel.title;
    path_ = panel.path;
    elapsed_ = panel.elapsed;
    progress_ = panel.progress;
    stopButton_ = panel.stopButton;
    backButton_ = panel.backButton;
    path_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    connect(stopButton_, &QPushButton::clicked, this, &ScanViewController::stopAction);
    connect(backButton_, &QPushButton::clicked, this, &ScanViewController::backAction);
}

ScanViewController::~ScanViewController()
{
    timer_->stop();
    if (largeScanThread_) {
        LargeFilesManager::default_().stopScanLargeFile();
        largeScanThread_->wait();
        delete largeScanThread_;
    }
    ScanManager& engine = ScanManager::default_();
    if (engine.delegate() == this) {
        engine.setDelegate(nullptr);
        // Going while the engine still works (the program ends under a
        // scan): stop it and let it wind down, so it calls nobody later.
        if (engine.scaning()) {
            engine.stopScan();
            engine.waitUntilIdle(3000);
        }
    }
    if (LargeFilesManager::default_().delegate() == this) {
        LargeFilesManager::default_().setDelegate(nullptr);
    }
}

QString ScanViewController::statusText() const
{
    return title_->text();
}

QString ScanViewController::pathText() const
{
    return path_->text();
}

void ScanViewController::displayScanningView()
{
    title_->setText(largeFileMode_ ? localized("Scanning for large files…") : localized("Scanning for duplicates…"));
    path_->clear();
    progress_->setValue(0);
    stopButton_->show();
    backButton_->hide();
    elapsedSeconds_ = 0.0;
    timer_->start();
    if (largeFileMode_) {
        LargeFilesManager::default_().setDelegate(this);
        largeScanThread_ = QThread::create([] { LargeFilesManager::default_().scanLargeFile(); });
        largeScanThread_->start();
    } else {
        ScanManager::default_().setDelegate(this);
        ScanManager::default_().scanDuplicateFile();
    }
}

bool ScanViewController::isShouldCloseWindow()
{
    QPointer<ScanViewController> self(this);
    SheetWindowController::showContentSureExitApp([self](int answer) {
        if (answer != 1) {
            return;
        }
        const bool largeScanRuns = self && self->largeFileMode_
                                   && self->displayViewType_ == DisplayViewType::displayViewTypeScanning;
        AppTermination::stopEnginesAndTerminate(largeScanRuns);
    });
    return false;
}

void ScanViewController::windowDidEnterFullScreen()
{
    fullScreen_ = true;
}

void ScanViewController::windowDidExitFullScreen()
{
    fullScreen_ = false;
}

void ScanViewController::startScan()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (QWidget* w = window(); w != this) {
                setMainWindowFullScreenButtonEnable(w, false);
            }
        },
        Qt::QueuedConnection);
}

void ScanViewController::stopScan()
{
    QMetaObject::invokeMethod(
        this, [this] { title_->setText(localized("Stopping…")); }, Qt::QueuedConnection);
}

void ScanViewController::scaningPath(const QString& path)
{
    QMetaObject::invokeMethod(
        this,
        [this, path] {
            if (displayViewType_ == DisplayViewType::displayViewTypeScanning) {
                path_->setText(path);
            }
        },
        Qt::QueuedConnection);
}

void ScanViewController::scanProgress(double progress)
{
    latestProgress_.store(progress);
    QMetaObject::invokeMethod(
        this,
        [this] {
            const double value = latestProgress_.load();
            if (largeFileMode_) {
                // The large-file engine counts files; show them as they come.
                progress_->setRange(0, 0);
                path_->setToolTip(localized("%1 files found").arg(static_cast<qint64>(value)));
            } else {
                progress_->setValue(static_cast<int>(qBound(0.0, value, 1.0) * 1000));
            }
        },
        Qt::QueuedConnection);
}

void ScanViewController::scanFinished()
{
    QMetaObject::invokeMethod(this, [this] { showFinished(); }, Qt::QueuedConnection);
}

void ScanViewController::showFinished()
{
    if (displayViewType_ != DisplayViewType::displayViewTypeScanning) {
        return;
    }
    timer_->stop();
    displayViewType_ = DisplayViewType::displayViewTypeScanFinished;
    if (QWidget* w = window(); w != this) {
        setMainWindowFullScreenButtonEnable(w, true);
    }
    int count = 0;
    uint64_t size = 0;
    if (largeFileMode_) {
        const auto groups = LargeFilesManager::default_().allFiles();
        if (!groups.isEmpty() && groups.first()) {
            count = groups.first()->fileCount();
            size = groups.first()->totalSize();
        }
        title_->setText(localized("%1 large files, %2").arg(count).arg(transformedFileSize(size, false, true)));
    } else {
        count = ScanManager::default_().totalFilesCount();
        size = ScanManager::default_().totalFilesSize();
        title_->setText(localized("%1 groups of duplicates, %2").arg(count).arg(transformedFileSize(size, false, true)));
    }
    progress_->setRange(0, 1000);
    progress_->setValue(1000);
    path_->clear();
    stopButton_->hide();
    backButton_->show();
    backButton_->setProperty("notData", count == 0);
}

void ScanViewController::startRemove()
{
    QMetaObject::invokeMethod(
        this, [this] { displayViewType_ = DisplayViewType::displayViewTypeRemoving; }, Qt::QueuedConnection);
}

void ScanViewController::stopRemove() {}

void ScanViewController::removeFinished()
{
    QMetaObject::invokeMethod(
        this, [this] { displayViewType_ = DisplayViewType::displayViewTypeRemoveFinished; }, Qt::QueuedConnection);
}

void ScanViewController::stopAction()
{
    if (displayViewType_ != DisplayViewType::displayViewTypeScanning) {
        return;
    }
    if (largeFileMode_) {
        LargeFilesManager::default_().stopScanLargeFile();
        return;
    }
    ScanManager& engine = ScanManager::default_();
    engine.setScanStop(true);
    engine.assembleSSDQueue().cancelAllOperations();
    engine.assembleHDDQueue().cancelAllOperations();
    engine.appendQueue().cancelAllOperations();
    stopScan();
}

void ScanViewController::backAction()
{
    if (!delegate_) {
        return;
    }
    if (backButton_->property("notData").toBool()) {
        delegate_->scanNotDataFinishedAction();
    } else {
        delegate_->scanViewBackAction();
    }
}
