#include "Window/FinishWindowController.h"
#include "Window/ModalOverlay.h"

#include "Foundation/Bundle.h"
#include "Foundation/UserDefaults.h"
#include "GA/QVDAEventObserver.h"
#include "Lottie/AnimationView.h"
#include "Main/Utilities.h"
#include "QVBaseLib/Helper.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTDarkMode.h"
#include "TestSupport.h"
#include "View/FolderSetViewController.h"

#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QTest>

#include <thread>

namespace {

enum class Mode { duplicates, largeFiles, images };

class FinishWindowControllerTest : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        main = std::make_unique<QMainWindow>();
        main->setCentralWidget(new QWidget);
        main->resize(1000, 580);
        main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main.get()));
        ModalOverlay::setApplicationMainWindow(main.get());
        FinishWindowController::setPreferredLanguages(QStringList{QStringLiteral("en-US")});
    }

    void TearDown() override
    {
        ModalOverlay::stopModal();
        FinishWindowController::setPreferredLanguages(std::nullopt);
        FolderSetViewController::setIsScanLargeFile(false);
        Helper::setNetworkReachableOverride(false);
        Bundle::main().setResourcePath(QString());
        ModalOverlay::setApplicationMainWindow(nullptr);
        main.reset();
        TempHomeTest::TearDown();
    }

    // Made the way the removal screens make it.
    std::unique_ptr<FinishWindowController> make(Mode mode)
    {
        FolderSetViewController::setIsScanLargeFile(mode == Mode::largeFiles);
        auto controller = std::make_unique<FinishWindowController>();
        controller->setIsDupImages(mode == Mode::images);
        controller->loadWindow();
        controller->windowDidLoad();
        return controller;
    }

    // Made as above and shown over the main window with what a removal
    // that removed `removed` files and could not remove `failed` reports.
    std::unique_ptr<FinishWindowController> shownAfter(Mode mode, qint64 removed, qint64 failed)
    {
        auto finish = make(mode);
        finish->showDataInfo(QStringLiteral("%1 MB").arg(removed), QString::number(removed), QStringLiteral("0m 1s"));
        finish->showRemoveFailures(failed, removed);
        ModalOverlay::beginSheet(main.get(), finish.get(), true);
        QCoreApplication::sendPostedEvents();
        return finish;
    }

    std::unique_ptr<QMainWindow> main;
};

}  // namespace

TEST_F(FinishWindowControllerTest, DuplicateModeInEnglish)
{
    const auto finish = make(Mode::duplicates);
    EXPECT_EQ(finish->finishContentLabel()->text(), QStringLiteral("Deduplication Completed!"));
    EXPECT_EQ(finish->filesCountTitleLabel()->text(), QStringLiteral("Duplicate Item(s)"));
    EXPECT_EQ(finish->costTimeTitleLabe()->text(), QStringLiteral("Elapsed Time: "));
    EXPECT_EQ(finish->bottomCostTimeTitleLabe()->text(), QStringLiteral("Elapsed Time: "));
    EXPECT_EQ(finish->finishSavingSpaceLabel()->text(), QStringLiteral("Space Saving"));
    EXPECT_EQ(finish->freeSizeLabel()->text(), QStringLiteral("0"));
    EXPECT_EQ(finish->filesCountLabel()->text(), QStringLiteral("0"));
    EXPECT_EQ(finish->costTimeLabel()->text(), QStringLiteral("0m 0s"));
    // A key, not English: its text comes from the table of keys.
    EXPECT_EQ(finish->completeButton()->title(), QStringLiteral("Done"));
    EXPECT_EQ(finish->completeButton()->titleColor(RYTButton::State::normal), QColor(Qt::white));
    EXPECT_EQ(finish->completeButton()->fillColor(RYTButton::State::normal),
              color256(42, 214, 123));
    EXPECT_EQ(finish->completeButton()->fillColor(RYTButton::State::down),
              color256(9, 172, 86));
    // Loading twice changes nothing.
    finish->windowDidLoad();
    EXPECT_EQ(finish->filesCountTitleLabel()->text(), QStringLiteral("Duplicate Item(s)"));
}

