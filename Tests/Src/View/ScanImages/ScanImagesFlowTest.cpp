// The similar-image function as a user meets it in the program's window:
// folders dropped on the home screen, "Similar Images", images picked by
// clicks in the grid and the list, "Remove", the removal view, the finish
// window and the groups left, in each removal mode.
#include "ScanImagesScreenSupport.h"
#include "ShellFixture.h"
#include "LockedFiles.h"

#include "Foundation/Trash.h"
#include "Foundation/UserDefaults.h"
#include "Main/MainMenu.h"
#include "Main/MainViewController.h"
#include "Main/MainWindow.h"
#include "Manager/ScanImagesManager.h"
#include "QVLibrary/RYSelectView.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTCheckBox.h"
#include "View/FolderSetViewController.h"
#include "View/ScanImagesViewController/DupImageView.h"
#include "View/ScanImagesViewController/ImageGridView.h"
#include "View/ScanImagesViewController/ImageListView.h"
#include "View/ScanImagesViewController/ImagesDeleteViewController.h"
#include "View/ScanImagesViewController/ImagesScanResultViewController.h"
#include "View/ScanImagesViewController/ScanImagesCollectionItem.h"
#include "View/ScanImagesViewController/ScanImagesCollectionViewController.h"
#include "View/ScanImagesViewController/ScanImagesDetailListCellView.h"
#include "View/ScanImagesViewController/ScanImagesListViewController.h"
#include "View/ScanImagesViewController/ScanImagesModels.h"
#include "Window/FinishWindowController.h"
#include "Window/ModalOverlay.h"
#include "Window/SheetWindowController.h"

#include <QDir>
#include <QFile>
#include <QHelpEvent>
#include <QLabel>
#include <QListView>
#include <QTest>
#include <QToolTip>

#include <cerrno>

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QStringList labelsOf(const QVDAEventRecorder& recorder, const QString& category, const QString& action)
{
    QStringList found;
    for (const QVDAObservedEvent& event : recorder.events()) {
        if (event.category == category && event.action == action) {
            found.append(event.label);
        }
    }
    return found;
}

// The removal modes as the pop-up lists them.
enum Mode { toTrash = 0, permanently = 1, toFolder = 2 };

class ScanImagesFlowTest : public ShellTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        openedFiles = std::make_unique<similar::Opened>();
        ScanImagesManager::shared().setScanState(0);
    }

    void TearDown() override
    {
        ScanImagesManager& engine = ScanImagesManager::shared();
        engine.stop();
        engine.waitUntilSearchEnds(10000);
        engine.waitForRemoval();
        ShellTest::TearDown();
        openedFiles.reset();
        engine.removeDupimagesArray();
        engine.setRemoveDelegate(nullptr);
        engine.setRemoveType(0);
    }

    MainViewController* root() { return nib().mainWindow()->mainViewController(); }

    // From the home screen, as the user starts it; returns once the search
    // has ended.
    ScanImagesViewController* scanFromHomeScreen(const QString& folder)
    {
        launch();
        scanFromHome({QFile::encodeName(folder)}, &FolderSetViewController::scanImagesBtnAction);
        ScanImagesViewController* screen = root()->scanImagesViewController();
        EXPECT_NE(screen, nullptr);
        if (screen) {
            EXPECT_EQ(root()->mainViewBox()->contentView(), screen);
            EXPECT_TRUE(waitUntil([&] { return !screen->isScanning(); }, std::chrono::seconds(60)));
        }
        return screen;
    }

    // Presses Remove, answers "Yes", and waits for the finish window; null
    // when it does not come.
    static FinishWindowController* removeUntilFinished(ScanImagesViewController* screen)
    {
        QTest::mouseClick(screen->stopBtn(), Qt::LeftButton);
        EXPECT_TRUE(similar::answerSheet(QStringLiteral("Yes")));
        EXPECT_TRUE(waitUntil(
            [&] { return screen->finishWindowController() && ModalOverlay::overlayFor(screen->finishWindowController()); },
            std::chrono::seconds(30)));
        return ModalOverlay::overlayFor(screen->finishWindowController()) ? screen->finishWindowController() : nullptr;
    }

    // Removes as above and closes the finish window by its own button;
    // returns once the groups left are shown again.
    static void removeAndFinish(ScanImagesViewController* screen)
    {
        FinishWindowController* finish = removeUntilFinished(screen);
        ASSERT_NE(finish, nullptr);
        finish->completeAciton();
        ASSERT_TRUE(waitUntil([&] { return screen->scanState() == 8; }));
    }

    // The tool tip of the failure mark on `image`'s thumbnail in the grid,
    // as the pointer resting there brings it; `onIcon` gets where that is.
    static QString gridErrorTip(ScanImagesCollectionViewController* grid, const ScanImagesItemPtr& image,
                                QPoint* onIcon = nullptr)
    {
        const int row = int(grid->dupImagesGroup()->dupImageItems().indexOf(image));
        EXPECT_GE(row, 0);
        ImageGridView* view = grid->collectionView();
        const QRect cell = view->visualRect(grid->model()->index(row, 0));
        const QRectF thumbnail = ScanImagesCollectionItem::thumbnailRect(image->thumImage().deviceIndependentSize(), cell);
        const QPoint at = ScanImagesCollectionItem::errorRect(thumbnail, cell).center().toPoint();
        if (onIcon) {
            *onIcon = at;
        }
        QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(view->viewport(), &help);
        const QString tip = QToolTip::text();
        QToolTip::hideText();
        return tip;
    }

    std::unique_ptr<similar::Opened> openedFiles;
};

