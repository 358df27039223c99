// The scan screen's commands: stop, back, closing the window, full screen,
// the list/preview switch, the removal-mode pop-up and the Remove command's
// question and events.

#include "ScanScreenFixture.h"

#include "FileDialogDriver.h"

#include "Foundation/NotificationCenter.h"
#include "Foundation/UserDefaults.h"
#include "Main/MainMenu.h"
#include "Main/MainViewController.h"
#include "Main/MainWindow.h"
#include "Manager/AssembleOperation.h"
#include "Manager/LargeFilesManager.h"
#include "Manager/ScanManager.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTableView.h"
#include "QVLibrary/RYTFullSizeWindow.h"
#include "View/CustomView/KPLBox.h"
#include "View/CustomView/KPLSwitchButton.h"
#include "View/CustomView/PopUpButton.h"
#include "View/CustomView/PopUpMenuWindow.h"
#include "View/CustomView/TruncatingLabel.h"
#include "View/DataDispaly/LeftData/LeftDataViewController.h"
#include "View/DataDispaly/RowCountModel.h"
#include "View/DataDispaly/CellViewDelegate.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/KPLOutlineView.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/RightDataListOutlineModel.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/RightDataListViewController.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/KPLTableView.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/RightDataPreviewViewController.h"
#include "View/Extension/KPLExtension.h"
#include "View/FileDelete/FileRemovingViewController.h"
#include "View/FolderSetViewController.h"
#include "View/LoadingView/LoadingViewController.h"
#include "Window/SheetWindowController.h"

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QScrollBar>
#include <QTest>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

using State = ScanViewController::DisplayViewType;

namespace {

const QString kBack = QStringLiteral("The scanning results won't be saved if you go Back.");
const QString kExit = QStringLiteral("Are you sure you want to exit the program?");
const QString kStopDuplicates =
    QStringLiteral("Only partial duplicates can be found if you stop scanning. Are you sure you want to stop?");

void selectAllButFirst()
{
    for (const DuplicateFilesPtr& group : ScanManager::default_().totalFiles()) {
        group->setSelectState(ControlState::mixed);
        for (qsizetype i = 0; i < group->infos().size(); ++i) {
            group->infos()[i]->setSelected(i > 0);
        }
    }
}

}  // namespace

TEST_F(ScanScreenTest, CancelledStopKeepsTheScanRunning)
{
    EngineGate gate(EngineGate::Kind::duplicateScan);
    ScanViewController* s = startScan(duplicateTree(), false);
    ASSERT_TRUE(waitUntil([&] { return gate.holding(); }));
    s->startAction();
    ASSERT_TRUE(waitForSheet(kStopDuplicates));
    answer(QStringLiteral("Cancel"));
    ASSERT_TRUE(waitForNoSheet());
    EXPECT_FALSE(ScanManager::default_().scanStop());
    EXPECT_TRUE(s->startBtn()->isEnabled());
    EXPECT_EQ(s->displayViewType(), State::displayViewTypeScanning);
    EXPECT_FALSE(s->gALogData().manualStopScan);
    gate.open();
    ASSERT_TRUE(waitForResults());
    EXPECT_FALSE(s->gALogData().manualStopScan);
}

TEST_F(ScanScreenTest, TheEndOfAScanClosesAnOpenStopQuestionAsCancelled)
{
    EngineGate gate(EngineGate::Kind::duplicateScan);
    ScanViewController* s = startScan(duplicateTree(), false);
    ASSERT_TRUE(waitUntil([&] { return gate.holding(); }));
    s->startAction();
    ASSERT_TRUE(waitForSheet(kStopDuplicates));
    gate.open();
    ASSERT_TRUE(waitForResults());
    EXPECT_FALSE(sheetShowing());
    EXPECT_FALSE(ScanManager::default_().scanStop());
    EXPECT_FALSE(s->gALogData().manualStopScan);
}

TEST_F(ScanScreenTest, BackAsksThenGoesHomeWithItsEvent)
{
    ScanViewController* s = scanToResults(duplicateTree(), false);
    recorder->clear();
    s->backAction();
    ASSERT_TRUE(waitForSheet(kBack));
    answer(QStringLiteral("Cancel"));
    ASSERT_TRUE(waitForNoSheet());
    EXPECT_EQ(root()->scanViewController(), s);
    EXPECT_EQ(recorder->count(QStringLiteral("Process"), QStringLiteral("Back")), 0);

    const QString label = s->gALogData().stopSizeCountString() + QStringLiteral("_File");
    s->backBtn()->click();
    ASSERT_TRUE(waitForSheet(kBack));
    answer(QStringLiteral("Yes"));
    EXPECT_EQ(root()->mainViewBox()->contentView(), root()->folderSetViewController());
    EXPECT_EQ(labels(QStringLiteral("Process"), QStringLiteral("Back")), QStringList{label});
    EXPECT_TRUE(label.startsWith(QStringLiteral("a_")));
}

