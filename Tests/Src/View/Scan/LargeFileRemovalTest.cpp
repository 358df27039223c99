// The large-file function end to end through the scan screen: a scan
// stopped by the user, and removals into a folder that already holds a file
// of the same name and permanently, one stopped half-way, each ending with
// the panels refilled with what is left.

#include "ScanScreenFixture.h"

#include "Foundation/UserDefaults.h"
#include "Manager/LargeFilesManager.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTableView.h"
#include "View/CustomView/PopUpButton.h"
#include "View/DataDispaly/LeftData/LeftLargeFileViewController.h"
#include "View/DataDispaly/LeftScanning/ScanningLargeFileViewController.h"
#include "View/DataDispaly/RightDataDetail/LargeFileView/RightLargeFileDataViewController.h"
#include "View/Extension/KPLExtension.h"
#include "View/FileDelete/FileRemovingViewController.h"
#include "View/LoadingView/LoadingViewController.h"
#include "Window/FinishWindowController.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTimer>

using State = ScanViewController::DisplayViewType;

namespace {

class LargeFileRemovalTest : public ScanScreenTest {
protected:
    ScanViewController* scanAndCheck(const QStringList& names)
    {
        ScanViewController* s = scanToResults(largeFileTree(), true);
        RightLargeFileDataViewController* table = s->rightLargeFileDataViewController();
        EXPECT_TRUE(waitUntil([&] { return table->sortsInFlight() == 0 && table->shownFiles().size() == 4; }));
        for (int row = 0; row < table->shownFiles().size(); ++row) {
            if (names.contains(table->shownFiles().at(row)->name())) {
                table->checkBoxClick(row);
            }
        }
        EXPECT_TRUE(s->startBtn()->isEnabled());
        return s;
    }
    FinishWindowController* finishWindow(ScanViewController* s)
    {
        FinishWindowController* finish = nullptr;
        EXPECT_TRUE(waitUntil([&] {
            FileRemovingViewController* removing = s->fileRemovingViewCtr();
            finish = removing ? removing->finishWindowController() : nullptr;
            return finish != nullptr;
        }));
        QCoreApplication::sendPostedEvents();
        return finish;
    }
    QStringList shown(ScanViewController* s)
    {
        QStringList names;
        for (const FileInfoPtr& file : s->rightLargeFileDataViewController()->shownFiles()) {
            names << file->name();
        }
        return names;
    }
};

}  // namespace

