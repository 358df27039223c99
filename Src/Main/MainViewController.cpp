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
#include <QCoreApplication>
#include <QScreen>
#include <QWindow>

#include <algorithm>

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
    centreHomeBox(true);
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
    // Before the room is measured: the box takes all of it from now on.
    centreHomeBox(false);
    // A screen left without its way home leaves its pair behind; never stack two.
    mainViewBox_->removeConstraint(mainWidthConstraint_);
    mainViewBox_->removeConstraint(mainHeightConstraint_);
    const QSize least = scanMinimumSize();
    mainWidthConstraint_ = std::make_shared<LayoutConstraint>(LayoutConstraint{
        LayoutConstraint::Attribute::width, LayoutConstraint::Relation::greaterThanOrEqual, double(least.width())});
    mainHeightConstraint_ = std::make_shared<LayoutConstraint>(LayoutConstraint{
        LayoutConstraint::Attribute::height, LayoutConstraint::Relation::greaterThanOrEqual, double(least.height())});
    mainViewBox_->addConstraint(mainWidthConstraint_);
    mainViewBox_->addConstraint(mainHeightConstraint_);
    followScreen();
    // The scan screen may need more than the window has: it grows about the
    // same centre rather than down and to the right.
    if (mainWindow != this) {
        placeWindow(mainWindow, mainWindow->size(), before);
    }
}

void MainViewController::centreHomeBox(bool centre)
{
    // The home has its own size. A window that stays larger than that (one
    // the window manager keeps maximised, or one the user made larger) has
    // the home in its middle, not in its upper left corner with the rest
    // empty; a scan screen fills whatever the window has.
    ui_->mainLayout->setAlignment(mainViewBox_, centre ? Qt::AlignCenter : Qt::Alignment());
}

QSize MainViewController::scanMinimumSize() const
{
    const QSize wanted{scanBoxWidth, scanBoxHeight};
    QWidget* mainWindow = window();
    const QScreen* screen = mainWindow != this ? mainWindow->screen() : nullptr;
    if (!screen) {
        return wanted;
    }
    // What the window puts around the box (menu bar, title, frame) stays;
    // the box gets the rest of the screen's room at most. The layout is
    // brought up to date first, or the box would still have the size of the
    // screen before.
    for (int pass = 0; pass < 8; ++pass) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    }
    const QSize frame = mainWindow->frameGeometry().size() - mainWindow->geometry().size();
    const QSize around = mainWindow->size() - mainViewBox_->size();
    const QSize room = screen->availableGeometry().size() - frame - around;
    return wanted.boundedTo(room.expandedTo(QSize(0, 0)));
}

void MainViewController::followScreen()
{
    QWidget* mainWindow = window();
    QWindow* handle = mainWindow != this ? mainWindow->windowHandle() : nullptr;
    if (!handle) {
        return;
    }
    // A window moved to another screen, or a screen whose panels or scale
    // change, bounds the scan screens anew.
    disconnect(screenConnection_);
    screenConnection_ = connect(handle->screen(), &QScreen::availableGeometryChanged, this,
                                &MainViewController::boundScanMinimum);
    if (!followingWindow_) {
        followingWindow_ = true;
        connect(handle, &QWindow::screenChanged, this, [this] {
            followScreen();
            boundScanMinimum();
        });
    }
}

void MainViewController::boundScanMinimum()
{
    if (!mainWidthConstraint_ || !mainHeightConstraint_) {
        return;
    }
    const auto& installed = mainViewBox_->constraints();
    if (std::find(installed.begin(), installed.end(), mainWidthConstraint_) == installed.end()) {
        return;
    }
    const QSize least = scanMinimumSize();
    mainWidthConstraint_->constant = least.width();
    mainHeightConstraint_->constant = least.height();
    mainViewBox_->constraintsChanged();
    QWidget* mainWindow = window();
    if (const QScreen* screen = mainWindow->screen()) {
        const QSize frame = mainWindow->frameGeometry().size() - mainWindow->geometry().size();
        placeWindow(mainWindow, mainWindow->size().boundedTo(screen->availableGeometry().size() - frame),
                    mainWindow->frameGeometry());
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
    centreHomeBox(true);
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