namespace {

// Two equal sparse files of `size` bytes in `folder`, made for a scan to read.
QString bigPair(const QString& folder, qint64 size)
{
    for (const QString& name : {QStringLiteral("a.bin"), QStringLiteral("b.bin")}) {
        QDir().mkpath(folder);
        QFile file(folder + QLatin1Char('/') + name);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        EXPECT_TRUE(file.resize(size));
    }
    return folder;
}

}  // namespace

// The confirmed close under a scan that reads a large file: the stop reaches
// the reading between its pieces, and the program is told to end without
// the rest of the file being read.
TEST_F(ScanScreenTest, ConfirmedCloseWhileALargeFileIsReadEndsWithoutReadingItToTheEnd)
{
    constexpr qint64 size = 1024LL * 1024 * 1024;
    const QString folder = bigPair(scratch() + QStringLiteral("/big"), size);
    std::atomic<bool> reading{false};
    ReadPlanForTesting plan;
    plan.wholeReading = [&](const QByteArray&) { reading = true; };
    setReadPlanForTesting(plan);
    startScan(folder, false);
    ASSERT_TRUE(waitUntil([&] { return reading.load(); }, std::chrono::seconds(60)));
    const qint64 before = bytesReadSoFar();
    ASSERT_GE(before, 0);
    EXPECT_FALSE(nib().appDelegate()->windowShouldClose());
    ASSERT_TRUE(waitForSheet(kExit));
    answer(QStringLiteral("Yes"));
    ASSERT_TRUE(waitUntil([this] { return quitCount == 1; }, std::chrono::seconds(30)));
    EXPECT_LT(bytesReadSoFar() - before, size / 2);
    EXPECT_TRUE(ScanManager::default_().waitUntilIdle(10000));
    setReadPlanForTesting({});
}

// The program's end takes the screen down while its scan reads a large
// file: the screen stops the scan, which ends at once, without the main
// thread's help, and is idle when the screen is gone.
TEST_F(ScanScreenTest, AScreenGoingAwayWhileALargeFileIsReadEndsTheScanWithIt)
{
    constexpr qint64 size = 1024LL * 1024 * 1024;
    const QString folder = bigPair(scratch() + QStringLiteral("/big"), size);
    std::atomic<bool> reading{false};
    ReadPlanForTesting plan;
    plan.wholeReading = [&](const QByteArray&) { reading = true; };
    setReadPlanForTesting(plan);
    ScanViewController* s = startScan(folder, false);
    ASSERT_TRUE(waitUntil([&] { return reading.load(); }, std::chrono::seconds(60)));
    const qint64 before = bytesReadSoFar();
    ASSERT_GE(before, 0);
    delete s;
    EXPECT_TRUE(ScanManager::default_().waitUntilIdle(0));
    EXPECT_LT(bytesReadSoFar() - before, size / 2);
    setReadPlanForTesting({});
}

