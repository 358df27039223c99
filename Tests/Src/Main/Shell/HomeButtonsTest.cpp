#include "ShellFixture.h"

#include "Foundation/UserDefaults.h"
#include "Main/MainMenu.h"
#include "Main/MainViewController.h"
#include "Main/MainWindow.h"
#include "Manager/LargeFilesManager.h"
#include "Manager/ScanManager.h"
#include "RYTFullSizeWindow.h"
#include "View/FolderSetViewController.h"
#include "Window/DupImageNavigationGuide.h"
#include "Window/SheetWindowController.h"

#include <QDir>
#include <QFile>
#include <QLabel>

// The home screen's three function buttons, through the real root view
// controller and engines.
class HomeButtonsTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        UserDefaults::standardUserDefaults().setBool(true, DupImageNavigationGuide::flagKey());
        writeFile(QStringLiteral("a/one.txt"), "same");
        writeFile(QStringLiteral("a/two.txt"), "same");
        writeFile(QStringLiteral("b/three.txt"), "other");
    }
    MainViewController* root() { return nib().mainWindow()->mainViewController(); }
    FolderSetViewController* home() { return root()->folderSetViewController(); }
    QByteArray folder(const char* name) const { return QFile::encodeName(scratch() + QLatin1Char('/') + name); }

    // Events of one category and action, as "action label".
    QStringList sent(const QString& category) const
    {
        QStringList found;
        for (const QVDAObservedEvent& event : recorder->events()) {
            if (event.category == category) {
                found << event.action + QLatin1Char(' ') + event.label;
            }
        }
        return found;
    }
    void waitForTheScan()
    {
        if (ScanViewController* screen = root()->scanViewController()) {
            ASSERT_TRUE(waitUntil([screen] {
                return screen->displayViewType() != ScanViewController::DisplayViewType::displayViewTypeScanning;
            }));
        }
    }
    static bool folderSheetShowing()
    {
        SheetWindowController* sheet = SheetWindowController::globalSheetController();
        return sheet && sheet->isShowing()
               && sheet->labelTextField()->text()
                      == "The folder does not exist. Please choose another one. It may be moved, renamed or deleted.";
    }
};

TEST_F(HomeButtonsTest, DuplicateButtonResizesCountsReportsTheFoldersAndStartsTheScan)
{
    launch();
    nib().window()->setGeometry(300, 200, 700, 420);
    const QPointF centre = QRectF(nib().window()->frameGeometry()).center();
    recorder->clear();
    const QByteArrayList folders = {folder("a"), folder("b")};
    scanFromHome(folders, &FolderSetViewController::scanDuplicates);
    EXPECT_FALSE(FolderSetViewController::isScanLargeFile());
    EXPECT_EQ(ScanManager::default_().folderList(), folders);
    // 1000 × 580, or the scan screen's own minimum where more, about the old
    // centre.
    EXPECT_EQ(nib().window()->width(), 1000);
    EXPECT_GE(nib().window()->height(), 580);
    EXPECT_NEAR(QRectF(nib().window()->frameGeometry()).center().y(), centre.y(), 0.5);
    EXPECT_NEAR(QRectF(nib().window()->frameGeometry()).center().x(), centre.x(), 0.5);
    ASSERT_TRUE(waitUntil([&] { return recorder->contains("Scanfolder", "SCHardDisk"); }));
    const QStringList events = sent("Process") + sent("Scanfolder");
    EXPECT_TRUE(events.contains("ClikScan 1_File"));
    EXPECT_TRUE(events.contains("FileIntervals 0"));
    EXPECT_EQ(sent("Scanfolder").mid(0, 2),
              (QStringList{"SCPath File_" + QFile::decodeName(folders[0]), "SCPath File_" + QFile::decodeName(folders[1])}));
    EXPECT_TRUE(sent("Scanfolder").last().startsWith("SCHardDisk 0_"));
    EXPECT_TRUE(sent("Scanfolder").last().endsWith("File"));
    // In the order the button sends them.
    QStringList order;
    for (const QVDAObservedEvent& event : recorder->events()) {
        if (event.action == "ClikScan" || event.action == "FileIntervals" || event.action == "SCPath") {
            order << event.action;
        }
    }
    EXPECT_EQ(order, (QStringList{"ClikScan", "FileIntervals", "SCPath", "SCPath"}));
    waitForTheScan();

    // Back home and again: the counter goes on; the large-file and image
    // counters are their own.
    root()->scanViewBackAction();
    EXPECT_EQ(nib().window()->size(), QSize(700, 420));
    EXPECT_EQ(UserDefaults::standardUserDefaults().integerForKey("CloseView"), 2);
    scanFromHome({}, &FolderSetViewController::scanDuplicates);
    waitForTheScan();
    root()->scanViewBackAction();
    scanFromHome({}, &FolderSetViewController::scanLargeFile);
    waitForTheScan();
    root()->scanViewBackAction();
    scanFromHome({}, &FolderSetViewController::scanImagesBtnAction);
    QStringList clicks;
    for (const QString& event : sent("Process")) {
        if (event.startsWith("ClikScan")) {
            clicks << event;
        }
    }
    EXPECT_EQ(clicks, (QStringList{"ClikScan 1_File", "ClikScan 2_File", "ClikScan 1_Large", "ClikScan 1_Image"}));
    // One for the first drop, one for each way back.
    EXPECT_EQ(sent("Process").filter("Main ").size(), 4);
}