TEST_P(ScanImagesFlowTest, PickInGridAndListRemoveAndSeeWhatIsLeft)
{
    const int mode = GetParam();
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    const QString destination = scratch() + QStringLiteral("/kept");
    if (mode == toFolder) {
        QDir().mkpath(destination);
        defaults.setObject(destination, QStringLiteral("dupImageRemovePath"));
    }
    defaults.setInteger(mode, QStringLiteral("dupImageRemoveType"));
    const QString folder = similar::makeImages(scratch() + QStringLiteral("/images"), 2, 3);

    ScanImagesViewController* screen = scanFromHomeScreen(folder);
    ASSERT_NE(screen, nullptr);
    ASSERT_EQ(screen->scanState(), 2u);
    ImagesScanResultViewController* result = screen->imageResultViewCtr();
    ASSERT_EQ(result->dupImagesArray().size(), 2);
    const ScanImagesGroupItemPtr first = result->dupImagesArray().at(0);
    const ScanImagesGroupItemPtr second = result->dupImagesArray().at(1);

    // One image in the grid, one in the list, one of the second group
    // chosen in the group list.
    similar::clickThumbnail(result->scanImagesViewCtr(), 1);
    QTest::mouseClick(result->listSelectView(), Qt::LeftButton);
    ScanImagesListViewController* list = result->scanimagesListViewCtr();
    ASSERT_EQ(result->rightContent(), list);
    similar::clickThumbnail(list, 2);
    EXPECT_EQ(first->isSelect(), -1);
    QListView* groups = result->listView();
    const QRect secondRow = groups->visualRect(groups->model()->index(1, 0));
    QTest::mouseClick(groups->viewport(), Qt::LeftButton, {}, secondRow.center());
    ASSERT_EQ(list->dupImageGroup(), second);
    similar::clickThumbnail(list, 0);
    EXPECT_EQ(screen->selectImagesNum(), 3);
    EXPECT_TRUE(screen->selectCount()->text().startsWith(QStringLiteral("3(")));
    EXPECT_TRUE(screen->stopBtn()->isEnabled());

    QMap<QString, QByteArray> picked;
    for (const ScanImagesItemPtr& item : {first->dupImageItems().at(1), first->dupImageItems().at(2), second->dupImageItems().at(0)}) {
        ASSERT_TRUE(item->isSelect());
        picked.insert(item->imagePath(), contents(item->imagePath()));
    }
    // A file of the same name already waits in the destination folder.
    const QString clashName = picked.firstKey().section(QLatin1Char('/'), -1);
    const QByteArray clashBytes("not an image, and not to be overwritten");
    if (mode == toFolder) {
        QFile clash(destination + QLatin1Char('/') + clashName);
        ASSERT_TRUE(clash.open(QIODevice::WriteOnly));
        clash.write(clashBytes);
    }

    {
        // The first file operation waits, so the removal can be seen.
        similar::RemovalGate gate;
        QTest::mouseClick(screen->stopBtn(), Qt::LeftButton);
        ASSERT_TRUE(similar::answerSheet(QStringLiteral("Yes")));
        ASSERT_TRUE(waitUntil([&] { return gate.entered() && similar::removalShown(screen); }));
        EXPECT_EQ(screen->stopBtn()->title(), QStringLiteral("Stop"));
        EXPECT_FALSE(screen->backBtn()->isVisible());
        EXPECT_FALSE(screen->popUpButton()->isVisible());
        EXPECT_FALSE(screen->selectCount()->isVisible());
        gate.release();
        ASSERT_TRUE(waitUntil([&] { return screen->finishWindowController() && ModalOverlay::overlayFor(screen->finishWindowController()); },
                              std::chrono::seconds(30)));
    }
    FinishWindowController* finish = screen->finishWindowController();
    EXPECT_TRUE(waitUntil([&] { return finish->filesCountLabel()->text() == QStringLiteral("3"); }));
    finish->completeAciton();
    ASSERT_TRUE(waitUntil([&] { return screen->scanState() == 8; }));

    // What is left, in a new result view, with what went in red.
    EXPECT_NE(screen->imageResultViewCtr(), result);
    EXPECT_EQ(screen->mainBoxContent(), screen->imageResultViewCtr());
    EXPECT_EQ(screen->imageResultViewCtr()->dupImagesCount(), 5);
    EXPECT_EQ(screen->selectTip()->text(), QStringLiteral("Deleted:"));
    EXPECT_TRUE(screen->selectCount()->text().startsWith(QStringLiteral("3(")));
    EXPECT_EQ(screen->stopBtn()->title(), QStringLiteral("Remove"));
    EXPECT_FALSE(screen->stopBtn()->isEnabled());
    EXPECT_TRUE(screen->backBtn()->isVisible());
    for (const QString& path : picked.keys()) {
        EXPECT_FALSE(QFile::exists(path)) << path.toStdString();
    }
    EXPECT_EQ(filesIn(folder).size(), 5);

    const QString trash = QFile::decodeName(Trash::homeTrash());
    // The Trash is the one of the test's own home.
    EXPECT_TRUE(trash.startsWith(dataHome())) << trash.toStdString();
    switch (mode) {
    case toTrash: {
        const QStringList trashed = filesIn(trash + QStringLiteral("/files"));
        ASSERT_EQ(trashed.size(), 3);
        QStringList origins;
        for (const QString& info : filesIn(trash + QStringLiteral("/info"))) {
            EXPECT_TRUE(info.endsWith(QStringLiteral(".trashinfo")));
            EXPECT_TRUE(trashed.contains(info.chopped(10))) << info.toStdString();
            for (const QByteArray& line : contents(trash + QStringLiteral("/info/") + info).split('\n')) {
                if (line.startsWith("Path=")) {
                    origins << QFile::decodeName(QByteArray::fromPercentEncoding(line.mid(5)));
                }
            }
        }
        origins.sort();
        EXPECT_EQ(origins, picked.keys());
        for (const QString& name : trashed) {
            EXPECT_TRUE(picked.values().contains(contents(trash + QStringLiteral("/files/") + name)));
        }
        EXPECT_EQ(labelsOf(*recorder, "BeforeDeleter", "Remove"), QStringList{"recycle_Image"});
        break;
    }
    case permanently:
        EXPECT_TRUE(filesIn(trash + QStringLiteral("/files")).isEmpty());
        EXPECT_EQ(labelsOf(*recorder, "BeforeDeleter", "Remove"), QStringList{"delete_Image"});
        break;
    case toFolder: {
        // Every picked image arrived whole; the file that was there first
        // kept its bytes.
        const QStringList kept = filesIn(destination);
        ASSERT_EQ(kept.size(), 4);
        EXPECT_EQ(contents(destination + QLatin1Char('/') + clashName), clashBytes);
        QList<QByteArray> arrived;
        for (const QString& name : kept) {
            arrived << contents(destination + QLatin1Char('/') + name);
        }
        for (const QByteArray& bytes : picked.values()) {
            EXPECT_TRUE(arrived.contains(bytes));
        }
        EXPECT_EQ(labelsOf(*recorder, "BeforeDeleter", "Remove"), QStringList{"File_Image"});
        break;
    }
    }
}