// A large-file walk that does not come back (a folder on a mount that no
// longer answers) does not keep the screen, nor the program's end, waiting.
TEST_F(ScanScreenTest, AWalkThatHangsDoesNotHoldUpTheScreensEnd)
{
    EngineGate gate(EngineGate::Kind::largeFileScan);
    ScanViewController* s = startScan(largeFileTree(), true);
    ASSERT_TRUE(waitUntil([&] { return gate.holding(); }));
    // Opens the gate itself only long after the screen should be gone, so
    // that a screen waiting for the walk still ends the test.
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
    std::atomic<bool> openedLate{false};
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (!changed.wait_for(lock, std::chrono::seconds(30), [&] { return done; })) {
            openedLate = true;
            gate.open();
        }
    });
    delete s;
    EXPECT_FALSE(openedLate.load());
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    changed.notify_all();
    watchdog.join();
    // Once the walk comes back it ends by itself, telling whoever listens.
    struct EndListener : ScanManagerProtocol {
        std::atomic<int> finished{0};
        void startScan() override {}
        void stopScan() override {}
        void scaningPath(const QString&) override {}
        void scanProgress(double) override {}
        void scanFinished() override { ++finished; }
        void startRemove() override {}
        void stopRemove() override {}
        void removeFinished() override {}
    } listener;
    LargeFilesManager::default_().setDelegate(&listener);
    gate.open();
    EXPECT_TRUE(waitUntil([&] { return listener.finished.load() > 0; }, std::chrono::seconds(30)));
    LargeFilesManager::default_().setDelegate(nullptr);
    // Its thread is deleted from the event loop once it has ended.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(ScanScreenTest, BackFromFullScreenLeavesFullScreenFirst)
{
    ScanViewController* s = scanToResults(duplicateTree(), false);
    RYTFullSizeWindow* window = nib().window();
    window->toggleFullScreen();
    ASSERT_TRUE(waitUntil([&] { return s->fullScreen(); }));
    bool fullWhenHome = true;
    QObject owner;
    NotificationCenter::defaultCenter().addObserver(&owner, didHiddenFullScreenNotification(), [&](const Notification&) {
        fullWhenHome = window->isInFullScreen();
    });
    s->backAction();
    ASSERT_TRUE(waitForSheet(kBack));
    answer(QStringLiteral("Yes"));
    EXPECT_FALSE(fullWhenHome);
    EXPECT_EQ(root()->mainViewBox()->contentView(), root()->folderSetViewController());
}

TEST_F(ScanScreenTest, LargeFileBackAndCloseCarryTheLargeLabels)
{
    ScanViewController* s = scanToResults(largeFileTree(), true);
    const DuplicateFilesPtr all = LargeFilesManager::default_().allFiles().first();
    const QString label =
        QStringLiteral("a_%1_%2_Large").arg(transformedFileSize(all->totalSize(), true, true)).arg(all->fileCount());
    EXPECT_EQ(ScanViewController::largeFileEventLabel(), label);

    recorder->clear();
    EXPECT_FALSE(s->isShouldCloseWindow());
    ASSERT_TRUE(waitForSheet(kExit));
    answer(QStringLiteral("Cancel"));
    ASSERT_TRUE(waitForNoSheet());
    EXPECT_EQ(quitCount, 0);
    EXPECT_EQ(recorder->count(QStringLiteral("Process"), QStringLiteral("Close")), 0);

    EXPECT_FALSE(nib().mainWindow()->isShouldCloseWindow());
    ASSERT_TRUE(waitForSheet(kExit));
    answer(QStringLiteral("Yes"));
    ASSERT_TRUE(waitUntil([this] { return quitCount == 1; }));
    EXPECT_EQ(terminationStatus(), QStringLiteral("exited"));
    const QList<QVDAObservedEvent> events = recorder->events();
    ASSERT_EQ(events.size(), 1);
    EXPECT_EQ(events.first().function, QStringLiteral("RYSyncGALog"));
    EXPECT_EQ(events.first().action, QStringLiteral("Close"));
    EXPECT_EQ(events.first().label, label);

    recorder->clear();
    s->backAction();
    ASSERT_TRUE(waitForSheet(kBack));
    ScanViewController::setIsGAScanFinished(true);
    answer(QStringLiteral("Yes"));
    EXPECT_FALSE(ScanViewController::isGAScanFinished());
    EXPECT_EQ(labels(QStringLiteral("Process"), QStringLiteral("Back")), QStringList{label});

    // After a confirmed large-file removal, no screen of the run sends Back.
    ScanViewController::setIsDeleteFile(true);
    s = scanToResults(largeFileTree(), true);
    recorder->clear();
    s->backAction();
    ASSERT_TRUE(waitForSheet(kBack));
    answer(QStringLiteral("Yes"));
    EXPECT_EQ(recorder->count(QStringLiteral("Process"), QStringLiteral("Back")), 0);
}

TEST_F(ScanScreenTest, ConfirmedCloseSendsItsEventAndReachesTheTermination)
{
    ScanViewController* s = scanToResults(duplicateTree(), false);
    recorder->clear();
    EXPECT_FALSE(nib().appDelegate()->windowShouldClose());
    ASSERT_TRUE(waitForSheet(kExit));
    answer(QStringLiteral("Yes"));
    ASSERT_TRUE(waitUntil([this] { return quitCount == 1; }));
    EXPECT_EQ(terminationStatus(), QStringLiteral("exited"));
    EXPECT_EQ(labels(QStringLiteral("Process"), QStringLiteral("Close")),
              QStringList{s->gALogData().stopSizeCountString() + QStringLiteral("_File")});
    EXPECT_EQ(recorder->events().first().function, QStringLiteral("RYAsyncGALog"));
    // The window stays: the program ends by the termination alone.
    EXPECT_TRUE(nib().window()->isVisible());
}