TEST_F(HomeButtonsTest, LargeFileButtonKeepsTheWindowAndSendsNoFolderEvents)
{
    launch();
    nib().window()->setGeometry(100, 100, 1200, 800);
    ASSERT_TRUE(waitUntil([&] { return nib().window()->width() == 1200; }));
    recorder->clear();
    scanFromHome({folder("a")}, &FolderSetViewController::scanLargeFile);
    EXPECT_TRUE(FolderSetViewController::isScanLargeFile());
    EXPECT_EQ(LargeFilesManager::default_().folderList(), QByteArrayList{folder("a")});
    EXPECT_TRUE(root()->scanViewController()->isLargeFileMode());
    EXPECT_EQ(nib().window()->geometry(), QRect(100, 100, 1200, 800));
    QStringList process = sent("Process");
    process.removeAll("Main 1");
    EXPECT_EQ(process.mid(0, 2), (QStringList{" LargeFileIntervals 0", "ClikScan 1_Large"}));
    EXPECT_TRUE(sent("Scanfolder").isEmpty());
    waitForTheScan();
}

TEST_F(HomeButtonsTest, ImageButtonHandsTheListToTheImageScreen)
{
    launch();
    recorder->clear();
    const QByteArrayList folders = {folder("b"), folder("a")};
    scanFromHome(folders, &FolderSetViewController::scanImagesBtnAction);
    EXPECT_FALSE(FolderSetViewController::isScanLargeFile());
    ASSERT_NE(root()->scanImagesViewController(), nullptr);
    EXPECT_EQ(root()->scanImagesViewController()->folderList(), folders);
    EXPECT_EQ(nib().window()->width(), 1000);
    ASSERT_TRUE(waitUntil([&] { return recorder->contains("Scanfolder", "SCHardDisk"); }));
    EXPECT_TRUE(sent("Process").contains("ClikScan 1_Image"));
    EXPECT_TRUE(sent("Process").contains("ImageIntervals 0"));
    EXPECT_TRUE(sent("Scanfolder").contains("SCPath Image_" + QFile::decodeName(folders[0])));
    EXPECT_TRUE(sent("Scanfolder").last().endsWith("Image"));
}

TEST_F(HomeButtonsTest, ACounterStoredAsTextIsLeftAloneAndNotReported)
{
    launch();
    UserDefaults::standardUserDefaults().setObject(QStringLiteral("YES"), QStringLiteral("ClikScan"));
    recorder->clear();
    scanFromHome({folder("a")}, &FolderSetViewController::scanDuplicates);
    EXPECT_TRUE(sent("Process").filter("ClikScan").isEmpty());
    EXPECT_EQ(UserDefaults::standardUserDefaults().stringForKey("ClikScan"), "YES");
    // The scan starts all the same.
    EXPECT_NE(root()->scanViewController(), nullptr);
    waitForTheScan();
}

TEST_F(HomeButtonsTest, FoldersThatAreAllGoneAreReportedInsteadOfScanned)
{
    launch();
    home()->dragDrop(home()->dragDropView(), {folder("a")});
    ASSERT_TRUE(waitUntil([&] { return home()->dropsInFlight() == 0; }));
    ASSERT_TRUE(QDir(scratch() + "/a").removeRecursively());
    const QRect frame = nib().window()->geometry();
    recorder->clear();
    home()->scanDuplicates();
    ASSERT_TRUE(waitUntil([] { return folderSheetShowing(); }));
    EXPECT_EQ(root()->scanViewController(), nullptr);
    EXPECT_EQ(root()->mainViewBox()->contentView(), home());
    EXPECT_EQ(home()->folderList(), QByteArrayList{folder("a")});
    EXPECT_EQ(nib().window()->geometry(), frame);
    EXPECT_TRUE(recorder->events().isEmpty());
    EXPECT_EQ(UserDefaults::standardUserDefaults().objectForKey("ClikScan"), QVariant());
    SheetWindowController::endSheet();

    home()->scanImagesBtnAction();
    ASSERT_TRUE(waitUntil([] { return folderSheetShowing(); }));
    EXPECT_EQ(root()->scanImagesViewController(), nullptr);
    SheetWindowController::endSheet();

    // With one of two still there, the scan runs over the list as it is.
    home()->dragDrop(home()->mainDragView(), {folder("b")});
    scanFromHome({}, &FolderSetViewController::scanLargeFile);
    EXPECT_FALSE(folderSheetShowing());
    EXPECT_EQ(LargeFilesManager::default_().folderList(), (QByteArrayList{folder("a"), folder("b")}));
    waitForTheScan();
}
