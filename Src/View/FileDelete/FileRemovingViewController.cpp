#include "FileRemovingViewController.h"

#include "ui_FileRemovingViewController.h"

#include "Foundation/Bundle.h"
#include "Foundation/Dispatch.h"
#include "Lottie/AnimationView.h"
#include "Lottie/LRUAnimationCache.h"
#include "Main/Utilities.h"
#include "Manager/LargeFilesManager.h"
#include "Manager/ScanManager.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTProgress.h"
#include "View/CustomView/KPLBox.h"
#include "View/Extension/KPLExtension.h"
#include "View/Extension/ScanScreenLook.h"
#include "View/FolderSetViewController.h"
#include "Window/FinishWindowController.h"
#include "Window/ModalOverlay.h"
#include "Window/SheetWindowController.h"

#include <QTimer>

using namespace ScanScreenLook;

namespace {

// The removal screen whose handler the engines call now: a screen that goes
// after a newer one was made must not take the newer one's handler away.
QPointer<FileRemovingViewController>& registrant()
{
    static QPointer<FileRemovingViewController> current;
    return current;
}

void installProgressHandler(bool largeFileMode, std::function<void(double)> handler)
{
    if (largeFileMode) {
        LargeFilesManager::default_().setRemoveProgressHandler(std::move(handler));
    } else {
        ScanManager::default_().setRemoveProgressHandler(std::move(handler));
    }
}

}  // namespace

FileRemovingViewController::FileRemovingViewController(QWidget* parent)
    : ViewController(parent),
      ui_(std::make_unique<Ui::FileRemovingViewController>()),
      largeFileMode_(FolderSetViewController::isScanLargeFile())
{
    ui_->setupUi(this);
    setObjectName(QStringLiteral("FileRemovingViewController"));
    ui_->contentBox->setContentView(ui_->contentBoxContent);
    ui_->detailBox->setContentView(ui_->detailBoxContent);
    connect(ui_->stopBtn, &RYTButton::clicked, this, &FileRemovingViewController::stopAction);

    initConfig();
    initProgressConfig();
    initDetailConfig();
    initAnimationView();
    ui_->stopBtn->setEnabled(true);

    myTimer_ = new QTimer(this);
    myTimer_->setInterval(100);
    connect(myTimer_, &QTimer::timeout, this, &FileRemovingViewController::timeListener);
    myTimer_->start();
    timeListener();

    registrant() = this;
    QPointer<FileRemovingViewController> self(this);
    installProgressHandler(largeFileMode_, [self](double value) {
        if (self) {
            self->setProgressValue(value);
        }
    });
}

FileRemovingViewController::~FileRemovingViewController()
{
    if (registrant() == this || registrant().isNull()) {
        installProgressHandler(largeFileMode_, nullptr);
        registrant() = nullptr;
    }
    if (myTimer_) {
        myTimer_->stop();
    }
    stopHolds_.releaseAll();
}

FinishWindowController* FileRemovingViewController::finishWindowController() const { return finishWindowCtr_; }
Lottie::AnimationView* FileRemovingViewController::animationView() const { return ui_->animationView; }
KPLBox* FileRemovingViewController::contentBox() const { return ui_->contentBox; }
RYTProgress* FileRemovingViewController::progressView() const { return ui_->progressView; }
QLabel* FileRemovingViewController::progressValueLabel() const { return ui_->progressValueLabel; }
KPLBox* FileRemovingViewController::detailBox() const { return ui_->detailBox; }
QLabel* FileRemovingViewController::detailFilesTitleLabel() const { return ui_->detailFilesTitleLabel; }
QLabel* FileRemovingViewController::detailFilesCountLabel() const { return ui_->detailFilesCountLabel; }
QWidget* FileRemovingViewController::detailVerticalView() const { return ui_->detailVerticalView; }
QLabel* FileRemovingViewController::detailEstimatedTimeTitleLabel() const
{
    return ui_->detailEstimatedTimeTitleLabel;
}
QLabel* FileRemovingViewController::detailEstimatedTimeLabel() const { return ui_->detailEstimatedTimeLabel; }
QLabel* FileRemovingViewController::noteLabel() const { return ui_->noteLabel; }
QLabel* FileRemovingViewController::noteInfoLabel() const { return ui_->noteInfoLabel; }
RYTButton* FileRemovingViewController::stopBtn() const { return ui_->stopBtn; }

