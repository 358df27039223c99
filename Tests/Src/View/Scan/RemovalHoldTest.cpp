// Stop on the removal screen holds the removal while it asks: no file goes
// and the clock stands until the answer; "Cancel" goes on with the rest,
// "Yes" ends with what had gone, and the finish window says so. Closing the
// program's window meanwhile still ends the program. Duplicate and
// large-file removals, to the Trash and permanently, on real files.

#include "ScanScreenFixture.h"

#include "RemovalStepGate.h"

#include "Foundation/Trash.h"
#include "Main/MainMenu.h"
#include "Manager/LargeFilesManager.h"
#include "Manager/ScanManager.h"
#include "QVLibrary/RYTButton.h"
#include "View/CustomView/PopUpButton.h"
#include "View/FileDelete/FileRemovingViewController.h"
#include "View/DataDispaly/RightDataDetail/LargeFileView/RightLargeFileDataViewController.h"
#include "View/Extension/KPLExtension.h"
#include "Window/FinishWindowController.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>

namespace {

const QString kStop =
    QStringLiteral("Only partial duplicates can be removed if you stop deleting. Are you sure you want to stop?");
const QString kExit = QStringLiteral("Files are being removed. If you exit now, the removal stops after the file in "
                                     "hand. Are you sure you want to exit the program?");

enum Mode { toTrash = 0, permanently = 1 };

int filesInTrash()
{
    return filesIn(QFile::decodeName(Trash::filesFolder()));
}

class RemovalHoldTest : public ScanScreenTest, public ::testing::WithParamInterface<int> {
protected:
    // Confirms the removal of what is selected, in the mode of the test.
    void removeSelected(ScanViewController* s)
    {
        if (GetParam() == permanently) {
            choosePermanently(s);
        }
        clickCentre(s->startBtn());
        ASSERT_TRUE(waitForSheet(GetParam() == permanently
                                     ? QStringLiteral("Are you sure to permanently delete the selected files?")
                                     : QStringLiteral("Are you sure to discard the selected files to the Trash?")));
        answer(QStringLiteral("Yes"));
    }

    // With the removal inside a file at the gate: presses Stop and checks
    // that, once that file is done, the removal holds while it asks.
    void stopAndSeeItHold(ScanViewController* s, RemovalStepGate& gate, const QString& folder, int leftAfter)
    {
        ASSERT_TRUE(waitUntil([&] { return gate.holding() && s->fileRemovingViewCtr(); }));
        FileRemovingViewController* removing = s->fileRemovingViewCtr();
        clickCentre(removing->stopBtn());
        ASSERT_TRUE(waitForSheet(kStop));
        EXPECT_TRUE(holdsAfterTheFileInHand(
            gate, [&] { return filesIn(folder); }, leftAfter, [removing] { return removing->timeSeconds(); },
            [this] { return sheetMessage() == kStop; }));
    }

    // Asked while the last file goes: the removal does not end under the
    // question, and "Cancel" then lets it end with every file gone.
    void lastFileThenCancel(ScanViewController* s, const QString& folder)
    {
        const int total = filesIn(folder);
        RemovalStepGate gate(pathsIn(folder), {total});
        removeSelected(s);
        stopAndSeeItHold(s, gate, folder, 0);
        FileRemovingViewController* removing = s->fileRemovingViewCtr();
        EXPECT_EQ(removing->finishWindowController(), nullptr);
        answer(QStringLiteral("Cancel"));
        ASSERT_TRUE(waitUntil([&] { return removing->finishWindowController() != nullptr; }));
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(removing->finishWindowController()->filesCountLabel()->text(), QString::number(total));
        removing->finishWindowController()->completeAciton();
    }

    // With the removal inside a file at the gate: Stop and "Yes" while that
    // file is still in its call, as on a mount that stopped answering. The
    // removal ends without it; gives the finish window.
    FinishWindowController* stopWithTheFileInHand(ScanViewController* s, RemovalStepGate& gate)
    {
        EXPECT_TRUE(waitUntil([&] { return gate.holding() && s->fileRemovingViewCtr(); }));
        FileRemovingViewController* removing = s->fileRemovingViewCtr();
        clickCentre(removing->stopBtn());
        EXPECT_TRUE(waitForSheet(kStop));
        answer(QStringLiteral("Yes"));
        FinishWindowController* finish = nullptr;
        EXPECT_TRUE(waitUntil([&] { return (finish = removing->finishWindowController()) != nullptr; }));
        QCoreApplication::sendPostedEvents();
        EXPECT_TRUE(gate.holding());
        return finish;
    }

