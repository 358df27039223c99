#include "Window/ModalOverlay.h"
#include "Window/ToastWindowController.h"

#include "TestSupport.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QScreen>
#include <QTest>

namespace {

// Gone, once the deletions the toast asked for have run.
bool deleted(const QPointer<ToastWindowController>& toast)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return toast.isNull();
}

class ToastWindowControllerTest : public ::testing::Test {
protected:
    void TearDown() override { ModalOverlay::setApplicationMainWindow(nullptr); }
};

}  // namespace

TEST_F(ToastWindowControllerTest, ClosesByItselfAfterThreeSecondsAndGoes)
{
    QMainWindow main;
    main.setGeometry(100, 80, 1000, 580);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    ModalOverlay::setApplicationMainWindow(&main);

    QElapsedTimer clock;
    clock.start();
    QPointer<ToastWindowController> first = ToastWindowController::alertWithMessage(QStringLiteral("Copied"));
    ASSERT_TRUE(first);
    QPointer<QWidget> firstWindow = first->window();
    EXPECT_TRUE(firstWindow->isVisible());
    EXPECT_EQ(first->messageTextField()->text(), QStringLiteral("Copied"));
    EXPECT_EQ(first->messageTextField()->palette().color(QPalette::WindowText), QColor(Qt::white));
    EXPECT_TRUE(firstWindow->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(firstWindow->windowFlags().testFlag(Qt::FramelessWindowHint));
    // Centred over the main window.
    EXPECT_LE((firstWindow->frameGeometry().center() - main.frameGeometry().center()).manhattanLength(), 1);

    // A second toast is a window of its own with a clock of its own.
    QPointer<ToastWindowController> second = ToastWindowController::alertWithMessage(QStringLiteral("Saved"));
    EXPECT_NE(second->window(), firstWindow.data());
    EXPECT_TRUE(first->closeWindowTimer());
    EXPECT_TRUE(second->closeWindowTimer());

    ASSERT_TRUE(waitUntil([&] { return deleted(first); }, std::chrono::seconds(6)));
    EXPECT_GE(clock.elapsed(), ToastWindowController::closeAfterMs - 50);
    EXPECT_TRUE(firstWindow.isNull());
    ASSERT_TRUE(waitUntil([&] { return deleted(second); }, std::chrono::seconds(6)));
}

TEST_F(ToastWindowControllerTest, ClosingTwiceClosesOnce)
{
    QPointer<ToastWindowController> toast = ToastWindowController::alertWithMessage(QStringLiteral("Once"));
    QPointer<QWidget> window = toast->window();
    toast->closeWindow();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(toast->closeWindowTimer(), nullptr);
    toast->closeWindow();
    ToastWindowController::closeAlertWindow(nullptr);
    ASSERT_TRUE(waitUntil([&] { return deleted(toast); }));
}

TEST_F(ToastWindowControllerTest, TheTimerNamesTheToastItCloses)
{
    QPointer<ToastWindowController> toast = ToastWindowController::alertWithMessage(QStringLiteral("Named"));
    QTimer other;
    ToastWindowController::closeAlertWindow(&other);
    EXPECT_TRUE(toast->window()->isVisible());
    ToastWindowController::closeAlertWindow(toast->closeWindowTimer());
    ASSERT_TRUE(waitUntil([&] { return deleted(toast); }));
}

TEST_F(ToastWindowControllerTest, WithoutAMainWindowItIsCentredOnThePrimaryScreen)
{
    ASSERT_EQ(ModalOverlay::applicationMainWindow(), nullptr);
    QPointer<ToastWindowController> toast = ToastWindowController::alertWithMessage(QStringLiteral("Alone"));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_LE((toast->window()->frameGeometry().center() - screen.center()).manhattanLength(), 1);
    EXPECT_TRUE(screen.contains(toast->window()->frameGeometry()));
    toast->closeWindow();
}
