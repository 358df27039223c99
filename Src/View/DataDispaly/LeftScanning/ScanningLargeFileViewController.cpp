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
    QFont title = font();
    title.setPixelSize(18);
    title.setBold(true);
    ui_->scanningTitleLabel->setFont(title);
    ui_->circularProgress->setOnLightSurface(true);
    setTextColor(ui_->scanningTitleLabel, surfaceColor(QStringLiteral("TitleLabelColor")));
    ui_->scanningTitleLabel->setText(localized("Scanning"));
    ui_->scanningPathLabel->setElideMode(Qt::ElideMiddle);
    ui_->scanningPathLabel->setTextColor(surfaceColor(QStringLiteral("TitleLabelColor"), 0.5));
    ui_->scanningPathLabel->setText(QString());
    QFont caption = font();
    caption.setPixelSize(13);
    ui_->estimatedTimeLabel->setFont(caption);
    setTextColor(ui_->estimatedTimeLabel, surfaceColor(QStringLiteral("TitleLabelColor"), 0.4));
    ui_->estimatedTimeLabel->setText(localized("Elapsed time") + QStringLiteral(": "));
    ui_->timeLabel->setFont(shuziFont(14));
    setTextColor(ui_->timeLabel, surfaceColor(QStringLiteral("TitleLabelColor")));
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
