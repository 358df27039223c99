#include "ShellFixture.h"

#include "View/FolderSetViewController.h"

#include "Foundation/NotificationCenter.h"
#include "Main/MainMenu.h"
#include "Main/MainViewController.h"
#include "Main/MainWindow.h"
#include "Main/UpdateManager.h"
#include "QVFeedback/RYFFeedback.h"
#include "Refreshkit/RYTUpdateManager.h"
#include "Window/AboutWindowController.h"
#include "Window/SheetWindowController.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTDarkMode.h"
#include "UrlCatcher.h"

#include <QFile>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QTextEdit>
#include <QTest>
#include <QStyle>
#include <QDialog>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QMenuBar>

namespace {
QAction* menuAction(MainMenu& nib, const char* name)
{
    return nib.window()->menuBar()->findChild<QAction*>(QString::fromLatin1(name));
}

int g_preferenceWindowsMade = 0;
QDialog* makePreferenceWindow()
{
    ++g_preferenceWindowsMade;
    return new QDialog;
}
}  // namespace

using MenuTest = ShellTest;

TEST_F(MenuTest, LinksAreBuiltFromTheInformationListWithTheVersionQuery)
{
    MainMenu& made = launch();
    menuAction(made, "helpAction")->trigger();
    menuAction(made, "openPrivacyUrl")->trigger();
    menuAction(made, "openUserUrl")->trigger();
    EXPECT_EQ(opened, (QStringList{QStringLiteral("https://twinsweep.example/guide?p=twinsweep&v=100"),
                                   QStringLiteral("https://twinsweep.example/privacy&v=100"),
                                   QStringLiteral("https://twinsweep.example/terms&v=100")}));
    opened.clear();
    menuAction(made, "openLogPath")->trigger();
    EXPECT_EQ(opened, QStringList{supportFolder() + QStringLiteral("/Logs")});
}

// Help on a desktop that cannot open a web address says so in a sheet whose
// address can be copied; where the desktop opens it, nothing is said.
TEST_F(MenuTest, HelpThatNoBrowserOpensIsSaidWithTheAddressToCopy)
{
    MainMenu& made = launch();
    const QString address = QStringLiteral("https://twinsweep.example/guide?p=twinsweep&v=100");
    // The desktop's own opener, which has no browser here.
    Workspace::setOpenerForTesting(nullptr);
    menuAction(made, "helpAction")->trigger();
    SheetWindowController* sheet = SheetWindowController::globalSheetController();
    ASSERT_TRUE(sheet && sheet->isShowing());
    EXPECT_TRUE(sheet->labelTextField()->text().contains(QStringLiteral("no web browser")));
    QTextEdit* field = sheet->copyableField();
    ASSERT_NE(field, nullptr);
    ASSERT_TRUE(waitUntil([field] { return field->isVisible(); }));
    EXPECT_EQ(field->toPlainText(), address);
    EXPECT_TRUE(field->isReadOnly());
    QTest::mouseClick(field, Qt::LeftButton, {}, field->rect().center());
    ASSERT_TRUE(waitUntil([&] { return field->textCursor().selectedText() == address; }));
    QGuiApplication::clipboard()->clear();
    QTest::keySequence(field, QKeySequence::Copy);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), address);
    // Return still answers the notice from the field.
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_TRUE(waitUntil([sheet] { return !sheet->isShowing(); }));

    UrlCatcher browser(QStringLiteral("https"));
    menuAction(made, "helpAction")->trigger();
    EXPECT_EQ(browser.opened, QList<QUrl>{QUrl(address)});
    EXPECT_FALSE(SheetWindowController::globalSheetController()->isShowing());
}

