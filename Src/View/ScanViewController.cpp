#include "ScanViewController.h"

#include "ui_ScanViewController.h"

#include "Foundation/Bundle.h"
#include "Foundation/Dispatch.h"
#include "Foundation/NotificationCenter.h"
#include "Foundation/UserDefaults.h"
#include "GA/RYGALogManager.h"
#include "Main/AppTermination.h"
#include "Main/MainWindow.h"
#include "Main/Utilities.h"
#include "Manager/LargeFilesManager.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTCheckBox.h"
#include "QVLibrary/RYTFullSizeWindow.h"
#include "QVLibrary/RYTImage.h"
#include "QVLibrary/RYTView.h"
#include "QVLibrary/RYTableView.h"
#include "View/CustomView/FolderChooserDialog.h"
#include "View/CustomView/KPLBox.h"
#include "View/CustomView/KPLSwitchButton.h"
#include "View/CustomView/PopUpMenuWindow.h"
#include "View/CustomView/TruncatingLabel.h"
#include "View/DataDispaly/LeftData/LeftDataViewController.h"
#include "View/DataDispaly/LeftData/LeftLargeFileViewController.h"
#include "View/DataDispaly/LeftScanning/LeftScanningViewController.h"
#include "View/DataDispaly/LeftScanning/ScanningLargeFileViewController.h"
#include "View/DataDispaly/NotDataFinished/NotDataFinishedViewController.h"
#include "View/DataDispaly/NotDataRightScanning/NotDataRightScanningViewController.h"
#include "View/DataDispaly/RightDataDetail/LargeFileView/RightLargeFileDataViewController.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/KPLOutlineView.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/KPLTableView.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/RightDataListViewController.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/RightDataPreviewViewController.h"
#include "View/Extension/KPLExtension.h"
#include "View/Extension/ScanScreenLook.h"
#include "View/FileDelete/FileRemovingViewController.h"
#include "View/FolderSetViewController.h"
#include "View/LoadingView/LoadingViewController.h"
#include "Window/ModalOverlay.h"
#include "Window/SheetWindowController.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QThread>
#include <QTimer>

#include <algorithm>

using namespace ScanScreenLook;

namespace {

std::atomic<bool> g_isGAScanFinished{false};
std::atomic<bool> g_isManualStop{false};
std::atomic<bool> g_isDeleteFile{false};

const char* const kResetSortNotification = "ResetSortNotification";

// How long a screen that goes away waits, in all, for the engines it
// stops to end.
constexpr int kTeardownWaitMs = 3000;

void setCloseView(qint64 code)
{
    UserDefaults::standardUserDefaults().setInteger(code, QStringLiteral("CloseView"));
}

qint64 closeView()
{
    return UserDefaults::standardUserDefaults().integerForKey(QStringLiteral("CloseView"));
}

// Fills each "%@" of a localised text in turn.
QString fillPlaces(QString text, const QStringList& values)
{
    for (const QString& value : values) {
        const qsizetype at = text.indexOf(QStringLiteral("%@"));
        if (at < 0) {
            break;
        }
        text.replace(at, 2, value);
    }
    return text;
}

// The name the pop-up shows for a folder: its last component, without the
// white space around it.
QString folderName(const QByteArray& path)
{
    QByteArray trimmedPath = path;
    while (trimmedPath.size() > 1 && trimmedPath.endsWith('/')) {
        trimmedPath.chop(1);
    }
    const qsizetype slash = trimmedPath.lastIndexOf('/');
    return QFile::decodeName(slash < 0 ? trimmedPath : trimmedPath.mid(slash + 1)).trimmed();
}

DuplicateFilesPtr largeFileAllGroup()
{
    const DuplicateFilesList groups = LargeFilesManager::default_().allFiles();
    return groups.isEmpty() ? nullptr : groups.first();
}

bool anyLargeFileSelected()
{
    const DuplicateFilesPtr all = largeFileAllGroup();
    if (!all) {
        return false;
    }
    for (const FileInfoPtr& file : all->infos()) {
        if (file->selected()) {
            return true;
        }
    }
    return false;
}

}  // namespace

// --- static flags --------------------------------------------------------------

bool ScanViewController::isGAScanFinished() { return g_isGAScanFinished.load(); }
void ScanViewController::setIsGAScanFinished(bool value) { g_isGAScanFinished.store(value); }
bool ScanViewController::isManualStop() { return g_isManualStop.load(); }
void ScanViewController::setIsManualStop(bool value) { g_isManualStop.store(value); }
bool ScanViewController::isDeleteFile() { return g_isDeleteFile.load(); }
void ScanViewController::setIsDeleteFile(bool value) { g_isDeleteFile.store(value); }

// --- life ----------------------------------------------------------------------

ScanViewController::ScanViewController(QWidget* parent)
    : ViewController(parent),
      ui_(std::make_unique<Ui::ScanViewController>()),
      largeFileMode_(FolderSetViewController::isScanLargeFile())
{
    ui_->setupUi(this);
    setObjectName(QStringLiteral("ScanViewController"));
    ui_->contentBox->setContentView(ui_->scanDataView);
    ui_->scanningLargeFileView->hide();

    connect(ui_->startBtn, &RYTButton::clicked, this, &ScanViewController::startAction);
    connect(ui_->backBtn, &RYTButton::clicked, this, &ScanViewController::backAction);
    connect(ui_->automaticSelectionBtn, &RYTButton::clicked, this, &ScanViewController::automaticSelectionAction);
    connect(ui_->notAtAllBtn, &RYTButton::clicked, this, &ScanViewController::notAtAllAction);
    connect(ui_->modeSwitchBtn, &KPLSwitchButton::clicked, this, &ScanViewController::modeSwitchAction);
    connect(ui_->allSelectCheckBox, &RYTCheckBox::clicked, this, &ScanViewController::largeFileAllSelectAction);
    connect(ui_->upSortNameBtn, &RYTButton::clicked, this, &ScanViewController::nameSortUpAction);
    connect(ui_->downSortNameBtn, &RYTButton::clicked, this, &ScanViewController::nameSortDownAction);
    connect(ui_->upSortSizeBtn, &RYTButton::clicked, this, &ScanViewController::sizeSortUpAction);
    connect(ui_->downSortSizeBtn, &RYTButton::clicked, this, &ScanViewController::sizeSortDownAction);

    viewDidLoad();
}

ScanViewController::~ScanViewController()
{
    // No engine may call this screen from here on, and a call one is making
    // now (from its own thread) returns before the screen's memory goes.
    {
        std::lock_guard lock(removalHandOver_->mutex);
        removalHandOver_->going = true;
    }
    removalHandOver_->changed.notify_all();
    ScanManager& engine = ScanManager::default_();
    LargeFilesManager& large = LargeFilesManager::default_();
    const bool engineDelegate = engine.delegate() == this;
    engine.detachDelegate(this);
    large.detachDelegate(this);
    // Nothing may call back into a screen that is going.
    ui_->popUpButton->setDelegate(nullptr);
    if (leftDataViewCtr_) {
        leftDataViewCtr_->setDelegate(nullptr);
    }
    if (rightDataListViewCtr_) {
        rightDataListViewCtr_->setDelegate(nullptr);
    }
    if (rightDataPrevieViewCtr_) {
        rightDataPrevieViewCtr_->setDelegate(nullptr);
    }
    if (leftLargeFileViewController_) {
        leftLargeFileViewController_->setDelegate(nullptr);
    }
    if (rightLargeFileDataViewController_) {
        rightLargeFileDataViewController_->setDelegate(nullptr);
        rightLargeFileDataViewController_->setCheckBoxDelegate(nullptr);
    }
    if (fileRemovingViewCtr_) {
        fileRemovingViewCtr_->setDelegate(nullptr);
    }
    // Once it has covered a view and gone, the loading overlay has no parent
    // left; the screen that made it takes it along.
    delete loadingViewCtr_.data();
    if (openPanel_) {
        openPanel_->disconnect(this);
        openPanel_->deleteLater();
    }

    // Every wait here is bounded: a walk stuck in the file system (a network
    // mount that stopped answering) must not hold up the program's end.
    const QDeadlineTimer deadline(kTeardownWaitMs);
    if (scanThread_) {
        // The walk ends at its next item once it is told to stop.
        if (!scanThread_->isFinished()) {
            large.stopScanLargeFile();
        }
        if (scanThread_->wait(deadline)) {
            delete scanThread_;
        } else {
            // Left to end by itself; it reaches only the engine, which
            // outlives every screen, and no longer this screen.
            connect(scanThread_, &QThread::finished, scanThread_, &QObject::deleteLater);
            if (scanThread_->isFinished()) {
                scanThread_->deleteLater();  // it ended just now
            }
        }
        scanThread_ = nullptr;
    }
    if (engineDelegate) {
        // Going while the engine still works (the program ends under a
        // scan): stop it and let it wind down, so it calls nobody later.
        // It ends without this thread's help: the reading stops between
        // pieces, and the progress still queued here is given up.
        if (engine.scaning()) {
            engine.stopScan();
            engine.waitUntilIdle(int(std::max<qint64>(0, deadline.remainingTime())));
        }
    }
}

