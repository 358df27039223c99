// The program's Preferences… item opens the one preferences window.
#include "ShellFixture.h"

#include "Foundation/PropertyList.h"
#include "Main/MainMenu.h"
#include "Main/MainWindow.h"
#include "Model/PerferenceInfo.h"
#include "QVLibrary/RYSelectView.h"
#include "QVLibrary/RYTCheckBox.h"
#include "View/PreferenceView/PreferenceViewController.h"
#include "View/PreferenceView/PreferenceWIndowController.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QTest>

using PreferenceHookTest = ShellTest;

TEST_F(PreferenceHookTest, TheMenuItemOpensOneModalWindowThatKeepsItsPageAndValues)
{
    registerPreferenceWindow();
    MainMenu& made = launch();
    QAction* item = made.window()->menuBar()->findChild<QAction*>(QStringLiteral("openPreferenceWindow"));
    ASSERT_NE(item, nullptr);
    item->trigger();
    auto* window = qobject_cast<PreferenceWIndowController*>(made.mainWindow()->preferenceWindow());
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_EQ(window->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(QApplication::activeModalWidget(), window);
    PreferenceViewController* controller = window->preferenceViewController();
    ZWEventMonitor* monitor = controller->monitor();

    QTest::mouseClick(window->findChild<RYSelectView*>(QStringLiteral("repeatFileSelectView")), Qt::LeftButton, {},
                      QPoint(10, 10));
    QTest::mouseClick(window->findChild<RYTCheckBox*>(QStringLiteral("video")), Qt::LeftButton, {}, QPoint(8, 8));
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    ASSERT_TRUE(PerferenceInfo::waitForBackgroundSaves(std::chrono::seconds(10)));
    const auto stored = PropertyList::readFile(PerferenceInfo::settingsPath());
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->value<PlistDict>().value(QStringLiteral("video")), QVariant(false));

    item->trigger();
    EXPECT_EQ(made.mainWindow()->preferenceWindow(), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->preferenceViewController(), controller);
    EXPECT_EQ(controller->monitor(), monitor) << "the set-up ran once";
    EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("windowTitle"))->text(), "Duplicate Files");
    EXPECT_EQ(window->findChild<RYTCheckBox*>(QStringLiteral("video"))->state(), RYTCheckBox::stateOff);
    window->close();
    MainWindow::setPreferenceWindowMaker(nullptr);
}

// Where the desktop defines no key for preferences, Ctrl+, opens them and
// the menu shows it.
TEST_F(PreferenceHookTest, TheShortcutIsShownInTheMenuAndOpensTheWindow)
{
    registerPreferenceWindow();
    MainMenu& made = launch();
    QAction* item = made.window()->menuBar()->findChild<QAction*>(QStringLiteral("openPreferenceWindow"));
    ASSERT_NE(item, nullptr);
    const QList<QKeySequence> platform = QKeySequence::keyBindings(QKeySequence::Preferences);
    const QKeySequence expected = platform.isEmpty() ? QKeySequence(Qt::CTRL | Qt::Key_Comma) : platform.first();
    ASSERT_FALSE(item->shortcut().isEmpty());
    EXPECT_EQ(item->shortcut(), expected);
    if (platform.isEmpty()) {
        EXPECT_EQ(item->shortcut().toString(QKeySequence::NativeText), QStringLiteral("Ctrl+,"));
    }

    made.window()->show();
    made.window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(made.window()));
    QTest::keySequence(made.window(), expected);
    auto* window = qobject_cast<PreferenceWIndowController*>(made.mainWindow()->preferenceWindow());
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    window->close();
    MainWindow::setPreferenceWindowMaker(nullptr);
}
