#pragma once

#include <optional>
#include <vector>

#include <QHash>
#include <QList>
#include <QMetaObject>
#include <QModelIndex>
#include <QObject>
#include <QPointer>
#include <QPointF>
#include <QRect>

class QAbstractItemModel;
class QAbstractItemView;
class QItemSelectionModel;
class QMouseEvent;
class QPaintEvent;
class QProxyStyle;
class QTableView;
class QTreeView;
class RYTableRowView;
class RYTableRowViewHost;

// Who supplies the row views of a list.
class RYTableRowViewDelegate {
public:
    virtual ~RYTableRowViewDelegate() = default;

    // The row view for `row`. Take a view given back earlier with
    // host->makeRowView(identifier) and, when there is none, create one and
    // give it that identifier; set it up as a new one needs. Return null for
    // a row that needs no row view. The host owns every view returned.
    virtual RYTableRowView* rowViewForRow(RYTableRowViewHost* host, int row) = 0;
};

// Row views for any item view: a RYTableView or QTableView, a QTreeView
// (rows are the visible rows from the top, expanded children included) or
// a QListView.
//
// How a list gets its row views:
//   auto* host = new RYTableRowViewHost(view, delegate);  // owned by the view
// Whenever the list paints, the host works out which rows show. A row that
// shows and has no view yet gets one from delegate->rowViewForRow(host, row),
// which reuses a view by identifier through host->makeRowView(identifier):
//
//   RYTableRowView* Panel::rowViewForRow(RYTableRowViewHost* host, int row)
//   {
//       const QString id = QStringLiteral("KPLLeftDataTableRowView");
//       auto* view = static_cast<KPLLeftDataTableRowView*>(host->makeRowView(id));
//       if (!view) {
//           view = new KPLLeftDataTableRowView;
//           view->setIdentifier(id);
//           ... colours, insets, radius, view->setDelegate(this) ...
//       }
//       view->setRow(row);
//       return view;
//   }
//
// A row that scrolls away gives its view back, so only as many views exist
// as rows show (plus the odd one at the edges). The host then places the
// view: it sets its row and its selected state, paints it under the cells,
// forwards the mouse entering, moving over and leaving each row, and tells
// it when the selection model changes its row's state. A model reset,
// insertion, removal or layout change gives every view back; the next paint
// asks again.
//
// The host also puts a style on the list that draws cells without the
// selection, hover and focus fills, so the row view alone shows those
// states and the cells keep their own colours on top. A painting delegate
// that reads the option's state still sees nothing selected; it asks the
// row view (rowViewAtRow) or the selection model when it needs to know.
class RYTableRowViewHost : public QObject {
    Q_OBJECT
public:
    // The host becomes a child of the view. The delegate is not owned; its
    // owner clears it (setDelegate(nullptr)) before it goes away.
    explicit RYTableRowViewHost(QAbstractItemView* view, RYTableRowViewDelegate* delegate = nullptr);
    ~RYTableRowViewHost() override;

    // The host attached to a view, or null.
    static RYTableRowViewHost* hostOf(const QAbstractItemView* view);

    QAbstractItemView* view() const { return view_; }
    RYTableRowViewDelegate* delegate() const { return delegate_; }
    void setDelegate(RYTableRowViewDelegate* delegate);

    // A view given back under `identifier`, or null.
    RYTableRowView* makeRowView(const QString& identifier);
    // The view placed at `row`; with makeIfNecessary a row that shows gets
    // one from the delegate. Null for a row that does not show.
    RYTableRowView* rowViewAtRow(int row, bool makeIfNecessary);
    // Placed views, in row order.
    QList<RYTableRowView*> visibleRowViews() const;

    // Rows as the host counts them, and their place in the viewport.
    int numberOfRows() const;
    int numberOfColumns() const;
    int rowAtPoint(const QPoint& viewportPoint) const;
    QRect rectOfRow(int row) const;
    QModelIndex indexForRow(int row) const;
    int rowForIndex(const QModelIndex& index) const;

    // Gives every view back for reuse; the next paint places them again.
    void reloadData();
    // Places the views of the rows that show now (the host does it itself
    // before it paints).
    void layoutRowViews();

    // How many views the delegate made, how many the host holds now (placed
    // and waiting), and how many are placed.
    int rowViewsMade() const { return made_; }
    int rowViewCount() const;
    int placedRowViewCount() const { return int(placed_.size()); }

    // The row under the mouse as the host last saw it, -1 when none, and the
    // mouse's place in the viewport.
    int hoveredRow() const { return hoveredRow_; }
    std::optional<QPointF> mousePosition() const { return mouse_; }

    // Row views ask for their own repaint through these.
    void setNeedsDisplay(RYTableRowView* rowView);
    void display(RYTableRowView* rowView);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Kind { table, tree, list };

    struct Visible {
        int row;
        QRect rect;
    };

    void bindModel();
    void unbindModel();
    void modelStructureChanged();
    void selectionChanged();
    void rebuildTreeRows() const;
    std::vector<Visible> visibleRows() const;
    QRect rowRect(int row, const QModelIndex& index) const;
    bool isRowSelected(int row) const;
    void place(RYTableRowView* rowView, int row, const QRect& rect);
    void enqueue(RYTableRowView* rowView);
    RYTableRowView* adopt(RYTableRowView* rowView, int row);
    void forget(RYTableRowView* rowView);
    void paintRows(QPaintEvent* event);
    void mouseMoved(QMouseEvent* event);
    void updateHover(int row, QMouseEvent* event);
    void mouseLeft();

    QPointer<QAbstractItemView> view_;
    QPointer<QWidget> viewport_;
    QTableView* table_ = nullptr;
    QTreeView* tree_ = nullptr;
    Kind kind_ = Kind::list;
    RYTableRowViewDelegate* delegate_ = nullptr;
    QProxyStyle* cellStyle_ = nullptr;

    QPointer<QAbstractItemModel> model_;
    QPointer<QItemSelectionModel> selectionModel_;
    QList<QMetaObject::Connection> modelConnections_;
    QMetaObject::Connection selectionConnection_;

    // Placed views by row, and views waiting for reuse by identifier.
    QHash<int, RYTableRowView*> placed_;
    QHash<QString, QList<RYTableRowView*>> pool_;
    int made_ = 0;

    // The visible rows of a tree, from the top, and their row numbers.
    mutable bool treeRowsDirty_ = true;
    mutable std::vector<QModelIndex> treeRows_;
    mutable QHash<QModelIndex, int> treeRowOf_;

    int hoveredRow_ = -1;
    QPointer<RYTableRowView> hoveredView_;
    std::optional<QPointF> mouse_;
    bool painting_ = false;
    bool layingOut_ = false;
};