void ScanViewController::viewDidLoad()
{
    initConfig();
    NotificationCenter::defaultCenter().addObserver(this, QString::fromLatin1(kResetSortNotification),
                                                    [this](const Notification&) { resetSortBtn(); });
    countLaunch();
}

void ScanViewController::countLaunch()
{
    const QString key = largeFileMode_ ? QStringLiteral("ScanLarge") : QStringLiteral("Scan");
    const QString suffix = largeFileMode_ ? QStringLiteral("_large") : QStringLiteral("_File");
    if (const std::optional<qint64> count = countUsage(key)) {
        asyncGALog(QStringLiteral("Process"), QStringLiteral("Scan"), QString::number(*count) + suffix);
    }
}

void ScanViewController::initConfig()
{
    backgroundConfig();
    headerConfig();
    leftOutNoticeConfig();
    leftBoxConfig();
    rightBoxConfig();
    popUpButtonConfig();
    removeTypeConfig();
}

void ScanViewController::backgroundConfig()
{
    // The screen's surfaces keep their light colours in both appearances.
    setAutoFillBackground(true);
    QPalette background = palette();
    background.setColor(QPalette::Window, color256(237, 240, 245));
    setPalette(background);
    ui_->dataBoxView->setBackgroundColor(color256(237, 240, 245));
    ui_->dataBoxView->setCornerRadius(QSizeF(8, 8));
}