TEST_F(FinishWindowControllerTest, TextsPerModeAndForKorean)
{
    FinishWindowController::setPreferredLanguages(QStringList{QStringLiteral("ko-KR"), QStringLiteral("en-US")});
    const auto large = make(Mode::largeFiles);
    EXPECT_EQ(large->finishContentLabel()->text(), QStringLiteral("Cleanup is completed!"));
    EXPECT_EQ(large->filesCountTitleLabel()->text(), QStringLiteral("Large Files "));
    EXPECT_EQ(large->finishSavingSpaceLabel()->text(), QStringLiteral("확보된 저장 공간"));
    const auto imagesKorean = make(Mode::images);
    EXPECT_EQ(imagesKorean->filesCountTitleLabel()->text(), QStringLiteral("비슷한 이미지: "));
    EXPECT_EQ(imagesKorean->finishContentLabel()->text(), QStringLiteral("Deduplication Completed!"));
    // Korean, not large files: the caption stays as the layout has it.
    EXPECT_EQ(make(Mode::duplicates)->finishSavingSpaceLabel()->text(), QStringLiteral("Space Saving"));

    FinishWindowController::setPreferredLanguages(QStringList{QStringLiteral("en-GB")});
    EXPECT_EQ(make(Mode::images)->filesCountTitleLabel()->text(), QStringLiteral("Similar images: "));
    EXPECT_EQ(make(Mode::largeFiles)->filesCountTitleLabel()->text(), QStringLiteral("Large Files: "));
    // No preferred language at all is not Korean.
    FinishWindowController::setPreferredLanguages(QStringList{});
    EXPECT_EQ(make(Mode::largeFiles)->finishSavingSpaceLabel()->text(), QStringLiteral("Space Saving"));
}

TEST_F(FinishWindowControllerTest, ARowWiderThan250PointsMovesTheElapsedTimeBelow)
{
    const auto inlineTime = make(Mode::duplicates);
    inlineTime->detailBox()->setFixedWidth(250);
    inlineTime->showDataInfo(QStringLiteral("1.5  MB"), QStringLiteral("12"), QStringLiteral("1m 05s"));
    ASSERT_TRUE(waitUntil([&] { return inlineTime->filesCountLabel()->text() == QStringLiteral("12"); }));
    EXPECT_EQ(inlineTime->freeSizeLabel()->text(), QStringLiteral("1.5  MB"));
    EXPECT_EQ(inlineTime->costTimeLabel()->text(), QStringLiteral("1m 05s"));
    EXPECT_FALSE(inlineTime->costTimeLabel()->isHidden());
    EXPECT_FALSE(inlineTime->costTimeTitleLabe()->isHidden());
    EXPECT_TRUE(inlineTime->bottomDetailBox()->isHidden());

    const auto below = make(Mode::duplicates);
    below->detailBox()->setFixedWidth(251);
    below->showDataInfo(QStringLiteral("1.5  MB"), QStringLiteral("12"), QStringLiteral("1m 05s"));
    ASSERT_TRUE(waitUntil([&] { return below->filesCountLabel()->text() == QStringLiteral("12"); }));
    EXPECT_TRUE(below->costTimeLabel()->isHidden());
    EXPECT_TRUE(below->costTimeTitleLabe()->isHidden());
    EXPECT_FALSE(below->bottomDetailBox()->isHidden());
    EXPECT_EQ(below->bottomCostTimeLabel()->text(), QStringLiteral("1m 05s"));
}

TEST_F(FinishWindowControllerTest, TheRowIsMeasuredWithItsNewTextsAlsoWhenShownAtOnce)
{
    // The caption and the zero figures fit one row; the real figures do not.
    const auto finish = make(Mode::largeFiles);
    finish->showDataInfo(QStringLiteral("12.48  GB"), QStringLiteral("1,386,204"), QStringLiteral("12m 07s"));
    ModalOverlay::beginSheet(main.get(), finish.get(), true);
    ASSERT_TRUE(waitUntil([&] { return finish->filesCountLabel()->text() == QStringLiteral("1,386,204"); }));
    int natural = 0;
    for (QLabel* label : {finish->filesCountTitleLabel(), finish->filesCountLabel(), finish->costTimeTitleLabe(),
                          finish->costTimeLabel()}) {
        natural += label->sizeHint().width();
    }
    ASSERT_GT(natural, FinishWindowController::detailRowLimit);
    EXPECT_TRUE(finish->costTimeLabel()->isHidden());
    EXPECT_FALSE(finish->bottomDetailBox()->isHidden());
}

TEST_F(FinishWindowControllerTest, FiguresMayComeFromAnyThreadButNotAfterTheWindowIsGone)
{
    auto finish = make(Mode::duplicates);
    std::thread([&] { finish->showDataInfo(QStringLiteral("3  GB"), QStringLiteral("7"), QStringLiteral("0m 09s")); })
        .join();
    ASSERT_TRUE(waitUntil([&] { return finish->filesCountLabel()->text() == QStringLiteral("7"); }));
    EXPECT_EQ(finish->freeSizeLabel()->text(), QStringLiteral("3  GB"));

    finish->showDataInfo(QStringLiteral("1 B"), QStringLiteral("1"), QStringLiteral("0m 01s"));
    finish.reset();
    int turns = 0;
    waitUntil([&] { return ++turns > 5; });
}

