#include "ImagesDeleteViewController.h"

#include "ui_ImagesDeleteViewController.h"

#include "Foundation/Bundle.h"
#include "Foundation/Dispatch.h"
#include "Lottie/Animation.h"
#include "Lottie/AnimationView.h"
#include "Lottie/LRUAnimationCache.h"
#include "Main/Utilities.h"
#include "Manager/ScanImagesManager.h"
#include "QVLibrary/RYTDarkMode.h"
#include "QVLibrary/RYTProgress.h"
#include "View/Extension/KPLExtension.h"
#include "View/Extension/ScanScreenLook.h"

#include <QLabel>
#include <QPointer>

namespace {
void setColor(QWidget* label, const QColor& color)
{
    ScanScreenLook::keepColor(label, QPalette::WindowText, color);
}
}  // namespace

ImagesDeleteViewController::ImagesDeleteViewController(QWidget* parent)
    : ViewController(parent)
    , ui_(std::make_unique<Ui::ImagesDeleteViewController>())
    , self_(std::make_shared<QPointer<ImagesDeleteViewController>>(this))
{
    ui_->setupUi(this);
    removedCount = [] { return ScanImagesManager::shared().removeImagesSuccessCount(); };
    setUpView();
    setUpAnimationView();
    initDetailConfig();
    myTimer_.setInterval(100);
    connect(&myTimer_, &QTimer::timeout, this, &ImagesDeleteViewController::timeListener);
}

ImagesDeleteViewController::~ImagesDeleteViewController()
{
    *self_ = nullptr;
}

Lottie::AnimationView* ImagesDeleteViewController::animationView() const { return ui_->animationView; }
RYTProgress* ImagesDeleteViewController::progressView() const { return ui_->progressView; }
QLabel* ImagesDeleteViewController::progressLabel() const { return ui_->progressLabel; }
QLabel* ImagesDeleteViewController::removeCount() const { return ui_->removeCount; }
QLabel* ImagesDeleteViewController::removeTimeLabel() const { return ui_->removeTimeLabel; }

void ImagesDeleteViewController::setUpView()
{
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("#ImagesDeleteViewController { background: white; border-radius: 8px; }"));
    RYTProgress* bar = ui_->progressView;
    bar->setProgressValue(0);
    ui_->progressLabel->setText(QStringLiteral("0%"));
    bar->setMaxValue(1.0);
    bar->setMinValue(0.0);
    bar->setCornerRadius(5);
    bar->setBackgroundColor(color256(230, 236, 245));
    bar->setProgressColor(color256(65, 111, 244));
    ui_->estimatedTimeLabel->setText(localized("Elapsed time") + QStringLiteral(":"));
    ui_->fileLabel->setText(localized("File(s) deleted") + QStringLiteral(":"));
}

void ImagesDeleteViewController::setUpAnimationView()
{
    const QString path = Bundle::main().pathForResource(QStringLiteral("LottieAnimation/Removing/data"), QStringLiteral("json"));
    ui_->animationView->setAnimation(Lottie::Animation::filepath(path, &Lottie::LRUAnimationCache::sharedCache()));
    ui_->animationView->setLoopMode(Lottie::LottieLoopMode::autoReverse);
    ui_->animationView->play();
}

void ImagesDeleteViewController::initDetailConfig()
{
    ui_->detailBox->setAttribute(Qt::WA_StyledBackground);
    ui_->detailBox->setStyleSheet(QStringLiteral("#detailBox { background: white; border: none; }"));
    ui_->detailBGView->setAttribute(Qt::WA_StyledBackground);
    ui_->detailBGView->setStyleSheet(QStringLiteral("#detailBGView { background: rgb(206,213,231); border-radius: 6px; }"
                                                    " QFrame#fileLine, QFrame#timeLine { background: white; }"));
    ui_->fileLine->setAttribute(Qt::WA_StyledBackground);
    ui_->timeLine->setAttribute(Qt::WA_StyledBackground);
    ui_->removeCount->setFont(shuziFont(16));
    ui_->removeTimeLabel->setFont(shuziFont(16));
    ui_->removeTimeLabel->clear();
    RYTDarkMode::LightAppearanceScope light;
    QColor title = RYTDarkMode::colorNamed(QStringLiteral("TitleLabelColor"), false);
    QColor caption = RYTDarkMode::colorNamed(QStringLiteral("LabelColor"), false);
    for (QLabel* label : {ui_->removeCount, ui_->removeTimeLabel, ui_->progressLabel}) {
        setColor(label, title);
    }
    for (QLabel* label : {ui_->fileLabel, ui_->estimatedTimeLabel}) {
        setColor(label, caption);
        QFont font = label->font();
        font.setPixelSize(13);
        label->setFont(font);
    }
    QFont percent = ui_->progressLabel->font();
    percent.setPixelSize(13);
    ui_->progressLabel->setFont(percent);
}

void ImagesDeleteViewController::startRemove()
{
    TSLOG(QStringLiteral("startRemove()"));
    myTimer_.start();
    timeListener();
}

void ImagesDeleteViewController::timeListener()
{
    timeSeconds_ += 0.1;
    // Cut to whole seconds, not rounded.
    ui_->removeTimeLabel->setText(formatDateEn(int64_t(timeSeconds_ + 1e-9)));
}

void ImagesDeleteViewController::updateFilesCountLabel(double progressValue)
{
    auto self = self_;
    DispatchQueue::main().async([self, progressValue] {
        if (ImagesDeleteViewController* view = *self) {
            view->applyProgress(progressValue);
        }
    });
}

void ImagesDeleteViewController::applyProgress(double progressValue)
{
    ui_->progressView->setProgressValue(progressValue);
    ui_->progressLabel->setText(QString::asprintf("%.2f%%", progressValue * 100.0));
    TSLOG(QStringLiteral("<<<< remove progress value is "), QString::number(progressValue));
    ui_->removeCount->setText(QString::number(removedCount ? removedCount() : 0));
}
