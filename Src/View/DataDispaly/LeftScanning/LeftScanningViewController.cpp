#include "LeftScanningViewController.h"

#include "ui_LeftScanningViewController.h"

#include "Foundation/Bundle.h"
#include "Main/Utilities.h"
#include "Manager/ScanManager.h"
#include "View/CustomView/CircularProgressView.h"
#include "View/CustomView/KPLBox.h"
#include "View/CustomView/TruncatingLabel.h"
#include "View/Extension/KPLExtension.h"
#include "View/Extension/ScanScreenLook.h"

#include <QTimer>

#include <cmath>

using namespace ScanScreenLook;

LeftScanningViewController::LeftScanningViewController(QWidget* parent)
    : ViewController(parent), ui_(std::make_unique<Ui::LeftScanningViewController>())
{
    ui_->setupUi(this);
    setObjectName(QStringLiteral("LeftScanningViewController"));
    ui_->bottomBox->setContentView(ui_->bottomBoxContent);
    initConfig();
}

LeftScanningViewController::~LeftScanningViewController() = default;

QLabel* LeftScanningViewController::scanningTitleLabel() const { return ui_->scanningTitleLabel; }
QLabel* LeftScanningViewController::scanningFoundLabel() const { return ui_->scanningFoundLabel; }
QLabel* LeftScanningViewController::scanningItemsLabel() const { return ui_->scanningItemsLabel; }
QLabel* LeftScanningViewController::scanningSizeHorizontalLabel() const { return ui_->scanningSizeHorizontalLabel; }
QLabel* LeftScanningViewController::scanningSizeVerticalLabel() const { return ui_->scanningSizeVerticalLabel; }
QLabel* LeftScanningViewController::estimatedTimeLabel() const { return ui_->estimatedTimeLabel; }
QLabel* LeftScanningViewController::timeLabel() const { return ui_->timeLabel; }
TruncatingLabel* LeftScanningViewController::scanningPathLabel() const { return ui_->scanningPathLabel; }
KPLBox* LeftScanningViewController::bottomBox() const { return ui_->bottomBox; }
CircularProgressView* LeftScanningViewController::circularProgress() const { return ui_->circularProgress; }

void LeftScanningViewController::initConfig()
{
    ui_->bottomBox->setBorderWidth(1.0);
    ui_->bottomBox->setBorderColor(color256(237, 239, 245));
    ui_->bottomBox->setCornerRadius(6.0);

    setUpScanningPanel(ui_->scanningTitleLabel, 16, ui_->circularProgress, ui_->scanningPathLabel,
                       ui_->estimatedTimeLabel, ui_->timeLabel);
    QFont small = font();
    small.setPixelSize(11);
    ui_->scanningPathLabel->setFont(small);

    ui_->scanningFoundLabel->setFont(ui_->estimatedTimeLabel->font());
    setTextColor(ui_->scanningFoundLabel, surfaceColor(QStringLiteral("TitleLabelColor")));
    ui_->scanningFoundLabel->setText(localized("Duplicates Found"));
    for (QLabel* label : {ui_->scanningItemsLabel, ui_->scanningSizeHorizontalLabel}) {
        label->setTextFormat(Qt::RichText);
    }
}

QTimer* LeftScanningViewController::myTimer()
{
    return scanningTimer(myTimer_, this, [this] { timeListener(); });
}

void LeftScanningViewController::startTimer()
{
    myTimer()->start();
    timeListener();
    updateSizeCountBox(0, 0);
    ui_->scanningPathLabel->setText(QString());
    setProgressValue(0.0);
}

void LeftScanningViewController::setProgressValue(double value)
{
    PRINTKPL(QStringLiteral("%1:%2").arg(progressValue_).arg(value));
    progressValue_ = value;
    if (value >= lastProgressValue_ && !ScanManager::default_().scanStop()) {
        lastProgressValue_ = value;
        ui_->circularProgress->setProgress(value);
    }
}

void LeftScanningViewController::timeListener()
{
    const double step = tickScanningClock(timeSeconds_, ui_->timeLabel, !ui_->scanningPathLabel->text().isEmpty());
    if (step > 0.0) {
        setProgressValue(progressValue_ + step);
    }

    const qint64 tenths = std::llround(timeSeconds_ * 10.0);
    if (tenths > 0 && tenths % 300 == 0) {
        ScanManager& engine = ScanManager::default_();
        TSLOG(QStringLiteral("正在扫描count:"), QString::number(engine.totalFilesCount()), QStringLiteral(" size:"),
              QString::number(engine.totalFilesSize()), QStringLiteral(" progress:"), QString::number(progressValue_),
              QStringLiteral(" timesecond:"), QString::number(timeSeconds_), QStringLiteral(" scanFinished:"),
              engine.scanFinished() ? QStringLiteral("true") : QStringLiteral("false"));
    }
}

void LeftScanningViewController::scanPath(const QString& path)
{
    ui_->scanningPathLabel->setText(path);
    ui_->scanningPathLabel->setToolTip(plainToolTip(path));
    const ScanManager& engine = ScanManager::default_();
    updateSizeCountBox(engine.totalFilesSize(), engine.totalFilesCount());
}

void LeftScanningViewController::updateSizeCountBox(uint64_t totalSize, int totalCount)
{
    QFont plain = font();
    plain.setPixelSize(12);
    const QColor plainColor = surfaceColor(QStringLiteral("TitleLabelColor"), 0.4);
    const QFont digits = shuziFont(14);
    const QColor digitsColor = surfaceColor(QStringLiteral("TitleLabelColor"));

    const QString count = QString::number(totalCount);
    const QString items = totalCount >= 1'000'000 ? QStringLiteral("999999+ ") + localized("Items")
                                                  : count + QLatin1Char(' ') + localized("Items");
    ui_->scanningItemsLabel->setText(highLightText(items, plain, plainColor, count, digits, digitsColor).toHtml());
    ui_->scanningItemsLabel->setProperty("plainText", items);

    const QString size = transformedFileSize(totalSize, true, true);
    const QString number = transformedFileSize(totalSize, false, false);
    ui_->scanningSizeHorizontalLabel->setText(
        highLightText(size, plain, plainColor, number, digits, digitsColor).toHtml());
    ui_->scanningSizeHorizontalLabel->setProperty("plainText", size);
}
