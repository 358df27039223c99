#pragma once

#include <QAbstractButton>
#include <QMenu>
#include <QPointer>


// Told which ordering the user picked: 1 by size, 2 by date, 3 by type.
class SortPopButtonDelegate {
public:
    virtual ~SortPopButtonDelegate() = default;
    virtual void sortData(int tag) = 0;
};

// The small chooser of a list's ordering: its title as plain text on white
// with a small arrow, as wide as the title plus 26 (and the ring's room). A
// press opens a light menu of the three orderings just below its
// bottom-left corner; picking one tells the delegate, which sets the new
// title. Tab reaches it, it then shows the focus ring, and Space, Return or
// the down arrow open the menu at the ordering shown, where the arrows go
// and Return picks.
class SortPopButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit SortPopButton(QWidget* parent = nullptr);

    // Non-owning; the owner clears it before it goes away.
    SortPopButtonDelegate* delegate() const { return delegate_; }
    void setDelegate(SortPopButtonDelegate* delegate) { delegate_ = delegate; }

    QString title() const { return text(); }
    // Sets the title and the width that goes with it.
    void setTitle(const QString& title);

    // The menu while it shows, else null.
    QMenu* menu() const { return menu_; }
    // The texts of the three rows for the present locale, in tag order.
    static QStringList rowTitles();
    // The colour of the title and of the menu's rows.
    static QColor rowColor();
    // The width of the button drawn for a title measured `textWidth` wide;
    // the control is `ringRoom` wider on either side, where the focus ring
    // runs clear of the title.
    static int widthForTitleWidth(double textWidth);
    static constexpr int ringRoom = 3;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void showMenu(bool fromKeyboard);
    void menuItemClicked(int tag);
    void fitWidth();

    SortPopButtonDelegate* delegate_ = nullptr;
    QPointer<QMenu> menu_;
};
