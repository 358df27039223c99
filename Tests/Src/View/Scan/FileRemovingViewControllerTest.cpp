// The removal screen on its own: the bar's texts, the refresh that shows
// the latest value, the clock against the finish window's time, the stop
// question, the notes of full screen.

#include "TestSupport.h"

#include "Main/Utilities.h"
#include "Manager/LargeFilesManager.h"
#include "Manager/ScanManager.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTableView.h"
#include "QVLibrary/RYTProgress.h"
#include "View/Extension/KPLExtension.h"
#include "View/FileDelete/FileRemovingViewController.h"
#include "View/FolderSetViewController.h"
#include "Window/FinishWindowController.h"
#include "Window/ModalOverlay.h"
#include "Window/SheetWindowController.h"

#include <QLabel>
#include <QMainWindow>
#include <QTimer>

namespace {

class Finished : public FileRemovingViewDelegate {
public:
    void fileRemovingViewRemoveFinished() override { ++calls; }
    int calls = 0;
};

class FileRemovingTest : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        ScanManager::default_().setRemoveStop(false);
        FolderSetViewController::setIsScanLargeFile(false);
    }
    void TearDown() override
    {
        if (SheetWindowController::globalSheetController()) {
            SheetWindowController::endSheet();
        }
        window.reset();
        ModalOverlay::setApplicationMainWindow(nullptr);
        ScanManager::default_().setRemoveStop(false);
        FolderSetViewController::setIsScanLargeFile(false);
        TempHomeTest::TearDown();
    }
    FileRemovingViewController* open()
    {
        window = std::make_unique<QMainWindow>();
        window->resize(1000, 580);
        auto* screen = new FileRemovingViewController;
        window->setCentralWidget(screen);
        window->show();
        ModalOverlay::setApplicationMainWindow(window.get());
        screen->setDelegate(&finished);
        screen->setRemoveData({40, 4000});
        return screen;
    }
    static bool sheetShows(const QString& message)
    {
        SheetWindowController* sheet = SheetWindowController::globalSheetController();
        return sheet && sheet->isShowing() && sheet->labelTextField()->text() == message;
    }
    static void press(const QString& title)
    {
        SheetWindowController* sheet = SheetWindowController::globalSheetController();
        for (RYTButton* button : {sheet->determineBtn(), sheet->uncertainBtn()}) {
            if (button->isVisible() && button->title() == title) {
                button->click();
                return;
            }
        }
        ADD_FAILURE() << "no button " << title.toStdString();
    }

    std::unique_ptr<QMainWindow> window;
    Finished finished;
    const QString stopQuestion =
        QStringLiteral("Only partial duplicates can be removed if you stop deleting. Are you sure you want to stop?");
};

}  // namespace

TEST_F(FileRemovingTest, PercentagesHaveTwoDecimalsExceptAtBothEnds)
{
    EXPECT_EQ(FileRemovingViewController::percentText(0.0), QStringLiteral("0%"));
    EXPECT_EQ(FileRemovingViewController::percentText(1.0), QStringLiteral("100%"));
    EXPECT_EQ(FileRemovingViewController::percentText(0.5), QStringLiteral("50.00%"));
    EXPECT_EQ(FileRemovingViewController::percentText(0.375), QStringLiteral("37.50%"));
    EXPECT_EQ(FileRemovingViewController::percentText(0.99999), QStringLiteral("100.00%"));
}

TEST_F(FileRemovingTest, ItStartsEmptyAndARefreshShowsTheValueCurrentWhenItRuns)
{
    FileRemovingViewController* screen = open();
    EXPECT_EQ(screen->progressValueLabel()->text(), QStringLiteral("0%"));
    EXPECT_EQ(screen->stopBtn()->title(), QStringLiteral("Stop"));
    EXPECT_TRUE(screen->stopBtn()->isEnabled());
    EXPECT_EQ(screen->detailFilesTitleLabel()->text(), QStringLiteral("File(s) deleted: "));
    EXPECT_EQ(screen->detailEstimatedTimeTitleLabel()->text(), QStringLiteral("Elapsed time: "));
    EXPECT_EQ(screen->noteLabel()->text(), QStringLiteral("Note:"));
    // The notes speak of this system's Trash.
    EXPECT_TRUE(screen->noteInfoLabel()->text().contains(QStringLiteral("Trash")));
    EXPECT_FALSE(screen->noteInfoLabel()->text().contains(QStringLiteral("recycle bin")));
    EXPECT_EQ(screen->progressView()->progressColor(), color256(65, 111, 244));
    EXPECT_EQ(screen->progressView()->backgroundColor(), color256(230, 236, 245));
    // The count follows on the next tick.
    EXPECT_TRUE(waitUntil([&] { return screen->detailFilesCountLabel()->text() == QStringLiteral("0 / 40"); }));

    screen->setProgressValue(0.2);
    screen->setProgressValue(0.375);
    EXPECT_EQ(screen->progressValueLabel()->text(), QStringLiteral("0%"));
    ASSERT_TRUE(waitUntil([&] { return screen->progressValueLabel()->text() != QStringLiteral("0%"); }));
    EXPECT_EQ(screen->progressValueLabel()->text(), QStringLiteral("37.50%"));
    EXPECT_DOUBLE_EQ(screen->progressView()->progressValue(), 0.375);
    screen->setProgressValue(1.0);
    ASSERT_TRUE(waitUntil([&] { return screen->progressValueLabel()->text() == QStringLiteral("100%"); }));
}

