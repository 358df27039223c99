// Stopping a search from the similar-image screen while the library decodes
// and the engine makes thumbnails, on a machine kept busy; and the finish
// window of each of several removals after one search.
#include "ScanImagesScreenSupport.h"

#include "DecoderGate.h"
#include "HoldPoint.h"
#include "SimagexTesting.h"
#include "Foundation/Trash.h"
#include "Manager/ScanImagesManager.h"
#include "QVLibrary/RYTButton.h"
#include "View/CustomView/CircularProgressView.h"
#include "View/CustomView/PopUpButton.h"
#include "View/CustomView/PopUpMenuWindow.h"
#include "View/Extension/KPLExtension.h"
#include "View/ScanImagesViewController/ImagesDeleteViewController.h"
#include "View/ScanImagesViewController/ImagesScanResultViewController.h"
#include "View/ScanImagesViewController/ImagesScanningViewController.h"
#include "View/ScanImagesViewController/ScanImagesCollectionViewController.h"
#include "View/ScanImagesViewController/ScanImagesModels.h"
#include "Window/FinishWindowController.h"
#include "Window/ModalOverlay.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QScopeGuard>
#include <QTest>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// Every core kept busy while it lives, as other programs would.
class BusyMachine {
public:
    BusyMachine()
    {
        const unsigned cores = std::max(2u, std::thread::hardware_concurrency());
        for (unsigned i = 0; i < cores; ++i) {
            threads_.emplace_back([this] {
                volatile unsigned long spin = 0;
                while (!done_.load(std::memory_order_relaxed)) {
                    spin = spin + 1;
                }
            });
        }
    }
    ~BusyMachine()
    {
        done_.store(true);
        for (std::thread& thread : threads_) {
            thread.join();
        }
    }

private:
    std::atomic<bool> done_{false};
    std::vector<std::thread> threads_;
};