    // Lets the call of the file in hand come back, with the file gone, and
    // waits until the engine has heard it.
    static void comesBackLate(RemovalStepGate& gate, OperationQueue& queue)
    {
        gate.open();
        EXPECT_TRUE(waitUntil([&] { return queue.operationCount() == 0; }));
        QCoreApplication::sendPostedEvents();
    }

    // Holds inside the 10th file and answers "Cancel", then inside the 25th
    // and answers "Yes": the removal ends with 25 files gone.
    FinishWindowController* cancelThenYes(ScanViewController* s, const QString& folder)
    {
        const int total = filesIn(folder);
        RemovalStepGate gate(pathsIn(folder), {10, 25});
        removeSelected(s);
        stopAndSeeItHold(s, gate, folder, total - 10);
        FileRemovingViewController* removing = s->fileRemovingViewCtr();
        const double held = removing->timeSeconds();
        answer(QStringLiteral("Cancel"));
        // It goes on with the rest, and so does the clock.
        EXPECT_TRUE(waitUntil([&] { return gate.holding(); }));
        EXPECT_EQ(filesIn(folder), total - 24);
        EXPECT_TRUE(waitUntil([&] { return removing->timeSeconds() > held; }));
        EXPECT_TRUE(removing->stopBtn()->isEnabled());

        stopAndSeeItHold(s, gate, folder, total - 25);
        answer(QStringLiteral("Yes"));
        FinishWindowController* finish = nullptr;
        EXPECT_TRUE(waitUntil([&] { return (finish = removing->finishWindowController()) != nullptr; }));
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(filesIn(folder), total - 25);
        EXPECT_EQ(filesInTrash(), GetParam() == toTrash ? 25 : 0);
        return finish;
    }
};

}  // namespace

TEST_P(RemovalHoldTest, DuplicateRemovalHoldsWhileAskedAndEndsWhereYesWasSaid)
{
    ScanViewController* s = scanToResults(manyPairsTree(), false);
    s->automaticSelectionAction();
    const QString copies = scratch() + QStringLiteral("/many/b");
    FinishWindowController* finish = cancelThenYes(s, copies);
    ASSERT_NE(finish, nullptr);
    EXPECT_EQ(finish->filesCountLabel()->text(), QStringLiteral("25"));
    EXPECT_EQ(s->fileRemovingViewCtr()->detailFilesCountLabel()->text(), QStringLiteral("25 / 60"));
    EXPECT_EQ(ScanManager::default_().succeedRemoveCount(), 25);
    finish->completeAciton();
    ASSERT_TRUE(waitForResults());
    // The pairs that lost a copy are no duplicates any more; the rest stay.
    EXPECT_EQ(ScanManager::default_().totalFiles().size(), 35);
}

TEST_P(RemovalHoldTest, LargeFileRemovalHoldsWhileAskedAndEndsWhereYesWasSaid)
{
    const QString folder = scratch() + QStringLiteral("/big");
    FinishWindowController* finish = cancelThenYes(largeFilesChecked(), folder);
    ASSERT_NE(finish, nullptr);
    EXPECT_EQ(finish->filesCountLabel()->text(), QStringLiteral("25"));
    EXPECT_EQ(LargeFilesManager::default_().removesucceedCount(), 25);
    finish->completeAciton();
    ASSERT_TRUE(waitForResults());
    EXPECT_EQ(LargeFilesManager::default_().allFiles().at(0)->fileCount(), 5);
}

TEST_P(RemovalHoldTest, AQuestionOpenAsTheLastFileGoesHoldsTheEndUntilAnswered)
{
    ScanViewController* s = scanToResults(manyPairsTree(), false);
    s->automaticSelectionAction();
    lastFileThenCancel(s, scratch() + QStringLiteral("/many/b"));
    EXPECT_EQ(ScanManager::default_().succeedRemoveCount(), 60);

    const QString folder = scratch() + QStringLiteral("/big");
    lastFileThenCancel(largeFilesChecked(), folder);
    EXPECT_EQ(LargeFilesManager::default_().removesucceedCount(), 30);
}

// The window closed while the removal is held: the exit question takes the
// stop question's place, and its "Yes" ends the program as it does in any
// removal.
TEST_P(RemovalHoldTest, ClosingTheWindowWhileHeldStillEndsTheProgram)
{
    ScanViewController* s = scanToResults(manyPairsTree(), false);
    s->automaticSelectionAction();
    const QString copies = scratch() + QStringLiteral("/many/b");
    RemovalStepGate gate(pathsIn(copies), {10});
    removeSelected(s);
    stopAndSeeItHold(s, gate, copies, 50);
    nib().window()->close();
    ASSERT_TRUE(waitForSheet(kExit));
    answer(QStringLiteral("Yes"));
    EXPECT_TRUE(waitUntil([] { return quitCount == 1; }, std::chrono::seconds(30)));
    EXPECT_TRUE(waitUntil([] { return ScanManager::default_().removeFinished(); }));
}

