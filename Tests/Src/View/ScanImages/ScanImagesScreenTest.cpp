// The similar-image screen over the real engine and image library: scan,
// pick, remove in each mode, the finish sheet and the groups left, the
// decided faults and the usage events.
#include "ScanImagesScreenSupport.h"

#include "Foundation/FileManager.h"
#include "Foundation/ResourceValues.h"
#include "Foundation/Trash.h"
#include "Foundation/UserDefaults.h"
#include "Main/AppTermination.h"
#include "Main/GACollectionManager.h"
#include "Main/Utilities.h"
#include "Manager/ScanImagesManager.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTCheckBox.h"
#include "View/CustomView/PopUpButton.h"
#include "View/Extension/KPLExtension.h"
#include "View/ScanImagesViewController/FinishNotDupImagesViewController.h"
#include "View/ScanImagesViewController/ImageGridView.h"
#include "View/ScanImagesViewController/ImageListView.h"
#include "View/ScanImagesViewController/ImagesDeleteViewController.h"
#include "View/ScanImagesViewController/ImagesScanResultViewController.h"
#include "View/ScanImagesViewController/ImagesScanningViewController.h"
#include "View/ScanImagesViewController/ScanImagesCollectionViewController.h"
#include "View/ScanImagesViewController/ScanImagesListViewController.h"
#include "View/ScanImagesViewController/ScanImagesModels.h"
#include "QVLibrary/RYSelectView.h"
#include "View/ScanImagesViewController/ScanImagesSelection.h"
#include "Window/FinishWindowController.h"
#include "Window/ModalOverlay.h"
#include "Window/SheetWindowController.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QListView>
#include <QRegularExpression>
#include <QTest>
#include <QTextDocument>
#include <QToolTip>

#include <dirent.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

namespace {
QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}
}  // namespace

TEST_F(ScanImagesScreenTest, ScanPickByClicksRemoveToTheTrashAndShowTheGroupsLeft)
{
    const QString folder = makeImages(2, 3);
    scan({folder});
    ASSERT_EQ(screen->scanState(), 2u);
    ImagesScanResultViewController* result = screen->imageResultViewCtr();
    EXPECT_EQ(screen->mainBoxContent(), result);
    ASSERT_EQ(result->dupImagesArray().size(), 2);
    EXPECT_EQ(result->groupCount(), 2);
    EXPECT_EQ(result->dupImagesCount(), 8);
    EXPECT_EQ(screen->stopBtn()->title(), QStringLiteral("Remove"));
    EXPECT_FALSE(screen->stopBtn()->isEnabled());
    EXPECT_TRUE(screen->backBtn()->isEnabled());
    EXPECT_EQ(screen->selectCount()->text(), QStringLiteral("0(0  B)"));

    // Two images of the first group picked in the grid.
    clickThumbnail(1);
    clickThumbnail(2);
    const ScanImagesGroupItemPtr first = result->dupImagesArray().first();
    EXPECT_EQ(first->isSelect(), -1);
    EXPECT_EQ(screen->selectImagesNum(), 2);
    EXPECT_TRUE(screen->stopBtn()->isEnabled());
    EXPECT_TRUE(screen->selectCount()->text().startsWith(QStringLiteral("2(")));
    const QString pickedA = first->dupImageItems().at(1)->imagePath();
    const QString pickedB = first->dupImageItems().at(2)->imagePath();

    removeAndFinish();
    EXPECT_EQ(screen->scanState(), 8u);
    EXPECT_FALSE(QFile::exists(pickedA));
    EXPECT_FALSE(QFile::exists(pickedB));
    const QString trash = QFile::decodeName(Trash::homeTrash());
    EXPECT_EQ(filesIn(trash + "/files").size(), 2);
    EXPECT_EQ(filesIn(trash + "/info").size(), 2);
    EXPECT_TRUE(filesIn(trash + "/info").first().endsWith(".trashinfo"));
    // The groups left, in a new result view, with what was deleted in red.
    EXPECT_EQ(screen->selectTip()->text(), QStringLiteral("Deleted:"));
    EXPECT_TRUE(screen->selectCount()->text().startsWith(QStringLiteral("2(")));
    EXPECT_EQ(screen->selectCount()->palette().color(QPalette::WindowText), color256(254, 74, 74));
    EXPECT_NE(screen->imageResultViewCtr(), result);
    EXPECT_EQ(screen->imageResultViewCtr()->dupImagesCount(), 6);
    EXPECT_EQ(screen->stopBtn()->title(), QStringLiteral("Remove"));
    EXPECT_FALSE(screen->stopBtn()->isEnabled());
    EXPECT_EQ(labels("Process", "Complete"), QStringList{"1_successDE_Image"});
    EXPECT_EQ(labels("BeforeDeleter", "Remove"), QStringList{"recycle_Image"});
    EXPECT_EQ(labels("BeforeDeleter", "Selectquantity"), QStringList{"2_8"});
    EXPECT_EQ(labels("Process", "Remover"), QStringList{"1_Image"});
    EXPECT_EQ(UserDefaults::standardUserDefaults().integerForKey("CloseView"), 12);
}