INSTANTIATE_TEST_SUITE_P(EachMode, ScanImagesFlowTest, ::testing::Values(int(toTrash), int(permanently), int(toFolder)),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == toTrash       ? "Trash"
                                                : info.param == permanently ? "Permanently"
                                                                            : "Folder");
                         });

using ScanImagesFailedMoveTest = ScanImagesFlowTest;

TEST_F(ScanImagesFailedMoveTest, AFailedMoveShowsItsIconAndItsErrorInGridAndList)
{
    const QString folder = similar::makeImages(scratch() + QStringLiteral("/images"), 1, 2);
    ScanImagesViewController* screen = scanFromHomeScreen(folder);
    ASSERT_NE(screen, nullptr);
    ImagesScanResultViewController* result = screen->imageResultViewCtr();
    QTest::mouseClick(result->autoSelectAll(), Qt::LeftButton);
    ASSERT_EQ(screen->selectImagesNum(), 3);
    const ScanImagesItemPtr failing = result->dupImagesArray().first()->dupImageItems().at(1);
    const QByteArray failingPath = failing->rawPath();
    {
        similar::RemovalGate gate([failingPath](int step, const QByteArray& path) {
            return step == int(FileStep::rename) && path == failingPath ? EACCES : 0;
        });
        gate.release();
        QTest::mouseClick(screen->stopBtn(), Qt::LeftButton);
        ASSERT_TRUE(similar::answerSheet(QStringLiteral("Yes")));
        ASSERT_TRUE(waitUntil([&] { return screen->finishWindowController() && ModalOverlay::overlayFor(screen->finishWindowController()); },
                              std::chrono::seconds(30)));
    }
    screen->finishWindowController()->completeAciton();
    ASSERT_TRUE(waitUntil([&] { return screen->scanState() == 8; }));
    EXPECT_TRUE(QFile::exists(failing->imagePath()));
    ASSERT_TRUE(failing->removeError().has_value());
    const QString why = failing->removeError()->localizedDescription();
    EXPECT_FALSE(why.isEmpty());

    // The group left holds the failed image (and the one other left).
    result = screen->imageResultViewCtr();
    ScanImagesCollectionViewController* grid = result->scanImagesViewCtr();
    const QList<ScanImagesItemPtr> left = grid->dupImagesGroup()->dupImageItems();
    const int row = int(left.indexOf(failing));
    ASSERT_GE(row, 0);
    QPoint onIcon;
    EXPECT_EQ(gridErrorTip(grid, failing, &onIcon), why);
    const QRect cell = grid->collectionView()->visualRect(grid->model()->index(row, 0));
    EXPECT_EQ(grid->itemDelegate()->hitTest(grid->model()->index(row, 0), cell, onIcon), ScanImagesImageCell::Part::removeError);

    QTest::mouseClick(result->listSelectView(), Qt::LeftButton);
    ScanImagesListViewController* list = result->scanimagesListViewCtr();
    ASSERT_EQ(result->rightContent(), list);
    const QRect rowRect = list->listView()->visualRect(list->model()->index(row, 0));
    const QPoint onListIcon = ScanImagesDetailListCellView::errorRect(rowRect).center().toPoint();
    QHelpEvent listHelp(QEvent::ToolTip, onListIcon, list->listView()->viewport()->mapToGlobal(onListIcon));
    QCoreApplication::sendEvent(list->listView()->viewport(), &listHelp);
    EXPECT_EQ(QToolTip::text(), why);
    QToolTip::hideText();
    // The other row has no icon there.
    const QModelIndex other = list->model()->index(1 - row, 0);
    const QRect otherRow = list->listView()->visualRect(other);
    EXPECT_EQ(list->rowDelegate()->hitTest(other, otherRow, ScanImagesDetailListCellView::errorRect(otherRow).center().toPoint()),
              ScanImagesImageCell::Part::none);
    // A press on the icon of a row is no click on its image.
    const bool was = failing->isSelect();
    similar::clickIn(list->listView(), onListIcon);
    QTest::qWait(DupImageView::doubleClickInterval() * 3);
    EXPECT_EQ(failing->isSelect(), was);
}

