#include "ScanningLargeFileViewController.h"

#include "ui_ScanningLargeFileViewController.h"

#include "Foundation/Bundle.h"
#include "View/CustomView/CircularProgressView.h"
#include "View/CustomView/TruncatingLabel.h"
#include "View/Extension/KPLExtensionView.h"
#include "View/Extension/ScanScreenLook.h"

#include <QTimer>

using namespace ScanScreenLook;

ScanningLargeFileViewController::ScanningLargeFileViewController(QWidget* parent)
    : ViewController(parent), ui_(std::make_unique<Ui::ScanningLargeFileViewController>())
{
    ui_->setupUi(this);
    setObjectName(QStringLiteral("ScanningLargeFileViewController"));
    QFont title = font();
    title.setPixelSize(18);
    title.setBold(true);
    ui_->scanningTitleLabel->setFont(title);
    ui_->circularProgress->setOnLightSurface(true);
    setTextColor(ui_->scanningTitleLabel, surfaceColor(QStringLiteral("TitleLabelColor")));
    ui_->scanningTitleLabel->setText(localized("Scanning"));
    QFont caption = font();
    caption.setPixelSize(13);
    ui_->estimatedTimeLabel->setFont(caption);
    setTextColor(ui_->estimatedTimeLabel, surfaceColor(QStringLiteral("TitleLabelColor"), 0.4));
    ui_->estimatedTimeLabel->setText(localized("Elapsed time") + QStringLiteral(": "));
    ui_->timeLabel->setFont(shuziFont(14));
    setTextColor(ui_->timeLabel, surfaceColor(QStringLiteral("TitleLabelColor")));
    ui_->scanningPathLabel->setElideMode(Qt::ElideMiddle);
    ui_->scanningPathLabel->setTextColor(surfaceColor(QStringLiteral("TitleLabelColor"), 0.5));
    ui_->scanningPathLabel->setText(QString());
}

ScanningLargeFileViewController::~ScanningLargeFileViewController()
{
    if (myTimer_) {
        myTimer_->stop();
    }
}

QLabel* ScanningLargeFileViewController::scanningTitleLabel() const { return ui_->scanningTitleLabel; }
TruncatingLabel* ScanningLargeFileViewController::scanningPathLabel() const { return ui_->scanningPathLabel; }
CircularProgressView* ScanningLargeFileViewController::circularProgress() const { return ui_->circularProgress; }
QLabel* ScanningLargeFileViewController::estimatedTimeLabel() const { return ui_->estimatedTimeLabel; }
QLabel* ScanningLargeFileViewController::timeLabel() const { return ui_->timeLabel; }

QTimer* ScanningLargeFileViewController::myTimer()
{
    if (!myTimer_) {
        myTimer_ = new QTimer(this);
        myTimer_->setInterval(100);
        connect(myTimer_, &QTimer::timeout, this, &ScanningLargeFileViewController::timeListener);
    }
    return myTimer_;
}

void ScanningLargeFileViewController::startTimer()
{
    myTimer()->start();
    timeListener();
}

void ScanningLargeFileViewController::timeListener()
{
    timeSeconds_ += 0.1;
    ui_->timeLabel->setText(clockText(truncatedSeconds(timeSeconds_)));
}

void ScanningLargeFileViewController::setProgressValue(double value)
{
    progressValue_ = value;
    if (value >= ui_->circularProgress->progress()) {
        ui_->circularProgress->setProgress(value);
    }
}