// A plain file where the Trash keeps its files: told so and why, nothing
// moves, and the results stay as they were.
TEST_F(ScanImagesScreenTest, ATrashThatCannotTakeFilesSaysSoAndNothingMoves)
{
    const QString folder = makeImages(1, 1);
    scan({folder});
    ASSERT_TRUE(writeFileBytes(Trash::filesFolder(), "in the way"));
    screen->imageResultViewCtr()->autoSelectAll()->click();
    screen->stopBtnAction();
    ASSERT_TRUE(answerSheet("Yes"));
    ASSERT_TRUE(waitUntil([&] { return sheetShowing(); }));
    EXPECT_EQ(sheetText(), QStringLiteral("The Trash cannot be used: \u201C%1\u201D is not a folder. Nothing was moved.")
                               .arg(QFile::decodeName(Trash::filesFolder())));
    SheetWindowController::endSheet();
    EXPECT_EQ(screen->scanState(), 2u);
    EXPECT_EQ(filesIn(folder).size(), 2);
}

TEST_F(ScanImagesScreenTest, PermanentRemovalOfAWholeResultGoesHome)
{
    UserDefaults::standardUserDefaults().setInteger(1, "dupImageRemoveType");
    const QString folder = makeImages(1, 1);
    scan({folder});
    ASSERT_EQ(screen->scanState(), 2u);
    EXPECT_EQ(ScanImagesManager::shared().removeType(), 1u);
    EXPECT_TRUE(ScanImagesManager::shared().removePath().isEmpty());
    ImagesScanResultViewController* result = screen->imageResultViewCtr();
    result->autoSelectAll()->click();
    EXPECT_EQ(screen->selectImagesNum(), 2);
    screen->stopBtnAction();
    EXPECT_EQ(sheetText(), QStringLiteral("Those images will be permanently deleted. Are you sure to continue?"));
    ASSERT_TRUE(answerSheet("Yes"));
    ASSERT_TRUE(waitUntil([&] { return screen->finishWindowController() != nullptr; }, std::chrono::seconds(30)));
    screen->finishWindowController()->completeAciton();
    // Nothing left: the screen goes home.
    ASSERT_TRUE(waitUntil([&] { return backCount == 1; }));
    EXPECT_TRUE(filesIn(folder).isEmpty());
    EXPECT_EQ(labels("BeforeDeleter", "Remove"), QStringList{"delete_Image"});
}

TEST_F(ScanImagesScreenTest, RemovalIntoAFolderNeverOverwritesAndAFailedMoveShowsItsError)
{
    const QString folder = makeImages(1, 3);
    const QString destination = scratch() + "/kept";
    QDir().mkpath(destination);
    scan({folder});
    ScanImagesManager& engine = ScanImagesManager::shared();
    // The folder typed into the real dialog, taken with its "Choose".
    screen->popUpButton()->setSelectedIndex(2);
    screen->popupButtonSelect(screen->popUpButton(), QString());
    ASSERT_TRUE(similar::chooseInFolderDialog(window.get(), destination));
    EXPECT_EQ(engine.removeType(), 2u);
    EXPECT_EQ(engine.removePath(), QFile::encodeName(destination));
    EXPECT_EQ(screen->popUpButton()->selectedTitle()->text(), QStringLiteral("Remove to kept"));
    EXPECT_EQ(UserDefaults::standardUserDefaults().stringForKey("dupImageRemovePath"), destination);

    ImagesScanResultViewController* result = screen->imageResultViewCtr();
    const ScanImagesGroupItemPtr group = result->dupImagesArray().first();
    const ScanImagesItemPtr clash = group->dupImageItems().at(0);
    const ScanImagesItemPtr failing = group->dupImageItems().at(1);
    // A file of the same name already waits there.
    ASSERT_TRUE(QFile::copy(failing->imagePath(), destination + "/" + clash->imageName()));
    const QByteArray before = [&] {
        QFile f(destination + "/" + clash->imageName());
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    clickThumbnail(0);
    clickThumbnail(1);
    const QByteArray failingPath = failing->rawPath();
    FileManagerFaults faults;
    faults.fail = [failingPath](FileStep step, const QByteArray& path) {
        return step == FileStep::rename && path == failingPath ? EACCES : 0;
    };
    FileManager::setFaults(faults);
    removeAndFinish();
    FileManager::clearFaults();
    EXPECT_EQ(labels("BeforeDeleter", "Remove"), QStringList{"File_Image"});
    QFile kept(destination + "/" + clash->imageName());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), before);
    EXPECT_FALSE(QFile::exists(clash->imagePath()));
    EXPECT_TRUE(QFile::exists(failing->imagePath()));
    // The failed image stays, unselected, with its error; the group's box
    // and count follow the images.
    ASSERT_EQ(screen->scanState(), 8u);
    ASSERT_FALSE(screen->dupImagesArray().isEmpty());
    EXPECT_TRUE(failing->isRemoveFailed());
    EXPECT_FALSE(failing->isSelect());
    ASSERT_TRUE(failing->removeError().has_value());
    for (const ScanImagesGroupItemPtr& left : screen->imageResultViewCtr()->dupImagesArray()) {
        EXPECT_EQ(left->isSelect(), ScanImagesSelection::stateOf(*left));
    }
}

