#include "MainViewController.h"
#include "ui_MainViewController.h"

#include "MainWindow.h"
#include "Utilities.h"

#include "Foundation/Bundle.h"
#include "Foundation/Dispatch.h"
#include "Foundation/FileManager.h"
#include "Foundation/NotificationCenter.h"
#include "Foundation/UserDefaults.h"
#include "Manager/LargeFilesManager.h"
#include "Manager/ScanManager.h"
#include "View/Extension/KPLExtensionView.h"
#include "View/FolderSetViewController.h"
#include "Window/SheetWindowController.h"

#include <QDate>
#include <QDebug>
#include <QDir>
#include <QFile>

MainViewController::MainViewController(QWidget* parent)
    : ViewController(parent),
      ui_(std::make_unique<Ui::MainViewController>()),
      widthConstraint_(std::make_shared<LayoutConstraint>(
          LayoutConstraint{LayoutConstraint::Attribute::width, LayoutConstraint::Relation::equal, homeBoxWidth})),
      heightConstraint_(std::make_shared<LayoutConstraint>(
          LayoutConstraint{LayoutConstraint::Attribute::height, LayoutConstraint::Relation::equal, homeBoxHeight})),
      folderSetViewController_(new FolderSetViewController)
{
    ui_->setupUi(this);
    mainViewBox_ = ui_->mainViewBox;
    mainViewBox_->addConstraint(widthConstraint_);
    mainViewBox_->addConstraint(heightConstraint_);
}

MainViewController::~MainViewController()
{
    // The screens are ours, not the box's: take them out before they go.
    mainViewBox_->setContentView(nullptr);
    delete scanViewController_;
    delete scanImagesViewController_;
    delete folderSetViewController_;
}

void MainViewController::viewDidLoad()
{
    if (viewLoaded_) {
        return;
    }
    viewLoaded_ = true;
    QPointer<MainViewController> self(this);
    DispatchQueue::main().asyncAfter(0.5, [self] {
        if (self) {
            self->checkFreeSpace();
        }
    });
    mainViewBox_->setContentView(folderSetViewController_);

    // Paths stay the system's bytes from the home screen to the engines; the
    // log shows them decoded.
    const auto shown = [](const QByteArrayList& paths) {
        QStringList texts;
        for (const QByteArray& path : paths) {
            texts << QFile::decodeName(path);
        }
        return QStringLiteral("(%1)").arg(texts.join(QStringLiteral(", ")));
    };
    folderSetViewController_->setStartScanClosure([self, shown](const QByteArrayList& paths) {
        TSLOG(QStringLiteral("开始扫描的路径"), shown(paths));
        if (!FolderSetViewController::isScanLargeFile()) {
            ScanManager::default_().setFolderList(paths);
            if (self) {
                self->displayScanViewCtr();
            }
        } else {
            LargeFilesManager::default_().setFolderList(paths);
            if (self) {
                self->displayScanLargeViewCtr();
            }
        }
    });
    folderSetViewController_->setStartScanImagesClosure([self, shown](const QByteArrayList& paths) {
        TSLOG(QStringLiteral("开始扫描的路径"), shown(paths));
        if (self) {
            self->displayScanImagesViewCtr(paths);
        }
    });
}

double MainViewController::getSystemDiskFreeSize(const QString& path)
{
    const QString target = path.isEmpty() ? QDir::homePath() : path;
    const std::optional<uint64_t> free = FileManager::default_().systemFreeSize(QFile::encodeName(target));
    return free ? static_cast<double>(*free) : 0.0;
}

void MainViewController::checkFreeSpace()
{
    const double free = getSystemDiskFreeSize(QDir::homePath()) / 1000.0 / 1000.0;
    if (free < minimumFreeMegabytes && window() != this) {
        SheetWindowController::beginSheet(
            SheetWindowController::SheetActionType::determine,
            localized("The program can't work properly due to insufficient space on your computer, please release "
                      "enough space and then try again."),
            localized("OK"), QString(), window(), nullptr, nullptr);
    }
}

void MainViewController::showScanScreen(QWidget* screen)
{
    mainViewBox_->setContentView(screen);
}

void MainViewController::installScanConstraints()
{
    QWidget* mainWindow = window();
    const QRect before = mainWindow->frameGeometry();
    constraintArray_.clear();
    constraintArray_.push_back(widthConstraint_);
    constraintArray_.push_back(heightConstraint_);
    mainViewBox_->removeConstraint(widthConstraint_);
    mainViewBox_->removeConstraint(heightConstraint_);
    // A screen left without its way home leaves its pair behind; never stack two.
    mainViewBox_->removeConstraint(mainWidthConstraint_);
    mainViewBox_->removeConstraint(mainHeightConstraint_);
    mainWidthConstraint_ = std::make_shared<LayoutConstraint>(
        LayoutConstraint{LayoutConstraint::Attribute::width, LayoutConstraint::Relation::greaterThanOrEqual, 1000.0});
    mainHeightConstraint_ = std::make_shared<LayoutConstraint>(
        LayoutConstraint{LayoutConstraint::Attribute::height, LayoutConstraint::Relation::greaterThanOrEqual, 580.0});
    mainViewBox_->addConstraint(mainWidthConstraint_);
    mainViewBox_->addConstraint(mainHeightConstraint_);
    // The scan screen may need more than the window has: it grows about the
    // same centre rather than down and to the right.
    if (mainWindow != this) {
        placeWindow(mainWindow, mainWindow->size(), before);
    }
}

