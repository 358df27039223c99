#include "ShellFixture.h"

#include "Foundation/FileManager.h"
#include "Foundation/NotificationCenter.h"
#include "Foundation/UserDefaults.h"
#include "Main/MainMenu.h"
#include "Main/MainViewController.h"
#include "Main/MainWindow.h"
#include "Manager/LargeFilesManager.h"
#include "Manager/AssembleOperation.h"
#include "Manager/ScanManager.h"
#include "RYTFullSizeWindow.h"
#include "View/FolderSetViewController.h"
#include "RYTButton.h"
#include "Window/ModalOverlay.h"
#include "Window/SheetWindowController.h"

#include <QFile>
#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QLabel>
#include <QThread>

#include <condition_variable>
#include <mutex>

namespace {

struct NotificationLog {
    QStringList names;
    QObject owner;
    NotificationLog()
    {
        for (const QString& name : {didShowFullScreenNotification(), didHiddenFullScreenNotification()}) {
            NotificationCenter::defaultCenter().addObserver(&owner, name,
                                                            [this](const Notification& n) { names << n.name; });
        }
    }
};

int minimumConstraints(const ContentBox* box)
{
    int count = 0;
    for (const auto& c : box->constraints()) {
        count += c->relation == LayoutConstraint::Relation::greaterThanOrEqual ? 1 : 0;
    }
    return count;
}

// Clicks the sheet's button with this title.
void answerSheet(const QString& title)
{
    SheetWindowController* sheet = SheetWindowController::globalSheetController();
    ASSERT_NE(sheet, nullptr);
    for (RYTButton* button : {sheet->determineBtn(), sheet->uncertainBtn()}) {
        if (button->title() == title) {
            button->click();
            return;
        }
    }
    ADD_FAILURE() << "no button " << title.toStdString();
}

bool sheetShowing(const QString& message)
{
    SheetWindowController* sheet = SheetWindowController::globalSheetController();
    return sheet && sheet->isShowing() && sheet->labelTextField()->text() == message;
}

// Holds a scan's worker until released, so a test can look at the screen
// while it scans: a scan of a tree this small could otherwise end first. The
// engine calls its hook from a copy, so a worker may still be inside it after
// the hook is taken away: the gate it waits at lives as long as any copy.
class HeldScan {
public:
    explicit HeldScan(bool largeFiles) : largeFiles_(largeFiles)
    {
        if (largeFiles_) {
            LargeFilesManager::default_().setClockForTesting([gate = gate_] {
                if (QThread::currentThread() != QCoreApplication::instance()->thread()) {
                    gate->hold();
                }
                return double(QDateTime::currentSecsSinceEpoch());
            });
        } else {
            setMd5ReadFailureForTesting([gate = gate_](const QByteArray&) {
                gate->hold();
                return false;
            });
        }
    }
    ~HeldScan()
    {
        release();
        if (largeFiles_) {
            LargeFilesManager::default_().setClockForTesting(nullptr);
        } else {
            setMd5ReadFailureForTesting(nullptr);
        }
    }
    void release() { gate_->open(); }

private:
    struct Gate {
        void hold()
        {
            std::unique_lock lock(mutex);
            opened.wait_for(lock, std::chrono::seconds(20), [this] { return isOpen; });
        }
        void open()
        {
            {
                std::lock_guard lock(mutex);
                isOpen = true;
            }
            opened.notify_all();
        }
        std::mutex mutex;
        std::condition_variable opened;
        bool isOpen = false;
    };

    bool largeFiles_;
    std::shared_ptr<Gate> gate_ = std::make_shared<Gate>();
};

}  // namespace

class ScreenSwitchTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        writeFile(QStringLiteral("a/one.txt"), "same");
        writeFile(QStringLiteral("a/two.txt"), "same");
    }
    void TearDown() override
    {
        FileManager::clearFaults();
        ShellTest::TearDown();
    }
    MainViewController* root() { return nib().mainWindow()->mainViewController(); }
    FolderSetViewController* home() { return root()->folderSetViewController(); }
    QByteArrayList folders() const { return {QFile::encodeName(scratch() + QStringLiteral("/a"))}; }
};