TEST_F(ScanImagesScreenTest, AFullDiskStillTakesImagesToTheTrashOnTheSameVolume)
{
    const QString folder = makeImages(1, 1);
    scan({folder});
    screen->imageResultViewCtr()->autoSelectAll()->click();
    FileManagerFaults faults;
    faults.freeSize = [](const QByteArray&) { return std::optional<uint64_t>(0); };
    FileManager::setFaults(faults);
    removeAndFinish();
    FileManager::clearFaults();
    EXPECT_EQ(backCount, 1);
    EXPECT_TRUE(filesIn(folder).isEmpty());
}

TEST_F(ScanImagesScreenTest, TheSpaceCheckCountsOtherVolumesOnlyAndNamesTheMountPoint)
{
    const QString folder = makeImages(1, 1);
    scan({folder});
    ScanImagesGroupList groups = screen->dupImagesArray();
    ScanImagesSelection::setAll(*groups.first(), true);
    FileManagerFaults faults;
    faults.freeSize = [](const QByteArray&) { return std::optional<uint64_t>(10); };
    FileManager::setFaults(faults);
    // Same volume: no room needed.
    EXPECT_TRUE(ScanImagesViewController::isSpaceEnough(QFile::encodeName(scratch()), groups).enough);
    // Another volume (the shared-memory file system): refused, and named.
    const ScanImagesViewController::SpaceCheck other = ScanImagesViewController::isSpaceEnough("/dev/shm", groups);
    FileManager::clearFaults();
    struct stat a {}, b {};
    if (::stat("/dev/shm", &a) == 0 && ::stat(QFile::encodeName(scratch()).constData(), &b) == 0 && a.st_dev != b.st_dev) {
        EXPECT_FALSE(other.enough);
        EXPECT_GT(other.needed, 10);
        EXPECT_FALSE(other.volumeName.isEmpty());
    }
}

TEST_F(ScanImagesScreenTest, AStopAnswerAfterTheScanEndedDoesNothing)
{
    const QString folder = makeImages(1, 1);
    ScanImagesViewController* made = idleScreen();
    ScanImagesManager::shared().setScanState(1);
    made->stopBtnAction();
    ASSERT_TRUE(sheetShowing());
    EXPECT_FALSE(made->stopBtn()->isEnabled());
    // The search ends (found nothing) while the question shows.
    made->scanImagesManagerScanDidFinished(&ScanImagesManager::shared(), 0);
    EXPECT_FALSE(sheetShowing());
    EXPECT_EQ(made->scanState(), 4u);
    EXPECT_EQ(made->stopBtn()->title(), QStringLiteral("Complete"));
    EXPECT_TRUE(made->stopBtn()->isEnabled());
    EXPECT_EQ(made->mainBoxContent(), made->scanfinishEmptyViewCtr());
    EXPECT_EQ(made->scanfinishEmptyViewCtr()->tipsLabel()->text(),
              QStringLiteral("There are no similar images found on your computer."));
    EXPECT_FALSE(made->backBtn()->isVisible());
    // "Complete" leads home.
    made->stopBtnAction();
    EXPECT_EQ(backCount, 1);
}