void FileRemovingViewController::initConfig()
{
    ui_->contentBox->setBorderWidth(0.0);
    ui_->contentBox->setFillColor(Qt::white);
    ui_->contentBox->setCornerRadius(8.0);
    ui_->noteLabel->setText(localized("Note:"));
    ui_->noteInfoLabel->setText(
        localized("During the file deduplication process, please do not increase or decrease the Trash files or "
                  "modify the size of the Trash space to avoid deduplication failure"));
    QFont note = font();
    note.setPixelSize(12);
    for (QLabel* label : {ui_->noteLabel, ui_->noteInfoLabel}) {
        label->setFont(note);
        setTextColor(label, surfaceColor(QStringLiteral("TitleLabelColor"), 0.5));
    }
    RYTButton* stop = ui_->stopBtn;
    stop->setCornerRadius(4.0);
    const QColor title = surfaceColor(QStringLiteral("TitleLabelColor"));
    stop->setTitleColor(title, title, title, title);
    const QColor border = RYTButton::backBorderColor();
    stop->setButtonBorderColor(border, border, border, border);
    stop->setTitle(localized("Stop"));
}

void FileRemovingViewController::initProgressConfig()
{
    RYTProgress* bar = ui_->progressView;
    bar->setProgressValue(0.0);
    bar->setMaxValue(1.0);
    bar->setMinValue(0.0);
    bar->setCornerRadius(5.0f);
    bar->setBackgroundColor(color256(230, 236, 245));
    bar->setProgressColor(color256(65, 111, 244));
    ui_->progressValueLabel->setFont(shuziFont(14));
    setTextColor(ui_->progressValueLabel, surfaceColor(QStringLiteral("TitleLabelColor")));
    ui_->progressValueLabel->setText(QStringLiteral("0%"));
}

void FileRemovingViewController::initDetailConfig()
{
    ui_->detailBox->setBorderWidth(0.0);
    ui_->detailBox->setFillColor(Qt::white);
    ui_->detailVerticalView->setAutoFillBackground(true);
    QPalette line = ui_->detailVerticalView->palette();
    line.setColor(QPalette::Window, color256(206, 213, 231));
    ui_->detailVerticalView->setPalette(line);
    ui_->detailFilesTitleLabel->setText(localized("File(s) deleted") + QStringLiteral(": "));
    ui_->detailEstimatedTimeTitleLabel->setText(localized("Elapsed time") + QStringLiteral(": "));
    QFont caption = font();
    caption.setPixelSize(13);
    for (QLabel* title : {ui_->detailFilesTitleLabel, ui_->detailEstimatedTimeTitleLabel}) {
        title->setFont(caption);
        setTextColor(title, surfaceColor(QStringLiteral("TitleLabelColor"), 0.5));
    }
    for (QLabel* value : {ui_->detailFilesCountLabel, ui_->detailEstimatedTimeLabel}) {
        value->setFont(shuziFont(16));
        setTextColor(value, surfaceColor(QStringLiteral("TitleLabelColor")));
    }
    ui_->detailEstimatedTimeLabel->setText(QString());
}

void FileRemovingViewController::initAnimationView()
{
    const QString path =
        Bundle::main().pathForResource(QStringLiteral("LottieAnimation/Removing/data"), QStringLiteral("json"));
    ui_->animationView->setAnimation(Lottie::Animation::filepath(path, &Lottie::LRUAnimationCache::sharedCache()));
    ui_->animationView->setLoopMode(Lottie::LottieLoopMode::autoReverse);
    ui_->animationView->play();
}

QString FileRemovingViewController::percentText(double value)
{
    if (value == 0.0) {
        return QStringLiteral("0%");
    }
    if (value == 1.0) {
        return QStringLiteral("100%");
    }
    return QString::asprintf("%.2f%%", value * 100.0);
}

void FileRemovingViewController::setProgressValue(double value)
{
    progressValue_ = value;
    // One refresh waits at a time: it shows the value current when it runs,
    // which is all that a refresh per write would show as well.
    if (refreshPending_) {
        return;
    }
    refreshPending_ = true;
    QTimer::singleShot(500, this, [this] {
        refreshPending_ = false;
        refreshProgress();
    });
}

void FileRemovingViewController::refreshProgress()
{
    ui_->progressValueLabel->setText(percentText(progressValue_));
    ui_->progressView->setProgressValue(progressValue_);
    updateFilesCountLabel();
}

void FileRemovingViewController::timeListener()
{
    timeSeconds_ += 0.1;
    ui_->detailEstimatedTimeLabel->setText(formatDateEn(truncatedSeconds(timeSeconds_)));
    updateFilesCountLabel();
}

void FileRemovingViewController::updateFilesCountLabel()
{
    const qint64 removed = largeFileMode_ ? LargeFilesManager::default_().removesucceedCount()
                                          : ScanManager::default_().succeedRemoveCount();
    ui_->detailFilesCountLabel->setText(QStringLiteral("%1 / %2").arg(removed).arg(removeData_.count));
}