void ScanViewController::leftOutNoticeConfig()
{
    ui_->leftOutNoticeBox->setContentView(ui_->leftOutNoticeContent);
    ui_->leftOutNoticeBox->setFillColor(Qt::white);
    ui_->leftOutNoticeBox->setBorderWidth(1.0);
    ui_->leftOutNoticeBox->setBorderColor(color256(240, 140, 26, 0.5));
    ui_->leftOutNoticeBox->setCornerRadius(6.0);
    ui_->leftOutNoticeIcon->setPixmap(
        RYTImage::named(QStringLiteral("exclamation")).pixmap(QSize(16, 16), devicePixelRatioF()));
    QFont text = font();
    text.setPixelSize(12);
    ui_->leftOutNoticeLabel->setFont(text);
    setTextColor(ui_->leftOutNoticeLabel, surfaceColor(QStringLiteral("TitleLabelColor"), 0.8));
    // A long path is cut, never a reason to widen the window.
    ui_->leftOutNoticeLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void ScanViewController::headerConfig()
{
    RYTButton* back = ui_->backBtn;
    back->setTitle(localized("Back"));
    back->setCornerRadius(4.0);
    const QColor backTitle = surfaceColor(QStringLiteral("TitleLabelColor"));
    back->setTitleColor(backTitle, backTitle, backTitle, backTitle);
    const QColor backBorder = RYTButton::backBorderColor();
    back->setButtonBorderColor(backBorder, backBorder, backBorder, backBorder);

    RYTButton* start = ui_->startBtn;
    start->setTitle(localized("Remove"));
    start->setCornerRadius(4.0);
    const QColor normal = surfaceColor(QStringLiteral("ButtonNormalColor"));
    const QColor hover = surfaceColor(QStringLiteral("ButtonHoverColor"));
    start->setTitleColor(normal, hover, hover, hover);
    start->setButtonBorderColor(normal, hover, hover, hover);

    QFont header = font();
    header.setPixelSize(13);
    for (QWidget* w : {static_cast<QWidget*>(back), static_cast<QWidget*>(start), static_cast<QWidget*>(ui_->selectTitleLabel),
                       static_cast<QWidget*>(ui_->selectCountSizeLabel)}) {
        w->setFont(header);
    }
    ui_->selectTitleLabel->setText(localized("Selected:"));
    setTextColor(ui_->selectTitleLabel, surfaceColor(QStringLiteral("TitleLabelColor")));
    // Before the first count too: the header's surface stays light.
    setTextColor(ui_->selectCountSizeLabel, surfaceColor(QStringLiteral("ButtonTitleNormalBlueColor")));
    ui_->previewModeLabel->setText(localized("Preview Mode"));
    setTextColor(ui_->previewModeLabel, surfaceColor(QStringLiteral("TitleLabelColor")));
    ui_->modeSwitchBtn->setChecked(previewModel_);
}

void ScanViewController::leftBoxConfig()
{
    for (KPLBox* box : {ui_->leftBox, ui_->scanningLargeFileBox}) {
        box->setCornerRadius(8.0);
        box->setBorderWidth(0.0);
        box->setFillColor(Qt::white);
    }
    if (largeFileMode_) {
        ui_->scanningLargeFileView->setBackgroundColor(Qt::white);
        ui_->scanningLargeFileView->setCornerRadius(QSizeF(8, 8));
    }
}

// The soft shadow of the right box and of the buttons on it.
RYTShadow ScanViewController::rightBoxShadow()
{
    return RYTShadow{QColor(0, 0, 0, qRound(0.1 * 255)), QPointF(0, 1), 2.0};
}

void ScanViewController::rightBoxConfig()
{
    KPLBox* right = ui_->rightBox;
    right->setCornerRadius(8.0);
    right->setBorderWidth(0.0);
    right->setFillColor(Qt::white);
    const RYTShadow shadow = rightBoxShadow();
    right->setShadow(shadow.color, shadow.offset, shadow.blur);

    // The "nothing selected" panel lies on the white box: white, rounded.
    ui_->rightNotDataSelectView->setBackgroundColor(Qt::white);
    ui_->rightNotDataSelectView->setCornerRadius(QSizeF(8, 8));
    setTextColor(ui_->rightNotDataSelectViewLabel, surfaceColor(QStringLiteral("TitleLabelColor"), 0.5));
    ui_->rightNotDataSelectIcon->setPixmap(
        RYTImage::named(QStringLiteral("notDataSelected")).pixmap(QSize(96, 96), devicePixelRatioF()));

    if (largeFileMode_) {
        largeFileRightBoxConfig();
    } else {
        duplicateRightBoxConfig();
    }
    allSelectBoxConfig();
}

void ScanViewController::duplicateRightBoxConfig()
{
    ui_->rightDataBox->setBorderWidth(0.0);
    ui_->rightDataBox->setFillColor(Qt::white);
    const struct {
        RYTButton* button;
        const char* title;
        const char* icon;
    } buttons[] = {
        {ui_->automaticSelectionBtn, "Auto select", "rightBtn_AutomaticSelection"},
        {ui_->notAtAllBtn, "Unselect All", "rightBtn_NotAtAll"},
    };
    QFont small = font();
    small.setPixelSize(12);
    const RYTShadow shadow = rightBoxShadow();
    for (const auto& entry : buttons) {
        RYTButton* button = entry.button;
        button->setTitle(localized(entry.title));
        const QIcon icon = RYTImage::named(QString::fromLatin1(entry.icon));
        button->setButtonStateImage(icon, icon, icon, icon);
        button->setIconSize(QSize(14, 14));
        button->setButtonStateColor(Qt::white, color256(237, 239, 245), color256(215, 218, 227), Qt::white);
        const QColor title = surfaceColor(QStringLiteral("ButtonTitleNormalColor"));
        button->setTitleColor(title, title, title, title);
        const QColor border = surfaceColor(QStringLiteral("ButtonborderColor"), 0.3);
        button->setButtonBorderColor(border, border, border, border);
        button->setCornerRadius(2.0);
        button->setBorderWidth(0.5);
        button->setShadow(shadow.color, shadow.offset, shadow.blur);
        button->setFont(small);
    }
}

void ScanViewController::largeFileRightBoxConfig()
{
    ui_->rightLargeFileDataBox->setBorderWidth(0.0);
    ui_->rightLargeFileDataBox->setFillColor(Qt::white);
    ui_->allSelectLable->setText(localized("Check All"));
    ui_->sortByLable->setText(localized("Name"));
    ui_->sortSIzeLable->setText(localized("Size"));
    QFont small = font();
    small.setPixelSize(12);
    for (QLabel* label : {ui_->allSelectLable, ui_->sortByLable, ui_->sortSIzeLable}) {
        label->setFont(small);
        setTextColor(label, surfaceColor(QStringLiteral("TitleLabelColor"), 0.7));
    }
    setSortImage(ui_->upSortNameBtn, QStringLiteral("sortBtnUp"));
    setSortImage(ui_->downSortNameBtn, QStringLiteral("sortBtnDown"));
    setSortImage(ui_->upSortSizeBtn, QStringLiteral("sortBtnUp"));
    setSortImage(ui_->downSortSizeBtn, QStringLiteral("sortBtnClickDown"));
}

void ScanViewController::allSelectBoxConfig()
{
    RYTCheckBox* box = ui_->allSelectCheckBox;
    box->setAllowsMixedState(true);
    box->setState(RYTCheckBox::stateOff);
    allSelectStateBefore_ = RYTCheckBox::stateOff;
    box->setIconName(QStringLiteral("Selected"));
    box->setIsHover(false);
    box->setButtonType(RYTCheckBox::buttonTypeSwitch);
}

// --- outlets -------------------------------------------------------------------

FileRemovingViewController* ScanViewController::fileRemovingViewCtr() const { return fileRemovingViewCtr_; }
QFileDialog* ScanViewController::openPanel() const
{
    return openPanel_ && openPanel_->isVisible() ? openPanel_.data() : nullptr;
}
KPLBox* ScanViewController::contentBox() const { return ui_->contentBox; }
QWidget* ScanViewController::leftOutNoticeView() const { return ui_->leftOutNoticeView; }
QLabel* ScanViewController::leftOutNoticeLabel() const { return ui_->leftOutNoticeLabel; }
QWidget* ScanViewController::scanDataView() const { return ui_->scanDataView; }
KPLBox* ScanViewController::leftBox() const { return ui_->leftBox; }
KPLBox* ScanViewController::rightBox() const { return ui_->rightBox; }
RYTView* ScanViewController::dataBoxView() const { return ui_->dataBoxView; }
QWidget* ScanViewController::rightDataView() const { return ui_->rightDataView; }
KPLBox* ScanViewController::rightDataBox() const { return ui_->rightDataBox; }
QWidget* ScanViewController::rightLargeFileView() const { return ui_->rightLargeFileView; }
KPLBox* ScanViewController::rightLargeFileDataBox() const { return ui_->rightLargeFileDataBox; }
RYTView* ScanViewController::scanningLargeFileView() const { return ui_->scanningLargeFileView; }
KPLBox* ScanViewController::scanningLargeFileBox() const { return ui_->scanningLargeFileBox; }
QWidget* ScanViewController::rightNotDataSelectView() const { return ui_->rightNotDataSelectView; }
QLabel* ScanViewController::rightNotDataSelectViewLabel() const { return ui_->rightNotDataSelectViewLabel; }
QLabel* ScanViewController::selectTitleLabel() const { return ui_->selectTitleLabel; }
QLabel* ScanViewController::selectCountSizeLabel() const { return ui_->selectCountSizeLabel; }
PopUpButton* ScanViewController::popUpButton() const { return ui_->popUpButton; }
RYTButton* ScanViewController::startBtn() const { return ui_->startBtn; }
RYTButton* ScanViewController::backBtn() const { return ui_->backBtn; }
RYTButton* ScanViewController::automaticSelectionBtn() const { return ui_->automaticSelectionBtn; }
RYTButton* ScanViewController::notAtAllBtn() const { return ui_->notAtAllBtn; }
KPLSwitchButton* ScanViewController::modeSwitchBtn() const { return ui_->modeSwitchBtn; }
QLabel* ScanViewController::previewModeLabel() const { return ui_->previewModeLabel; }
RYTCheckBox* ScanViewController::allSelectCheckBox() const { return ui_->allSelectCheckBox; }
QLabel* ScanViewController::allSelectLable() const { return ui_->allSelectLable; }
QLabel* ScanViewController::sortByLable() const { return ui_->sortByLable; }
QLabel* ScanViewController::sortSIzeLable() const { return ui_->sortSIzeLable; }
RYTButton* ScanViewController::upSortNameBtn() const { return ui_->upSortNameBtn; }
RYTButton* ScanViewController::downSortNameBtn() const { return ui_->downSortNameBtn; }
RYTButton* ScanViewController::upSortSizeBtn() const { return ui_->upSortSizeBtn; }
RYTButton* ScanViewController::downSortSizeBtn() const { return ui_->downSortSizeBtn; }

// --- children ------------------------------------------------------------------

LeftScanningViewController* ScanViewController::leftScanningViewCtr()
{
    if (!leftScanningViewCtr_) {
        leftScanningViewCtr_ = ViewController::initUseNibName<LeftScanningViewController>();
        leftScanningViewCtr_->setParent(this);
        leftScanningViewCtr_->hide();
    }
    return leftScanningViewCtr_;
}

NotDataRightScanningViewController* ScanViewController::notDataRightScanningViewCtr()
{
    if (!notDataRightScanningViewCtr_) {
        notDataRightScanningViewCtr_ = ViewController::initUseNibName<NotDataRightScanningViewController>();
        notDataRightScanningViewCtr_->setParent(this);
        notDataRightScanningViewCtr_->hide();
    }
    return notDataRightScanningViewCtr_;
}

LeftDataViewController* ScanViewController::leftDataViewCtr()
{
    if (!leftDataViewCtr_) {
        leftDataViewCtr_ = ViewController::initUseNibName<LeftDataViewController>();
        leftDataViewCtr_->setParent(this);
        leftDataViewCtr_->hide();
    }
    return leftDataViewCtr_;
}

RightDataListViewController* ScanViewController::rightDataListViewCtr()
{
    if (!rightDataListViewCtr_) {
        rightDataListViewCtr_ = ViewController::initUseNibName<RightDataListViewController>();
        rightDataListViewCtr_->setParent(this);
        rightDataListViewCtr_->hide();
        // Its lists lie on the fixed white panel.
        keepScrollBarsLight(rightDataListViewCtr_);
    }
    return rightDataListViewCtr_;
}

RightDataPreviewViewController* ScanViewController::rightDataPrevieViewCtr()
{
    if (!rightDataPrevieViewCtr_) {
        rightDataPrevieViewCtr_ = ViewController::initUseNibName<RightDataPreviewViewController>();
        rightDataPrevieViewCtr_->setParent(this);
        rightDataPrevieViewCtr_->hide();
        keepScrollBarsLight(rightDataPrevieViewCtr_);
    }
    return rightDataPrevieViewCtr_;
}

NotDataFinishedViewController* ScanViewController::notDataFinishedViewCtr()
{
    if (!notDataFinishedViewCtr_) {
        notDataFinishedViewCtr_ = ViewController::initUseNibName<NotDataFinishedViewController>();
        notDataFinishedViewCtr_->setParent(this);
        notDataFinishedViewCtr_->hide();
    }
    return notDataFinishedViewCtr_;
}

ScanningLargeFileViewController* ScanViewController::scanningLargeFileViewController()
{
    if (!scanningLargeFileViewController_) {
        scanningLargeFileViewController_ = ViewController::initUseNibName<ScanningLargeFileViewController>();
        scanningLargeFileViewController_->setParent(this);
        scanningLargeFileViewController_->hide();
    }
    return scanningLargeFileViewController_;
}

LeftLargeFileViewController* ScanViewController::leftLargeFileViewController()
{
    if (!leftLargeFileViewController_) {
        leftLargeFileViewController_ = ViewController::initUseNibName<LeftLargeFileViewController>();
        leftLargeFileViewController_->setParent(this);
        leftLargeFileViewController_->hide();
    }
    return leftLargeFileViewController_;
}

RightLargeFileDataViewController* ScanViewController::rightLargeFileDataViewController()
{
    if (!rightLargeFileDataViewController_) {
        rightLargeFileDataViewController_ = ViewController::initUseNibName<RightLargeFileDataViewController>();
        rightLargeFileDataViewController_->setParent(this);
        rightLargeFileDataViewController_->hide();
    }
    return rightLargeFileDataViewController_;
}

LoadingViewController* ScanViewController::loadingViewCtr()
{
    if (!loadingViewCtr_) {
        loadingViewCtr_ = ViewController::initUseNibName<LoadingViewController>();
        loadingViewCtr_->setParent(this);
        loadingViewCtr_->hide();
    }
    return loadingViewCtr_;
}

// --- display -------------------------------------------------------------------

void ScanViewController::displayScanningView()
{
    if (!largeFileMode_) {
        ui_->contentBox->setContentView(ui_->scanDataView);
        ui_->leftBox->setContentView(leftScanningViewCtr());
        ui_->leftBox->setFillColor(Qt::white);
        leftScanningViewCtr()->startTimer();
        // In place before the engine's first report.
        ScanManager::default_().setDelegate(this);
        ScanManager::default_().scanDuplicateFile();
    } else {
        ui_->dataBoxView->hide();
        ui_->scanningLargeFileView->show();
        ui_->contentBox->setContentView(ui_->scanDataView);
        ui_->scanningLargeFileBox->setContentView(scanningLargeFileViewController());
        ui_->scanningLargeFileBox->setFillColor(Qt::white);
        scanningLargeFileViewController()->startTimer();
        LargeFilesManager::default_().setDelegate(this);
        scanThread_ = QThread::create([] { LargeFilesManager::default_().scanLargeFile(); });
        scanThread_->setObjectName(QStringLiteral("LargeFileScan"));
        scanThread_->start();
    }
    selectCountSizeLabelConstraint_ = 0.0;
    displayRightDataView();
}

void ScanViewController::updateBusyControls()
{
    const bool busy = displayViewType_ == DisplayViewType::displayViewTypeScanning || loadingViewCtr()->isLoading();
    const bool enable = !busy;
    for (QWidget* control : {static_cast<QWidget*>(ui_->backBtn), static_cast<QWidget*>(ui_->automaticSelectionBtn),
                             static_cast<QWidget*>(ui_->notAtAllBtn), static_cast<QWidget*>(ui_->modeSwitchBtn),
                             static_cast<QWidget*>(ui_->previewModeLabel)}) {
        control->setEnabled(enable);
    }
    for (QWidget* control : {static_cast<QWidget*>(ui_->backBtn), static_cast<QWidget*>(ui_->automaticSelectionBtn),
                             static_cast<QWidget*>(ui_->notAtAllBtn)}) {
        setViewAlpha(control, enable ? 1.0 : 0.3);
    }
    setViewAlpha(ui_->previewModeLabel, enable ? 1.0 : 0.34);
    ui_->popUpButton->setHidden(busy);
    ui_->selectTitleLabel->setHidden(busy);
    ui_->selectCountSizeLabel->setHidden(busy);
    ui_->startBtn->setTitle(busy ? localized("Stop") : localized("Remove"));
    // Only panels already made: a check box drawn by none needs nothing.
    if (largeFileMode_) {
        if (rightLargeFileDataViewController_) {
            rightLargeFileDataViewController_->setCheckIsEnabled(enable);
        }
    } else if (previewModel_ && rightDataPrevieViewCtr_) {
        rightDataPrevieViewCtr_->setCheckIsEnabled(enable);
    } else if (!previewModel_ && rightDataListViewCtr_) {
        rightDataListViewCtr_->setCheckIsEnabled(enable);
    }
}

void ScanViewController::displayRightDataView()
{
    const bool scanning = displayViewType_ == DisplayViewType::displayViewTypeScanning;
    if (scanning) {
        // Groups appear while the scan runs.
        rightDataFilesArray_ = largeFileMode_ ? LargeFilesManager::default_().allFiles()
                                              : ScanManager::default_().totalFiles();
    }
    updateBusyControls();
    const bool enable = !scanning && !loadingViewCtr()->isLoading();

    bool empty = false;
    if (largeFileMode_) {
        if (viewSelected_ && (!rightLargeDataFiles_ || rightLargeDataFiles_->infos().isEmpty())) {
            empty = true;
        } else {
            ui_->rightBox->setContentView(ui_->rightLargeFileView);
            RightLargeFileDataViewController* table = rightLargeFileDataViewController();
            ui_->rightLargeFileDataBox->setContentView(table);
            table->setDelegate(this);
            table->setCheckBoxDelegate(this);
            table->setCheckIsEnabled(enable);
            table->setData(rightLargeDataFiles_, currentSortType_);
        }
    } else if (rightDataFilesArray_.isEmpty()) {
        empty = true;
    } else {
        ui_->rightBox->setContentView(ui_->rightDataView);
        if (previewModel_) {
            RightDataPreviewViewController* panel = rightDataPrevieViewCtr();
            ui_->rightDataBox->setContentView(panel);
            panel->setDelegate(this);
            panel->setCheckIsEnabled(enable);
            panel->setDataArray(rightDataFilesArray_);
        } else {
            RightDataListViewController* panel = rightDataListViewCtr();
            ui_->rightDataBox->setContentView(panel);
            panel->setDelegate(this);
            panel->setCheckIsEnabled(enable);
            panel->setDataArray(rightDataFilesArray_);
        }
    }
    if (empty) {
        setCloseView(3);
        if (scanning || displayViewType_ == DisplayViewType::displayViewTypeRemoving) {
            ui_->rightBox->setContentView(notDataRightScanningViewCtr());
        } else {
            updateRightDataBox(true);
        }
    }
    updateTabOrder();
}

void ScanViewController::updateTabOrder()
{
    // The reading order: the bar at the top, then the left panel, then the
    // right panel's bar and its lists. The panels come into the screen as
    // they are first shown; one not shown yet is left out, and Tab passes
    // over what is hidden or disabled.
    QList<QWidget*> order = {ui_->backBtn, ui_->popUpButton, ui_->startBtn};
    if (largeFileMode_) {
        if (leftLargeFileViewController_) {
            order << leftLargeFileViewController_->leftBtn() << leftLargeFileViewController_->rightBtn()
                  << leftLargeFileViewController_->sortPopButton() << leftLargeFileViewController_->tableView();
        }
        order << ui_->allSelectCheckBox << ui_->upSortNameBtn << ui_->downSortNameBtn << ui_->upSortSizeBtn
              << ui_->downSortSizeBtn;
        if (rightLargeFileDataViewController_) {
            order << rightLargeFileDataViewController_->mainTableView();
        }
    } else {
        if (leftDataViewCtr_) {
            order << leftDataViewCtr_->leftBtn() << leftDataViewCtr_->rightBtn() << leftDataViewCtr_->tableView();
        }
        order << ui_->automaticSelectionBtn << ui_->notAtAllBtn << ui_->modeSwitchBtn;
        if (rightDataPrevieViewCtr_) {
            order << rightDataPrevieViewCtr_->mainTableView() << rightDataPrevieViewCtr_->subTableView();
        }
        if (rightDataListViewCtr_) {
            order << rightDataListViewCtr_->outlineView();
        }
    }
    order.removeIf([this](const QWidget* control) { return control->window() != window(); });
    for (qsizetype i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
    }
}

void ScanViewController::displayScanFinishedView()
{
    if (largeFileMode_ && !isGAScanFinished()) {
        LargeFilesManager::default_().scanGA(0);
        const DuplicateFilesPtr all = largeFileAllGroup();
        if (all && all->fileCount() > 0) {
            if (const std::optional<qint64> count = countUsage(QStringLiteral("ScanHaveLargeFile"))) {
                asyncGALog(QStringLiteral("Process"), QStringLiteral("Scanresultdata"),
                           QString::number(*count) + QStringLiteral("_Large"));
            }
        }
        setIsGAScanFinished(true);
    }
    ui_->scanningLargeFileView->hide();
    ui_->dataBoxView->show();
    if (largeFileMode_) {
        if (closeView() != 17) {
            setCloseView(14);
        }
    } else if (closeView() != 7) {
        setCloseView(4);
    }
    ui_->leftBox->setFillColor(Qt::transparent);

    const bool nothing = largeFileMode_ ? !largeFileAllGroup() || largeFileAllGroup()->fileCount() == 0
                                        : ScanManager::default_().totalFiles().isEmpty();
    const QList<LeftOutFolder> leftOut = largeFileMode_ ? LargeFilesManager::default_().leftOutFolders()
                                                        : ScanManager::default_().leftOutFolders();
    updateLeftOutNotice(leftOut);
    if (nothing) {
        NotDataFinishedViewController* empty = notDataFinishedViewCtr();
        // A scan that walked none of the folders found nothing because it
        // looked nowhere: the screen says so rather than that nothing is there.
        empty->setLeftOutFolders(leftOut, largeFileMode_ ? LargeFilesManager::default_().scannedNoFolder()
                                                         : ScanManager::default_().scannedNoFolder());
        ui_->contentBox->setContentView(empty);
        displayLoading(false);
        QPointer<ScanViewController> self(this);
        empty->setFinishBlock([self] {
            if (!self) {
                return;
            }
            if (self->delegate_) {
                self->delegate_->scanNotDataFinishedAction();
            }
            NotificationCenter::defaultCenter().post(didHiddenMainWindowTitleNotification());
        });
        return;
    }

    ui_->contentBox->setContentView(ui_->scanDataView);
    selectCountSizeLabelConstraint_ =
        ui_->startBtn->height() * 0.5 - ui_->selectCountSizeLabel->height() * 0.5 + 3.0;
    QPointer<ScanViewController> self(this);
    if (largeFileMode_) {
        LeftLargeFileViewController* left = leftLargeFileViewController();
        // Its band and age titles are longer than the duplicate categories.
        ui_->leftBox->setFixedWidth(largeFileLeftBoxWidth);
        ui_->leftBox->setContentView(left);
        left->setDelegate(this);
        left->setIsEnabledSelect(false);
        left->tableView()->setEnabled(false);
        left->clearDataArray();
        left->setDataArray([self] {
            if (!self) {
                return;
            }
            self->loadingViewCtr()->setIsLoading(false);
            self->displayLoading(false);
            self->deleteScanThread();
            self->displayRightDataView();
            LeftLargeFileViewController* panel = self->leftLargeFileViewController();
            panel->tableView()->selectRow(0);
            panel->setIsEnabledSelect(true);
            panel->tableView()->setEnabled(true);
        });
        return;
    }
    LeftDataViewController* left = leftDataViewCtr();
    ui_->leftBox->setContentView(left);
    left->setDelegate(this);
    left->setIsEnabledSelect(false);
    left->tableView()->setEnabled(false);
    rightDataListViewCtr()->setIsEnabledSelect(false);
    rightDataListViewCtr()->outlineView()->setEnabled(false);
    left->clearDataArray();
    left->setDataArray([self] {
        if (!self) {
            return;
        }
        self->loadingViewCtr()->setIsLoading(false);
        self->displayLoading(false);
        self->displayRightDataView();
        LeftDataViewController* panel = self->leftDataViewCtr();
        if (panel->selectedRow() != 0) {
            panel->tableView()->selectRow(0);
        }
        panel->setIsEnabledSelect(true);
        panel->tableView()->setEnabled(true);
        self->rightDataListViewCtr()->setIsEnabledSelect(true);
        self->rightDataListViewCtr()->outlineView()->setEnabled(true);
    });
}

void ScanViewController::updateLeftOutNotice(const QList<LeftOutFolder>& leftOut)
{
    if (leftOut.isEmpty()) {
        ui_->leftOutNoticeView->hide();
        return;
    }
    constexpr int kLines = 3;
    ui_->leftOutNoticeLabel->setText(localized("Not scanned:") + QLatin1Char('\n') +
                                     NotDataFinishedViewController::leftOutLines(leftOut, kLines));
    ui_->leftOutNoticeLabel->setToolTip(
        leftOut.size() > kLines ? NotDataFinishedViewController::leftOutLines(leftOut, int(leftOut.size())) : QString());
    ui_->leftOutNoticeView->show();
}

void ScanViewController::deleteScanThread()
{
    if (!scanThread_) {
        return;
    }
    QThread* thread = std::exchange(scanThread_, nullptr);
    thread->requestInterruption();
    // Joined before it goes: deleted once its walk has returned.
    if (thread->isFinished()) {
        delete thread;
    } else {
        connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    }
}

void ScanViewController::displayRemovingView()
{
    if (fileRemovingViewCtr_) {
        fileRemovingViewCtr_->setDelegate(nullptr);
        fileRemovingViewCtr_->deleteLater();
    }
    auto* removing = ViewController::initUseNibName<FileRemovingViewController>();
    removing->setParent(this);
    fileRemovingViewCtr_ = removing;
    ui_->contentBox->setContentView(removing);
    removing->setDelegate(this);
    removing->setRemoveData({saveSelectData_.count, saveSelectData_.size});
    removing->setChosenFiles(removalChosen_);
    const uint64_t remover = countUsageUnsigned(QStringLiteral("Remover"));
    if (largeFileMode_) {
        setCloseView(16);
        removingLargeGALog(QStringLiteral("RemoverLarge"), QStringLiteral("Remover"));
    } else {
        setCloseView(6);
        asyncGALog(QStringLiteral("Process"), QStringLiteral("Remover"), QString::number(remover) + QStringLiteral("_File"));
    }
}

void ScanViewController::displayRemoveFinishedView()
{
    setCloseView(largeFileMode_ ? 17 : 7);
    successRemoveData_.count += static_cast<int>(ScanManager::default_().succeedRemoveCount());
    successRemoveData_.size += ScanManager::default_().succeedRemoveSize();
    displayScanFinishedView();
    if (largeFileMode_) {
        isRemoveLargeFile_ = true;
        updateCountLable(true);
    } else {
        // The remaining results came back unselected: the summary tells what
        // was removed even when the left panel keeps its chosen category.
        updateSelectCountSizeLabel();
    }
}

void ScanViewController::displayLoading(bool show)
{
    QPointer<ScanViewController> self(this);
    DispatchQueue::main().async([self, show] {
        if (!self) {
            return;
        }
        LoadingViewController* loading = self->loadingViewCtr();
        loading->setIsLoading(show);
        loading->loadingStart(show, self->ui_->contentBox->contentView());
        // A panel that redrew the header while the overlay stood left it
        // busy: the end of the loading alone says it is usable again.
        self->updateBusyControls();
    });
}

// --- panels ----------------------------------------------------------------------

void ScanViewController::leftDataViewUpdateViewSelected(bool viewSelected)
{
    NotificationCenter::defaultCenter().post(QString::fromLatin1(kResetSortNotification));
    viewSelected_ = viewSelected;
    if (!largeFileMode_) {
        if (viewSelected) {
            gALogData_.selectedCount += 1;
            if (saveSelectData_.count < 1) {
                if (previewModel_) {
                    rightDataPrevieViewCtr()->setDataArray({});
                } else {
                    rightDataListViewCtr()->setDataArray({});
                }
            }
            leftDataViewCtr()->setDataArray([] {});
        } else {
            leftDataViewCtr()->reloadData(false, [] {});
        }
        return;
    }
    if (viewSelected) {
        gALogData_.selectedCount += 1;
        if (saveSelectData_.count < 1) {
            updateRightDataBox(true);
        }
    }
}

void ScanViewController::leftDataViewShowFiles(const DuplicateFilesList& files)
{
    rightDataFilesArray_ = files;
    LeftDataViewController* left = leftDataViewCtr();
    if (left->isClearRightViewSelect()) {
        rightDataPrevieViewCtr()->initSelect();
        rightDataListViewCtr()->initSelect();
    } else {
        left->setIsClearRightViewSelect(true);
    }
    displayRightDataView();
    updateSelectCountSizeLabel();
}

void ScanViewController::setRightLargeDataFiles(const DuplicateFilesPtr& files)
{
    rightLargeDataFiles_ = files;
}

void ScanViewController::leftDataViewCtrReloadData(bool sort)
{
    // Only the "Selected" view counts what the user ticks.
    if (leftDataViewCtr_ && leftDataViewCtr_->viewSelected()) {
        leftDataViewCtr_->reloadData(sort, [] {});
    }
}

bool ScanViewController::takeLateRemovals()
{
    const LateRemovals late = largeFileMode_ ? LargeFilesManager::default_().takeLateRemovals()
                                             : ScanManager::default_().takeLateRemovals();
    if (late.count == 0) {
        return false;
    }
    if (largeFileMode_) {
        hasRemovesucceedCount_ += static_cast<int>(late.count);
        hasRemovesucceedSize_ += late.size;
    } else {
        successRemoveData_.count += static_cast<int>(late.count);
        successRemoveData_.size += late.size;
    }
    return true;
}

bool ScanViewController::anyResultsLeft() const
{
    return largeFileMode_ ? largeFileAllGroup() && largeFileAllGroup()->fileCount() > 0
                          : !ScanManager::default_().totalFiles().isEmpty();
}

void ScanViewController::fileRemovingViewRemoveFinished()
{
    // What went after the run had ended is shown gone like the rest.
    takeLateRemovals();
    if (!anyResultsLeft()) {
        backToHome();
        return;
    }
    displayViewType_ = DisplayViewType::displayViewTypeRemoveFinished;
    displayRemoveFinishedView();
}

void ScanViewController::updateSelectedState(SelectType selectType)
{
    RYTCheckBox* box = ui_->allSelectCheckBox;
    switch (selectType) {
    case SelectType::typeMix:
        box->setState(RYTCheckBox::stateMixed);
        ui_->allSelectLable->setText(localized("Deselect All"));
        break;
    case SelectType::typeOn:
        box->setState(RYTCheckBox::stateOn);
        ui_->allSelectLable->setText(localized("Deselect All"));
        break;
    case SelectType::typeOff:
        box->setState(RYTCheckBox::stateOff);
        ui_->allSelectLable->setText(localized("Check All"));
        break;
    }
    allSelectStateBefore_ = box->state();
    setStartEnabled(anyLargeFileSelected());
}

void ScanViewController::setStartEnabled(bool enabled)
{
    // While a scan runs the button is its Stop: only a confirmed stop
    // disables it.
    if (displayViewType_ == DisplayViewType::displayViewTypeScanning) {
        return;
    }
    ui_->startBtn->setEnabled(enabled);
    setViewAlpha(ui_->startBtn, enabled ? 1.0 : 0.3);
}

// --- selection commands -------------------------------------------------------------

const DuplicateFilesList& ScanViewController::currentPanelFiles()
{
    return previewModel_ ? rightDataPrevieViewCtr()->filesArray() : rightDataListViewCtr()->filesArray();
}

void ScanViewController::currentPanelReload()
{
    if (previewModel_) {
        rightDataPrevieViewCtr()->reloadData();
    } else {
        rightDataListViewCtr()->reloadData();
    }
}

void ScanViewController::automaticSelectionAction()
{
    gALogData_.selectCount.autoSelectCount += 1;
    const DuplicateFilesList groups = currentPanelFiles();
    for (const DuplicateFilesPtr& group : groups) {
        group->setSelectState(ControlState::mixed);
        bool first = true;
        for (const FileInfoPtr& file : group->infos()) {
            file->setSelected(!first);
            first = false;
        }
    }
    rightDataFilesArray_ = groups;
    updateSelectCountSizeLabel();
    leftDataViewCtr()->reloadData(true, [] {});
    currentPanelReload();
}

void ScanViewController::notAtAllAction()
{
    gALogData_.selectCount.unselectAllCount += 1;
    if (saveSelectData_.count <= 0) {
        return;
    }
    const DuplicateFilesList groups = currentPanelFiles();
    for (const DuplicateFilesPtr& group : groups) {
        group->setSelectState(ControlState::off);
        for (const FileInfoPtr& file : group->infos()) {
            file->setSelected(false);
        }
    }
    rightDataFilesArray_ = groups;
    updateSelectCountSizeLabel();
    leftDataViewCtr()->reloadData(true, [] {});
    currentPanelReload();
}

void ScanViewController::updateSelectCountSizeLabel()
{
    int count = 0;
    uint64_t size = 0;
    for (const DuplicateFilesPtr& group : ScanManager::default_().totalFiles()) {
        for (const FileInfoPtr& file : group->infos()) {
            if (file->selected()) {
                ++count;
                size += file->size();
            }
        }
    }
    saveSelectData_ = {count, size};
    ui_->selectTitleLabel->setText(localized("Selected:"));
    setTextColor(ui_->selectCountSizeLabel, surfaceColor(QStringLiteral("ButtonTitleNormalBlueColor")));
    ui_->selectCountSizeLabel->setText(QStringLiteral("0 (0B)"));
    bool enabled = false;
    if (count >= 1) {
        ui_->selectCountSizeLabel->setText(
            QStringLiteral("%1 (%2)").arg(count).arg(transformedFileSize(size, true, true)));
        enabled = true;
    } else if (successRemoveData_.count != 0 || successRemoveData_.size != 0) {
        ui_->selectTitleLabel->setText(localized("Deleted:"));
        setTextColor(ui_->selectCountSizeLabel, color256(254, 74, 74));
        ui_->selectCountSizeLabel->setText(QStringLiteral("%1 (%2)")
                                               .arg(successRemoveData_.count)
                                               .arg(transformedFileSize(successRemoveData_.size, true, true)));
    }
    setStartEnabled(enabled);
}

void ScanViewController::updateCountLable(bool isCheck)
{
    if (!isCheck) {
        return;
    }
    int count = 0;
    uint64_t size = 0;
    if (const DuplicateFilesPtr all = largeFileAllGroup()) {
        for (const FileInfoPtr& file : all->infos()) {
            if (file->selected()) {
                ++count;
                size += file->size();
            }
        }
    }
    if (isRemoveLargeFile_ && count == 0) {
        ui_->selectTitleLabel->setText(localized("Deleted:"));
        setTextColor(ui_->selectCountSizeLabel, color256(254, 74, 74));
        ui_->selectCountSizeLabel->setText(QStringLiteral("%1 (%2)")
                                               .arg(hasRemovesucceedCount_)
                                               .arg(transformedFileSize(hasRemovesucceedSize_, true, true)));
        return;
    }
    saveSelectData_ = {count, size};
    ui_->selectTitleLabel->setText(localized("Selected:"));
    setTextColor(ui_->selectCountSizeLabel, surfaceColor(QStringLiteral("ButtonTitleNormalBlueColor")));
    ui_->selectCountSizeLabel->setText(QStringLiteral("%1 (%2)").arg(count).arg(transformedFileSize(size, true, true)));
}

void ScanViewController::updateRightDataBox(bool notData)
{
    if (!largeFileMode_) {
        if (notData) {
            ui_->rightBox->setContentView(ui_->rightDataView);
            ui_->rightDataBox->setContentView(ui_->rightNotDataSelectView);
            ui_->rightNotDataSelectViewLabel->setText(localized("No data selected"));
        }
        ui_->automaticSelectionBtn->setHidden(notData);
        ui_->notAtAllBtn->setHidden(notData);
        return;
    }
    if (notData) {
        ui_->rightBox->setContentView(ui_->rightLargeFileView);
        ui_->rightLargeFileDataBox->setContentView(ui_->rightNotDataSelectView);
        ui_->rightNotDataSelectViewLabel->setText(localized("No data selected"));
    } else if (rightLargeFileDataViewController_) {
        ui_->rightLargeFileDataBox->setContentView(rightLargeFileDataViewController_);
    }
    for (QWidget* control : {static_cast<QWidget*>(ui_->allSelectCheckBox), static_cast<QWidget*>(ui_->allSelectLable),
                             static_cast<QWidget*>(ui_->upSortNameBtn), static_cast<QWidget*>(ui_->downSortNameBtn),
                             static_cast<QWidget*>(ui_->upSortSizeBtn), static_cast<QWidget*>(ui_->downSortSizeBtn),
                             static_cast<QWidget*>(ui_->sortSIzeLable), static_cast<QWidget*>(ui_->sortByLable)}) {
        control->setHidden(notData);
    }
}

void ScanViewController::largeFileAllSelectAction()
{
    RYTCheckBox* box = ui_->allSelectCheckBox;
    // The state before the click decides, whatever the box did with the
    // click itself: an empty box fills the group, a full or a mixed one
    // clears it.
    const bool on = allSelectStateBefore_ == RYTCheckBox::stateOff;
    box->setState(on ? RYTCheckBox::stateOn : RYTCheckBox::stateOff);
    allSelectStateBefore_ = box->state();
    RightLargeFileDataViewController* table = rightLargeFileDataViewController();
    if (const DuplicateFilesPtr group = table->files()) {
        for (const FileInfoPtr& file : group->infos()) {
            file->setSelected(on);
        }
    }
    table->reloadData();
    ui_->allSelectLable->setText(on ? localized("Deselect All") : localized("Check All"));
    updateCountLable(true);
    setStartEnabled(anyLargeFileSelected());
}

// --- sort buttons ---------------------------------------------------------------------

void ScanViewController::setSortImage(RYTButton* button, const QString& name)
{
    if (!button) {
        return;
    }
    button->setProperty("sortImageName", name);
    const QIcon icon = RYTImage::named(name);
    button->setButtonStateImage(icon, icon, icon, icon);
}

QString ScanViewController::sortImageName(const RYTButton* button)
{
    return button ? button->property("sortImageName").toString() : QString();
}

bool ScanViewController::showsSortImage(const RYTButton* button, const QString& name) const
{
    if (sortImageName(button) == name) {
        return true;
    }
    // Two missing images count as the same image.
    return RYTImage::named(name).isNull() && RYTImage::named(sortImageName(button)).isNull();
}

void ScanViewController::sortAction(bool byName, bool up)
{
    RYTButton* upBtn = byName ? ui_->upSortNameBtn : ui_->upSortSizeBtn;
    RYTButton* downBtn = byName ? ui_->downSortNameBtn : ui_->downSortSizeBtn;
    bool& upFlag = byName ? isClickNameUp_ : isClickSizeUp_;
    bool& downFlag = byName ? isClickNameDown_ : isClickSizeDown_;
    RYTButton* own = up ? upBtn : downBtn;
    RYTButton* partner = up ? downBtn : upBtn;
    bool& flag = up ? upFlag : downFlag;
    bool& partnerFlag = up ? downFlag : upFlag;
    const QString normal = up ? QStringLiteral("sortBtnUp") : QStringLiteral("sortBtnDown");
    const QString active = up ? QStringLiteral("sortBtnClickUp") : QStringLiteral("sortBtnClickDown");
    const QString partnerNormal = up ? QStringLiteral("sortBtnDown") : QStringLiteral("sortBtnUp");
    const QString partnerActive = up ? QStringLiteral("sortBtnClickDown") : QStringLiteral("sortBtnClickUp");

    // The other column's buttons go back to rest.
    if (byName) {
        resetSizeSortBtn();
    } else {
        resetNameSortBtn();
    }
    if (showsSortImage(own, normal)) {
        setSortImage(own, active);
        if (showsSortImage(partner, partnerActive)) {
            partnerFlag = !partnerFlag;
            setSortImage(partner, partnerNormal);
        }
        currentSortType_ = byName ? (up ? SortType::nameUp : SortType::nameDown)
                                  : (up ? SortType::sizeUp : SortType::sizeDown);
    } else {
        setSortImage(own, normal);
    }
    flag = !flag;
    RightLargeFileDataViewController* table = rightLargeFileDataViewController();
    if (byName) {
        table->sortFilesOfName(flag, up);
    } else {
        table->sortFilesOfSize(flag, up);
    }
}

void ScanViewController::nameSortDownAction()
{
    sortAction(true, false);
}

void ScanViewController::nameSortUpAction()
{
    sortAction(true, true);
}

void ScanViewController::sizeSortDownAction()
{
    sortAction(false, false);
}

void ScanViewController::sizeSortUpAction()
{
    sortAction(false, true);
}

void ScanViewController::resetNameSortBtn()
{
    setSortImage(ui_->upSortNameBtn, QStringLiteral("sortBtnUp"));
    setSortImage(ui_->downSortNameBtn, QStringLiteral("sortBtnDown"));
    isClickNameUp_ = false;
    isClickNameDown_ = false;
}

void ScanViewController::resetSizeSortBtn()
{
    setSortImage(ui_->upSortSizeBtn, QStringLiteral("sortBtnUp"));
    setSortImage(ui_->downSortSizeBtn, QStringLiteral("sortBtnDown"));
    isClickSizeUp_ = false;
    isClickSizeDown_ = false;
}

void ScanViewController::resetSortBtn()
{
    currentSortType_ = SortType::defaultSort;
    // The default order is by size, largest first: that button looks active.
    setSortImage(ui_->upSortSizeBtn, QStringLiteral("sortBtnUp"));
    setSortImage(ui_->downSortSizeBtn, QStringLiteral("sortBtnClickDown"));
    setSortImage(ui_->upSortNameBtn, QStringLiteral("sortBtnUp"));
    setSortImage(ui_->downSortNameBtn, QStringLiteral("sortBtnDown"));
    isClickNameUp_ = false;
    isClickNameDown_ = false;
    isClickSizeUp_ = false;
    isClickSizeDown_ = false;
}

// --- stop, back, close and the mode switch ----------------------------------------------------

void ScanViewController::startAction()
{
    if (displayViewType_ != DisplayViewType::displayViewTypeScanning) {
        startRemoveFiles();
        return;
    }
    QWidget* mainWindow = ModalOverlay::applicationMainWindow();
    if (!mainWindow) {
        return;
    }
    const QString message =
        largeFileMode_ ? localized("Once you stop the scan, only some large files can be found. Are you sure to stop?")
                       : localized("Only partial duplicates can be found if you stop scanning. Are you sure you want "
                                   "to stop?");
    QPointer<ScanViewController> self(this);
    SheetWindowController::beginSheet(
        SheetWindowController::SheetActionType::uncertain, message, localized("Yes"), localized("Cancel"), mainWindow,
        nullptr, [self](int answer) {
            if (answer != 1 || !self) {
                return;
            }
            // The scan may have ended while the question was open.
            if (self->displayViewType_ != DisplayViewType::displayViewTypeScanning) {
                return;
            }
            if (!self->largeFileMode_) {
                // The engine tells its delegate, this screen.
                ScanManager::default_().stopScan();
            } else {
                // The engine reports the end at once (and once more when
                // its walk notices the stop); only the first report acts.
                LargeFilesManager::default_().stopScanLargeFile();
                if (self->scanThread_) {
                    self->scanThread_->requestInterruption();
                }
                if (self->scanningLargeFileViewController_) {
                    self->scanningLargeFileViewController_->myTimer()->stop();
                    self->scanningLargeFileViewController_->scanningTitleLabel()->setText(localized("Stop scanning"));
                }
                self->ui_->scanningLargeFileView->hide();
                self->displayLoading(true);
                self->displayRightDataView();
                setIsManualStop(true);
            }
            self->ui_->startBtn->setEnabled(false);
            setViewAlpha(self->ui_->startBtn, 0.3);
        });
}

QString ScanViewController::largeFileEventLabel()
{
    const DuplicateFilesPtr all = largeFileAllGroup();
    return QStringLiteral("%1_%2_%3_Large")
        .arg(isManualStop() ? QStringLiteral("b") : QStringLiteral("a"))
        .arg(transformedFileSize(all ? all->totalSize() : 0, true, true))
        .arg(all ? all->fileCount() : 0);
}

void ScanViewController::backAction()
{
    QWidget* mainWindow = ModalOverlay::applicationMainWindow();
    if (!mainWindow) {
        return;
    }
    QPointer<ScanViewController> self(this);
    SheetWindowController::beginSheet(
        SheetWindowController::SheetActionType::uncertain, localized("The scanning results won't be saved if you go Back."),
        localized("Yes"), localized("Cancel"), mainWindow, nullptr, [self](int answer) {
            if (answer != 1 || !self) {
                return;
            }
            if (self->largeFileMode_) {
                setIsGAScanFinished(false);
                self->backToHome();
                if (!isDeleteFile()) {
                    asyncGALog(QStringLiteral("Process"), QStringLiteral("Back"), largeFileEventLabel());
                }
                return;
            }
            const bool removed = self->gALogData_.startRemoveData;
            const QString label = self->gALogData_.stopSizeCountString() + QStringLiteral("_File");
            self->backToHome();
            if (!removed) {
                asyncGALog(QStringLiteral("Process"), QStringLiteral("Back"), label);
            }
        });
}

void ScanViewController::backToHome()
{
    NotificationCenter::defaultCenter().post(didHiddenMainWindowTitleNotification());
    if (fullScreen_) {
        if (auto* window = qobject_cast<RYTFullSizeWindow*>(this->window())) {
            window->toggleFullScreen();
        }
    }
    if (delegate_) {
        delegate_->scanViewBackAction();
    }
}

bool ScanViewController::isShouldCloseWindow()
{
    QPointer<ScanViewController> self(this);
    AppTermination::askToExit([self] {
        bool largeScanRuns = false;
        if (self) {
            if (self->largeFileMode_ && !isDeleteFile()) {
                syncGALog(QStringLiteral("Process"), QStringLiteral("Close"), largeFileEventLabel());
            } else if (!self->gALogData_.startRemoveData) {
                asyncGALog(QStringLiteral("Process"), QStringLiteral("Close"),
                           self->gALogData_.stopSizeCountString() + QStringLiteral("_File"));
            }
            largeScanRuns = self->largeFileMode_ && self->displayViewType_ == DisplayViewType::displayViewTypeScanning;
        }
        RYGALogManager::shared().setTerminationStatus(QStringLiteral("exited"));
        // The engines are stopped then, and a removal ends with the file in
        // hand, so nothing is left half moved when the program ends.
        return largeScanRuns;
    });
    return false;
}

void ScanViewController::windowDidEnterFullScreen()
{
    fullScreen_ = true;
    asyncGALog(QStringLiteral("BeforeDeleter"), QStringLiteral("FullScreen"), QStringLiteral("all"));
    if (displayViewType_ == DisplayViewType::displayViewTypeRemoving && fileRemovingViewCtr_) {
        fileRemovingViewCtr_->windowDidEnterFullScreen();
    }
}

void ScanViewController::windowDidExitFullScreen()
{
    fullScreen_ = false;
    if (displayViewType_ == DisplayViewType::displayViewTypeRemoving && fileRemovingViewCtr_) {
        fileRemovingViewCtr_->windowDidExitFullScreen();
    }
}

void ScanViewController::modeSwitchAction()
{
    displayLoading(true);
    previewModel_ = !previewModel_;
    ui_->modeSwitchBtn->setChecked(previewModel_);
    if (previewModel_) {
        rightDataPrevieViewCtr()->setLastMainSelect(rightDataListViewCtr()->lastMainSelect());
        rightDataPrevieViewCtr()->setLastSubSelect(rightDataListViewCtr()->lastSubSelect());
    } else {
        rightDataListViewCtr()->setLastMainSelect(rightDataPrevieViewCtr()->lastMainSelect());
        rightDataListViewCtr()->setLastSubSelect(rightDataPrevieViewCtr()->lastSubSelect());
        // The list opens the group chosen in the preview, so its file shows.
        rightDataListViewCtr()->setOpenChosenGroup(true);
    }
    displayRightDataView();
    rightDataListViewCtr()->setOpenChosenGroup(false);
    displayLoading(false);
}

// --- removal mode and the Remove command ----------------------------------------------------

void ScanViewController::popUpButtonConfig()
{
    PopUpButton* popUp = ui_->popUpButton;
    popUp->setDelegate(this);
    popUp->selectedTitle()->setOnLightSurface(true);
    const RemoveType last = ScanManager::default_().lastRemoveType();
    const QString third = last.kind() == RemoveType::Kind::folder
                              ? fillPlaces(localized("Remove to %@"), {folderName(last.path())})
                              : localized("Remove to the Folder...");
    popUp->addItems({localized("Discard to the Trash"), localized("Permanently Deleted"), third});
}

void ScanViewController::removeTypeConfig()
{
    if (largeFileMode_) {
        return;
    }
    PopUpButton* popUp = ui_->popUpButton;
    const RemoveType last = ScanManager::default_().lastRemoveType();
    switch (last.kind()) {
    case RemoveType::Kind::trash:
        popUp->selectItemAt(0);
        selectRemoveType_ = RemoveType::trash();
        break;
    case RemoveType::Kind::forever_:
        popUp->selectItemAt(1);
        selectRemoveType_ = RemoveType::forever_();
        break;
    case RemoveType::Kind::folder:
        popUp->selectItemAt(2);
        // The remembered folder itself, as its bytes: no chooser.
        finishFolderChoice(last.path());
        break;
    }
}

void ScanViewController::keepRemoveTypeInForce()
{
    PopUpButton* popUp = ui_->popUpButton;
    switch (selectRemoveType_.kind()) {
    case RemoveType::Kind::trash:
        popUp->selectItemAt(0);
        break;
    case RemoveType::Kind::forever_:
        popUp->selectItemAt(1);
        break;
    case RemoveType::Kind::folder:
        // The folder item still names that folder.
        break;
    }
}

void ScanViewController::popupButtonSelect(PopUpButton*, const QString& title)
{
    PopUpButton* popUp = ui_->popUpButton;
    const int index = popUp->selectedIndex();
    if (index == 1) {
        selectRemoveType_ = RemoveType::forever_();
    } else if (index == 0) {
        selectRemoveType_ = RemoveType::trash();
    } else if (popUp->selectedTitle()->text() == title) {
        // The user chose the folder item: ask for the folder. The chooser
        // answers later; until then the mode in force stays.
        // A chooser just answered is hidden until it is deleted.
        if (openPanel_ && openPanel_->isVisible()) {
            openPanel_->raise();
            return;
        }
        auto* panel = new FolderChooserDialog(window(), QString(), false);
        panel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
        panel->setAttribute(Qt::WA_DeleteOnClose);
        openPanel_ = panel;
        QPointer<ScanViewController> self(this);
        connect(panel, &QFileDialog::accepted, this, [self, panel] {
            if (!self) {
                return;
            }
            // The folder stays the system's bytes up to the engine: a name
            // that is not UTF-8 would not survive a trip through text.
            const QByteArray path = panel->chosenFolders().value(0);
            if (path.isEmpty()) {
                self->keepRemoveTypeInForce();
            }
            self->finishFolderChoice(path);
        });
        connect(panel, &QFileDialog::rejected, this, [self] {
            if (self) {
                self->keepRemoveTypeInForce();
            }
        });
        panel->open();
        return;
    } else {
        finishFolderChoice(QFile::encodeName(title));
        return;
    }
    ScanManager::default_().setLastRemoveType(selectRemoveType_);
}

void ScanViewController::finishFolderChoice(const QByteArray& path)
{
    if (!path.isEmpty()) {
        TSLOG(QStringLiteral("选择的移除路径: "), QFile::decodeName(path));
        PopUpButton* popUp = ui_->popUpButton;
        const QString text = fillPlaces(localized("Remove to %@"), {folderName(path)});
        popUp->selectedTitle()->setText(text);
        popUp->selectedTitle()->setToolTip(plainToolTip(text));
        popUp->closePopupWindow();
        popUp->updateIndexTitle(2, text);
        selectRemoveType_ = RemoveType::folder(path);
    }
    ScanManager::default_().setLastRemoveType(selectRemoveType_);
}

void ScanViewController::startRemoveFiles()
{
    if (largeFileMode_) {
        removingLargeGALog(QStringLiteral("removeLargeFile"), QStringLiteral("ClikDuplicate"));
    } else {
        startRemoveFilesGALog();
    }
    QString message;
    switch (selectRemoveType_.kind()) {
    case RemoveType::Kind::trash:
        message = localized("Are you sure to discard the selected files to the Trash?");
        break;
    case RemoveType::Kind::forever_:
        message = localized("Are you sure to permanently delete the selected files?");
        break;
    case RemoveType::Kind::folder:
        message = fillPlaces(localized("Are you sure to move the selected files to %@?"),
                             {QFile::decodeName(selectRemoveType_.path())});
        break;
    }
    QWidget* mainWindow = ModalOverlay::applicationMainWindow();
    if (!mainWindow) {
        return;
    }
    QPointer<ScanViewController> self(this);
    SheetWindowController::beginSheet(SheetWindowController::SheetActionType::uncertain, message, localized("Yes"),
                                      localized("Cancel"), mainWindow, nullptr, [self](int answer) {
                                          if (answer != 1 || !self) {
                                              return;
                                          }
                                          self->removalChosen_ = self->takeChosenForRemoval();
                                          if (self->largeFileMode_) {
                                              setIsDeleteFile(true);
                                              LargeFilesManager::default_().removeDuplicateFiles(
                                                  self->selectRemoveType_);
                                          } else {
                                              ScanManager::default_().removeDuplicateFiles(self->selectRemoveType_);
                                          }
                                      });
}

QList<FileInfoPtr> ScanViewController::takeChosenForRemoval() const
{
    // A large file sits in several groups, all of them in the first; the
    // duplicate removal passes over the groups whose box is off.
    const DuplicateFilesList groups = largeFileMode_ ? DuplicateFilesList{largeFileAllGroup()}
                                                     : ScanManager::default_().totalFiles();
    QList<FileInfoPtr> chosen;
    for (const DuplicateFilesPtr& group : groups) {
        if (!group || (!largeFileMode_ && group->selectState() == ControlState::off)) {
            continue;
        }
        for (const FileInfoPtr& file : group->infos()) {
            if (file->selected()) {
                file->setRemoveError(std::nullopt);
                chosen.append(file);
            }
        }
    }
    return chosen;
}

void ScanViewController::startRemoveFilesGALog()
{
    const uint64_t clicks = countUsageUnsigned(QStringLiteral("ClikDuplicate"));
    asyncGALog(QStringLiteral("Process"), QStringLiteral("ClikDuplicate"), QString::number(clicks) + QStringLiteral("_File"));
    asyncGALog(QStringLiteral("BeforeDeleter"), QStringLiteral("SelectNumber"), gALogData_.selectNumberString());
    asyncGALog(QStringLiteral("BeforeDeleter"), QStringLiteral("Selected"), QString::number(gALogData_.selectedCount));
    if (!leftDataViewCtr()->fileTypeClick()) {
        asyncGALog(QStringLiteral("BeforeDeleter"), QStringLiteral("FileType"), QStringLiteral("Null"));
    }
    asyncGALog(QStringLiteral("BeforeDeleter"), QStringLiteral("DisplayMode"),
               previewModel_ ? QStringLiteral("Preview") : QStringLiteral("List"));
    asyncGALog(QStringLiteral("BeforeDeleter"), QStringLiteral("Autoselect"),
               QStringLiteral("%1_%2").arg(gALogData_.selectCount.autoSelectCount).arg(gALogData_.selectCount.unselectAllCount));
    QString where;
    switch (selectRemoveType_.kind()) {
    case RemoveType::Kind::trash:
        where = QStringLiteral("recycle");
        break;
    case RemoveType::Kind::forever_:
        where = QStringLiteral("delete");
        break;
    case RemoveType::Kind::folder:
        where = QStringLiteral("folder");
        break;
    }
    asyncGALog(QStringLiteral("BeforeDeleter"), QStringLiteral("Remove"), where + QStringLiteral("_File"));
    const DuplicateFilesList groups = ScanManager::default_().totalFiles();
    int keepsFewer = 0;
    for (const DuplicateFilesPtr& group : groups) {
        int unselected = 0;
        for (const FileInfoPtr& file : group->infos()) {
            unselected += file->selected() ? 0 : 1;
        }
        keepsFewer += unselected < 2 ? 1 : 0;
    }
    asyncGALog(QStringLiteral("BeforeDeleter"), QStringLiteral("GroupSelect"),
               QStringLiteral("%1_%2_%3")
                   .arg(groups.size())
                   .arg(keepsFewer)
                   .arg(rightDataListViewCtr()->collapseItemArray().size()));
    asyncGALog(QStringLiteral("BeforeDeleter"), QStringLiteral("FullScreen"),
               fullScreen_ ? QStringLiteral("1_File") : QStringLiteral("2_File"));
    gALogData_.selectedCount = 0;
    leftDataViewCtr()->setFileTypeClick(false);
    gALogData_.selectCount = {};
}

void ScanViewController::removingLargeGALog(const QString& key, const QString& action)
{
    if (const std::optional<qint64> count = countUsage(key)) {
        asyncGALog(QStringLiteral("Process"), action, QString::number(*count) + QStringLiteral("_Large"));
    }
}
