#include "NotDataFinishedViewController.h"

#include "ui_NotDataFinishedViewController.h"

#include <QFile>
#include <QStringList>

#include "Foundation/Bundle.h"
#include "Main/Utilities.h"
#include "Manager/ScanManager.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTDarkMode.h"
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
QLabel* NotDataFinishedViewController::congratsIcon() const { return ui_->congratsIcon; }
QLabel* NotDataFinishedViewController::leftOutLabel() const { return ui_->leftOutLabel; }

void NotDataFinishedViewController::initConfig()
{
    ui_->contentBox->setBorderWidth(0.0);
    ui_->contentBox->setFillColor(Qt::white);
    ui_->contentBox->setCornerRadius(8.0);

    QFont headline = font();
    headline.setPixelSize(22);
    headline.setBold(true);
    ui_->wellDoneLabel->setFont(headline);
    setTextColor(ui_->wellDoneLabel, surfaceColor(QStringLiteral("TitleLabelColor")));

    QFont body = font();
    body.setPixelSize(14);
    ui_->noDuplicateFilesLabel->setFont(body);
    setTextColor(ui_->noDuplicateFilesLabel, surfaceColor(QStringLiteral("TitleLabelColor"), 0.5));

    QFont list = font();
    list.setPixelSize(13);
    ui_->leftOutLabel->setFont(list);
    setTextColor(ui_->leftOutLabel, surfaceColor(QStringLiteral("TitleLabelColor"), 0.7));
    // A long path is cut, never a reason to widen the window.
    ui_->leftOutLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    ui_->leftOutLabel->hide();
    showHeadline();
}

void NotDataFinishedViewController::showHeadline()
{
    // The button lies on the white box: its colours are the light ones in
    // either appearance.
    RYTDarkMode::LightAppearanceScope light;
    const char* icon = nothingScanned_ ? "exclamation" : "notDataFinished";
    ui_->congratsIcon->setPixmap(RYTImage::named(QString::fromLatin1(icon)).pixmap(QSize(96, 96), devicePixelRatioF()));
    if (nothingScanned_) {
        ui_->wellDoneLabel->setText(localized("Nothing was scanned"));
        ui_->noDuplicateFilesLabel->setText(localized("None of the folders you chose could be scanned:"));
        ui_->finishedBtn->setButton(RYTButton::ShowType::normal, localized("Back to Home"));
        return;
    }
    ui_->wellDoneLabel->setText(localized("Congratulations!"));
    ui_->noDuplicateFilesLabel->setText(
        FolderSetViewController::isScanLargeFile()
            ? localized("The folder or drive you scanned has no files larger than 10M.")
            : localized("There are no duplicate files found in the folder or drive you scanned."));
    ui_->finishedBtn->setButton(RYTButton::ShowType::normal, localized("Complete"));
}

void NotDataFinishedViewController::setLeftOutFolders(const QList<LeftOutFolder>& leftOut, bool scannedNothing)
{
    nothingScanned_ = scannedNothing;
    showHeadline();
    showLeftOutLines(ui_->leftOutLabel, leftOut, !scannedNothing);
}

void NotDataFinishedViewController::showLeftOutLines(QLabel* label, const QList<LeftOutFolder>& leftOut, bool heading)
{
    constexpr int kLines = 8;
    QString lines = leftOutLines(leftOut, kLines);
    if (heading && !lines.isEmpty()) {
        lines = localized("Not scanned:") + QLatin1Char('\n') + lines;
    }
    label->setText(lines);
    label->setToolTip(leftOut.size() > kLines ? leftOutLines(leftOut, int(leftOut.size())) : QString());
    label->setVisible(!lines.isEmpty());
}

namespace {

QString reasonText(LeftOutFolder::Reason reason)
{
    switch (reason) {
    case LeftOutFolder::Reason::otherUsersHome:
        return localized("%1: another user's home folder");
    case LeftOutFolder::Reason::systemFolder:
        return localized("%1: a system folder");
    case LeftOutFolder::Reason::whiteListed:
        return localized("%1: in the white list");
    case LeftOutFolder::Reason::trash:
        return localized("%1: the Trash");
    case LeftOutFolder::Reason::cannotOpen:
        break;
    }
    return localized("%1: could not be opened");
}

}  // namespace

QString NotDataFinishedViewController::leftOutLines(const QList<LeftOutFolder>& leftOut, int maxLines)
{
    constexpr qsizetype kLongest = 96;
    QStringList lines;
    for (const LeftOutFolder& folder : leftOut) {
        if (lines.size() == maxLines) {
            lines << localized("and %1 more").arg(leftOut.size() - maxLines);
            break;
        }
        QString path = QFile::decodeName(folder.path);
        if (path.size() > kLongest) {
            path = path.left(kLongest / 2 - 1) + QChar(0x2026) + path.right(kLongest / 2);
        }
        lines << reasonText(folder.reason).arg(path);
    }
    return lines.join(QLatin1Char('\n'));
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