bool endsWith(const std::string& path, const char* name)
{
    const std::string tail = std::string("/") + name;
    return path.size() >= tail.size() && path.compare(path.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

using ScanImagesStopTest = ScanImagesScreenTest;

// The search goes on while the stop question shows, so its ring keeps
// moving; "Yes" shows the groups found so far without waiting for the image
// a decoder holds or the thumbnail the engine is making, and what those
// finish later changes nothing on the screen.
TEST_F(ScanImagesStopTest, TheRingMovesUnderTheQuestionAndYesShowsTheGroupsWithoutWaitingForTheWorkInHand)
{
    // Eight groups of three: g0_base, g0_copy0, g0_copy1, g1_base, ...
    const QString folder = makeImages(8, 2);
    ScanImagesManager& engine = ScanImagesManager::shared();
    HoldPoint slowThumbnail;
    engine.setThumbnailMakerForTesting([&slowThumbnail](const QByteArray& path) {
        if (path.endsWith("/g2_base.jpg")) {
            slowThumbnail.wait();
        }
        return ScanImagesManager::getThumImages(path);
    });
    // The decoders stop at the fifth group until the question shows, and at
    // the last image for good.
    DecoderGate slowImages([](const std::string& path) {
        return endsWith(path, "g4_base.jpg") || endsWith(path, "g7_copy1.jpg");
    });
    // Whatever fails, the held work goes and the search ends before the
    // engine loses the maker.
    const auto restore = qScopeGuard([&] {
        slowThumbnail.release();
        slowImages.release();
        engine.stop();
        engine.waitUntilSearchEnds(10000);
        engine.setThumbnailMakerForTesting(nullptr);
    });

    ScanImagesViewController* made = idleScreen();
    made->configScanImages({QFile::encodeName(folder)});
    CircularProgressView* ring = made->imagesScanningViewCtr()->circularProgress();
    ASSERT_TRUE(slowThumbnail.waitUntilHolding());
    ASSERT_TRUE(slowImages.waitUntilHolding("g4_base.jpg"));
    // The first four groups were taken while the third one's thumbnail is
    // still being made.
    ASSERT_TRUE(waitUntil([&] { return ring->progress() >= 0.4; }));

    QTest::mouseClick(made->stopBtn(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([] { return similar::sheetShowing(); }));
    EXPECT_EQ(similar::sheetText(), QStringLiteral("Only a few similar images will be found.  Are you sure to stop?"));
    const double asked = ring->progress();
    slowImages.release("g4_base.jpg");
    EXPECT_TRUE(waitUntil([&] { return ring->progress() > asked + 0.2; }))
        << "the ring stayed at " << ring->progress() * 100 << "% while the question showed";
    EXPECT_TRUE(similar::sheetShowing());
    EXPECT_TRUE(made->isScanning());
    EXPECT_FALSE(made->stopBtn()->isEnabled());

    double shownAfterMs = -1;
    {
        BusyMachine busy;
        QElapsedTimer clock;
        clock.start();
        ASSERT_TRUE(similar::answerSheet(QStringLiteral("Yes")));
        EXPECT_TRUE(waitUntil([&] { return !made->isScanning(); }, std::chrono::seconds(20)));
        shownAfterMs = double(clock.nsecsElapsed()) / 1e6;
    }
    RecordProperty("StopShownAfterMs", QString::number(shownAfterMs, 'f', 0).toStdString());
    // Shown while the image and the thumbnail are still held.
    EXPECT_TRUE(slowImages.isHolding("g7_copy1.jpg"));
    EXPECT_TRUE(slowThumbnail.isHolding());
    EXPECT_EQ(made->scanState(), 3u);
    ImagesScanResultViewController* result = made->imageResultViewCtr();
    EXPECT_EQ(made->mainBoxContent(), result);
    EXPECT_EQ(made->stopBtn()->title(), QStringLiteral("Remove"));
    EXPECT_TRUE(made->backBtn()->isEnabled());
    // The groups made before the stop: the first two.
    ASSERT_EQ(result->dupImagesArray().size(), 2);
    EXPECT_EQ(result->dupImagesCount(), 6);
    const QStringList ends = labels("Process", "CompleteScan");
    ASSERT_EQ(ends.size(), 1);
    EXPECT_TRUE(ends.first().contains(QStringLiteral("_b_"))) << ends.first().toStdString();

    // The work in hand ends by itself and adds nothing.
    slowThumbnail.release();
    slowImages.release();
    EXPECT_TRUE(waitUntil([&] { return !engine.isSearching() && SimagexDecodersRunning() == 0; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(engine.dupImages().size(), 2);
    EXPECT_EQ(made->imageResultViewCtr(), result);
    EXPECT_EQ(result->dupImagesArray().size(), 2);
    EXPECT_EQ(made->scanState(), 3u);
    EXPECT_EQ(labels("Process", "CompleteScan").size(), 1);
}

namespace {

// Chooses a removal mode by clicking the pop-up and then its row.
void chooseMode(ScanImagesViewController* screen, int row)
{
    PopUpButton* pop = screen->popUpButton();
    QTest::mouseClick(pop, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([pop] { return pop->isPopupWindowOpen(); }));
    MenuItemView* item = pop->menuWindow()->itemViews().at(row);
    QTest::mouseClick(item, Qt::LeftButton, {}, item->rect().center());
}

}  // namespace

using ScanImagesFinishWindowTest = ScanImagesScreenTest;

// Each finish window tells what its own removal removed; "Deleted:" below the
// groups adds up everything removed since the search, and so does nothing
// else: the removal view counts this removal's images too.
TEST_F(ScanImagesFinishWindowTest, EachRemovalsFinishWindowShowsItsOwnCountAndSize)
{
    const QString folder = makeImages(2, 4);
    const QString destination = scratch() + QStringLiteral("/kept");
    QDir().mkpath(destination);
    scan({folder});
    ASSERT_EQ(screen->scanState(), 2u);

    qint64 deletedCount = 0;
    qint64 deletedSize = 0;
    // Picks the rows of the first group in the grid, removes them with the
    // screen's own buttons and checks the finish window.
    const auto removeRows = [&](const QList<int>& rows, const char* step) {
        SCOPED_TRACE(step);
        ScanImagesCollectionViewController* grid = screen->imageResultViewCtr()->scanImagesViewCtr();
        const ScanImagesGroupItemPtr group = grid->model()->group();
        ASSERT_TRUE(group);
        qint64 size = 0;
        QStringList paths;
        for (const int row : rows) {
            const ScanImagesItemPtr item = group->dupImageItems().at(row);
            size += item->imageSize();
            paths << item->imagePath();
            similar::clickThumbnail(grid, row);
        }
        ASSERT_GT(size, 1000);
        EXPECT_EQ(screen->selectTip()->text(), QStringLiteral("Selected:"));
        QTest::mouseClick(screen->stopBtn(), Qt::LeftButton);
        ASSERT_TRUE(similar::answerSheet(QStringLiteral("Yes")));
        ASSERT_TRUE(waitUntil([&] { return screen->finishWindowController() && ModalOverlay::overlayFor(screen->finishWindowController()); },
                              std::chrono::seconds(30)));
        FinishWindowController* finish = screen->finishWindowController();
        const QString count = QString::number(rows.size());
        EXPECT_TRUE(waitUntil([&] { return finish->filesCountLabel()->text() == count; }))
            << finish->filesCountLabel()->text().toStdString();
        EXPECT_EQ(finish->freeSizeLabel()->text().toStdString(), transformedFileSize(uint64_t(size), true, true).toStdString());
        // The removal view behind it counted this removal's images.
        EXPECT_EQ(screen->imageDeleteViewCtr()->removeCount()->text().toStdString(), count.toStdString());
        for (const QString& path : paths) {
            EXPECT_FALSE(QFile::exists(path)) << path.toStdString();
        }
        QTest::mouseClick(finish->completeButton(), Qt::LeftButton);
        ASSERT_TRUE(waitUntil([&] { return screen->scanState() == 8 && screen->mainBoxContent() == screen->imageResultViewCtr(); }));
        deletedCount += rows.size();
        deletedSize += size;
        EXPECT_EQ(screen->selectTip()->text(), QStringLiteral("Deleted:"));
        EXPECT_EQ(screen->selectCount()->text().toStdString(),
                  QStringLiteral("%1(%2)").arg(deletedCount).arg(transformedFileSize(uint64_t(deletedSize), true, true)).toStdString());
    };

    removeRows({1, 2}, "two images to the Trash");
    chooseMode(screen, 2);
    ASSERT_TRUE(similar::chooseInFolderDialog(window.get(), destination));
    ASSERT_EQ(ScanImagesManager::shared().removeType(), 2u);
    removeRows({1}, "one image into a folder");
    EXPECT_EQ(QDir(destination).entryList(QDir::Files).size(), 1);
    chooseMode(screen, 1);
    ASSERT_EQ(ScanImagesManager::shared().removeType(), 1u);
    removeRows({1}, "one image for good");
    EXPECT_EQ(QDir(QFile::decodeName(Trash::homeTrash()) + QStringLiteral("/files")).entryList(QDir::Files).size(), 2);
}