TEST_F(ScanScreenTest, FullScreenIsReportedAndPassedToTheRemovalScreen)
{
    ScanViewController* s = scanToResults(duplicateTree(), false);
    recorder->clear();
    nib().appDelegate()->windowDidEnterFullScreen();
    EXPECT_TRUE(s->fullScreen());
    EXPECT_EQ(labels(QStringLiteral("BeforeDeleter"), QStringLiteral("FullScreen")), QStringList{QStringLiteral("all")});
    s->setDisplayViewType(State::displayViewTypeRemoving);
    s->displayRemovingView();
    FileRemovingViewController* removing = s->fileRemovingViewCtr();
    EXPECT_TRUE(removing->noteLabel()->isHidden());
    nib().appDelegate()->windowDidEnterFullScreen();
    EXPECT_FALSE(removing->noteLabel()->isHidden());
    EXPECT_FALSE(removing->noteInfoLabel()->isHidden());
    nib().appDelegate()->windowDidExitFullScreen();
    EXPECT_FALSE(s->fullScreen());
    EXPECT_TRUE(removing->noteLabel()->isHidden());
    EXPECT_EQ(recorder->count(QStringLiteral("BeforeDeleter"), QStringLiteral("FullScreen")), 2);
}

TEST_F(ScanScreenTest, SwitchingBetweenPreviewAndListKeepsTheChosenGroupAndFile)
{
    ScanViewController* s = scanToResults(duplicateTree(), false);
    RightDataPreviewViewController* preview = s->rightDataPrevieViewCtr();
    ASSERT_GE(preview->filesArray().size(), 3);
    preview->mainTableView()->selectRow(2);
    preview->subTableView()->selectRow(1);
    const DuplicateFilesPtr group = preview->filesArray().at(2);
    ASSERT_EQ(preview->lastMainSelect().item, group);
    const FileInfoPtr file = preview->lastSubSelect().item;
    ASSERT_EQ(file, group->infos().at(1));

    s->modeSwitchAction();
    EXPECT_FALSE(s->previewModel());
    RightDataListViewController* list = s->rightDataListViewCtr();
    EXPECT_EQ(s->rightDataBox()->contentView(), list);
    EXPECT_EQ(list->lastMainSelect().item, group);
    EXPECT_EQ(list->lastSubSelect().item, file);
    // Once the switch is done the header is usable again, whatever the
    // panels redrew while it was loading.
    const auto headerUsable = [&] {
        return !s->loadingViewCtr()->isLoading() && s->leftDataViewCtr()->reloadsInFlight() == 0 &&
               s->startBtn()->title() == QStringLiteral("Remove") && s->backBtn()->isEnabled() &&
               s->modeSwitchBtn()->isEnabled() && !s->popUpButton()->isHidden();
    };
    EXPECT_TRUE(waitUntil(std::function<bool()>(headerUsable)));

    s->modeSwitchAction();
    EXPECT_TRUE(s->previewModel());
    EXPECT_EQ(s->rightDataBox()->contentView(), preview);
    EXPECT_EQ(preview->lastMainSelect().item, group);
    EXPECT_EQ(preview->lastSubSelect().item, file);
    EXPECT_TRUE(waitUntil(std::function<bool()>(headerUsable)));


    // A reload that ends while the overlay stands redraws the header as
    // busy; the end of the loading makes it usable again.
    s->displayLoading(true);
    ASSERT_TRUE(waitUntil([&] { return s->loadingViewCtr()->isLoading(); }));
    s->displayRightDataView();
    EXPECT_EQ(s->startBtn()->title(), QStringLiteral("Stop"));
    EXPECT_FALSE(s->backBtn()->isEnabled());
    s->displayLoading(false);
    EXPECT_TRUE(waitUntil(std::function<bool()>(headerUsable)));
    EXPECT_TRUE(preview->checkIsEnabled());
}