TEST_F(ScanImagesScreenTest, TheNoResultScreenNamesTheTrashAsNotSearched)
{
    // Images the user already removed: the search does not look at them.
    const QString trash = similar::makeImages(dataHome() + QStringLiteral("/Trash/files"), 1, 1);
    ScanImagesViewController* made = scan({trash});
    ASSERT_EQ(made->mainBoxContent(), made->scanfinishEmptyViewCtr());
    QLabel* leftOut = made->scanfinishEmptyViewCtr()->leftOutLabel();
    EXPECT_TRUE(leftOut->isVisible());
    EXPECT_EQ(leftOut->text().toStdString(), (QStringLiteral("Not scanned:\n") + trash + QStringLiteral(": the Trash")).toStdString());

    // A search that left nothing out names nothing.
    ASSERT_TRUE(QDir().mkpath(scratch() + QStringLiteral("/empty")));
    made->stopBtnAction();
    ASSERT_TRUE(waitUntil([&] { return backCount == 1; }));
    made = scan({scratch() + QStringLiteral("/empty")});
    ASSERT_EQ(made->mainBoxContent(), made->scanfinishEmptyViewCtr());
    EXPECT_FALSE(made->scanfinishEmptyViewCtr()->leftOutLabel()->isVisible());
}

TEST_F(ScanImagesScreenTest, StoppingAScanAsksAndCancelGivesTheButtonBack)
{
    ScanImagesViewController* made = idleScreen();
    ScanImagesManager::shared().setScanState(1);
    made->stopBtnAction();
    ASSERT_TRUE(sheetShowing());
    EXPECT_EQ(sheetText(), QStringLiteral("Only a few similar images will be found.  Are you sure to stop?"));
    ASSERT_TRUE(answerSheet("Cancel"));
    EXPECT_TRUE(made->stopBtn()->isEnabled());
    made->stopBtnAction();
    ASSERT_TRUE(answerSheet("Yes"));
    EXPECT_EQ(ScanImagesManager::shared().scanState(), 3u);
    EXPECT_FALSE(made->stopBtn()->isEnabled());
    // A stopped search that found nothing: "Finish", the empty view's own tip.
    made->scanImagesManagerScanDidStop(&ScanImagesManager::shared(), 0);
    EXPECT_EQ(made->stopBtn()->title(), QStringLiteral("Finish"));
    EXPECT_EQ(made->scanfinishEmptyViewCtr()->tipsLabel()->text(),
              QStringLiteral("There are no duplicate files found on your computer."));
}

TEST_F(ScanImagesScreenTest, ScanEventsAndTheBackQuestion)
{
    UserDefaults::standardUserDefaults().setInteger(4, "ClickDupImageScan");
    const QString folder = makeImages(1, 2);
    scan({folder});
    const QStringList complete = labels("Process", "CompleteScan");
    ASSERT_EQ(complete.size(), 1);
    // Scans so far, finished, size, images, seconds, last progress in percent.
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^4_a_[0-9.]+  KB_3_[0-9]+_[0-9]+_Image$")).match(complete.first()).hasMatch())
        << complete.first().toStdString();
    EXPECT_EQ(labels("Process", "Scan"), QStringList{"1_Image"});
    EXPECT_EQ(labels("Process", "Scanresultdata"), QStringList{"1_Image"});
    screen->backBtnAction();
    EXPECT_EQ(sheetText(), QStringLiteral("The scanning results will not be saved if you go back."));
    ASSERT_TRUE(answerSheet("Yes"));
    EXPECT_EQ(backCount, 1);
    const QStringList back = labels("Process", "Back");
    ASSERT_EQ(back.size(), 1);
    EXPECT_TRUE(back.first().startsWith("a_")) << back.first().toStdString();
    EXPECT_TRUE(back.first().endsWith("_3_Image")) << back.first().toStdString();
}

TEST_F(ScanImagesScreenTest, RemovalModeDefaultsAndAMissingDestination)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.setInteger(2, "dupImageRemoveType");
    defaults.setObject(scratch() + "/gone ", "dupImageRemovePath");
    const QString folder = makeImages(1, 1);
    scan({folder});
    PopUpButton* pop = screen->popUpButton();
    EXPECT_EQ(pop->itemTitles().value(2), QStringLiteral("Remove to gone"));
    EXPECT_EQ(pop->selectedIndex(), 2);
    screen->imageResultViewCtr()->autoSelectAll()->click();
    screen->stopBtnAction();
    ASSERT_TRUE(answerSheet("Yes"));
    ASSERT_TRUE(waitUntil([&] { return sheetShowing(); }));
    EXPECT_EQ(sheetText(),
              QStringLiteral("The folder does not exist. Please choose another one. It may be moved, renamed or deleted."));
    EXPECT_EQ(screen->scanState(), 2u);
    EXPECT_EQ(filesIn(folder).size(), 2);
    SheetWindowController::endSheet();
    // Cancelled chooser: back to the mode in force.
    defaults.setInteger(0, "dupImageRemoveType");
    ScanImagesManager::shared().setRemoveType(0);
    pop->setSelectedIndex(2);
    screen->popupButtonSelect(pop, QString());
    ASSERT_TRUE(similar::cancelFolderDialog(window.get()));
    EXPECT_EQ(pop->selectedIndex(), 0);
    EXPECT_EQ(pop->selectedTitle()->text(), QStringLiteral("Discard to the Trash"));
}