TEST_F(LargeFileRemovalTest, IntoAFolderAClashKeepsBothFilesAndTheRestIsShown)
{
    ScanViewController* s = scanAndCheck({QStringLiteral("movie.mp4"), QStringLiteral("music.flac")});
    const QString folder = scratch() + QStringLiteral("/keep");
    writeFile(QStringLiteral("keep/movie.mp4"), "already here");
    s->popUpButton()->setSelectedIndex(2);
    s->popupButtonSelect(s->popUpButton(), QFile::decodeName(bytes(folder)));
    s->startBtn()->click();
    ASSERT_TRUE(waitForSheet(QStringLiteral("Are you sure to move the selected files to %1?").arg(folder)));
    answer(QStringLiteral("Yes"));
    FinishWindowController* finish = finishWindow(s);
    ASSERT_NE(finish, nullptr);
    EXPECT_EQ(finish->filesCountLabel()->text(), QStringLiteral("2"));

    // Nothing is overwritten: the file that was there keeps its content and
    // the moved one sits beside it under another name.
    QFile kept(folder + QStringLiteral("/movie.mp4"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("already here"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 3);
    EXPECT_FALSE(QFileInfo::exists(scratch() + QStringLiteral("/l/movie.mp4")));

    finish->completeAciton();
    ASSERT_TRUE(waitForResults());
    ASSERT_TRUE(waitUntil([&] { return shown(s) == QStringList{"disk.iso", "archive.zip"}; }));
    EXPECT_EQ(UserDefaults::standardUserDefaults().integerForKey(QStringLiteral("CloseView")), 17);
    EXPECT_EQ(s->selectTitleLabel()->text(), QStringLiteral("Deleted:"));
    LeftLargeFileViewController* left = s->leftLargeFileViewController();
    EXPECT_EQ(left->rowCount(), 5);
    EXPECT_EQ(left->selectedRow(), 0);
    EXPECT_EQ(LargeFilesManager::default_().allFiles().at(0)->fileCount(), 2);
}

TEST_F(LargeFileRemovalTest, PermanentlyStoppedHalfWayLeavesTheRest)
{
    ScanViewController* s = scanAndCheck({QStringLiteral("disk.iso"), QStringLiteral("music.flac")});
    s->popUpButton()->setSelectedIndex(1);
    s->popupButtonSelect(s->popUpButton(), QStringLiteral("Permanently Deleted"));
    // Each file is its own step; the first one waits at the gate.
    EngineGate gate(EngineGate::Kind::removal, bytes(scratch() + QStringLiteral("/l/music.flac")));
    s->startBtn()->click();
    ASSERT_TRUE(waitForSheet(QStringLiteral("Are you sure to permanently delete the selected files?")));
    answer(QStringLiteral("Yes"));
    ASSERT_TRUE(waitUntil([&] { return s->displayViewType() == State::displayViewTypeRemoving; }));
    ASSERT_TRUE(waitUntil([&] { return gate.holding(); }));
    FileRemovingViewController* removing = s->fileRemovingViewCtr();
    ASSERT_NE(removing, nullptr);
    removing->stopBtn()->click();
    ASSERT_TRUE(waitUntil([&] { return sheetShowing(); }));
    answer(QStringLiteral("Yes"));
    gate.open();

    FinishWindowController* finish = finishWindow(s);
    ASSERT_NE(finish, nullptr);
    finish->completeAciton();
    ASSERT_TRUE(waitForResults());
    // Whatever the stop left is still listed and still on disk; nothing
    // unchecked was touched.
    const DuplicateFilesPtr all = LargeFilesManager::default_().allFiles().at(0);
    for (const FileInfoPtr& file : all->infos()) {
        EXPECT_TRUE(QFileInfo::exists(file->displayPath())) << file->displayPath().toStdString();
    }
    EXPECT_TRUE(QFileInfo::exists(scratch() + QStringLiteral("/l/movie.mp4")));
    EXPECT_TRUE(QFileInfo::exists(scratch() + QStringLiteral("/l/sub/archive.zip")));
    EXPECT_LT(all->fileCount(), 4);
    ASSERT_TRUE(waitUntil([&] { return shown(s).size() == all->fileCount(); }));
}

TEST_F(LargeFileRemovalTest, AStopDuringTheScanShowsWhatWasFound)
{
    EngineGate gate(EngineGate::Kind::largeFileScan);
    ScanViewController* s = startScan(largeFileTree(), true);
    ASSERT_TRUE(waitUntil([&] { return gate.holding(); }));
    ScanningLargeFileViewController* panel = s->scanningLargeFileViewController();
    EXPECT_TRUE(panel->myTimer()->isActive());
    s->startAction();
    ASSERT_TRUE(waitUntil([&] { return sheetShowing(); }));
    answer(QStringLiteral("Yes"));
    gate.open();
    EXPECT_EQ(panel->scanningTitleLabel()->text(), QStringLiteral("Stop scanning"));
    EXPECT_FALSE(panel->myTimer()->isActive());
    ASSERT_TRUE(waitUntil([&] {
        return s->displayViewType() != State::displayViewTypeScanning && !s->loadingViewCtr()->isLoading();
    }, std::chrono::seconds(20)));
    // Stopped before its first file: nothing found, and the screen says so.
    EXPECT_TRUE(LargeFilesManager::default_().stopScanLargeFileFig());
}
