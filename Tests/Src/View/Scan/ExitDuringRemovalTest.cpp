// Closing the program's window while files are being removed, for the
// duplicate, large-file and similar-image removals on real files: the
// question says a removal is under way and holds it (no file goes while it
// is open), "Cancel" lets it go on, and "Yes" ends it at the file in hand
// before the program ends, with the Trash and its information files in step.

#include "ScanScreenFixture.h"

#include "LeftBehindCalls.h"
#include "RemovalStepGate.h"

#include "Foundation/Trash.h"
#include "Main/AppTermination.h"
#include "Main/MainMenu.h"
#include "Main/MainViewController.h"
#include "Manager/LargeFilesManager.h"
#include "Manager/ScanImagesManager.h"
#include "Manager/ScanManager.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTCheckBox.h"
#include "View/FolderSetViewController.h"
#include "View/ScanImagesViewController/ImagesScanResultViewController.h"
#include "View/ScanImagesViewController/ScanImagesViewController.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTest>

namespace {

const QString kExitWhileRemoving = QStringLiteral(
    "Files are being removed. If you exit now, the removal stops after the file in hand. Are you sure you want to exit "
    "the program?");

// Every item of the Trash has its information file, and every information
// file its item.
void expectTrashInStep(int items)
{
    const QString trash = QFile::decodeName(Trash::filesFolder());
    const QString info = QFileInfo(trash).path() + QStringLiteral("/info");
    QStringList names = QDir(trash).entryList(QDir::Files | QDir::Hidden);
    QStringList infos;
    for (const QString& name : QDir(info).entryList(QDir::Files | QDir::Hidden)) {
        EXPECT_TRUE(name.endsWith(QStringLiteral(".trashinfo"))) << name.toStdString();
        infos << name.chopped(int(qstrlen(".trashinfo")));
    }
    names.sort();
    infos.sort();
    EXPECT_EQ(names.size(), items);
    EXPECT_EQ(names, infos);
}

enum Removal { duplicates, largeFiles, images };

class ExitDuringRemovalTest : public ScanScreenTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override
    {
        ScanScreenTest::SetUp();
        AppTermination::setQuitHandlerForTesting([this] {
            ++quitCount;
            removalRanAtQuit = removalRanAtQuit || AppTermination::removalBusy();
        });
    }
    void TearDown() override
    {
        ScanImagesManager::shared().waitForRemoval();
        ScanScreenTest::TearDown();
    }

    // Scans, chooses everything that may go and confirms the removal to
    // the Trash; returns the folder the chosen files are in.
    QString startRemoval(RemovalStepGate*& gate, QList<int> holdAt)
    {
        QString folder;
        switch (GetParam()) {
        case duplicates: {
            ScanViewController* s = scanToResults(manyPairsTree(), false);
            folder = scratch() + QStringLiteral("/many/b");
            clickCentre(s->automaticSelectionBtn());
            gate = new RemovalStepGate(pathsIn(folder), holdAt);
            clickCentre(s->startBtn());
            break;
        }
        case largeFiles: {
            ScanViewController* s = largeFilesChecked();
            folder = scratch() + QStringLiteral("/big");
            gate = new RemovalStepGate(pathsIn(folder), holdAt);
            clickCentre(s->startBtn());
            break;
        }
        case images: {
            folder = scratch() + QStringLiteral("/pictures");
            makePictures(folder, 10, 3);
            scanFromHome({QFile::encodeName(folder)}, &FolderSetViewController::scanImagesBtnAction);
            ScanImagesViewController* s = root()->scanImagesViewController();
            EXPECT_TRUE(s);
            if (!s) {
                return folder;
            }
            EXPECT_TRUE(waitUntil([&] { return s->imageResultViewCtr() && s->dupImagesArray().size() == 10; },
                                  std::chrono::seconds(60)));
            QTest::mouseClick(s->imageResultViewCtr()->autoSelectAll(), Qt::LeftButton);
            EXPECT_EQ(s->selectImagesNum(), 30);
            gate = new RemovalStepGate(pathsIn(folder), holdAt);
            clickCentre(s->stopBtn());
            break;
        }
        }
        EXPECT_TRUE(waitUntil([this] { return sheetShowing(); }));
        before = filesIn(folder);
        answer(QStringLiteral("Yes"));
        return folder;
    }

    // Groups of pictures, each the same picture `copies` times.
    static void makePictures(const QString& folder, int groups, int copies)
    {
        QDir().mkpath(folder);
        QRandomGenerator random(7);
        for (int g = 0; g < groups; ++g) {
            QImage picture(160, 120, QImage::Format_RGB32);
            QPainter painter(&picture);
            for (int block = 0; block < 48; ++block) {
                painter.fillRect((block % 8) * 20, (block / 8) * 20, 20, 20, QColor::fromRgb(random.generate()));
            }
            painter.end();
            for (int c = 0; c < copies; ++c) {
                ASSERT_TRUE(picture.save(folder + QStringLiteral("/p%1_%2.png").arg(g).arg(c)));
            }
        }
    }

