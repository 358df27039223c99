#include "ShellFixture.h"

#include "Foundation/PropertyList.h"
#include "Foundation/PropertyListFile.h"
#include "GA/QVDASocketServer.h"
#include "Main/AppDelegate.h"
#include "Main/AppTermination.h"
#include "Main/MainMenu.h"
#include "Main/MainViewController.h"
#include "Main/MainWindow.h"
#include "Manager/LargeFilesManager.h"
#include "Manager/ScanManager.h"
#include "QVBaseLib/Helper.h"
#include "RYTFullSizeWindow.h"
#include "View/FolderSetViewController.h"
#include "Window/SheetWindowController.h"

#include <QApplication>

#include <cstdio>
#include <unistd.h>

QStringList ShellTest::opened;
int ShellTest::quitCount = 0;

ShellTest::ShellTest() = default;
ShellTest::~ShellTest() = default;

void ShellTest::SetUp()
{
    TempHomeTest::SetUp();
    // Files an earlier test set aside are not this launch's to tell.
    PropertyList::takeSetAsideFiles();
    Helper::setNetworkReachableOverride(true);
    QVDASocketServer::defaultManager().setSpawnHelper(false);
    recorder = std::make_unique<QVDAEventRecorder>();
    opened.clear();
    quitCount = 0;
    Workspace::setOpenerForTesting([](const QString& target) {
        opened << target;
        return true;
    });
    AppTermination::setQuitHandlerForTesting([] { ++quitCount; });
}

void ShellTest::TearDown()
{
    // A scan screen goes only once it has heard the end of its scan: the
    // engine tells the end after it reports itself idle.
    if (nib_) {
        if (ScanViewController* screen = nib_->mainWindow()->mainViewController()->scanViewController()) {
            EXPECT_TRUE(waitUntil([screen] {
                return screen->displayViewType() != ScanViewController::DisplayViewType::displayViewTypeScanning;
            }));
        }
    }
    ScanManager::default_().waitUntilIdle(10000);
    if (SheetWindowController::globalSheetController()) {
        SheetWindowController::endSheet();
    }
    nib_.reset();
    // Let deferred deletions of released screens run.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    AppTermination::setQuitHandlerForTesting(nullptr);
    Workspace::setOpenerForTesting(nullptr);
    recorder.reset();
    Helper::setNetworkReachableOverride(std::nullopt);
    TempHomeTest::TearDown();
}

MainMenu& ShellTest::nib()
{
    if (!nib_) {
        nib_ = std::make_unique<MainMenu>();
        nib_->window()->show();
    }
    return *nib_;
}

MainMenu& ShellTest::launch()
{
    MainMenu& made = nib();
    SavedOutput saved;
    made.appDelegate()->applicationWillFinishLaunching();
    made.appDelegate()->applicationDidFinishLaunching();
    EXPECT_TRUE(waitUntil([] { return AppDelegate::startUpBlockDone(); }));
    return made;
}

void ShellTest::scanFromHome(const QByteArrayList& folders, void (FolderSetViewController::*button)())
{
    MainViewController* root = nib().mainWindow()->mainViewController();
    FolderSetViewController* home = root->folderSetViewController();
    home->dragDrop(home->folderList().isEmpty() ? home->dragDropView() : home->mainDragView(), folders);
    EXPECT_TRUE(waitUntil([home] { return home->dropsInFlight() == 0; }));
    const QPointer<QWidget> before = root->scanViewController() ? static_cast<QWidget*>(root->scanViewController())
                                                                : root->scanImagesViewController();
    (home->*button)();
    // Only a guard against a hang: at twice the scale Qt converts the large
    // pictures of the window on its own worker threads, which the thread
    // sanitizer slows to many seconds.
    EXPECT_TRUE(waitUntil(
        [&] {
            QWidget* now = root->scanViewController() ? static_cast<QWidget*>(root->scanViewController())
                                                      : root->scanImagesViewController();
            return now && now != before;
        },
        std::chrono::seconds(60)));
}

QString ShellTest::supportFolder() const
{
    return dataHome() + QStringLiteral("/example.twinsweep.Twinsweep");
}

QString ShellTest::configPlist() const
{
    return supportFolder() + QStringLiteral("/.config.plist");
}

QString ShellTest::terminationStatus() const
{
    const auto value = PropertyList::readFile(configPlist());
    if (!value) {
        return {};
    }
    return value->value<PlistDict>().value(QStringLiteral("AppTerminationStatus")).toString();
}

SavedOutput::SavedOutput() : out_(::dup(STDOUT_FILENO)), err_(::dup(STDERR_FILENO)) {}

SavedOutput::~SavedOutput()
{
    std::fflush(stdout);
    std::fflush(stderr);
    ::dup2(out_, STDOUT_FILENO);
    ::dup2(err_, STDERR_FILENO);
    ::close(out_);
    ::close(err_);
}