TEST_F(ScanScreenTest, TheChosenGroupIsInViewWhenTheResultsAreShownAgain)
{
    ScanViewController* s = scanToResults(manyPairsTree(), false);
    KPLTableView* table = s->rightDataPrevieViewCtr()->mainTableView();
    const int rows = table->model()->rowCount();
    ASSERT_EQ(rows, 60);
    table->selectRow(rows - 1);
    const DuplicateFilesPtr chosen = s->rightDataPrevieViewCtr()->lastMainSelect().item;
    table->scrollToTop();

    // As at the end of a removal: the results are built and shown anew.
    s->loadingViewCtr()->setIsLoading(true);
    s->displayLoading(true);
    s->displayScanFinishedView();
    ASSERT_TRUE(waitUntil([&] {
        return !s->loadingViewCtr()->isLoading() && s->leftDataViewCtr()->reloadsInFlight() == 0 &&
               s->leftDataViewCtr()->tableView()->isEnabled();
    }));
    const QModelIndexList selected = table->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(s->rightDataPrevieViewCtr()->lastMainSelect().item, chosen);
    EXPECT_TRUE(table->viewport()->rect().intersects(table->visualRect(selected.first())));
}

TEST_F(ScanScreenTest, ThePopUpOffersThreeWaysAndRemembersTheChoiceForTheNextScreen)
{
    const QString tree = duplicateTree();
    ScanViewController* s = scanToResults(tree, false);
    PopUpButton* popUp = s->popUpButton();
    EXPECT_EQ(popUp->itemTitles(), (QStringList{QStringLiteral("Discard to the Trash"), QStringLiteral("Permanently Deleted"),
                                                QStringLiteral("Remove to the Folder...")}));
    EXPECT_EQ(popUp->selectedTitle()->text(), QStringLiteral("Discard to the Trash"));
    EXPECT_EQ(s->selectRemoveType(), RemoveType::trash());

    popUp->menuWindow()->selectItem(QStringLiteral("Permanently Deleted"));
    EXPECT_EQ(s->selectRemoveType(), RemoveType::forever_());
    EXPECT_EQ(ScanManager::default_().lastRemoveType(), RemoveType::forever_());

    // The folder item asks for a folder; a cancelled chooser keeps the mode.
    popUp->menuWindow()->selectItem(QStringLiteral("Remove to the Folder..."));
    QFileDialog* chooser = s->openPanel();
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(chooser->fileMode(), QFileDialog::Directory);
    EXPECT_TRUE(chooser->testOption(QFileDialog::ShowDirsOnly));
    EXPECT_EQ(FileDialogDriver::waitForDialog(), chooser);
    ASSERT_TRUE(FileDialogDriver::pressCancel(chooser));
    EXPECT_EQ(popUp->selectedIndex(), 1);
    EXPECT_EQ(popUp->selectedTitle()->text(), QStringLiteral("Permanently Deleted"));
    EXPECT_EQ(s->selectRemoveType(), RemoveType::forever_());

    // The next screen opens with the remembered mode.
    root()->scanViewBackAction();
    s = scanToResults(tree, false);
    EXPECT_EQ(s->popUpButton()->selectedTitle()->text(), QStringLiteral("Permanently Deleted"));
    EXPECT_EQ(s->selectRemoveType(), RemoveType::forever_());
    selectAllButFirst();
    s->updateSelectCountSizeLabel();
    s->startAction();
    EXPECT_TRUE(waitForSheet(QStringLiteral("Are you sure to permanently delete the selected files?")));
    answer(QStringLiteral("Cancel"));
    ASSERT_TRUE(waitForNoSheet());

    // A chosen folder: the button shows its name, the question the path.
    const QString folder = scratch() + QStringLiteral("/Keep here");
    QDir().mkpath(folder);
    popUp = s->popUpButton();
    popUp->menuWindow()->selectItem(QStringLiteral("Remove to the Folder..."));
    chooser = s->openPanel();
    ASSERT_NE(chooser, nullptr);
    FileDialogDriver::typeName(chooser, folder);
    ASSERT_TRUE(FileDialogDriver::pressAccept(chooser));
    EXPECT_EQ(s->openPanel(), nullptr);
    EXPECT_EQ(popUp->selectedTitle()->text(), QStringLiteral("Remove to Keep here"));
    EXPECT_EQ(popUp->itemTitles().at(2), QStringLiteral("Remove to Keep here"));
    EXPECT_EQ(s->selectRemoveType(), RemoveType::folder(bytes(folder)));
    s->startAction();
    EXPECT_TRUE(waitForSheet(QStringLiteral("Are you sure to move the selected files to %1?").arg(folder)));
    answer(QStringLiteral("Cancel"));
    ASSERT_TRUE(waitForNoSheet());

    // The next duplicate screen removes there without asking for the folder;
    // clicking the item asks again.
    root()->scanViewBackAction();
    s = scanToResults(tree, false);
    EXPECT_EQ(s->popUpButton()->selectedTitle()->text(), QStringLiteral("Remove to Keep here"));
    EXPECT_EQ(s->selectRemoveType(), RemoveType::folder(bytes(folder)));
    EXPECT_EQ(s->openPanel(), nullptr);
    s->popUpButton()->menuWindow()->selectItem(QStringLiteral("Remove to Keep here"));
    ASSERT_NE(s->openPanel(), nullptr);
    ASSERT_TRUE(FileDialogDriver::pressCancel(s->openPanel()));
    EXPECT_EQ(s->selectRemoveType(), RemoveType::folder(bytes(folder)));
    EXPECT_EQ(s->popUpButton()->selectedTitle()->text(), QStringLiteral("Remove to Keep here"));

    // A name that ends in white space is shown without it.
    const QString spaced = scratch() + QStringLiteral("/Old copies \n");
    s->popUpButton()->setSelectedIndex(2);
    s->popupButtonSelect(s->popUpButton(), spaced);
    EXPECT_EQ(s->popUpButton()->selectedTitle()->text(), QStringLiteral("Remove to Old copies"));
    EXPECT_EQ(s->selectRemoveType(), RemoveType::folder(bytes(spaced)));
    s->popupButtonSelect(s->popUpButton(), folder);

    // A large-file screen starts from the Trash, though it lists the folder.
    root()->scanViewBackAction();
    s = scanToResults(largeFileTree(), true);
    EXPECT_EQ(s->popUpButton()->selectedTitle()->text(), QStringLiteral("Discard to the Trash"));
    EXPECT_EQ(s->popUpButton()->itemTitles().at(2), QStringLiteral("Remove to Keep here"));
    EXPECT_EQ(s->selectRemoveType(), RemoveType::trash());
}

