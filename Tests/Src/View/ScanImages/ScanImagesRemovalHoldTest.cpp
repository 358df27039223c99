// Stop on the similar-image removal holds it while it asks: no image goes
// and the clock stands until the answer; "Cancel" goes on with the rest,
// "Yes" ends with what had gone, and the finish window says so. To the
// Trash and permanently, on real images.

#include "ScanImagesScreenSupport.h"

#include "RemovalStepGate.h"

#include "Foundation/Trash.h"
#include "Foundation/UserDefaults.h"
#include "Manager/ScanImagesManager.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTCheckBox.h"
#include "View/ScanImagesViewController/ImagesDeleteViewController.h"
#include "View/ScanImagesViewController/ImagesScanResultViewController.h"
#include "View/ScanImagesViewController/ScanImagesModels.h"
#include "Window/FinishWindowController.h"
#include "Window/ModalOverlay.h"

#include <QDir>
#include <QLabel>
#include <QTest>

namespace {

const QString kStop = QStringLiteral("Only a few similar images will be erased. Are you sure to stop?");

class ScanImagesRemovalHoldTest : public ScanImagesScreenTest, public ::testing::WithParamInterface<int> {
protected:
    // With the removal inside an image at the gate: presses Stop and checks
    // that, once that image is done, the removal holds while it asks.
    void stopAndSeeItHold(RemovalStepGate& gate, const QString& folder, int leftAfter)
    {
        ASSERT_TRUE(waitUntil([&] { return gate.holding() && similar::removalShown(screen); }));
        ImagesDeleteViewController* removing = screen->imageDeleteViewCtr();
        QTest::mouseClick(screen->stopBtn(), Qt::LeftButton);
        ASSERT_TRUE(waitUntil([&] { return sheetShowing() && sheetText() == kStop; }));
        EXPECT_TRUE(holdsAfterTheFileInHand(
            gate, [&] { return filesIn(folder); }, leftAfter, [removing] { return removing->timeSeconds(); },
            [this] { return sheetShowing() && sheetText() == kStop; }));
    }
};

}  // namespace

TEST_P(ScanImagesRemovalHoldTest, StopHoldsTheRemovalWhileAskedAndItEndsWhereYesWasSaid)
{
    UserDefaults::standardUserDefaults().setInteger(GetParam(), QStringLiteral("dupImageRemoveType"));
    const QString folder = makeImages(6, 3);
    scan({folder});
    ASSERT_EQ(screen->dupImagesArray().size(), 6);
    screen->imageResultViewCtr()->autoSelectAll()->click();
    const int total = filesIn(folder);
    ASSERT_EQ(screen->selectImagesNum(), total);
    RemovalStepGate gate(pathsIn(folder), {5, 12});
    QTest::mouseClick(screen->stopBtn(), Qt::LeftButton);
    ASSERT_TRUE(answerSheet(QStringLiteral("Yes")));

    stopAndSeeItHold(gate, folder, total - 5);
    ImagesDeleteViewController* removing = screen->imageDeleteViewCtr();
    const double held = removing->timeSeconds();
    ASSERT_TRUE(answerSheet(QStringLiteral("Cancel")));
    // It goes on with the rest, and so does the clock.
    EXPECT_TRUE(waitUntil([&] { return gate.holding(); }));
    EXPECT_EQ(filesIn(folder), total - 11);
    EXPECT_TRUE(waitUntil([&] { return removing->timeSeconds() > held; }));

    stopAndSeeItHold(gate, folder, total - 12);
    ASSERT_TRUE(answerSheet(QStringLiteral("Yes")));
    ASSERT_TRUE(waitUntil([&] {
        return screen->finishWindowController() && ModalOverlay::overlayFor(screen->finishWindowController());
    }));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(screen->finishWindowController()->filesCountLabel()->text(), QStringLiteral("12"));
    EXPECT_EQ(labels("Process", "Complete"), QStringList{"1_stoppedDE_Image"});
    EXPECT_EQ(filesIn(folder), total - 12);
    EXPECT_EQ(filesIn(QFile::decodeName(Trash::filesFolder())), GetParam() == 0 ? 12 : 0);
    screen->finishWindowController()->completeAciton();
    ASSERT_TRUE(waitUntil([&] { return screen->scanState() == 8; }));
    EXPECT_EQ(screen->selectCount()->text().section(QLatin1Char('('), 0, 0), QStringLiteral("12"));
}

// An image whose call comes back after a stop ended the removal without it,
// with the image gone after all: the groups on show say what the disk says.
// It leaves its group and is counted with what went.
TEST_P(ScanImagesRemovalHoldTest, AnImageThatWentAfterTheStopLeavesItsGroupAndIsCounted)
{
    UserDefaults::standardUserDefaults().setInteger(GetParam(), QStringLiteral("dupImageRemoveType"));
    const QString folder = makeImages(6, 3);
    scan({folder});
    screen->imageResultViewCtr()->autoSelectAll()->click();
    const int total = filesIn(folder);
    // The first group goes whole and one image of the second; its second
    // is in hand when the removal is stopped.
    RemovalStepGate gate(pathsIn(folder), {5});
    QTest::mouseClick(screen->stopBtn(), Qt::LeftButton);
    ASSERT_TRUE(answerSheet(QStringLiteral("Yes")));
    ASSERT_TRUE(waitUntil([&] { return gate.holding() && similar::removalShown(screen); }));
    QTest::mouseClick(screen->stopBtn(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return sheetShowing() && sheetText() == kStop; }));
    ASSERT_TRUE(answerSheet(QStringLiteral("Yes")));
    ASSERT_TRUE(waitUntil([&] {
        return screen->finishWindowController() && ModalOverlay::overlayFor(screen->finishWindowController());
    }));
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(gate.holding());
    EXPECT_EQ(screen->finishWindowController()->filesCountLabel()->text(), QStringLiteral("4"));
    screen->finishWindowController()->completeAciton();
    ASSERT_TRUE(waitUntil([&] { return screen->scanState() == 8; }));
    const auto shown = [this] {
        QStringList paths;
        for (const ScanImagesGroupItemPtr& group : screen->dupImagesArray()) {
            for (const ScanImagesItemPtr& item : group->dupImageItems()) {
                paths << item->imagePath();
            }
        }
        return paths;
    };
    const QStringList before = shown();

    gate.open();
    EXPECT_TRUE(waitUntil([&] { return shown().size() == before.size() - 1; })) << shown().size();
    EXPECT_EQ(filesIn(folder), total - 5);
    for (const QString& path : shown()) {
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
    }
    EXPECT_EQ(ScanImagesManager::shared().removeImagesSuccessCount(), 5);
    EXPECT_EQ(screen->imageResultViewCtr()->listModel()->rowCount(), screen->dupImagesArray().size());
}

INSTANTIATE_TEST_SUITE_P(EachMode, ScanImagesRemovalHoldTest, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param == 0 ? std::string("Trash") : std::string("Permanently");
                         });
