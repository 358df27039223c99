// The similar-image screen over the real engine and image library: scan,
// pick, remove in each mode, the finish sheet and the groups left, the
// decided faults and the usage events.
#include "ScanImagesScreenSupport.h"

#include "Foundation/FileManager.h"
#include "Foundation/Trash.h"
#include "Foundation/UserDefaults.h"
#include "Main/Utilities.h"
#include "Manager/ScanImagesManager.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTCheckBox.h"
#include "View/CustomView/PopUpButton.h"
#include "View/ScanImagesViewController/FinishNotDupImagesViewController.h"
#include "View/ScanImagesViewController/ImagesDeleteViewController.h"
#include "View/ScanImagesViewController/ImagesScanResultViewController.h"
#include "View/ScanImagesViewController/ImagesScanningViewController.h"
#include "View/ScanImagesViewController/ScanImagesCollectionViewController.h"
#include "View/ScanImagesViewController/ScanImagesSelection.h"
#include "Window/FinishWindowController.h"
#include "Window/SheetWindowController.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QRegularExpression>

#include <cerrno>

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

TEST_F(ScanImagesScreenTest, PermanentRemovalOfAWholeResultGoesHome)
{
    UserDefaults::standardUserDefaults().setInteger(1, "dupImageRemoveType");
    const QString folder = makeImages(1, 1);
    scan({folder});
    ASSERT_EQ(screen->scanState(), 2u);
    EXPECT_EQ(ScanImagesManager::shared().removeType(), 1u);
    EXPECT_EQ(ScanImagesManager::shared().removePath(), QString());
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
    // The folder chosen through the chooser.
    ScanImagesViewController::setFolderChooserForTesting(
        [destination](QWidget*, std::function<void(std::optional<QString>)> answer) { answer(destination); });
    screen->popUpButton()->setSelectedIndex(2);
    screen->popupButtonSelect(screen->popUpButton(), QString());
    ScanImagesViewController::setFolderChooserForTesting(nullptr);
    EXPECT_EQ(engine.removeType(), 2u);
    EXPECT_EQ(engine.removePath(), destination);
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
    auto* made = new ScanImagesViewController;
    screen = made;
    window->layout()->addWidget(made);
    made->setDelegate(this);
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

TEST_F(ScanImagesScreenTest, StoppingAScanAsksAndCancelGivesTheButtonBack)
{
    auto* made = new ScanImagesViewController;
    screen = made;
    window->layout()->addWidget(made);
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
    ScanImagesViewController::setFolderChooserForTesting(
        [](QWidget*, std::function<void(std::optional<QString>)> answer) { answer(std::nullopt); });
    pop->setSelectedIndex(2);
    screen->popupButtonSelect(pop, QString());
    ScanImagesViewController::setFolderChooserForTesting(nullptr);
    EXPECT_EQ(pop->selectedIndex(), 0);
    EXPECT_EQ(pop->selectedTitle()->text(), QStringLiteral("Discard to the Trash"));
}