TEST_F(ScanImagesScreenTest, ARemovalRequestTellsWhatWasPickedAndHowAndCancelKeepsEverything)
{
    const QString folder = makeImages(1, 2);
    scan({folder});
    clickThumbnail(1);
    GACollectionManager& ga = GACollectionManager::default_();
    ga.setIsCollectionView(true);
    const QString viewImage = QStringLiteral("%1_%2_3").arg(ga.imageHoverCount()).arg(ga.imageDoubleClickCount());
    const qint64 picked = screen->selectImagesSize();
    const qint64 total = screen->totalImageSize();
    screen->stopBtnAction();
    EXPECT_EQ(sheetText(),
              QStringLiteral("Are you sure you want to remove the selected images? These pictures will move to the Trash (if "
                             "similar images are located on an external or network drive, they will be copied to the "
                             "Trash and removed from that drive)."));
    EXPECT_EQ(labels("BeforeDeleter", "ViewMode"), QStringList{"1"});
    EXPECT_EQ(labels("BeforeDeleter", "ViewImage"), QStringList{viewImage});
    EXPECT_EQ(labels("Process", "ClickDuplicate"), QStringList{"1_Image"});
    EXPECT_EQ(labels("BeforeDeleter", "Selectquantity"), QStringList{"1_3"});
    EXPECT_EQ(labels("BeforeDeleter", "Selectsize"),
              QStringList{transformedFileSize(uint64_t(picked), true, true) + "_" + transformedFileSize(uint64_t(total), true, true)});
    EXPECT_EQ(labels("BeforeDeleter", "Remove"), QStringList{"recycle_Image"});
    EXPECT_EQ(labels("BeforeDeleter", "FullScreen"), QStringList{"2_Image"});
    ASSERT_TRUE(answerSheet("Cancel"));
    EXPECT_EQ(screen->scanState(), 2u);
    EXPECT_EQ(filesIn(folder).size(), 3);
    EXPECT_EQ(screen->mainBoxContent(), screen->imageResultViewCtr());
    EXPECT_TRUE(labels("Process", "Remover").isEmpty());

    // Closing the window asks; "Yes" tells the close with the result's
    // numbers (count first) and ends the program.
    int quits = 0;
    AppTermination::setQuitHandlerForTesting([&quits] { ++quits; });
    EXPECT_FALSE(screen->isShouldCloseWindow());
    EXPECT_EQ(sheetText(), QStringLiteral("Are you sure you want to exit the program?"));
    ASSERT_TRUE(answerSheet("Yes"));
    EXPECT_TRUE(waitUntil([&] { return quits == 1; }));
    AppTermination::setQuitHandlerForTesting(nullptr);
    EXPECT_EQ(labels("Process", "Close"), QStringList{"a_3_" + transformedFileSize(uint64_t(total), true, true) + "_Image"});
}

