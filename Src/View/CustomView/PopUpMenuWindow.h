#pragma once

#include <memory>

#include <QList>
#include <QPointer>
#include <QStringList>

#include "Window/WindowController.h"

class MenuItemView;
class PopUpButton;
class ZWEventMonitor;
namespace Ui {
class PopUpMenuWindow;
}

// The menu of a PopUpButton: a frameless white panel with one row per title
// and a check mark at the selected row. The panel is laid over the button's
// window, above its content (within a dialog's veil when the button sits in
// one), and is made from its layout the first time it is needed; until then
// only the titles exist. While it shows, a left click anywhere else in the
// program closes it.
class PopUpMenuWindow : public WindowController {
    Q_OBJECT
public:
    explicit PopUpMenuWindow(PopUpButton* button = nullptr);
    ~PopUpMenuWindow() override;

    // The owning button; it owns this controller.
    PopUpButton* popUpButton() const { return popUpButton_; }
    void setPopUpButton(PopUpButton* button) { popUpButton_ = button; }
    ZWEventMonitor* monitor() const { return monitor_.get(); }
    QStringList itemTitles() const { return itemTitles_; }
    void setItemTitles(const QStringList& titles) { itemTitles_ = titles; }
    QList<MenuItemView*> itemViews() const { return itemViews_; }

    // The menu panel, made on first use.
    QWidget* window();
    bool isWindowLoaded() const { return WindowController::window() != nullptr; }
    bool isShown() const;

    // Checks the row at `index` and shows its title on the button; an index
    // outside the rows unchecks every row. Nothing without built rows.
    void selectItemAt(int index);
    // Selects the item with that title, tells the button's delegate (always)
    // and fits the button's width.
    void selectItem(const QString& title);
    // Places the panel 5 below the button, right edges aligned, or 5 above
    // it when it does not fit below; then checks the selected row.
    void updateWindowPosition();
    void windowDidResize();

    // Shows and hides the panel over the button's window.
    void showMenu();
    void closeMenu();
    // A controller being replaced: closes, stops watching and goes later.
    void retire();

    // Puts the keyboard on `row` (drawn as under the pointer), -1 for none.
    // While the menu shows, the up and down arrows (and Tab), Home and End
    // move it; Return, Enter or Space choose it as a click does.
    void setCurrentRow(int row);

    void windowDidLoad() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setupView();
    QWidget* hostWidget() const;
    // A key pressed in the open menu; true when it was the menu's.
    bool menuKey(QKeyEvent* event);

    std::unique_ptr<Ui::PopUpMenuWindow> ui_;
    QPointer<PopUpButton> popUpButton_;
    std::unique_ptr<ZWEventMonitor> monitor_;
    QStringList itemTitles_;
    QList<MenuItemView*> itemViews_;
    QPointer<QWidget> host_;
    QPointer<QWidget> focusBefore_;
    int currentRow_ = -1;
};