TEST_F(MenuTest, PolicyItemsAreHiddenAfterLaunchAndTheTitleComesFromTheBundle)
{
    MainMenu& made = nib();
    made.mainWindow()->privacyMenuBtn()->setVisible(true);
    made.mainWindow()->windowTitle()->setText(QStringLiteral("from the layout"));
    launch();
    EXPECT_FALSE(made.mainWindow()->privacyMenuBtn()->isVisible());
    EXPECT_FALSE(made.mainWindow()->userMenuBtn()->isVisible());
    EXPECT_TRUE(made.mainWindow()->updateMenuBtn()->isVisible());
    EXPECT_EQ(made.mainWindow()->windowTitle()->text(), QStringLiteral("Twinsweep"));
    EXPECT_EQ(made.mainWindow()->windowBox()->contentView(), made.mainWindow()->mainViewController());
}

TEST_F(MenuTest, TitleFadesOnTheTwoNotifications)
{
    MainMenu& made = launch();
    QLabel* title = made.mainWindow()->windowTitle();
    auto opacity = [&] {
        auto* effect = qobject_cast<QGraphicsOpacityEffect*>(title->graphicsEffect());
        return effect ? effect->opacity() : 1.0;
    };
    for (int i = 0; i < 2; ++i) {
        NotificationCenter::defaultCenter().post(didHiddenMainWindowTitleNotification());
    }
    EXPECT_EQ(made.mainWindow()->titleAlpha(), 0.0);
    ASSERT_TRUE(waitUntil([&] { return opacity() == 0.0; }));
    EXPECT_TRUE(title->isVisible());
    NotificationCenter::defaultCenter().post(didShowMainWindowTitleNotification());
    ASSERT_TRUE(waitUntil([&] { return opacity() == 1.0; }));
    EXPECT_EQ(made.mainWindow()->titleAlpha(), 1.0);
}

TEST_F(MenuTest, TheTitleFollowsTheDesktopsAppearanceWhileTheProgramRuns)
{
    MainMenu& made = launch();
    QLabel* title = made.mainWindow()->windowTitle();
    const auto titleColour = [&] { return title->palette().color(QPalette::WindowText); };
    const QColor light = RYTDarkMode::colorNamed(QStringLiteral("TitleLabelColor"), false);
    const QColor dark = RYTDarkMode::colorNamed(QStringLiteral("TitleLabelColor"), true);
    EXPECT_EQ(titleColour(), light);

    // The desktop's change reaches the widgets through the event queue.
    QApplication::setPalette(QPalette(QColor(40, 42, 46)));
    EXPECT_TRUE(waitUntil([&] { return titleColour() == dark; }));
    QApplication::setPalette(QApplication::style()->standardPalette());
    EXPECT_TRUE(waitUntil([&] { return titleColour() == light; }));
}

TEST_F(MenuTest, AboutIsMadeAnewAndPreferencesAreKept)
{
    MainMenu& made = launch();
    menuAction(made, "aboutAction")->trigger();
    QPointer<AboutWindowController> first = made.mainWindow()->aboutWindowController();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->window()->isVisible());
    first->window()->close();
    made.mainWindow()->aboutAction();
    EXPECT_NE(made.mainWindow()->aboutWindowController(), nullptr);
    EXPECT_TRUE(waitUntil([&] { return first.isNull(); }));
    made.mainWindow()->aboutWindowController()->window()->close();

    // Without a preferences window the item does nothing; with one it is made once.
    menuAction(made, "openPreferenceWindow")->trigger();
    EXPECT_EQ(made.mainWindow()->preferenceWindow(), nullptr);
    g_preferenceWindowsMade = 0;
    MainWindow::setPreferenceWindowMaker(&makePreferenceWindow);
    menuAction(made, "openPreferenceWindow")->trigger();
    QDialog* preferences = made.mainWindow()->preferenceWindow();
    ASSERT_NE(preferences, nullptr);
    EXPECT_TRUE(preferences->isVisible());
    EXPECT_EQ(preferences->windowModality(), Qt::ApplicationModal);
    preferences->close();
    menuAction(made, "openPreferenceWindow")->trigger();
    EXPECT_EQ(made.mainWindow()->preferenceWindow(), preferences);
    EXPECT_EQ(g_preferenceWindowsMade, 1);
    preferences->close();
    MainWindow::setPreferenceWindowMaker(nullptr);
}