void FileRemovingViewController::stopAction()
{
    QWidget* mainWindow = ModalOverlay::applicationMainWindow();
    if (!mainWindow) {
        return;
    }
    // Nothing more goes, and the clock stands, while the user decides. The
    // hold lasts as long as the question can still be answered, and this
    // screen lets go of it too if it goes first.
    RemoveHold& hold = largeFileMode_ ? LargeFilesManager::default_().removeHold()
                                      : ScanManager::default_().removeHold();
    std::shared_ptr<RemoveHold::Holding> holding = stopHolds_.hold(hold);
    if (myTimer_) {
        myTimer_->stop();
    }
    QPointer<FileRemovingViewController> self(this);
    SheetWindowController::beginSheet(
        SheetWindowController::SheetActionType::uncertain,
        localized("Only partial duplicates can be removed if you stop deleting. Are you sure you want to stop?"),
        localized("Yes"), localized("Cancel"), mainWindow, nullptr, [self, holding](int answer) {
            if (answer == 1 && self) {
                self->ui_->stopBtn->setEnabled(false);
                if (self->largeFileMode_) {
                    // Waiting operations never start; the one running stops
                    // at its next file, and the engine tells the screen.
                    LargeFilesManager::default_().stopRemove();
                } else {
                    ScanManager& engine = ScanManager::default_();
                    engine.setRemoveStop(true);
                    if (ScanManagerProtocol* d = engine.delegate()) {
                        d->stopRemove();
                    }
                    engine.removeQueue().cancelAllOperations();
                }
            }
            // Let go only once the stop is set, so that no file goes after a "Yes".
            holding->release();
            if (!self) {
                return;
            }
            // The clock goes on once no question of this screen is open.
            if (self->stopHolds_.answered(holding) && !self->finishing_ && self->myTimer_) {
                self->myTimer_->start();
            }
        });
}

void FileRemovingViewController::removeFinished()
{
    if (finishing_) {
        return;
    }
    finishing_ = true;
    QPointer<FileRemovingViewController> self(this);
    DispatchQueue::global().async([self] {
        // Each group's box shows what is left selected in it.
        for (const DuplicateFilesPtr& group : ScanManager::default_().totalFiles()) {
            int selected = 0;
            for (const FileInfoPtr& file : group->infos()) {
                selected += file->selected() ? 1 : 0;
            }
            if (group->infos().isEmpty() || selected == 0) {
                group->setSelectState(ControlState::off);
            } else if (selected == group->fileCount()) {
                group->setSelectState(ControlState::on);
            } else {
                group->setSelectState(ControlState::mixed);
            }
        }
        DispatchQueue::main().async([self] {
            if (!self) {
                return;
            }
            if (self->myTimer_) {
                self->myTimer_->stop();
            }
            self->updateFilesCountLabel();
            QTimer::singleShot(1000, self.data(), [self] {
                if (self) {
                    self->showFinishWindow();
                }
            });
        });
    });
}

qint64 FileRemovingViewController::failedCount() const
{
    qint64 failed = 0;
    for (const FileInfoPtr& file : chosenFiles_) {
        failed += !file->deleted() && file->removeError() ? 1 : 0;
    }
    return failed;
}

void FileRemovingViewController::showFinishWindow()
{
    uint64_t size = 0;
    qint64 count = 0;
    if (largeFileMode_) {
        size = LargeFilesManager::default_().removesucceedSize();
        count = LargeFilesManager::default_().removesucceedCount();
    } else {
        size = ScanManager::default_().succeedRemoveSize();
        count = ScanManager::default_().succeedRemoveCount();
    }
    const QString sizeText = transformedFileSize(size, true, true);
    const QString countText = QString::number(count);
    const QString timeText = formatDateEn(roundedUpSeconds(timeSeconds_));
    TSLOG(QStringLiteral("移除完成size:"), sizeText, QStringLiteral(" count:"), countText, QStringLiteral(" time:"),
          timeText);
    SheetWindowController::endSheet();

    auto* finish = new FinishWindowController(this);
    finish->setIsDupImages(false);
    finish->loadWindow();
    finish->windowDidLoad();
    finish->showDataInfo(sizeText, countText, timeText);
    finish->showRemoveFailures(failedCount(), count);
    QPointer<FileRemovingViewController> self(this);
    finish->setCompletionHandler([self](int) {
        if (self && self->delegate_) {
            self->delegate_->fileRemovingViewRemoveFinished();
        }
    });
    finishWindowCtr_ = finish;
    ModalOverlay::beginSheet(window(), finish, true);
}

void FileRemovingViewController::windowDidEnterFullScreen()
{
    windowIsFullScreen(true);
}

void FileRemovingViewController::windowDidExitFullScreen()
{
    windowIsFullScreen(false);
}

void FileRemovingViewController::windowIsFullScreen(bool fullScreen)
{
    PRINTKPL(fullScreen);
    ui_->noteLabel->setVisible(fullScreen);
    ui_->noteInfoLabel->setVisible(fullScreen);
}