// The one image left unpicked is deleted after the search: the picked ones
// stay, and the grid tells why on each of them.
TEST_F(ScanImagesFailedMoveTest, PickedImagesWhoseUnpickedImageWentAwayStayAndSayWhy)
{
    const QString folder = similar::makeImages(scratch() + QStringLiteral("/images"), 1, 2);
    ScanImagesViewController* screen = scanFromHomeScreen(folder);
    ASSERT_NE(screen, nullptr);
    ImagesScanResultViewController* result = screen->imageResultViewCtr();
    similar::clickThumbnail(result->scanImagesViewCtr(), 1);
    similar::clickThumbnail(result->scanImagesViewCtr(), 2);
    ASSERT_EQ(screen->selectImagesNum(), 2);
    const QList<ScanImagesItemPtr> images = result->dupImagesArray().first()->dupImageItems();
    ASSERT_EQ(images.size(), 3);
    ASSERT_TRUE(QFile::remove(images.at(0)->imagePath()));
    removeAndFinish(screen);

    result = screen->imageResultViewCtr();
    ScanImagesCollectionViewController* grid = result->scanImagesViewCtr();
    for (int picked = 1; picked <= 2; ++picked) {
        const ScanImagesItemPtr image = images.at(picked);
        EXPECT_TRUE(QFile::exists(image->imagePath()));
        EXPECT_TRUE(image->isRemoveFailed());
        EXPECT_EQ(gridErrorTip(grid, image), QStringLiteral("The copy you kept has changed or is gone since the scan."));
    }
}

}  // namespace

