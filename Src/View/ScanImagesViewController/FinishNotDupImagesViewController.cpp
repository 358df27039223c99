#include "Foundation/Bundle.h"
#include "FinishNotDupImagesViewController.h"

#include "ui_FinishNotDupImagesViewController.h"

#include "Main/Utilities.h"
#include "Manager/LeftOutFolder.h"
#include "QVLibrary/RYTDarkMode.h"
#include "QVLibrary/RYTImage.h"
#include "View/DataDispaly/NotDataFinished/NotDataFinishedViewController.h"
#include "View/Extension/ScanScreenLook.h"

#include <QLabel>

FinishNotDupImagesViewController::FinishNotDupImagesViewController(QWidget* parent)
    : ViewController(parent)
    , ui_(std::make_unique<Ui::FinishNotDupImagesViewController>())
{
    ui_->setupUi(this);
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("#FinishNotDupImagesViewController { background: white; border-radius: 8px; }"));
    ui_->emptyImage->setPixmap(RYTImage::named(QStringLiteral("noSimilarImages")).pixmap(QSize(120, 120), devicePixelRatioF()));
    ui_->wellDoneLabel->setText(localized("Congratulations!"));
    ui_->tipsLabel->setText(localized("There are no duplicate files found on your computer."));
    QFont heading = ui_->wellDoneLabel->font();
    heading.setPixelSize(22);
    heading.setBold(true);
    ui_->wellDoneLabel->setFont(heading);
    QFont tip = ui_->tipsLabel->font();
    tip.setPixelSize(14);
    ui_->tipsLabel->setFont(tip);
    for (QLabel* label : {ui_->wellDoneLabel, ui_->tipsLabel}) {
        ScanScreenLook::keepColor(label, QPalette::WindowText,
                                  RYTDarkMode::colorNamed(label == ui_->wellDoneLabel ? QStringLiteral("TitleLabelColor")
                                                                                      : QStringLiteral("LabelColor"),
                                                          false));
    }
    QFont list = ui_->leftOutLabel->font();
    list.setPixelSize(13);
    ui_->leftOutLabel->setFont(list);
    QColor listColor = RYTDarkMode::colorNamed(QStringLiteral("TitleLabelColor"), false);
    listColor.setAlphaF(0.7f);
    ScanScreenLook::keepColor(ui_->leftOutLabel, QPalette::WindowText, listColor);
    // A long path is cut, never a reason to widen the window.
    ui_->leftOutLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void FinishNotDupImagesViewController::setLeftOutFolders(const QList<LeftOutFolder>& leftOut)
{
    NotDataFinishedViewController::showLeftOutLines(ui_->leftOutLabel, leftOut, true);
}

FinishNotDupImagesViewController::~FinishNotDupImagesViewController() = default;

QLabel* FinishNotDupImagesViewController::wellDoneLabel() const { return ui_->wellDoneLabel; }
QLabel* FinishNotDupImagesViewController::tipsLabel() const { return ui_->tipsLabel; }
QLabel* FinishNotDupImagesViewController::leftOutLabel() const { return ui_->leftOutLabel; }