TEST_F(ScanImagesScreenTest, AStoppedRemovalWithAFailedImageShowsOnlyWhatIsReallySelected)
{
    const QString folder = makeImages(2, 3);
    scan({folder});
    ASSERT_EQ(screen->dupImagesArray().size(), 2);
    screen->imageResultViewCtr()->autoSelectAll()->click();
    ASSERT_EQ(screen->selectImagesNum(), 8);
    // The first image the removal reaches fails, and only once the stop has
    // been asked for.
    std::atomic<bool> entered{false};
    std::atomic<bool> release{false};
    FileManagerFaults faults;
    faults.fail = [&](FileStep step, const QByteArray&) {
        if (step != FileStep::rename || entered.exchange(true)) {
            return 0;
        }
        for (int i = 0; i < 60000 && !release.load(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return EACCES;
    };
    FileManager::setFaults(faults);
    screen->stopBtnAction();
    ASSERT_TRUE(answerSheet("Yes"));
    ASSERT_TRUE(waitUntil([&] { return entered.load(); }));
    ASSERT_TRUE(waitUntil([&] { return similar::removalShown(screen); }));
    EXPECT_EQ(screen->stopBtn()->title(), QStringLiteral("Stop"));
    screen->stopBtnAction();
    EXPECT_EQ(sheetText(), QStringLiteral("Only a few similar images will be erased. Are you sure to stop?"));
    ASSERT_TRUE(answerSheet("Yes"));
    release = true;
    ASSERT_TRUE(waitUntil([&] { return screen->finishWindowController() && ModalOverlay::overlayFor(screen->finishWindowController()); },
                          std::chrono::seconds(30)));
    FileManager::clearFaults();
    EXPECT_EQ(labels("Process", "Complete"), QStringList{"1_stoppedDE_Image"});
    screen->finishWindowController()->completeAciton();
    ASSERT_TRUE(waitUntil([&] { return screen->scanState() == 8; }));
    // Nothing was removed; the failed image is marked and no longer picked;
    // every box and count follows the images' own flags.
    EXPECT_EQ(filesIn(folder).size(), 8);
    qint64 flagged = 0;
    int failed = 0;
    for (const ScanImagesGroupItemPtr& group : screen->imageResultViewCtr()->dupImagesArray()) {
        EXPECT_EQ(group->isSelect(), ScanImagesSelection::stateOf(*group));
        for (const ScanImagesItemPtr& item : group->dupImageItems()) {
            flagged += item->isSelect() ? 1 : 0;
            if (item->isRemoveFailed()) {
                ++failed;
                EXPECT_FALSE(item->isSelect());
            }
        }
    }
    EXPECT_EQ(failed, 1);
    EXPECT_EQ(flagged, 7);
    EXPECT_EQ(screen->selectImagesNum(), 7);
    EXPECT_EQ(screen->selectTip()->text(), QStringLiteral("Selected:"));
    EXPECT_TRUE(screen->selectCount()->text().startsWith(QStringLiteral("7(")));
    EXPECT_TRUE(screen->stopBtn()->isEnabled());
}

TEST_F(ScanImagesScreenTest, AStopQuestionOpenAsTheLastImageGoesHoldsTheEndUntilAnswered)
{
    const QString folder = makeImages(1, 2);
    scan({folder});
    clickThumbnail(1);
    std::atomic<bool> entered{false};
    std::atomic<bool> release{false};
    FileManagerFaults faults;
    faults.fail = [&](FileStep step, const QByteArray&) {
        if (step == FileStep::rename && !entered.exchange(true)) {
            for (int i = 0; i < 60000 && !release.load(); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        return 0;
    };
    FileManager::setFaults(faults);
    screen->stopBtnAction();
    ASSERT_TRUE(answerSheet("Yes"));
    ASSERT_TRUE(waitUntil([&] { return entered.load() && similar::removalShown(screen); }));
    screen->stopBtnAction();
    ASSERT_TRUE(sheetShowing());
    // The only image goes, and the removal waits for the answer.
    release = true;
    ASSERT_TRUE(waitUntil([&] { return filesIn(folder).size() == 2; }));
    EXPECT_FALSE(waitUntil([&] { return screen->finishWindowController() != nullptr || !sheetShowing(); },
                           std::chrono::milliseconds(1000)));
    EXPECT_EQ(ScanImagesManager::shared().scanState(), 6u);
    ASSERT_TRUE(answerSheet("Cancel"));
    ASSERT_TRUE(waitUntil([&] { return screen->finishWindowController() != nullptr; }, std::chrono::seconds(30)));
    FileManager::clearFaults();
    EXPECT_EQ(labels("Process", "Complete"), QStringList{"1_successDE_Image"});
    EXPECT_EQ(ScanImagesManager::shared().scanState(), 8u);
}

TEST_F(ScanImagesScreenTest, AFileGivenAsTheFolderCountsAsMissingAndAPlaceholderInItsNameStays)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    const QString notAFolder = scratch() + "/plain";
    QFile plain(notAFolder);
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    defaults.setInteger(2, "dupImageRemoveType");
    defaults.setObject(notAFolder, "dupImageRemovePath");
    const QString folder = makeImages(1, 1);
    scan({folder});
    screen->imageResultViewCtr()->autoSelectAll()->click();
    screen->stopBtnAction();
    EXPECT_EQ(sheetText(), QStringLiteral("Are you sure to move the selected files to %1?").arg(notAFolder));
    ASSERT_TRUE(answerSheet("Yes"));
    ASSERT_TRUE(waitUntil([&] { return sheetShowing(); }));
    EXPECT_EQ(sheetText(),
              QStringLiteral("The folder does not exist. Please choose another one. It may be moved, renamed or deleted."));
    SheetWindowController::endSheet();
    EXPECT_EQ(filesIn(folder).size(), 2);
    EXPECT_FALSE(screen->isStartRemove());

    // A folder whose name holds a placeholder is named as it is.
    ScanImagesManager& engine = ScanImagesManager::shared();
    const QString odd = scratch() + "/a%@b";
    QDir().mkpath(odd);
    screen->popUpButton()->setSelectedIndex(2);
    screen->popupButtonSelect(screen->popUpButton(), QString());
    ASSERT_TRUE(similar::chooseInFolderDialog(window.get(), odd));
    EXPECT_EQ(screen->popUpButton()->selectedTitle()->text(), QStringLiteral("Remove to a%@b"));
    EXPECT_EQ(screen->popUpButton()->itemTitles().value(2), QStringLiteral("Remove to a%@b"));
    EXPECT_EQ(engine.removeType(), 2u);
    EXPECT_EQ(engine.removePath(), QFile::encodeName(odd));
    EXPECT_EQ(defaults.integerForKey("dupImageRemoveType"), 2);
}

// A folder whose name is not UTF-8, typed into the dialog (which does not
// list it), is taken by its bytes: the images move into it and the choice
// is remembered as those bytes.
TEST_F(ScanImagesScreenTest, ADestinationWhoseNameIsNotUtf8IsPickedInTheChooser)
{
    const QByteArray destination = QFile::encodeName(scratch()) + "/d\xe9st";
    ASSERT_EQ(::mkdir(destination.constData(), 0755), 0);
    const QString folder = makeImages(1, 1);
    scan({folder});
    screen->popUpButton()->setSelectedIndex(2);
    screen->popupButtonSelect(screen->popUpButton(), QString());
    ASSERT_TRUE(similar::chooseInFolderDialog(window.get(), QFile::decodeName(destination)));
    ScanImagesManager& engine = ScanImagesManager::shared();
    EXPECT_EQ(engine.removeType(), 2u);
    EXPECT_EQ(engine.removePath(), destination);
    EXPECT_EQ(screen->popUpButton()->selectedTitle()->text(),
              QStringLiteral("Remove to %1").arg(QFile::decodeName("d\xe9st")));
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    EXPECT_EQ(FilePath::fromStoredText(defaults.stringForKey("dupImageRemovePath")), destination);
    screen->imageResultViewCtr()->autoSelectAll()->click();
    removeAndFinish();
    EXPECT_TRUE(filesIn(folder).isEmpty());
    int moved = 0;
    if (DIR* dir = ::opendir(destination.constData())) {
        while (const dirent* entry = ::readdir(dir)) {
            moved += entry->d_name[0] != '.';
        }
        ::closedir(dir);
    }
    EXPECT_EQ(moved, 2);
}

// A destination folder whose name is not UTF-8, remembered from an earlier
// choice, is reached by its own bytes: the images move into it.
TEST_F(ScanImagesScreenTest, ADestinationWhoseNameIsNotUtf8TakesTheImages)
{
    const QByteArray destination = QFile::encodeName(scratch()) + "/caf\xe9 kept";
    ASSERT_EQ(::mkdir(destination.constData(), 0755), 0);
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.setInteger(2, "dupImageRemoveType");
    defaults.setObject(FilePath::storedText(destination), "dupImageRemovePath");
    const QString folder = makeImages(1, 1);
    scan({folder});
    ScanImagesManager& engine = ScanImagesManager::shared();
    EXPECT_EQ(engine.removeType(), 2u);
    EXPECT_EQ(engine.removePath(), destination);
    EXPECT_EQ(screen->popUpButton()->selectedTitle()->text(),
              QStringLiteral("Remove to %1").arg(QFile::decodeName("caf\xe9 kept")));
    const ScanImagesGroupItemPtr group = screen->imageResultViewCtr()->dupImagesArray().first();
    const int count = int(group->dupImageItems().size());
    screen->imageResultViewCtr()->autoSelectAll()->click();
    removeAndFinish();
    EXPECT_TRUE(filesIn(folder).isEmpty());
    DIR* dir = ::opendir(destination.constData());
    ASSERT_NE(dir, nullptr);
    int moved = 0;
    while (dirent* entry = ::readdir(dir)) {
        moved += entry->d_name[0] != '.';
    }
    ::closedir(dir);
    EXPECT_EQ(moved, count);
    // The remembered folder keeps its bytes.
    EXPECT_EQ(FilePath::fromStoredText(defaults.stringForKey("dupImageRemovePath")), destination);
}

// The space check runs off the main thread; a click on the result view
// while it runs changes nothing: the removal takes what was picked at "Yes".
TEST_F(ScanImagesScreenTest, ThePicksAtYesAreWhatIsCheckedAndRemoved)
{
    const QString folder = makeImages(1, 2);
    scan({folder});
    ImagesScanResultViewController* result = screen->imageResultViewCtr();
    ScanImagesCollectionViewController* grid = result->scanImagesViewCtr();
    const ScanImagesGroupItemPtr group = grid->dupImagesGroup();
    ASSERT_GE(group->dupImageItems().size(), 3);
    const QByteArray picked = group->dupImageItems().at(0)->rawPath();
    const QByteArray later = group->dupImageItems().at(1)->rawPath();
    clickThumbnail(0);
    ASSERT_EQ(screen->selectImagesNum(), 1);

    auto entered = std::make_shared<std::atomic<bool>>(false);
    auto release = std::make_shared<std::atomic<bool>>(false);
    FileManagerFaults faults;
    faults.freeSize = [entered, release](const QByteArray&) {
        entered->store(true);
        for (int i = 0; i < 60000 && !release->load(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return std::optional<uint64_t>(uint64_t(1) << 40);
    };
    FileManager::setFaults(faults);
    screen->stopBtnAction();
    ASSERT_TRUE(answerSheet(QStringLiteral("Yes")));
    ASSERT_TRUE(waitUntil([&] { return entered->load(); }));
    // A second image clicked while the check runs.
    similar::clickIn(grid->collectionView(), similar::thumbnailPoint(grid, 1));
    EXPECT_TRUE(waitUntil([&] { return !grid->hasPendingClicks(); }));
    release->store(true);
    ASSERT_TRUE(waitUntil([&] { return screen->finishWindowController() && ModalOverlay::overlayFor(screen->finishWindowController()); },
                          std::chrono::seconds(30)));
    FileManager::clearFaults();
    EXPECT_FALSE(QFile::exists(QFile::decodeName(picked)));
    EXPECT_TRUE(QFile::exists(QFile::decodeName(later)));
    EXPECT_EQ(ScanImagesManager::shared().removeImagesSuccessCount(), 1);
    screen->finishWindowController()->completeAciton();
    ASSERT_TRUE(waitUntil([&] { return screen->scanState() == 8u; }));
    EXPECT_TRUE(screen->imageResultViewCtr()->isEnabled());
}

// Paths are shown as they are: a folder named like markup is neither bold
// nor stripped of its tags, on the scanning view and in the tips.
TEST_F(ScanImagesScreenTest, APathThatLooksLikeMarkupIsShownAsItIs)
{
    const QString folder = makeImages(1, 1, QStringLiteral("<b>x</b>"));
    ASSERT_TRUE(folder.contains(QStringLiteral("<b>x</b>")));
    scan({folder});
    // A report of the engine on one of the images it compared (a search
    // this small may end before one gets through its throttle).
    const QString compared = screen->dupImagesArray().first()->dupImageItems().first()->imagePath();
    screen->scanImagesManagerProgressDidChanged(&ScanImagesManager::shared(), 0.5, 4, compared);
    ImagesScanningViewController* scanning = screen->imagesScanningViewCtr();
    QLabel* path = scanning->scanningPathLabel();
    ASSERT_EQ(path->text(), compared);
    ASSERT_TRUE(compared.contains(QStringLiteral("<b>x</b>")));
    // It shows what a label of the same look shows of the text as plain
    // text; read as markup it would draw "x" bold and drop the tags.
    QLabel plain;
    plain.setTextFormat(Qt::PlainText);
    plain.setFont(path->font());
    plain.setPalette(path->palette());
    plain.setAlignment(path->alignment());
    plain.setWordWrap(path->wordWrap());
    plain.setText(compared);
    plain.resize(path->size());
    // Where ink falls, against each one's own background.
    const auto ink = [](QWidget* label) {
        const QImage image = label->grab().toImage();
        const int ground = image.pixelColor(0, 0).lightness();
        QList<QPoint> points;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (std::abs(image.pixelColor(x, y).lightness() - ground) > 60) {
                    points.append({x, y});
                }
            }
        }
        return points;
    };
    const QList<QPoint> shown = ink(path);
    EXPECT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown, ink(&plain));
    // A tip shows the same text.
    QTextDocument tip;
    tip.setHtml(path->toolTip());
    EXPECT_EQ(Qt::mightBeRichText(path->toolTip()) ? tip.toPlainText() : path->toolTip(), path->text());

    // The list's path tip.
    ImagesScanResultViewController* result = screen->imageResultViewCtr();
    QTest::mouseClick(result->listSelectView(), Qt::LeftButton);
    ScanImagesListViewController* list = result->scanimagesListViewCtr();
    QWidget* viewport = list->listView()->viewport();
    const QRect row = list->listView()->visualRect(list->model()->index(0, 0));
    // The path's line: below the name, left of the dimensions.
    const QPoint onPath(row.left() + 230, row.top() + 82);
    QHelpEvent help(QEvent::ToolTip, onPath, viewport->mapToGlobal(onPath));
    QCoreApplication::sendEvent(viewport, &help);
    ASSERT_TRUE(QToolTip::isVisible());
    tip.setHtml(QToolTip::text());
    const QString imagePath = list->model()->imageForIndex(list->model()->index(0, 0))->imagePath();
    EXPECT_EQ(Qt::mightBeRichText(QToolTip::text()) ? tip.toPlainText() : QToolTip::text(), imagePath);
    QToolTip::hideText();
}