void MainViewController::displayScanViewCtr()
{
    gaCollection();
    NotificationCenter::defaultCenter().post(didShowFullScreenNotification());
    if (scanViewController_) {
        scanViewController_->deleteLater();
    }
    scanViewController_ = new ScanViewController;
    showScanScreen(scanViewController_);
    if (scanViewController_->displayViewType() != ScanViewController::DisplayViewType::displayViewTypeScanning) {
        scanViewController_->setDisplayViewType(ScanViewController::DisplayViewType::displayViewTypeScanning);
        scanViewController_->displayScanningView();
    }
    scanViewController_->setDelegate(this);
    installScanConstraints();
}

void MainViewController::displayScanLargeViewCtr()
{
    ScanViewController::setIsGAScanFinished(false);
    displayScanViewCtr();
}

void MainViewController::displayScanImagesViewCtr(const QByteArrayList& folderList)
{
    NotificationCenter::defaultCenter().post(didShowFullScreenNotification());
    if (scanImagesViewController_) {
        scanImagesViewController_->deleteLater();
    }
    scanImagesViewController_ = new ScanImagesViewController;
    showScanScreen(scanImagesViewController_);
    scanImagesViewController_->configScanImages(folderList);
    scanImagesViewController_->setDelegate(this);
    installScanConstraints();
}

void MainViewController::returnHome(QWidget* screen, bool countTheVisit)
{
    NotificationCenter::defaultCenter().post(didHiddenFullScreenNotification());
    if (screen) {
        if (mainViewBox_->contentView() == screen) {
            mainViewBox_->setContentView(nullptr);
        }
        // The screen may be the caller of this very method: release it once
        // its call has returned.
        screen->deleteLater();
    }
    mainViewBox_->setContentView(folderSetViewController_);
    mainViewBox_->removeConstraint(mainWidthConstraint_);
    mainViewBox_->removeConstraint(mainHeightConstraint_);
    for (const auto& constraint : constraintArray_) {
        mainViewBox_->addConstraint(constraint);
    }
    // Sized after the constraints are back: a window still bound by the scan
    // screen's minimum could not take the home size.
    if (countTheVisit) {
        folderSetViewController_->setBackHomeWindowSize();
    } else {
        // A scan that found nothing sends no event on the way back, but the
        // home has its own size all the same: it would sit in a corner of
        // the scan's window.
        folderSetViewController_->setHomeWindowSize();
    }
}

void MainViewController::scanViewBackAction()
{
    QWidget* screen = scanViewController_;
    scanViewController_ = nullptr;
    returnHome(screen, true);
}

void MainViewController::scanNotDataFinishedAction()
{
    QWidget* screen = scanViewController_;
    scanViewController_ = nullptr;
    returnHome(screen, false);
}

void MainViewController::scanImagesViewBackAction()
{
    QWidget* screen = scanImagesViewController_;
    scanImagesViewController_ = nullptr;
    returnHome(screen, true);
}

bool MainViewController::homeShows() const
{
    return mainViewBox_->contentView() == folderSetViewController_.data();
}

bool MainViewController::isShouldCloseWindow()
{
    if (homeShows()) {
        return true;
    }
    if (scanViewController_) {
        return scanViewController_->isShouldCloseWindow();
    }
    if (scanImagesViewController_) {
        return scanImagesViewController_->isShouldCloseWindow();
    }
    return true;
}

void MainViewController::windowDidEnterFullScreen()
{
    if (homeShows()) {
        return;
    }
    if (scanViewController_) {
        scanViewController_->windowDidEnterFullScreen();
    } else if (scanImagesViewController_) {
        scanImagesViewController_->windowDidEnterFullScreen();
    }
}

void MainViewController::windowDidExitFullScreen()
{
    if (homeShows()) {
        return;
    }
    if (scanViewController_) {
        scanViewController_->windowDidExitFullScreen();
    } else if (scanImagesViewController_) {
        scanImagesViewController_->windowDidExitFullScreen();
    }
}

void MainViewController::gaCollection()
{
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    if (defaults.boolForKey(QStringLiteral("Start"))) {
        if (defaults.stringForKey(QStringLiteral("ScanTime")) == today) {
            return;
        }
    }
    defaults.setObject(today, QStringLiteral("ScanTime"));
    asyncGALog(QStringLiteral("Keep"), QStringLiteral("Daykeep"), today);
}
