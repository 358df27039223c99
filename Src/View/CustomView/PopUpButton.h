#pragma once

#include <functional>

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include "IconView.h"
#include "TruncatingLabel.h"

class PopUpButton;
class PopUpMenuWindow;

enum class PopUpPosition { bottom, top };

// A view filled with a rounded colour while the mouse is over it.
class KPLHoverFillView : public QWidget {
    Q_OBJECT
public:
    explicit KPLHoverFillView(QWidget* parent = nullptr);

    bool isHovered() const { return hovered_; }

protected:
    virtual QColor hoverFillColor() const = 0;
    // After the hover state changed.
    virtual void hoverChanged(bool hovered) = 0;
    // Also from the keyboard: the look the pointer gives.
    void setHovered(bool hovered);

    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool hovered_ = false;
};

// Told when the user picks an item of a PopUpButton (also when the owner
// selects an item by title).
class PopUpButtonDelegate {
public:
    virtual ~PopUpButtonDelegate() = default;
    // The button's selectedIndex and shown title are already those of the
    // item when this is called.
    virtual void popupButtonSelect(PopUpButton* button, const QString& title) = 0;
};

// A flat pop-up control: the chosen title, right-aligned and shortened in
// the middle, with a small arrow at the right end. A click opens a rounded
// white menu (PopUpMenuWindow) just below the button, right edges aligned,
// or above it when it does not fit below; choosing a row closes the menu,
// shows that title, tells the delegate and fits the button's width to the
// title (title width + 38, at most 550). A left click anywhere else in the
// program, a second click on the button or Escape closes the menu.
//
// Whether the button reacts is its enabled state (QWidget::setEnabled); its
// title colour and arrow stay as the owner sets them.
//
// Tab reaches it, and it draws the program's focus ring while it has the
// focus; Space, Return and the down arrow open the menu, which the arrows
// and Return then drive as a menu is driven.
class PopUpButton : public KPLHoverFillView {
    Q_OBJECT
public:
    explicit PopUpButton(QWidget* parent = nullptr);
    ~PopUpButton() override;

    // The current menu controller; replaced by a fresh one whenever the
    // items, a title or the width change.
    PopUpMenuWindow* menuWindow() const { return menuWindow_; }

    // Non-owning; the owner clears it before it goes away.
    PopUpButtonDelegate* delegate() const { return delegate_; }
    void setDelegate(PopUpButtonDelegate* delegate) { delegate_ = delegate; }

    // Kept for the owner; the menu is always placed as described above.
    PopUpPosition position() const { return position_; }
    void setPosition(PopUpPosition position) { position_ = position; }

    IconView* iconView() const { return iconView_; }
    // The field that shows the chosen title; owners may set its text, tool
    // tip and colour.
    TruncatingLabel* selectedTitle() const { return selectedTitle_; }
    int selectedIndex() const { return selectedIndex_; }
    void setSelectedIndex(int index) { selectedIndex_ = index; }
    // A folder path the owning screens keep here; the button never reads it.
    QString removePath() const { return removePath_; }
    void setRemovePath(const QString& path) { removePath_ = path; }

    // The menu's titles.
    QStringList itemTitles() const;

    void addItem(const QString& title);
    // Appends the titles (callers pass at least one) and shows the first.
    void addItems(const QStringList& titles);
    // Renames one item, then fits the width.
    void updateIndexTitle(int index, const QString& title);
    // Makes a fresh menu controller and fits the width to the title.
    void updatePopUpButtonWidth();
    // Records the index, checks that row and fits the width to its title;
    // the delegate is not told.
    void selectItemAt(int index);
    // Selects by title and always tells the delegate.
    void selectItemAtTitle(const QString& title);
    void closePopupWindow();
    // Opens the menu, or closes it when it is open.
    void showPopupWindow();
    bool isPopupWindowOpen() const;

    // The width the button takes for a title measured `textWidth` wide.
    static int widthForTitleWidth(double textWidth);

    QSize sizeHint() const override;

protected:
    QColor hoverFillColor() const override;
    void hoverChanged(bool hovered) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void setupView();
    // The width rule above, for the title shown now.
    void fitWidthToTitle();

    PopUpMenuWindow* menuWindow_ = nullptr;
    PopUpButtonDelegate* delegate_ = nullptr;
    PopUpPosition position_ = PopUpPosition::bottom;
    IconView* iconView_ = nullptr;
    TruncatingLabel* selectedTitle_ = nullptr;
    int selectedIndex_ = 0;
    QString removePath_;
};

// One row of the pop-up menu: a check mark and a title. The row under the
// mouse is filled blue with a white title.
class MenuItemView : public KPLHoverFillView {
    Q_OBJECT
public:
    explicit MenuItemView(QWidget* parent = nullptr);

    // Called with the row's title when the row is clicked.
    std::function<void(const QString&)> clickedBlock() const { return clickedBlock_; }
    void setClickedBlock(std::function<void(const QString&)> block) { clickedBlock_ = std::move(block); }
    TruncatingLabel* title() const { return title_; }
    IconView* iconView() const { return iconView_; }
    bool selected() const { return selected_; }
    void setSelected(bool selected) { selected_ = selected; }

    static QColor hoverColor();
    // The row the keyboard is on, drawn as the row under the pointer.
    void setCurrent(bool current) { setHovered(current); }

protected:
    QColor hoverFillColor() const override { return hoverColor(); }
    void hoverChanged(bool hovered) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void setUpView();

    std::function<void(const QString&)> clickedBlock_;
    TruncatingLabel* title_ = nullptr;
    IconView* iconView_ = nullptr;
    bool selected_ = false;
};