// The pop-up is as wide as its title asks (title + 38, at most 550) and shows
// it whole, however the title came there: a click on its menu or the mode
// remembered by the screen before.
TEST_F(ScanScreenTest, ThePopUpShowsItsWholeTitleAlsoWhenTheNextScreenOpensWithIt)
{
    const QString tree = duplicateTree();
    ScanViewController* s = scanToResults(tree, false);
    const auto expectWhole = [&](const QString& title, const char* when) {
        PopUpButton* popUp = s->popUpButton();
        TruncatingLabel* label = popUp->selectedTitle();
        EXPECT_EQ(label->text().toStdString(), title.toStdString()) << when;
        EXPECT_EQ(label->shownText().toStdString(), title.toStdString()) << when << ": the title is cut";
        EXPECT_EQ(popUp->width(),
                  PopUpButton::widthForTitleWidth(QFontMetricsF(label->font()).horizontalAdvance(title)))
            << when;
    };
    expectWhole(QStringLiteral("Discard to the Trash"), "first screen");
    PopUpButton* popUp = s->popUpButton();
    QTest::mouseClick(popUp, Qt::LeftButton);
    ASSERT_TRUE(popUp->isPopupWindowOpen());
    QTest::mouseClick(popUp->menuWindow()->itemViews().at(1), Qt::LeftButton);
    expectWhole(QStringLiteral("Permanently Deleted"), "chosen in the menu");

    root()->scanViewBackAction();
    s = scanToResults(tree, false);
    expectWhole(QStringLiteral("Permanently Deleted"), "next screen");

    // The remembered folder: its longer title is not cut either.
    const QString folder = scratch() + QStringLiteral("/A folder with quite a long name for copies");
    QDir().mkpath(folder);
    s->popUpButton()->setSelectedIndex(2);
    s->popupButtonSelect(s->popUpButton(), folder);
    root()->scanViewBackAction();
    s = scanToResults(tree, false);
    expectWhole(QStringLiteral("Remove to A folder with quite a long name for copies"), "remembered folder");
}

