// The program's Preferences… item opens the one preferences window.
#include "ShellFixture.h"

#include "DamagedSettings.h"
#include "Foundation/PropertyList.h"
#include "Foundation/UserDefaults.h"
#include "ShownText.h"
#include "QVLibrary/RYTButton.h"
#include "Window/ModalOverlay.h"
#include "Window/SheetMessageLabel.h"
#include "Window/SheetWindowController.h"
#include "Main/MainMenu.h"
#include "Main/MainWindow.h"
#include "Model/PerferenceInfo.h"
#include "QVLibrary/RYSelectView.h"
#include "QVLibrary/RYTCheckBox.h"
#include "View/PreferenceView/PreferenceViewController.h"
#include "View/PreferenceView/PreferenceWIndowController.h"

#include <QAction>
#include <QDir>
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QTest>

#include <thread>

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

namespace {

// The files set aside beside `path`, by name.
QStringList setAsideBeside(const QString& path)
{
    const QFileInfo info(path);
    QStringList found;
    for (const QString& name : QDir(info.absolutePath()).entryList({info.fileName() + ".damaged-*"}, QDir::Files)) {
        found << info.absolutePath() + "/" + name;
    }
    return found;
}

SheetWindowController* showingSheet()
{
    SheetWindowController* sheet = SheetWindowController::globalSheetController();
    return sheet && sheet->isShowing() ? sheet : nullptr;
}

}  // namespace

// A settings file cut off in the middle and a user-defaults file of random
// bytes, as a crash may leave them: the program starts on its defaults, sets
// both aside, tells where each went once, and neither the launch nor opening
// and closing the preferences writes over them.
TEST_F(PreferenceHookTest, DamagedSettingsAreSetAsideToldOnceAndKeptThroughThePreferences)
{
    const auto samples = DamagedSettings::samples();
    const QByteArray cutOff = samples[0].second;
    const QByteArray noise = samples[1].second;
    const QString settings = PerferenceInfo::settingsPath();
    const QString defaults = UserDefaults::standardPath();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(settings).absolutePath()));
    ASSERT_TRUE(DamagedSettings::write(settings, cutOff));
    ASSERT_TRUE(DamagedSettings::write(defaults, noise));
    // What the program's start reads first of all.
    UserDefaults::resetStandardUserDefaults();

    registerPreferenceWindow();
    MainMenu& made = launch();
    ASSERT_EQ(setAsideBeside(settings).size(), 1);
    ASSERT_EQ(setAsideBeside(defaults).size(), 1);
    const QString keptSettings = setAsideBeside(settings).first();
    const QString keptDefaults = setAsideBeside(defaults).first();
    EXPECT_EQ(DamagedSettings::read(keptSettings), cutOff);
    EXPECT_EQ(DamagedSettings::read(keptDefaults), noise);
    EXPECT_EQ(PerferenceInfo().dataDict(), PerferenceInfo::defaultDictionary());
    EXPECT_EQ(UserDefaults::standardUserDefaults().value<qint64>(QStringLiteral("dupImageRemoveType")), 0);

    // One sheet per file over the main window, each naming where it went.
    for (const QString& kept : {keptDefaults, keptSettings}) {
        SCOPED_TRACE(kept.toStdString());
        ASSERT_TRUE(waitUntil([&] {
            SheetWindowController* sheet = showingSheet();
            OverlayView* veil = sheet ? ModalOverlay::overlayFor(sheet) : nullptr;
            return veil && veil->phase() == OverlayView::Phase::shown
                   && sheet->labelTextField()->text().contains(kept);
        }));
        SheetWindowController* sheet = showingSheet();
        EXPECT_EQ(ModalOverlay::overlayFor(sheet)->window(), static_cast<QWidget*>(made.window()));
        auto* label = qobject_cast<SheetMessageLabel*>(sheet->labelTextField());
        ASSERT_NE(label, nullptr);
        EXPECT_TRUE(ShownText::showsAll(label, label->textOption()));
        QTest::mouseClick(sheet->determineBtn(), Qt::LeftButton, {}, sheet->determineBtn()->rect().center());
        ASSERT_TRUE(waitUntil([&] { return !showingSheet() || showingSheet() != sheet; }));
    }

    QAction* item = made.window()->menuBar()->findChild<QAction*>(QStringLiteral("openPreferenceWindow"));
    ASSERT_NE(item, nullptr);
    for (int opening = 0; opening < 2; ++opening) {
        item->trigger();
        auto* window = qobject_cast<PreferenceWIndowController*>(made.mainWindow()->preferenceWindow());
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        QTest::mouseClick(window->findChild<RYSelectView*>(QStringLiteral("whiteListSelectView")), Qt::LeftButton,
                          {}, QPoint(10, 10));
        QTest::keyClick(window, Qt::Key_Escape);
        EXPECT_FALSE(window->isVisible());
        ASSERT_TRUE(PerferenceInfo::waitForBackgroundSaves(std::chrono::seconds(10)));
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(showingSheet(), nullptr) << "told once";
    EXPECT_EQ(setAsideBeside(settings), QStringList{keptSettings});
    EXPECT_EQ(setAsideBeside(defaults), QStringList{keptDefaults});
    EXPECT_EQ(DamagedSettings::read(keptSettings), cutOff);
    EXPECT_EQ(DamagedSettings::read(keptDefaults), noise);
    // In their places, fresh files the program can read again.
    EXPECT_TRUE(PropertyList::readFile(settings).has_value());
    EXPECT_TRUE(PropertyList::readFile(defaults).has_value());
    MainWindow::setPreferenceWindowMaker(nullptr);
}

// A first launch finds no files: nothing was damaged and nothing is told.
TEST_F(PreferenceHookTest, AFirstLaunchTellsOfNothing)
{
    MainMenu& made = launch();
    QCoreApplication::processEvents();
    EXPECT_EQ(showingSheet(), nullptr);
    EXPECT_TRUE(QFile::exists(PerferenceInfo::settingsPath()));
    EXPECT_TRUE(setAsideBeside(PerferenceInfo::settingsPath()).isEmpty());
    EXPECT_TRUE(setAsideBeside(UserDefaults::standardPath()).isEmpty());
    EXPECT_TRUE(made.window()->isVisible());
}

// Damaged while the program runs, the file is told of when a scan next reads
// it on its own thread.
TEST_F(PreferenceHookTest, AFileDamagedWhileRunningIsToldWhenItIsNextRead)
{
    MainMenu& made = launch();
    const QString settings = PerferenceInfo::settingsPath();
    const QByteArray noise = DamagedSettings::samples()[2].second;
    ASSERT_TRUE(DamagedSettings::write(settings, noise));
    std::thread scan([] { PerferenceInfo(); });
    scan.join();
    ASSERT_EQ(setAsideBeside(settings).size(), 1);
    const QString kept = setAsideBeside(settings).first();
    ASSERT_TRUE(waitUntil([&] {
        SheetWindowController* sheet = showingSheet();
        OverlayView* veil = sheet ? ModalOverlay::overlayFor(sheet) : nullptr;
        return veil && veil->phase() == OverlayView::Phase::shown && veil->window() == made.window()
               && sheet->labelTextField()->text().contains(kept);
    }));
    SheetWindowController* sheet = showingSheet();
    QTest::mouseClick(sheet->determineBtn(), Qt::LeftButton, {}, sheet->determineBtn()->rect().center());
    ASSERT_TRUE(waitUntil([&] { return !showingSheet(); }));
    EXPECT_EQ(DamagedSettings::read(kept), noise);
}
