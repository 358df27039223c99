#include "ScanningLargeFileViewController.h"

#include "ui_ScanningLargeFileViewController.h"

#include "Foundation/Bundle.h"
#include "Foundation/UserDefaults.h"
#include "View/CustomView/CircularProgressView.h"
#include "View/CustomView/TruncatingLabel.h"
#include "View/Extension/ScanScreenLook.h"

#include <QTimer>

using namespace ScanScreenLook;

ScanningLargeFileViewController::ScanningLargeFileViewController(QWidget* parent)
    : ViewController(parent)
    , ui_(std::make_unique<Ui::ScanningLargeFileViewController>())
{
    ui_->setupUi(this);
    setObjectName(QStringLiteral("ScanningLargeFileViewController"));
    initConfig();
    // The screen now shown, for the window-close and update-check paths.
    UserDefaults::standardUserDefaults().setInteger(13, QStringLiteral("CloseView"));
}

ScanningLargeFileViewController::~ScanningLargeFileViewController() = default;

QLabel* ScanningLargeFileViewController::scanningTitleLabel() const { return ui_->scanningTitleLabel; }
TruncatingLabel* ScanningLargeFileViewController::scanningPathLabel() const { return ui_->scanningPathLabel; }
CircularProgressView* ScanningLargeFileViewController::circularProgress() const { return ui_->circularProgress; }
QLabel* ScanningLargeFileViewController::estimatedTimeLabel() const { return ui_->estimatedTimeLabel; }
QLabel* ScanningLargeFileViewController::timeLabel() const { return ui_->timeLabel; }

void ScanningLargeFileViewController::initConfig()
{
    setUpScanningPanel(ui_->scanningTitleLabel, 18, ui_->circularProgress, ui_->scanningPathLabel,
                       ui_->estimatedTimeLabel, ui_->timeLabel);
}

QTimer* ScanningLargeFileViewController::myTimer()
{
    return scanningTimer(myTimer_, this, [this] { timeListener(); });
}

void ScanningLargeFileViewController::startTimer()
{
    myTimer()->start();
    timeListener();
    ui_->scanningPathLabel->setText(QString());
    setProgressValue(0.0);
}

void ScanningLargeFileViewController::timeListener()
{
    // The first path found ends the creeping for good.
    const double step = tickScanningClock(timeSeconds_, ui_->timeLabel, !ui_->scanningPathLabel->text().isEmpty());
    if (step > 0.0) {
        setProgressValue(progressValue_ + step);
    }
}

void ScanningLargeFileViewController::setProgressValue(double value)
{
    const double old = progressValue_;
    progressValue_ = value;
    printKPL(QStringLiteral("%1:%2").arg(old).arg(value), this, __LINE__, "progressValue");
    ui_->circularProgress->setProgress(value);
}
