#pragma once

#include <memory>
#include <vector>

#include <QPointer>
#include <QStringList>

#include "ContentBox.h"
#include "View/Extension/KPLExtensionView.h"
#include "View/FolderSetViewController.h"
#include "View/ScanImagesViewController/ScanImagesViewController.h"
#include "View/ScanViewController.h"

namespace Ui {
class MainViewController;
}

// The root view controller of the main window: shows the home screen, swaps
// in one scan screen at a time and back, answers the window's close question
// through the screen on display, passes full-screen changes on, warns once
// after launch when the home volume is nearly full and sends the daily
// "Keep" event.
class MainViewController : public ViewController, public ScanViewDelegate, public ScanImagesViewControllerDelegate {
    Q_OBJECT
public:
    explicit MainViewController(QWidget* parent = nullptr);
    ~MainViewController() override;

    // Shows the home screen, wires its start closures and schedules the
    // free-space check. Runs once.
    void viewDidLoad();

    ContentBox* mainViewBox() const { return mainViewBox_; }
    const std::shared_ptr<LayoutConstraint>& widthConstraint() const { return widthConstraint_; }
    const std::shared_ptr<LayoutConstraint>& heightConstraint() const { return heightConstraint_; }
    FolderSetViewController* folderSetViewController() const { return folderSetViewController_; }
    ScanViewController* scanViewController() const { return scanViewController_; }
    ScanImagesViewController* scanImagesViewController() const { return scanImagesViewController_; }
    const std::shared_ptr<LayoutConstraint>& mainWidthConstraint() const { return mainWidthConstraint_; }
    const std::shared_ptr<LayoutConstraint>& mainHeightConstraint() const { return mainHeightConstraint_; }
    const std::vector<std::shared_ptr<LayoutConstraint>>& constraintArray() const { return constraintArray_; }

    void displayScanViewCtr();
    void displayScanLargeViewCtr();
    void displayScanImagesViewCtr(const QByteArrayList& folderList);

    // ScanViewDelegate and ScanImagesViewControllerDelegate.
    void scanViewBackAction() override;
    void scanNotDataFinishedAction() override;
    void scanImagesViewBackAction() override;

    bool isShouldCloseWindow() override;
    void windowDidEnterFullScreen() override;
    void windowDidExitFullScreen() override;

    // Free bytes of the file system holding `path` (the home folder for an
    // empty path); 0 when they cannot be read.
    static double getSystemDiskFreeSize(const QString& path);
    // The free-space check that runs half a second after viewDidLoad().
    void checkFreeSpace();
    static constexpr double minimumFreeMegabytes = 200.0;

    // The daily "Keep" event.
    void gaCollection();

    // The home screen's home size: the box's constraints in the home layout.
    static constexpr int homeBoxWidth = 700;
    static constexpr int homeBoxHeight = 360;
    // The least size of the box on a scan screen, where the screen has room.
    static constexpr int scanBoxWidth = 1000;
    static constexpr int scanBoxHeight = 580;
    // That least size bounded by the room the window's screen leaves the box
    // (its available area less the window's frame, menu bar and title), so
    // the window never has to be larger than its screen.
    QSize scanMinimumSize() const;

private:
    void showScanScreen(QWidget* screen);
    void installScanConstraints();
    // Whether the box lies in the middle of the room it has (the home) or
    // fills it (a scan screen).
    void centreHomeBox(bool centre);
    // `countTheVisit`: the home counts the way back and records itself in
    // "CloseView" (not after a scan that found nothing).
    void returnHome(QWidget* screen, bool countTheVisit);
    bool homeShows() const;
    // Watches the window's screen; boundScanMinimum() on every change.
    void followScreen();
    void boundScanMinimum();

    std::unique_ptr<Ui::MainViewController> ui_;
    ContentBox* mainViewBox_ = nullptr;
    std::shared_ptr<LayoutConstraint> widthConstraint_;
    std::shared_ptr<LayoutConstraint> heightConstraint_;
    QPointer<FolderSetViewController> folderSetViewController_;
    QPointer<ScanViewController> scanViewController_;
    QPointer<ScanImagesViewController> scanImagesViewController_;
    std::shared_ptr<LayoutConstraint> mainWidthConstraint_;
    std::shared_ptr<LayoutConstraint> mainHeightConstraint_;
    std::vector<std::shared_ptr<LayoutConstraint>> constraintArray_;
    bool viewLoaded_ = false;
    bool followingWindow_ = false;
    QMetaObject::Connection screenConnection_;
};
