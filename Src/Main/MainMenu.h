#pragma once

#include <memory>

#include <QKeySequence>
#include <QList>

#include "AppDelegate.h"
#include "MainWindow.h"
#include "RYTFullSizeWindow.h"

class QMenu;
class SheetUserPrompter;

// What the main window's layout makes and connects at start: the
// application delegate, the main window with its title area and screen box,
// the main-window object and the menu bar wired to its actions.
class MainMenu {
public:
    MainMenu();
    ~MainMenu();
    MainMenu(const MainMenu&) = delete;
    MainMenu& operator=(const MainMenu&) = delete;

    AppDelegate* appDelegate() const { return appDelegate_.get(); }
    RYTFullSizeWindow* window() const { return window_.get(); }
    MainWindow* mainWindow() const { return mainWindow_.get(); }

    // The window's size at start: the home screen's.
    static constexpr int initialWidth = 700;
    static constexpr int initialHeight = 420;

    // The desktop's key for preferences, or Ctrl+, where it has none.
    static QList<QKeySequence> preferencesShortcuts();

private:
    void buildMenus();
    // Keeps a menu's title hidden while none of its items shows.
    static void hideWhileEmpty(QMenu* menu);

    std::unique_ptr<AppDelegate> appDelegate_;
    std::unique_ptr<RYTFullSizeWindow> window_;
    std::unique_ptr<MainWindow> mainWindow_;
    std::unique_ptr<SheetUserPrompter> prompter_;
};