TEST_F(FinishWindowControllerTest, ThePressEndsTheModalRunAndAnswersOnceWhileFading)
{
    const auto finish = make(Mode::duplicates);
    QList<int> answers;
    finish->setCompletionHandler([&](int response) { answers.append(response); });
    ModalOverlay::beginSheet(main.get(), finish.get(), true);
    ASSERT_TRUE(waitUntil([&] { return ModalOverlay::modalWindow() != nullptr; }));

    finish->completeButton()->click();
    EXPECT_EQ(answers, QList<int>{1});
    EXPECT_EQ(ModalOverlay::modalWindow(), nullptr);
    OverlayView* overlay = ModalOverlay::overlayFor(finish.get());
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(overlay->phase(), OverlayView::Phase::fadingOut);
    // A second press while it fades does nothing.
    finish->completeButton()->click();
    finish->completeAciton();
    EXPECT_EQ(answers, QList<int>{1});
    ASSERT_TRUE(waitUntil([&] { return ModalOverlay::overlayFor(finish.get()) == nullptr; }));
    EXPECT_EQ(answers, QList<int>{1});
}

TEST_F(FinishWindowControllerTest, ReturnPressesTheButton)
{
    const auto finish = make(Mode::duplicates);
    int answers = 0;
    finish->setCompletionHandler([&](int) { ++answers; });
    ModalOverlay::beginSheet(main.get(), finish.get(), true);
    ASSERT_TRUE(waitUntil([&] { return ModalOverlay::modalWindow() != nullptr; }));
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
    finish->completeButton()->setFocus();
    QTest::keyClick(finish->completeButton(), Qt::Key_Return);
    EXPECT_EQ(answers, 1);
}

TEST_F(FinishWindowControllerTest, WithoutAMainWindowTheHandlerIsStillCalled)
{
    const auto finish = make(Mode::duplicates);
    int answers = 0;
    finish->setCompletionHandler([&](int response) { answers += response; });
    ModalOverlay::setApplicationMainWindow(nullptr);
    main->hide();
    finish->completeAciton();
    EXPECT_EQ(answers, 1);
}

TEST_F(FinishWindowControllerTest, CountsLargeFileRemovalsAndSendsTheirEvent)
{
    Helper::setNetworkReachableOverride(true);
    QVDAEventRecorder recorder;
    make(Mode::duplicates);
    make(Mode::images);
    EXPECT_FALSE(UserDefaults::standardUserDefaults().objectForKey(QStringLiteral("CompleteLargeFile")).isValid());
    EXPECT_EQ(recorder.count(QStringLiteral("Process"), QStringLiteral("Complete")), 0);

    for (int i = 0; i < 3; ++i) {
        make(Mode::largeFiles);
    }
    EXPECT_TRUE(recorder.contains(QStringLiteral("Process"), QStringLiteral("Complete"), QStringLiteral("1_successDE_Large")));
    EXPECT_TRUE(recorder.contains(QStringLiteral("Process"), QStringLiteral("Complete"), QStringLiteral("2_successDE_Large")));
    EXPECT_TRUE(recorder.contains(QStringLiteral("Process"), QStringLiteral("Complete"), QStringLiteral("3_successDE_Large")));
    EXPECT_EQ(recorder.count(QStringLiteral("Process"), QStringLiteral("Complete")), 3);
    EXPECT_EQ(UserDefaults::standardUserDefaults().objectForKey(QStringLiteral("CompleteLargeFile")).toLongLong(), 3);
}

TEST_F(FinishWindowControllerTest, StoredValuesThatAreNotCountsAreLeftAlone)
{
    Helper::setNetworkReachableOverride(true);
    QVDAEventRecorder recorder;
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    const QString key = QStringLiteral("CompleteLargeFile");
    // Any stored non-zero number reads true; only a whole number is counted on.
    defaults.setDouble(2.5, key);
    make(Mode::largeFiles);
    EXPECT_EQ(defaults.objectForKey(key).toDouble(), 2.5);
    defaults.setBool(true, key);
    make(Mode::largeFiles);
    EXPECT_EQ(recorder.count(QStringLiteral("Process"), QStringLiteral("Complete")), 0);
    // Zero reads false: counting starts again.
    defaults.setInteger(0, key);
    make(Mode::largeFiles);
    EXPECT_TRUE(recorder.contains(QStringLiteral("Process"), QStringLiteral("Complete"), QStringLiteral("1_successDE_Large")));
    defaults.setInteger(41, key);
    make(Mode::largeFiles);
    EXPECT_TRUE(recorder.contains(QStringLiteral("Process"), QStringLiteral("Complete"), QStringLiteral("42_successDE_Large")));
}