    // With the removal inside a file at the gate: closes the window and
    // checks that the question says a removal runs and that, once that file
    // is done, no other goes while it is open.
    void closeAndSeeItHold(RemovalStepGate& gate, const QString& folder, int leftAfter)
    {
        ASSERT_TRUE(waitUntil([&] { return gate.holding(); }, std::chrono::seconds(30)));
        nib().window()->close();
        ASSERT_TRUE(waitForSheet(kExitWhileRemoving));
        EXPECT_TRUE(holdsAfterTheFileInHand(
            gate, [&] { return filesIn(folder); }, leftAfter, [] { return 0.0; },
            [this] { return sheetMessage() == kExitWhileRemoving; }));
        EXPECT_EQ(quitCount, 0);
    }

    // The chosen files there were as the removal was confirmed.
    int before = 0;
    // Whether a removal run had not ended yet as the program was ended.
    bool removalRanAtQuit = false;
};

}  // namespace

TEST_P(ExitDuringRemovalTest, TheQuestionHoldsTheRemovalCancelGoesOnAndYesEndsItAtTheFileInHand)
{
    RemovalStepGate* gateAt = nullptr;
    const QString folder = startRemoval(gateAt, {5, 12});
    ASSERT_NE(gateAt, nullptr);
    std::unique_ptr<RemovalStepGate> gate(gateAt);
    ASSERT_GE(before, 20);

    closeAndSeeItHold(*gate, folder, before - 5);
    answer(QStringLiteral("Cancel"));
    // It goes on with the rest, up to the next file the gate holds.
    ASSERT_TRUE(waitUntil([&] { return gate->holding(); }, std::chrono::seconds(30)));
    EXPECT_EQ(filesIn(folder), before - 11);
    EXPECT_EQ(quitCount, 0);

    closeAndSeeItHold(*gate, folder, before - 12);
    answer(QStringLiteral("Yes"));
    ASSERT_TRUE(waitUntil([] { return quitCount == 1; }, std::chrono::seconds(30)));
    // The program ends only once the removal has ended, with the file in
    // hand the last that went.
    EXPECT_FALSE(removalRanAtQuit);
    EXPECT_EQ(filesIn(folder), before - 12);
    expectTrashInStep(12);
}

// "Yes" while the file in hand is still inside its call: the stop reaches
// the run, and the program ends once the run has, not before.
TEST_P(ExitDuringRemovalTest, YesWithTheFileInHandStillInItsCallEndsTheProgramAfterTheRun)
{
    RemovalStepGate* gateAt = nullptr;
    const QString folder = startRemoval(gateAt, {5});
    ASSERT_NE(gateAt, nullptr);
    std::unique_ptr<RemovalStepGate> gate(gateAt);
    ASSERT_TRUE(waitUntil([&] { return gate->holding(); }, std::chrono::seconds(30)));
    nib().window()->close();
    ASSERT_TRUE(waitForSheet(kExitWhileRemoving));
    answer(QStringLiteral("Yes"));
    gate->open();
    ASSERT_TRUE(waitUntil([] { return quitCount == 1; }, std::chrono::seconds(30)));
    EXPECT_FALSE(removalRanAtQuit);
    EXPECT_TRUE(waitUntil([&] { return filesIn(folder) == before - 5; }));
    expectTrashInStep(5);
}

INSTANTIATE_TEST_SUITE_P(EachRemoval, ExitDuringRemovalTest, ::testing::Values(duplicates, largeFiles, images),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == duplicates   ? "Duplicates"
                                                : info.param == largeFiles ? "LargeFiles"
                                                                           : "SimilarImages");
                         });

// A call still on a removal queue after its run has ended, as a stopped
// removal leaves one on a mount that stopped answering: closing the window
// asks the plain exit question, and "Yes" ends the program without waiting
// for that call.
using ExitAfterRemovalTest = ScanScreenTest;

TEST_F(ExitAfterRemovalTest, ACallLeftOnARemovalQueueIsNoRemovalRunning)
{
    scanToResults(duplicateTree(), false);
    const LeftBehindCalls calls({&ScanManager::default_().removeQueue(), &LargeFilesManager::default_().removeQueue()});
    ASSERT_TRUE(calls.started());
    nib().window()->close();
    EXPECT_TRUE(waitForSheet(QStringLiteral("Are you sure you want to exit the program?")));
    answer(QStringLiteral("Yes"));
    EXPECT_TRUE(waitUntil([] { return quitCount == 1; }, std::chrono::seconds(10)));
}