TEST_F(ScanScreenTest, RemoveSendsItsNineEventsInOrderEvenWhenCancelled)
{
    ScanViewController* s = scanToResults(duplicateTree(), false);
    s->automaticSelectionAction();
    s->automaticSelectionAction();
    s->notAtAllAction();
    s->automaticSelectionAction();
    recorder->clear();
    s->startAction();
    ASSERT_TRUE(waitForSheet(QStringLiteral("Are you sure to discard the selected files to the Trash?")));
    answer(QStringLiteral("Cancel"));
    ASSERT_TRUE(waitForNoSheet());
    QStringList seen;
    for (const QVDAObservedEvent& event : recorder->events()) {
        seen << QStringLiteral("%1/%2/%3").arg(event.category, event.action, event.label);
    }
    // Five groups: every group keeps one file unselected.
    EXPECT_EQ(seen, (QStringList{
                        QStringLiteral("Process/ClikDuplicate/1_File"),
                        QStringLiteral("BeforeDeleter/SelectNumber/2_1_1_1_1"),
                        QStringLiteral("BeforeDeleter/Selected/0"),
                        QStringLiteral("BeforeDeleter/FileType/Null"),
                        QStringLiteral("BeforeDeleter/DisplayMode/Preview"),
                        QStringLiteral("BeforeDeleter/Autoselect/3_1"),
                        QStringLiteral("BeforeDeleter/Remove/recycle_File"),
                        QStringLiteral("BeforeDeleter/GroupSelect/5_5_0"),
                        QStringLiteral("BeforeDeleter/FullScreen/2_File"),
                    }));
    EXPECT_EQ(s->gALogData().selectCount.autoSelectCount, 0);
    EXPECT_EQ(s->gALogData().selectCount.unselectAllCount, 0);

    // The counter goes on; a category click since the last command drops
    // the "FileType" event.
    s->leftDataViewCtr()->setFileTypeClick(true);
    s->modeSwitchAction();
    recorder->clear();
    s->startAction();
    ASSERT_TRUE(waitForSheet(QStringLiteral("Are you sure to discard the selected files to the Trash?")));
    answer(QStringLiteral("Cancel"));
    ASSERT_TRUE(waitForNoSheet());
    EXPECT_EQ(labels(QStringLiteral("Process"), QStringLiteral("ClikDuplicate")), QStringList{QStringLiteral("2_File")});
    EXPECT_EQ(recorder->count(QStringLiteral("BeforeDeleter"), QStringLiteral("FileType")), 0);
    EXPECT_EQ(labels(QStringLiteral("BeforeDeleter"), QStringLiteral("DisplayMode")), QStringList{QStringLiteral("List")});
    EXPECT_FALSE(s->leftDataViewCtr()->fileTypeClick());
}

TEST_F(ScanScreenTest, WithoutAMainWindowTheCommandsAskNothingAndDoNothing)
{
    ScanViewController* s = scanToResults(duplicateTree(), false);
    selectAllButFirst();
    s->updateSelectCountSizeLabel();
    nib().window()->hide();
    recorder->clear();
    s->startAction();
    s->backAction();
    QCoreApplication::processEvents();
    EXPECT_FALSE(sheetShowing());
    EXPECT_EQ(root()->scanViewController(), s);
    // The Remove command's events are sent all the same.
    EXPECT_EQ(recorder->count(QStringLiteral("Process"), QStringLiteral("ClikDuplicate")), 1);
    EXPECT_EQ(s->displayViewType(), State::displayViewTypeScanFinished);
    nib().window()->show();
}

// A new list in list mode: the panel opens no group of its own accord and
// chooses the remembered file wherever it shows; only the switch from the
// preview opens the group chosen there, unless the user closed it.
TEST_F(ScanScreenTest, ANewListOpensNoGroupAndChoosesTheRememberedFileWhereItShows)
{
    ScanViewController* s = scanToResults(duplicateTree(), false);
    const auto settled = [&] {
        return !s->loadingViewCtr()->isLoading() && s->leftDataViewCtr()->reloadsInFlight() == 0;
    };
    clickCentre(s->modeSwitchBtn());
    ASSERT_FALSE(s->previewModel());
    ASSERT_TRUE(waitUntil(std::function<bool()>(settled)));
    RightDataListViewController* list = s->rightDataListViewCtr();
    RightDataListOutlineModel* model = list->outlineModel();
    KPLOutlineView* outline = list->outlineView();
    const DuplicateFilesList groups = list->filesArray();
    ASSERT_EQ(groups.size(), 5);
    EXPECT_TRUE(model->isExpanded(groups[0].get()));
    EXPECT_EQ(model->expandedCount(), 1);

    // A file of the open group is chosen, then a closed group below it.
    const FileInfoPtr file = groups[0]->infos().at(1);
    clickRowPart(outline, list->cellDelegate(), model->fileIndex(groups[0].get(), 1), "fileNameLabel");
    ASSERT_EQ(list->lastSubSelect().item, file);
    clickRowPart(outline, list->cellDelegate(), model->indexOfGroup(groups[2].get()), "fileNameLabel");
    ASSERT_EQ(list->lastMainSelect().item, groups[2]);
    clickCentre(s->automaticSelectionBtn());
    EXPECT_EQ(outline->selectedRow(), model->indexOfGroup(groups[2].get()).row());

    // "Selected" hands in a new list: nothing opens, the file is chosen.
    clickCentre(s->leftDataViewCtr()->rightBtn());
    ASSERT_TRUE(waitUntil([&] { return settled() && s->leftDataViewCtr()->viewSelected(); }));
    ASSERT_EQ(list->filesArray().size(), 5);
    EXPECT_FALSE(model->isExpanded(groups[2].get()));
    EXPECT_EQ(model->expandedCount(), 1);
    EXPECT_EQ(outline->selectedRow(), model->indexOfFile(groups[0].get(), file.get()).row());
    EXPECT_EQ(list->lastSubSelect().item, file);

    // Closed here and chosen, the group stays closed across the preview
    // and back.
    clickRowPart(outline, list->cellDelegate(), model->indexOfGroup(groups[0].get()), "arrowButton");
    clickRowPart(outline, list->cellDelegate(), model->indexOfGroup(groups[0].get()), "fileNameLabel");
    ASSERT_EQ(model->expandedCount(), 0);
    ASSERT_EQ(list->lastMainSelect().item, groups[0]);
    clickCentre(s->modeSwitchBtn());
    ASSERT_TRUE(waitUntil(std::function<bool()>(settled)));
    clickCentre(s->modeSwitchBtn());
    ASSERT_TRUE(waitUntil(std::function<bool()>(settled)));
    ASSERT_FALSE(s->previewModel());
    EXPECT_EQ(model->expandedCount(), 0);
}