TEST_F(FinishWindowControllerTest, TheWastebasketPlaysOnceATenthOfASecondAfterLoading)
{
    const auto finish = make(Mode::duplicates);
    EXPECT_FALSE(finish->finishAnimationView()->animation());
    ASSERT_TRUE(waitUntil([&] { return finish->finishAnimationView()->animation() != nullptr; }));
    EXPECT_TRUE(finish->finishAnimationView()->imageProvider());
    EXPECT_EQ(finish->finishAnimationView()->loopMode(), Lottie::LottieLoopMode::playOnce);
    ASSERT_TRUE(waitUntil([&] { return !finish->finishAnimationView()->isAnimationPlaying(); }));
    EXPECT_DOUBLE_EQ(finish->finishAnimationView()->currentProgress(), 1.0);
}

TEST_F(FinishWindowControllerTest, MissingAnimationFilesLeaveTheViewEmpty)
{
    Bundle::main().setResourcePath(scratch());
    const auto finish = make(Mode::duplicates);
    int answers = 0;
    finish->setCompletionHandler([&](int) { ++answers; });
    ASSERT_TRUE(waitUntil([&] { return finish->finishAnimationView()->imageProvider() != nullptr; }));
    EXPECT_FALSE(finish->finishAnimationView()->animation());
    EXPECT_FALSE(finish->finishAnimationView()->isAnimationPlaying());
    ModalOverlay::beginSheet(main.get(), finish.get(), true);
    finish->completeButton()->click();
    EXPECT_EQ(answers, 1);
}

TEST_F(FinishWindowControllerTest, TheWhiteCardKeepsLightTextsInTheDarkAppearance)
{
    RYTDarkMode::setForcedAppearance(1);
    const auto finish = make(Mode::duplicates);
    RYTDarkMode::setForcedAppearance(-1);
    QColor detail = RYTDarkMode::colorNamed(QStringLiteral("TitleLabelColor"), false);
    detail.setAlphaF(0.5f);
    EXPECT_EQ(finish->filesCountTitleLabel()->palette().color(QPalette::WindowText), detail);
    EXPECT_EQ(finish->costTimeLabel()->palette().color(QPalette::WindowText), detail);
    EXPECT_EQ(finish->finishContentLabel()->palette().color(QPalette::WindowText),
              RYTDarkMode::colorNamed(QStringLiteral("TitleLabelColor"), false));
}

// A removal that could not remove everything says how many stayed, under
// the figures; one that removed nothing claims no completion and shows no
// tick; one where all went well shows neither.
TEST_F(FinishWindowControllerTest, FilesThatCouldNotBeRemovedAreCountedAndNothingRemovedIsNoCompletion)
{
    const auto clean = shownAfter(Mode::largeFiles, 3, 0);
    EXPECT_EQ(clean->finishContentLabel()->text(), QStringLiteral("Cleanup is completed!"));
    EXPECT_FALSE(clean->failedCountLabel()->isVisible());
    EXPECT_FALSE(clean->failedMarkView()->isVisible());
    EXPECT_TRUE(clean->finishAnimationView()->isVisible());
    clean->completeAciton();

    const auto some = shownAfter(Mode::duplicates, 2, 1);
    EXPECT_EQ(some->finishContentLabel()->text(), QStringLiteral("Deduplication Completed!"));
    EXPECT_TRUE(some->failedCountLabel()->isVisible());
    EXPECT_EQ(some->failedCountLabel()->text(), QStringLiteral("1 file could not be removed."));
    EXPECT_TRUE(some->finishAnimationView()->isVisible());
    // The line sits between the figures and the button, inside the card.
    const QRect line = some->failedCountLabel()->geometry();
    EXPECT_GE(line.top(), some->detailBox()->geometry().bottom());
    EXPECT_LE(line.bottom(), some->completeButton()->geometry().top());
    EXPECT_LE(some->completeButton()->geometry().bottom(), some->window()->height());
    ASSERT_TRUE(waitUntil([&] { return some->finishAnimationView()->animation() != nullptr; }));
    some->completeAciton();

    const auto none = shownAfter(Mode::images, 0, 3);
    EXPECT_EQ(none->finishContentLabel()->text(), QStringLiteral("Nothing could be removed"));
    EXPECT_EQ(none->failedCountLabel()->text(), QStringLiteral("3 files could not be removed."));
    EXPECT_TRUE(none->failedMarkView()->isVisible());
    EXPECT_FALSE(none->failedMarkView()->pixmap().isNull());
    EXPECT_FALSE(none->finishAnimationView()->isVisible());
    // The freed space is not shown as a gain.
    EXPECT_NE(none->freeSizeLabel()->palette().color(QPalette::WindowText),
              RYTDarkMode::colorNamed(QStringLiteral("TitleLabelGreenColor"), false));
    int answers = 0;
    none->setCompletionHandler([&](int) { ++answers; });
    QTest::mouseClick(none->completeButton(), Qt::LeftButton);
    EXPECT_EQ(answers, 1);
}
