#include "Window/ModalOverlay.h"
#include "Window/SheetUserPrompter.h"
#include "Window/SheetWindowController.h"

#include "QVLibrary/RYTButton.h"

#include "TestSupport.h"

#include <QLabel>
#include <QMainWindow>
#include <QTest>

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

namespace {

class SheetUserPrompterTest : public ::testing::Test {
protected:
    void SetUp() override { UserPrompter::setShared(&prompter); }
    void TearDown() override
    {
        SheetWindowController::endSheet();
        UserPrompter::setShared(nullptr);
        ModalOverlay::setApplicationMainWindow(nullptr);
    }

    void showMainWindow()
    {
        window = std::make_unique<QMainWindow>();
        window->resize(800, 600);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        ModalOverlay::setApplicationMainWindow(window.get());
    }

    // The sheet that shows this question, once it is fully shown.
    SheetWindowController* sheetFor(const QString& message)
    {
        SheetWindowController* found = nullptr;
        waitUntil([&] {
            SheetWindowController* sheet = SheetWindowController::globalSheetController();
            OverlayView* overlay = ModalOverlay::overlayFor(sheet);
            if (sheet && sheet->labelTextField()->text() == message && overlay
                && overlay->phase() == OverlayView::Phase::shown) {
                found = sheet;
            }
            return found != nullptr;
        });
        return found;
    }

    SheetUserPrompter prompter;
    std::unique_ptr<QMainWindow> window;
};

TEST_F(SheetUserPrompterTest, AQuestionIsAnsweredByTheButtonTheUserClicks)
{
    showMainWindow();
    QList<int> answers;
    UserPrompter::shared().ask(UserPrompter::Kind::uncertain, QStringLiteral("Not enough space. Continue?"),
                               QStringLiteral("Yes"), QStringLiteral("Cancel"), [&](int r) { answers.append(r); });
    SheetWindowController* sheet = sheetFor(QStringLiteral("Not enough space. Continue?"));
    ASSERT_NE(sheet, nullptr);
    QTest::mouseClick(sheet->uncertainBtn(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return answers.size() == 1; }));
    EXPECT_EQ(answers.first(), 1);

    UserPrompter::shared().ask(UserPrompter::Kind::uncertain, QStringLiteral("Stop the removal?"),
                               QStringLiteral("Yes"), QStringLiteral("Cancel"), [&](int r) { answers.append(r); });
    sheet = sheetFor(QStringLiteral("Stop the removal?"));
    ASSERT_NE(sheet, nullptr);
    QTest::mouseClick(sheet->determineBtn(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return answers.size() == 2; }));
    EXPECT_EQ(answers.last(), 0);
}

TEST_F(SheetUserPrompterTest, QuestionsFromAnEngineThreadAreAnsweredOnTheMainThread)
{
    showMainWindow();
    std::atomic<bool> onMain{false};
    std::atomic<int> answer{-1};
    std::thread engine([&] {
        UserPrompter::shared().showContentFolderNotExist([&](int r) {
            onMain = QThread::currentThread() == qApp->thread();
            answer = r;
        });
    });
    engine.join();
    SheetWindowController* sheet = sheetFor(QStringLiteral(
        "The folder does not exist. Please choose another one. It may be moved, renamed or deleted."));
    ASSERT_NE(sheet, nullptr);
    QTest::mouseClick(sheet->determineBtn(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return answer.load() != -1; }));
    EXPECT_EQ(answer.load(), 1);
    EXPECT_TRUE(onMain.load());
}

TEST_F(SheetUserPrompterTest, WithoutAMainWindowTheCancellingAnswerComes)
{
    QList<int> answers;
    UserPrompter::shared().ask(UserPrompter::Kind::uncertain, QStringLiteral("Continue?"), QStringLiteral("Yes"),
                               QStringLiteral("Cancel"), [&](int r) { answers.append(r); });
    UserPrompter::shared().ask(UserPrompter::Kind::determine, QStringLiteral("Note."), QStringLiteral("OK"), QString(),
                               [&](int r) { answers.append(r); });
    ASSERT_TRUE(waitUntil([&] { return answers.size() == 2; }));
    EXPECT_EQ(answers, (QList<int>{0, 1}));
    EXPECT_EQ(ModalOverlay::modalWindow(), nullptr);
}

}  // namespace