// The chosen row is brought into view when the panel chooses it again,
// after a mode switch and after a category change, even where the list
// had it chosen already.
TEST_F(ScanScreenTest, TheChosenRowIsBroughtIntoViewAfterASwitchAndACategoryChange)
{
    ScanViewController* s = scanToResults(manyPairsTree(), false);
    const auto settled = [&] {
        return !s->loadingViewCtr()->isLoading() && s->leftDataViewCtr()->reloadsInFlight() == 0;
    };
    RightDataPreviewViewController* preview = s->rightDataPrevieViewCtr();
    KPLTableView* groups = preview->mainTableView();
    ASSERT_EQ(groups->model()->rowCount(), 60);
    QScrollBar* bar = groups->verticalScrollBar();
    bar->setValue(bar->maximum());
    const QModelIndex last = preview->mainModel()->index(59, 0);
    clickRowPart(groups, preview->mainCells(), last, "fileNameLabel");
    clickRowPart(preview->subTableView(), preview->subCells(), preview->subModel()->index(1, 0), "fileNameLabel");
    ASSERT_EQ(preview->lastSubSelect().item, preview->filesArray().at(59)->infos().at(1));
    bar->setValue(0);
    ASSERT_FALSE(chosenRowShows(groups));

    clickCentre(s->modeSwitchBtn());
    ASSERT_TRUE(waitUntil(std::function<bool()>(settled)));
    KPLOutlineView* outline = s->rightDataListViewCtr()->outlineView();
    EXPECT_EQ(outline->selectedRow(), 61);
    EXPECT_TRUE(chosenRowShows(outline));
    outline->verticalScrollBar()->setValue(0);
    clickCentre(s->modeSwitchBtn());
    ASSERT_TRUE(waitUntil(std::function<bool()>(settled)));
    EXPECT_EQ(groups->selectedRow(), 59);
    EXPECT_TRUE(chosenRowShows(groups));

    // Every group is of the other kind: that category lists the same
    // groups, and its first row is chosen.
    LeftDataViewController* left = s->leftDataViewCtr();
    const auto clickCategory = [&](LeftDataType type) {
        int row = -1;
        for (size_t i = 0; i < left->dataArray().size(); ++i) {
            if (left->dataArray()[i]->dataType() == type) {
                row = int(i);
            }
        }
        ASSERT_GE(row, 0);
        RYTableView* table = left->tableView();
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(table->model()->index(row, 0)).center());
        ASSERT_EQ(left->selectedRow(), row);
    };
    clickCategory(LeftDataType::other);
    EXPECT_EQ(groups->selectedRow(), 0);
    EXPECT_TRUE(chosenRowShows(groups));
    bar->setValue(bar->maximum());
    ASSERT_FALSE(chosenRowShows(groups));
    clickCategory(LeftDataType::all);
    EXPECT_EQ(groups->selectedRow(), 0);
    EXPECT_TRUE(chosenRowShows(groups));
}