TEST_F(ScreenSwitchTest, DuplicateScanScreenComesAndGoesWithItsConstraintsAndNotifications)
{
    launch();
    NotificationLog log;
    ContentBox* box = root()->mainViewBox();
    EXPECT_EQ(box->contentView(), home());

    auto held = std::make_unique<HeldScan>(false);
    scanFromHome(folders(), &FolderSetViewController::scanDuplicates);
    ScanViewController* screen = root()->scanViewController();
    ASSERT_NE(screen, nullptr);
    EXPECT_FALSE(FolderSetViewController::isScanLargeFile());
    EXPECT_EQ(ScanManager::default_().folderList(), folders());
    EXPECT_EQ(box->contentView(), screen);
    EXPECT_EQ(screen->displayViewType(), ScanViewController::DisplayViewType::displayViewTypeScanning);
    EXPECT_EQ(screen->delegate(), static_cast<ScanViewDelegate*>(root()));
    EXPECT_EQ(log.names, QStringList{didShowFullScreenNotification()});
    EXPECT_FALSE(nib().window()->fullScreenBtnHidded());
    EXPECT_EQ(box->minimumWidth(), 1000);
    EXPECT_EQ(box->minimumHeight(), 580);
    EXPECT_EQ(root()->constraintArray().size(), 2u);
    EXPECT_EQ(minimumConstraints(box), 2);
    held.reset();
    ASSERT_TRUE(waitUntil([&] {
        return screen->displayViewType() == ScanViewController::DisplayViewType::displayViewTypeScanFinished;
    }));

    QPointer<ScanViewController> released(screen);
    root()->scanViewBackAction();
    EXPECT_EQ(box->contentView(), home());
    EXPECT_EQ(root()->scanViewController(), nullptr);
    EXPECT_EQ(log.names, (QStringList{didShowFullScreenNotification(), didHiddenFullScreenNotification()}));
    EXPECT_TRUE(nib().window()->fullScreenBtnHidded());
    EXPECT_EQ(minimumConstraints(box), 0);
    EXPECT_EQ(box->maximumWidth(), MainViewController::homeBoxWidth);
    EXPECT_EQ(UserDefaults::standardUserDefaults().value<qint64>(QStringLiteral("CloseView")), 2);
    EXPECT_EQ(nib().window()->size(), QSize(700, 420));
    ASSERT_TRUE(waitUntil([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return released.isNull();
    }));

    // Again: still exactly the two home constraints kept and one pair installed.
    scanFromHome(folders(), &FolderSetViewController::scanDuplicates);
    EXPECT_EQ(root()->constraintArray().size(), 2u);
    EXPECT_EQ(minimumConstraints(box), 2);
    EXPECT_EQ(box->constraints().size(), 2u);
}

TEST_F(ScreenSwitchTest, LargeFileScanResetsItsFinishedEventFlagAndEmptyResultBringsBackTheHomeSize)
{
    launch();
    // The walk waits until the flag has been looked at.
    HeldScan held(true);
    ScanViewController::setIsGAScanFinished(true);
    scanFromHome(folders(), &FolderSetViewController::scanLargeFile);
    EXPECT_TRUE(FolderSetViewController::isScanLargeFile());
    EXPECT_FALSE(ScanViewController::isGAScanFinished());
    held.release();
    EXPECT_EQ(LargeFilesManager::default_().folderList(), folders());
    ScanViewController* screen = root()->scanViewController();
    ASSERT_NE(screen, nullptr);
    EXPECT_TRUE(screen->isLargeFileMode());
    ASSERT_TRUE(waitUntil([&] {
        return screen->displayViewType() == ScanViewController::DisplayViewType::displayViewTypeScanFinished;
    }));

    // The home is the home again, whatever size the scan window had: not a
    // home panel in a corner of a larger window.
    nib().window()->resize(1200, 800);
    ASSERT_TRUE(waitUntil([&] { return nib().window()->width() == 1200; }));
    qint64 closeView = UserDefaults::standardUserDefaults().integerForKey(QStringLiteral("CloseView"));
    root()->scanNotDataFinishedAction();
    EXPECT_EQ(root()->mainViewBox()->contentView(), home());
    EXPECT_EQ(minimumConstraints(root()->mainViewBox()), 0);
    EXPECT_EQ(nib().window()->size(), QSize(700, 420));
    // Without the visit's count and screen code of a way back.
    EXPECT_EQ(UserDefaults::standardUserDefaults().integerForKey(QStringLiteral("CloseView")), closeView);
}

TEST_F(ScreenSwitchTest, SimilarImageScreenGetsTheFoldersAndGoesBackHome)
{
    launch();
    NotificationLog log;
    scanFromHome(folders(), &FolderSetViewController::scanImagesBtnAction);
    ScanImagesViewController* screen = root()->scanImagesViewController();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->folderList(), folders());
    EXPECT_EQ(screen->delegate(), static_cast<ScanImagesViewControllerDelegate*>(root()));
    EXPECT_EQ(minimumConstraints(root()->mainViewBox()), 2);
    EXPECT_EQ(log.names, QStringList{didShowFullScreenNotification()});
    root()->scanImagesViewBackAction();
    EXPECT_EQ(root()->mainViewBox()->contentView(), home());
    EXPECT_EQ(root()->scanImagesViewController(), nullptr);
    EXPECT_EQ(log.names.last(), didHiddenFullScreenNotification());
}

