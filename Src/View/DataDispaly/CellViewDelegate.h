#pragma once

#include <QHash>
#include <QImage>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QStyledItemDelegate>

class CellViewDelegate;
class QAbstractButton;
class QAbstractItemView;

// Who fills the cells of a list: the panel. It answers as a table's "view
// for row" would: take the cell kept under an identifier with
// delegate->makeView(identifier), or create one, set it up once and hand it
// to delegate->registerView(cell, identifier); then fill it for the index.
class CellViewProvider {
public:
    virtual ~CellViewProvider() = default;
    // The filled cell of `index`, or null to leave the row empty.
    virtual QWidget* cellViewForIndex(CellViewDelegate* delegate, const QModelIndex& index) = 0;
    // The height of the row of `index`.
    virtual int heightOfRow(const QModelIndex& index) const = 0;
};

// Paints a list's cells with cell widgets made from their layouts, one widget
// per identifier, filled anew for every row it paints: a list of any length
// holds only these few widgets. The buttons and check boxes inside a cell
// still work: a click on one is carried to that control of the cell filled
// for the row (which runs the cell's own action), and it does not select the
// row; the mouse over a button shows its hover look; the tool tip of the
// control or label under the mouse shows. Everything else in the row goes to
// the list as usual.
class CellViewDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    CellViewDelegate(QAbstractItemView* view, CellViewProvider* provider);

    // A cell whose property of this name holds a number is painted at that
    // opacity (its "alpha value").
    static constexpr const char* alphaProperty = "alphaValue";
    ~CellViewDelegate() override;

    QAbstractItemView* view() const { return view_; }
    // The provider is not owned; its owner clears it before it goes away.
    void setProvider(CellViewProvider* provider) { provider_ = provider; }

    // The cell kept under `identifier`, or null when none was registered.
    QWidget* makeView(const QString& identifier) const;
    // Keeps `cell` under `identifier`; the delegate owns it from now on.
    void registerView(QWidget* cell, const QString& identifier);

    // The cell filled for `index` and laid out at its row's size; null when
    // the row has no cell. Valid until the next row is filled.
    QWidget* cellForIndex(const QModelIndex& index);
    // Where `control` of the cell filled for `index` lies in the viewport.
    QRect controlRect(const QModelIndex& index, QWidget* control);
    // Clicks the button named `name` in the cell filled for `index`, as a
    // click on it in the row does; false when the row shows no such button
    // that can be used.
    bool clickControl(const QModelIndex& index, const QString& name);

    // Paints on a surface that stays white in the dark appearance too, so
    // the cells take the light values of their colours.
    void setFixedLightSurface(bool fixed) { fixedLightSurface_ = fixed; }
    bool fixedLightSurface() const { return fixedLightSurface_; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* fill(const QModelIndex& index, const QRect& rect) const;
    // The enabled button under `pos` (viewport coordinates) in the cell
    // filled for `index`, with the cell laid out at `rect`.
    QAbstractButton* buttonAt(const QModelIndex& index, const QRect& rect, const QPoint& pos) const;
    QRect rowRect(const QModelIndex& index) const;
    void updateIndex(const QModelIndex& index);
    void setHover(const QModelIndex& index, QAbstractButton* button);

    QPointer<QAbstractItemView> view_;
    QPointer<QWidget> viewport_;
    CellViewProvider* provider_ = nullptr;
    QHash<QString, QWidget*> cells_;
    // Where a cell is rendered before it is drawn into the row.
    mutable QImage buffer_;
    bool fixedLightSurface_ = true;

    // The button pressed and the row it was pressed in.
    QPersistentModelIndex pressedIndex_;
    QPointer<QAbstractButton> pressedButton_;
    // The button under the mouse and its row.
    QPersistentModelIndex hoverIndex_;
    QPointer<QAbstractButton> hoverButton_;
};
