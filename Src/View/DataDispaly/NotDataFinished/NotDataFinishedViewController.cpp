#include "NotDataFinishedViewController.h"

#include "ui_NotDataFinishedViewController.h"

#include "Foundation/Bundle.h"
#include "Main/Utilities.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTImage.h"
#include "View/CustomView/KPLBox.h"
#include "View/Extension/ScanScreenLook.h"
#include "View/FolderSetViewController.h"

using namespace ScanScreenLook;

NotDataFinishedViewController::NotDataFinishedViewController(QWidget* parent)
    : ViewController(parent), ui_(std::make_unique<Ui::NotDataFinishedViewController>())
{
    ui_->setupUi(this);
    setObjectName(QStringLiteral("NotDataFinishedViewController"));
    ui_->contentBox->setContentView(ui_->contentBoxContent);
    ui_->detailBox->setContentView(ui_->detailBoxContent);
    connect(ui_->finishedBtn, &RYTButton::clicked, this, &NotDataFinishedViewController::finishedAction);
    initConfig();
    initDetailConfig();
}

NotDataFinishedViewController::~NotDataFinishedViewController() = default;

KPLBox* NotDataFinishedViewController::contentBox() const { return ui_->contentBox; }
KPLBox* NotDataFinishedViewController::detailBox() const { return ui_->detailBox; }
QLabel* NotDataFinishedViewController::wellDoneLabel() const { return ui_->wellDoneLabel; }
QLabel* NotDataFinishedViewController::noDuplicateFilesLabel() const { return ui_->noDuplicateFilesLabel; }
QLabel* NotDataFinishedViewController::detailFilesTitleLabel() const { return ui_->detailFilesTitleLabel; }
QLabel* NotDataFinishedViewController::detailFilesCountLabel() const { return ui_->detailFilesCountLabel; }
QLabel* NotDataFinishedViewController::detailEstimatedTimeTitleLabel() const
{
    return ui_->detailEstimatedTimeTitleLabel;
}
QLabel* NotDataFinishedViewController::detailEstimatedTimeLabel() const { return ui_->detailEstimatedTimeLabel; }
QWidget* NotDataFinishedViewController::detailVerticalView() const { return ui_->detailVerticalView; }
RYTButton* NotDataFinishedViewController::finishedBtn() const { return ui_->finishedBtn; }

void NotDataFinishedViewController::initConfig()
{
    ui_->contentBox->setBorderWidth(0.0);
    ui_->contentBox->setFillColor(Qt::white);
    ui_->contentBox->setCornerRadius(8.0);

    ui_->congratsIcon->setPixmap(
        RYTImage::named(QStringLiteral("notDataFinished")).pixmap(QSize(96, 96), devicePixelRatioF()));

    QFont headline = font();
    headline.setPixelSize(22);
    headline.setBold(true);
    ui_->wellDoneLabel->setFont(headline);
    setTextColor(ui_->wellDoneLabel, surfaceColor(QStringLiteral("TitleLabelColor")));
    ui_->wellDoneLabel->setText(localized("Congratulations!"));

    QFont body = font();
    body.setPixelSize(14);
    ui_->noDuplicateFilesLabel->setFont(body);
    setTextColor(ui_->noDuplicateFilesLabel, surfaceColor(QStringLiteral("TitleLabelColor"), 0.5));
    ui_->noDuplicateFilesLabel->setText(
        FolderSetViewController::isScanLargeFile()
            ? localized("The folder or drive you scanned has no files larger than 10M.")
            : localized("There are no duplicate files found in the folder or drive you scanned."));

    ui_->finishedBtn->setButton(RYTButton::ShowType::normal, localized("Complete"));
}

void NotDataFinishedViewController::initDetailConfig()
{
    const QColor accent = surfaceColor(QStringLiteral("TitleLabelGreenColor"));
    ui_->detailBox->setBorderWidth(1.0);
    ui_->detailBox->setBorderColor(accent);
    ui_->detailBox->setFillColor(surfaceColor(QStringLiteral("TitleLabelGreenColor"), 0.1));
    ui_->detailBox->setCornerRadius(4.0);
    ui_->detailVerticalView->setAutoFillBackground(true);
    QPalette line = ui_->detailVerticalView->palette();
    line.setColor(QPalette::Window, accent);
    ui_->detailVerticalView->setPalette(line);

    ui_->detailFilesTitleLabel->setText(localized("Scan Duplicates"));
    ui_->detailEstimatedTimeTitleLabel->setText(localized("Elapsed time"));
    for (QLabel* title : {ui_->detailFilesTitleLabel, ui_->detailEstimatedTimeTitleLabel}) {
        setTextColor(title, surfaceColor(QStringLiteral("TitleLabelColor"), 0.5));
    }
    for (QLabel* value : {ui_->detailFilesCountLabel, ui_->detailEstimatedTimeLabel}) {
        value->setFont(shuziFont(16));
        setTextColor(value, surfaceColor(QStringLiteral("TitleLabelColor")));
        value->setText(QString());
    }
}

void NotDataFinishedViewController::finishedAction()
{
    if (finishBlock_) {
        finishBlock_();
    }
}