TEST_F(ScreenSwitchTest, CloseQuestionIsAnsweredByTheScreenOnDisplay)
{
    launch();
    EXPECT_TRUE(root()->isShouldCloseWindow());
    EXPECT_TRUE(nib().mainWindow()->isShouldCloseWindow());

    scanFromHome(folders(), &FolderSetViewController::scanDuplicates);
    ASSERT_TRUE(waitUntil([&] { return !ScanManager::default_().scaning(); }));
    EXPECT_FALSE(nib().appDelegate()->windowShouldClose());
    const QString question = QStringLiteral("Are you sure you want to exit the program?");
    ASSERT_TRUE(sheetShowing(question));
    // "Cancel" keeps the program running.
    answerSheet(QStringLiteral("Cancel"));
    ASSERT_TRUE(waitUntil([] { return !SheetWindowController::globalSheetController()->isShowing(); }));
    ASSERT_TRUE(waitUntil([] {
        return ModalOverlay::overlayFor(SheetWindowController::globalSheetController()) == nullptr;
    }));
    EXPECT_EQ(quitCount, 0);

    EXPECT_FALSE(nib().appDelegate()->windowShouldClose());
    ASSERT_TRUE(sheetShowing(question));
    answerSheet(QStringLiteral("Yes"));
    ASSERT_TRUE(waitUntil([] { return quitCount == 1; }));
    EXPECT_EQ(terminationStatus(), QStringLiteral("exited"));
    EXPECT_TRUE(nib().window()->isVisible());
}

TEST_F(ScreenSwitchTest, ConfirmedExitOfTheImageScreenEndsTheProgram)
{
    launch();
    scanFromHome(folders(), &FolderSetViewController::scanImagesBtnAction);
    EXPECT_FALSE(nib().mainWindow()->isShouldCloseWindow());
    ASSERT_TRUE(sheetShowing(QStringLiteral("Are you sure you want to exit the program?")));
    answerSheet(QStringLiteral("Yes"));
    ASSERT_TRUE(waitUntil([] { return quitCount == 1; }));
    EXPECT_EQ(terminationStatus(), QStringLiteral("exited"));
}

TEST_F(ScreenSwitchTest, FullScreenChangesReachOnlyAScanScreen)
{
    launch();
    root()->windowDidEnterFullScreen();  // home: nobody to tell
    scanFromHome(folders(), &FolderSetViewController::scanDuplicates);
    ScanViewController* screen = root()->scanViewController();
    nib().appDelegate()->windowDidEnterFullScreen();
    EXPECT_TRUE(screen->isFullScreen());
    nib().appDelegate()->windowDidExitFullScreen();
    EXPECT_FALSE(screen->isFullScreen());
}

TEST_F(ScreenSwitchTest, LowSpaceSheetShowsBelowTwoHundredMegabytesOnly)
{
    const QString message = QStringLiteral(
        "The program can't work properly due to insufficient space on your computer, please release enough space "
        "and then try again.");
    FileManagerFaults faults;
    faults.freeSize = [](const QByteArray&) { return std::optional<uint64_t>(200'000'000); };
    FileManager::setFaults(faults);
    launch();
    root()->checkFreeSpace();
    EXPECT_FALSE(sheetShowing(message));

    faults.freeSize = [](const QByteArray&) { return std::optional<uint64_t>(199'999'999); };
    FileManager::setFaults(faults);
    root()->checkFreeSpace();
    EXPECT_TRUE(sheetShowing(message));
    SheetWindowController::endSheet();

    // Unreadable free space counts as none.
    faults.freeSize = [](const QByteArray&) { return std::optional<uint64_t>(); };
    FileManager::setFaults(faults);
    EXPECT_EQ(MainViewController::getSystemDiskFreeSize(QString()), 0.0);
    // A controller whose view is in no window shows nothing.
    MainViewController loose;
    loose.checkFreeSpace();
    EXPECT_FALSE(sheetShowing(message));
}

TEST_F(ScreenSwitchTest, LaunchSchedulesTheSpaceCheck)
{
    FileManagerFaults faults;
    faults.freeSize = [](const QByteArray&) { return std::optional<uint64_t>(1'000'000); };
    FileManager::setFaults(faults);
    launch();
    EXPECT_TRUE(waitUntil([] {
        return SheetWindowController::globalSheetController()
               && SheetWindowController::globalSheetController()->isShowing();
    }));
}

TEST_F(ScreenSwitchTest, KeepEventIsSentOncePerDayForFileScansOnly)
{
    launch();
    recorder->clear();
    scanFromHome(folders(), &FolderSetViewController::scanDuplicates);
    ASSERT_TRUE(waitUntil([] { return !ScanManager::default_().scaning(); }));
    root()->scanViewBackAction();
    scanFromHome(folders(), &FolderSetViewController::scanLargeFile);
    ASSERT_TRUE(waitUntil([&] {
        return root()->scanViewController()->displayViewType()
               == ScanViewController::DisplayViewType::displayViewTypeScanFinished;
    }));
    root()->scanViewBackAction();
    scanFromHome(folders(), &FolderSetViewController::scanImagesBtnAction);
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    EXPECT_EQ(recorder->count(QStringLiteral("Keep"), QStringLiteral("Daykeep")), 1);
    EXPECT_TRUE(recorder->contains(QStringLiteral("Keep"), QStringLiteral("Daykeep"), today));

    // A new day sends it again.
    UserDefaults::standardUserDefaults().setObject(QStringLiteral("2000-01-01"), QStringLiteral("ScanTime"));
    root()->gaCollection();
    EXPECT_EQ(recorder->count(QStringLiteral("Keep"), QStringLiteral("Daykeep")), 2);
}