// Both images of a pair picked and moved to a folder, one of them
// immutable: the pair stays with the image that stayed, marked with why,
// and the finish window says that one could not be removed.
TEST_F(ScanImagesFailedMoveTest, APairLeftWithTheImageThatFailedStaysShownMarked)
{
    const QString destination = scratch() + QStringLiteral("/moved");
    ASSERT_TRUE(QDir().mkpath(destination));
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.setObject(destination, QStringLiteral("dupImageRemovePath"));
    defaults.setInteger(toFolder, QStringLiteral("dupImageRemoveType"));
    const QString folder = similar::makeImages(scratch() + QStringLiteral("/images"), 1, 1);
    ScanImagesViewController* screen = scanFromHomeScreen(folder);
    ASSERT_NE(screen, nullptr);
    ImagesScanResultViewController* result = screen->imageResultViewCtr();
    QTest::mouseClick(result->autoSelectAll(), Qt::LeftButton);
    ASSERT_EQ(screen->selectImagesNum(), 2);
    const ScanImagesItemPtr failing = result->dupImagesArray().first()->dupImageItems().at(1);
    ImmutableFile immutable(failing->imagePath());
    if (!immutable.set()) {
        GTEST_SKIP() << "needs root to set a file immutable";
    }
    FinishWindowController* finish = removeUntilFinished(screen);
    ASSERT_NE(finish, nullptr);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(finish->filesCountLabel()->text(), QStringLiteral("1"));
    EXPECT_TRUE(finish->failedCountLabel()->isVisible());
    EXPECT_EQ(finish->failedCountLabel()->text(), QStringLiteral("1 file could not be removed."));
    EXPECT_EQ(finish->finishContentLabel()->text(), QStringLiteral("Deduplication Completed!"));
    QTest::mouseClick(finish->completeButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return screen->scanState() == 8; }));
    EXPECT_TRUE(QFile::exists(failing->imagePath()));
    ASSERT_TRUE(failing->isRemoveFailed());
    const QString why = failing->removeError()->localizedDescription();

    // The group is still there, with the one image, its mark and reason.
    ASSERT_EQ(screen->dupImagesArray().size(), 1);
    ASSERT_EQ(ScanImagesManager::shared().dupImages().size(), 1);
    result = screen->imageResultViewCtr();
    ScanImagesCollectionViewController* grid = result->scanImagesViewCtr();
    ASSERT_TRUE(waitUntil([&] { return grid->dupImagesGroup() != nullptr; }));
    EXPECT_EQ(grid->dupImagesGroup()->dupImageItems(), QList<ScanImagesItemPtr>{failing});
    EXPECT_EQ(gridErrorTip(grid, failing), why);
}