// A file whose call comes back after a stop ended the removal without it,
// with the file gone after all: the results say what the disk says. It
// leaves its list and is counted with what went, whether it comes back
// while the finish window is open or once the results are shown again.
TEST_P(RemovalHoldTest, AFileThatWentAfterTheStopLeavesTheListAndIsCounted)
{
    ScanViewController* s = scanToResults(manyPairsTree(), false);
    ScanManager& engine = ScanManager::default_();
    const QString copies = scratch() + QStringLiteral("/many/b");
    const auto deleted = [s](int count, uint64_t size) {
        return s->selectTitleLabel()->text() == QStringLiteral("Deleted:") &&
               s->selectCountSizeLabel()->text() ==
                   QStringLiteral("%1 (%2)").arg(count).arg(transformedFileSize(size, true, true));
    };
    {
        // The groups go smallest first: f0 to f8 go, f9 is in hand.
        s->automaticSelectionAction();
        RemovalStepGate gate(pathsIn(copies), {10});
        removeSelected(s);
        FinishWindowController* finish = stopWithTheFileInHand(s, gate);
        ASSERT_NE(finish, nullptr);
        EXPECT_EQ(finish->filesCountLabel()->text(), QStringLiteral("9"));
        comesBackLate(gate, engine.removeQueue());
        EXPECT_EQ(filesIn(copies), 50);
        finish->completeAciton();
        ASSERT_TRUE(waitForResults());
        EXPECT_EQ(engine.totalFiles().size(), 50);
        EXPECT_TRUE(deleted(10, 2045)) << s->selectCountSizeLabel()->text().toStdString();
    }
    {
        // f10 to f13 go, f14 is in hand.
        s->automaticSelectionAction();
        RemovalStepGate gate(pathsIn(copies), {5});
        removeSelected(s);
        FinishWindowController* finish = stopWithTheFileInHand(s, gate);
        ASSERT_NE(finish, nullptr);
        finish->completeAciton();
        ASSERT_TRUE(waitForResults());
        EXPECT_EQ(engine.totalFiles().size(), 46);
        comesBackLate(gate, engine.removeQueue());
        EXPECT_TRUE(waitUntil([&] { return engine.totalFiles().size() == 45 && deleted(15, 3105); }))
            << s->selectCountSizeLabel()->text().toStdString();
        EXPECT_EQ(filesIn(copies), 45);
        EXPECT_EQ(engine.totalFilesCount(), 90);
    }
}

// The same for large files, the file coming back once the results show.
TEST_P(RemovalHoldTest, ALargeFileThatWentAfterTheStopLeavesTheListAndIsCounted)
{
    ScanViewController* s = largeFilesChecked();
    LargeFilesManager& engine = LargeFilesManager::default_();
    const QString folder = scratch() + QStringLiteral("/big");
    RemovalStepGate gate(pathsIn(folder), {3});
    removeSelected(s);
    FinishWindowController* finish = stopWithTheFileInHand(s, gate);
    ASSERT_NE(finish, nullptr);
    EXPECT_EQ(finish->filesCountLabel()->text(), QStringLiteral("2"));
    finish->completeAciton();
    ASSERT_TRUE(waitForResults());
    EXPECT_EQ(engine.allFiles().at(0)->fileCount(), 28);
    comesBackLate(gate, engine.removeQueue());
    EXPECT_TRUE(waitUntil([&] { return engine.allFiles().at(0)->fileCount() == 27 && s->hasRemovesucceedCount() == 3; }))
        << engine.allFiles().at(0)->fileCount() << " " << s->hasRemovesucceedCount();
    EXPECT_EQ(filesIn(folder), 27);
    uint64_t left = 0;
    for (const FileInfoPtr& file : engine.allFiles().at(0)->infos()) {
        left += file->size();
    }
    EXPECT_EQ(engine.allFiles().at(0)->totalSize(), left);
    RightLargeFileDataViewController* table = s->rightLargeFileDataViewController();
    EXPECT_TRUE(waitUntil([&] { return table->sortsInFlight() == 0 && table->shownFiles().size() == 27; }))
        << table->shownFiles().size();
}

INSTANTIATE_TEST_SUITE_P(EachMode, RemovalHoldTest, ::testing::Values(toTrash, permanently),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param == toTrash ? std::string("Trash") : std::string("Permanently");
                         });