TEST_F(FileRemovingTest, TheClockTruncatesAndTheFinishWindowRoundsUp)
{
    FileRemovingViewController* screen = open();
    screen->myTimer()->stop();
    screen->setTimeSeconds(2.25);
    screen->timeListener();
    EXPECT_EQ(screen->detailEstimatedTimeLabel()->text(), formatDateEn(2));
    screen->removeFinished();
    ASSERT_TRUE(waitUntil([&] { return screen->finishWindowController() != nullptr; }));
    FinishWindowController* finish = screen->finishWindowController();
    ASSERT_TRUE(waitUntil([&] { return finish->costTimeLabel()->text() == formatDateEn(3); }));
    EXPECT_EQ(finish->filesCountLabel()->text(), QString::number(ScanManager::default_().succeedRemoveCount()));
    EXPECT_EQ(finished.calls, 0);
    finish->completeAciton();
    EXPECT_EQ(finished.calls, 1);
}

TEST_F(FileRemovingTest, CancelLeavesTheRemovalAndAnEndClosesTheQuestionAsCancelled)
{
    FileRemovingViewController* screen = open();
    screen->stopAction();
    ASSERT_TRUE(waitUntil([&] { return sheetShows(stopQuestion); }));
    press(QStringLiteral("Cancel"));
    ASSERT_TRUE(waitUntil([] { return !SheetWindowController::globalSheetController()->isShowing(); }));
    ASSERT_TRUE(waitUntil([] {
        return ModalOverlay::overlayFor(SheetWindowController::globalSheetController()) == nullptr;
    }));
    EXPECT_TRUE(screen->stopBtn()->isEnabled());
    EXPECT_FALSE(ScanManager::default_().removeStop());
    screen->stopAction();
    ASSERT_TRUE(waitUntil([&] { return sheetShows(stopQuestion); }));
    screen->removeFinished();
    ASSERT_TRUE(waitUntil([&] { return screen->finishWindowController() != nullptr; }));
    // The question ended before the finish window came, as if cancelled.
    EXPECT_FALSE(SheetWindowController::globalSheetController()->isShowing());
    EXPECT_FALSE(ScanManager::default_().removeStop());
    EXPECT_TRUE(screen->stopBtn()->isEnabled());
    EXPECT_FALSE(screen->myTimer()->isActive());
}

TEST_F(FileRemovingTest, YesStopsTheDuplicateEngine)
{
    FileRemovingViewController* screen = open();
    screen->stopBtn()->click();
    ASSERT_TRUE(waitUntil([&] { return sheetShows(stopQuestion); }));
    press(QStringLiteral("Yes"));
    ASSERT_TRUE(waitUntil([&] { return !screen->stopBtn()->isEnabled(); }));
    EXPECT_TRUE(ScanManager::default_().removeStop());
    // The screen goes on until the engine's end.
    EXPECT_TRUE(screen->myTimer()->isActive());
}

TEST_F(FileRemovingTest, LargeFileModeCountsWithTheLargeFileEngineButAsksTheSameQuestion)
{
    FolderSetViewController::setIsScanLargeFile(true);
    FileRemovingViewController* screen = open();
    screen->updateFilesCountLabel();
    EXPECT_EQ(screen->detailFilesCountLabel()->text(),
              QStringLiteral("%1 / 40").arg(LargeFilesManager::default_().removesucceedCount()));
    screen->stopAction();
    ASSERT_TRUE(waitUntil([&] { return sheetShows(stopQuestion); }));
    press(QStringLiteral("Yes"));
    ASSERT_TRUE(waitUntil([&] { return !screen->stopBtn()->isEnabled(); }));
    EXPECT_FALSE(ScanManager::default_().removeStop());
}

TEST_F(FileRemovingTest, TheNotesShowOnlyInFullScreen)
{
    FileRemovingViewController* screen = open();
    EXPECT_TRUE(screen->noteLabel()->isHidden());
    screen->windowDidEnterFullScreen();
    EXPECT_FALSE(screen->noteLabel()->isHidden());
    EXPECT_FALSE(screen->noteInfoLabel()->isHidden());
    screen->windowDidExitFullScreen();
    EXPECT_TRUE(screen->noteLabel()->isHidden());
    EXPECT_TRUE(screen->noteInfoLabel()->isHidden());
}