TEST_F(MenuTest, UpdateAndFeedbackItemsOpenTheirDialogs)
{
    MainMenu& made = launch();
    menuAction(made, "checkUpdateAction")->trigger();
    RYTUpdateManager* update = UpdateManager::default_().updateManager();
    ASSERT_TRUE(waitUntil([&] { return update->dialog() != nullptr; }));
    EXPECT_TRUE(update->dialog()->isVisible());
    update->dialog()->close();

    menuAction(made, "feedBackAction")->trigger();
    RYFFeedbackDialog* feedback = RYFFeedback::currentDialog();
    ASSERT_NE(feedback, nullptr);
    EXPECT_TRUE(feedback->isVisible());
    delete feedback;
}

// Both dialogs belong to the main window: centred over it, and the window
// takes no input while they are open.
TEST_F(MenuTest, UpdateAndFeedbackDialogsOpenCentredOverTheMainWindowAndModalToIt)
{
    MainMenu& made = launch();
    made.window()->move(30, 20);
    made.window()->show();
    const QPoint centre = made.window()->geometry().center();
    const auto expectCentredOverTheWindow = [&](QDialog* dialog) {
        EXPECT_EQ(dialog->parentWidget(), made.window());
        EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
        EXPECT_TRUE(dialog->isVisible());
        const QPoint offset = dialog->geometry().center() - centre;
        EXPECT_LE(offset.manhattanLength(), 24) << offset.x() << "," << offset.y();
    };

    menuAction(made, "checkUpdateAction")->trigger();
    RYTUpdateManager* update = UpdateManager::default_().updateManager();
    ASSERT_TRUE(waitUntil([&] { return update->dialog() != nullptr; }));
    expectCentredOverTheWindow(update->dialog());
    update->dialog()->close();

    menuAction(made, "feedBackAction")->trigger();
    RYFFeedbackDialog* feedback = RYFFeedback::currentDialog();
    ASSERT_NE(feedback, nullptr);
    expectCentredOverTheWindow(feedback);
    // The result page has its image.
    EXPECT_FALSE(feedback->okImageView()->pixmap().isNull());
    delete feedback;
}

// A menu with nothing in it is not offered: the View menu holds only the
// full-screen item, which the home screen hides.
TEST_F(MenuTest, TheViewMenuShowsOnlyWhileItHasAnItem)
{
    MainMenu& made = launch();
    QAction* view = nullptr;
    for (QAction* action : made.window()->menuBar()->actions()) {
        if (action->text() == QStringLiteral("View")) {
            view = action;
        }
    }
    ASSERT_NE(view, nullptr);
    EXPECT_FALSE(view->isVisible());
    NotificationCenter::defaultCenter().post(didShowFullScreenNotification());
    EXPECT_TRUE(view->isVisible());
    NotificationCenter::defaultCenter().post(didHiddenFullScreenNotification());
    EXPECT_FALSE(view->isVisible());
}

TEST_F(MenuTest, CloseIsAnsweredByTheRootControllerOnlyWhileItsViewIsInTheBox)
{
    MainMenu& made = launch();
    MainWindow* mainWindow = made.mainWindow();
    scanFromHome({QFile::encodeName(scratch())}, &FolderSetViewController::scanImagesBtnAction);
    EXPECT_FALSE(mainWindow->isShouldCloseWindow());
    SheetWindowController::endSheet();
    QWidget other;
    mainWindow->windowBox()->setContentView(&other);
    EXPECT_TRUE(mainWindow->isShouldCloseWindow());
    mainWindow->windowBox()->setContentView(mainWindow->mainViewController());
}
