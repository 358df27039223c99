#pragma once

#include <optional>

#include <QModelIndex>
#include <QObject>
#include <QPointF>
#include <QRect>
#include <QString>

class QAbstractItemView;
class QMouseEvent;
class QPainter;
class RYTableRowViewHost;

// The view of one row of a model/view list: it paints the row's background,
// its selection and whatever else belongs to the whole row beneath the cells,
// and it hears when the mouse enters, moves over and leaves the row and when
// the row's selected state changes.
//
// A row view is not a widget. A RYTableRowViewHost attached to the list asks
// its delegate for one row view per row that shows, places it over that row,
// paints it in the list's viewport and gives it back for reuse when the row
// scrolls away, so a list of any length holds only as many row views as it
// shows (see RYTableRowViewHost.h).
//
// Geometry is in the row's own coordinates: bounds() starts at (0, 0) and
// spans the row; frame() is the row's rectangle in the viewport.
class RYTableRowView : public QObject {
    Q_OBJECT
public:
    explicit RYTableRowView(QObject* parent = nullptr);
    ~RYTableRowView() override;

    // The reuse identifier; the host keeps views given back under it.
    QString identifier() const { return identifier_; }
    void setIdentifier(const QString& identifier) { identifier_ = identifier; }

    // The row shown, -1 when none. The host sets it whenever it places the
    // view; an owner may set it too.
    int row() const { return row_; }
    void setRow(int row) { row_ = row; }

    // The selected state; the host sets it from the list's selection model
    // whenever it changes and when it places the view. Subclasses call the
    // base first.
    bool isSelected() const { return selected_; }
    virtual void setSelected(bool selected);

    // The host that placed this view, and its list; null while the view
    // waits for reuse or was never placed.
    RYTableRowViewHost* host() const;
    QAbstractItemView* tableView() const;
    bool isPlaced() const;
    // Not placed in a row, or its list does not show.
    bool isHidden() const;

    QRect frame() const { return frame_; }
    QRect bounds() const { return QRect(QPoint(0, 0), frame_.size()); }
    // The part of bounds() that lies inside the list's viewport.
    QRect visibleRect() const;
    // The list's columns while placed, else 0.
    int numberOfColumns() const;
    // The model index of the row's first column (invalid when not placed).
    QModelIndex index() const;
    Qt::LayoutDirection userInterfaceLayoutDirection() const;

    // Where the mouse was last seen over the list, in this row's
    // coordinates; none when the mouse is not over the list.
    std::optional<QPointF> mouseLocation() const;

    // Asks for the row to be repainted soon, or at once.
    void setNeedsDisplay();
    void display();

    // Painting, in the row's coordinates and clipped to its bounds. The
    // default drawRect paints the background, then the selection when the
    // row is selected.
    virtual void drawRect(QPainter* painter, const QRectF& dirtyRect);
    // Default: nothing, so the list's own background shows.
    virtual void drawBackgroundInRect(QPainter* painter, const QRectF& dirtyRect);
    // Default: the palette's highlight over the bounds.
    virtual void drawSelectionInRect(QPainter* painter, const QRectF& dirtyRect);

    // Mouse reports from the host; the event is in the viewport's
    // coordinates and may be null when the mouse left the list.
    virtual void mouseEntered(QMouseEvent* event);
    virtual void mouseMoved(QMouseEvent* event);
    virtual void mouseExited(QMouseEvent* event);

protected:
    // Called each time the host puts the view into a row, new or reused,
    // before it sets the row and the selected state.
    virtual void viewDidMoveToSuperview() {}

private:
    friend class RYTableRowViewHost;

    QString identifier_;
    int row_ = -1;
    bool selected_ = false;
    RYTableRowViewHost* host_ = nullptr;
    bool placed_ = false;
    QRect frame_;
};
