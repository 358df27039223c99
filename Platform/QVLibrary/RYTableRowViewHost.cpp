#include "RYTableRowViewHost.h"

#include "RYTableRowView.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QTreeView>

namespace {

// Cells are drawn as if never selected, hovered or focused: the row view
// beneath them draws those states, and the cells keep their own colours.
class RowViewCellStyle final : public QProxyStyle {
public:
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        if (element == PE_PanelItemViewRow || element == PE_PanelItemViewItem) {
            if (const auto* item = qstyleoption_cast<const QStyleOptionViewItem*>(option)) {
                QStyleOptionViewItem plain(*item);
                plain.state &= ~(State_Selected | State_MouseOver | State_HasFocus);
                QProxyStyle::drawPrimitive(element, &plain, painter, widget);
                return;
            }
        }
        if (element == PE_FrameFocusRect && qobject_cast<const QAbstractItemView*>(widget)) {
            return;
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        if (element == CE_ItemViewItem) {
            if (const auto* item = qstyleoption_cast<const QStyleOptionViewItem*>(option)) {
                QStyleOptionViewItem plain(*item);
                plain.state &= ~(State_Selected | State_MouseOver | State_HasFocus);
                QProxyStyle::drawControl(element, &plain, painter, widget);
                return;
            }
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

}  // namespace

RYTableRowViewHost::RYTableRowViewHost(QAbstractItemView* view, RYTableRowViewDelegate* delegate)
    : QObject(view)
    , view_(view)
    , delegate_(delegate)
{
    Q_ASSERT(view);
    table_ = qobject_cast<QTableView*>(view);
    tree_ = qobject_cast<QTreeView*>(view);
    kind_ = table_ ? Kind::table : (tree_ ? Kind::tree : Kind::list);

    cellStyle_ = new RowViewCellStyle;
    cellStyle_->setParent(this);
    view->setStyle(cellStyle_);

    view->setMouseTracking(true);
    view->viewport()->setMouseTracking(true);
    viewport_ = view->viewport();
    viewport_->installEventFilter(this);

    for (QScrollBar* bar : {view->verticalScrollBar(), view->horizontalScrollBar()}) {
        connect(bar, &QScrollBar::valueChanged, this, [this] {
            // A list scrolled under a resting mouse: the mouse is now over
            // another row.
            if (mouse_ && !painting_) {
                layoutRowViews();
                updateHover(rowAtPoint(mouse_->toPoint()), nullptr);
            }
        });
    }
    if (tree_) {
        connect(tree_, &QTreeView::expanded, this, &RYTableRowViewHost::modelStructureChanged);
        connect(tree_, &QTreeView::collapsed, this, &RYTableRowViewHost::modelStructureChanged);
    }
    bindModel();
}

RYTableRowViewHost::~RYTableRowViewHost()
{
    // The views go before the bookkeeping they would update on the way out.
    const QList<RYTableRowView*> views = findChildren<RYTableRowView*>(Qt::FindDirectChildrenOnly);
    for (RYTableRowView* rowView : views) {
        disconnect(rowView, nullptr, this, nullptr);
        delete rowView;
    }
    // The view may be on its way out (the host is its child), so it is not
    // touched here; its event filter goes with the host.
    unbindModel();
}

RYTableRowViewHost* RYTableRowViewHost::hostOf(const QAbstractItemView* view)
{
    if (!view) {
        return nullptr;
    }
    return view->findChild<RYTableRowViewHost*>(QString(), Qt::FindDirectChildrenOnly);
}

void RYTableRowViewHost::setDelegate(RYTableRowViewDelegate* delegate)
{
    delegate_ = delegate;
    reloadData();
}

void RYTableRowViewHost::bindModel()
{
    unbindModel();
    if (!view_) {
        return;
    }
    model_ = view_->model();
    selectionModel_ = view_->selectionModel();
    if (model_) {
        QAbstractItemModel* model = model_;
        const auto changed = [this] { modelStructureChanged(); };
        modelConnections_ = {
            connect(model, &QAbstractItemModel::modelReset, this, changed),
            connect(model, &QAbstractItemModel::layoutChanged, this, changed),
            connect(model, &QAbstractItemModel::rowsInserted, this, changed),
            connect(model, &QAbstractItemModel::rowsRemoved, this, changed),
            connect(model, &QAbstractItemModel::rowsMoved, this, changed),
            connect(model, &QAbstractItemModel::columnsInserted, this, changed),
            connect(model, &QAbstractItemModel::columnsRemoved, this, changed),
        };
    }
    if (selectionModel_) {
        selectionConnection_ = connect(selectionModel_, &QItemSelectionModel::selectionChanged, this,
                                       &RYTableRowViewHost::selectionChanged);
    }
    treeRowsDirty_ = true;
}

void RYTableRowViewHost::unbindModel()
{
    for (const QMetaObject::Connection& connection : std::as_const(modelConnections_)) {
        disconnect(connection);
    }
    modelConnections_.clear();
    disconnect(selectionConnection_);
    model_ = nullptr;
    selectionModel_ = nullptr;
}

void RYTableRowViewHost::modelStructureChanged()
{
    treeRowsDirty_ = true;
    reloadData();
}

void RYTableRowViewHost::selectionChanged()
{
    for (RYTableRowView* rowView : visibleRowViews()) {
        const bool selected = isRowSelected(rowView->row_);
        if (selected != rowView->isSelected()) {
            rowView->setSelected(selected);
        }
    }
}

void RYTableRowViewHost::reloadData()
{
    const QList<RYTableRowView*> views = placed_.values();
    for (RYTableRowView* rowView : views) {
        enqueue(rowView);
    }
    if (view_) {
        view_->viewport()->update();
    }
}

RYTableRowView* RYTableRowViewHost::makeRowView(const QString& identifier)
{
    auto it = pool_.find(identifier);
    if (it == pool_.end() || it->isEmpty()) {
        return nullptr;
    }
    return it->takeLast();
}

int RYTableRowViewHost::rowViewCount() const
{
    int count = 0;
    for (QObject* child : children()) {
        if (qobject_cast<RYTableRowView*>(child)) {
            ++count;
        }
    }
    return count;
}

QList<RYTableRowView*> RYTableRowViewHost::visibleRowViews() const
{
    QList<int> rows = placed_.keys();
    std::sort(rows.begin(), rows.end());
    QList<RYTableRowView*> views;
    views.reserve(rows.size());
    for (int row : rows) {
        views.append(placed_.value(row));
    }
    return views;
}

RYTableRowView* RYTableRowViewHost::rowViewAtRow(int row, bool makeIfNecessary)
{
    if (makeIfNecessary) {
        layoutRowViews();
    }
    return placed_.value(row, nullptr);
}

// ---- rows ------------------------------------------------------------------

void RYTableRowViewHost::rebuildTreeRows() const
{
    if (!treeRowsDirty_) {
        return;
    }
    treeRowsDirty_ = false;
    treeRows_.clear();
    treeRowOf_.clear();
    if (!tree_ || !tree_->model()) {
        return;
    }
    const QAbstractItemModel* model = tree_->model();
    // Depth first, children of expanded items only, as the tree shows them.
    std::vector<QModelIndex> stack;
    const QModelIndex root = tree_->rootIndex();
    for (int r = model->rowCount(root) - 1; r >= 0; --r) {
        stack.push_back(model->index(r, 0, root));
    }
    while (!stack.empty()) {
        const QModelIndex index = stack.back();
        stack.pop_back();
        if (tree_->isRowHidden(index.row(), index.parent())) {
            continue;
        }
        treeRowOf_.insert(index, int(treeRows_.size()));
        treeRows_.push_back(index);
        if (tree_->isExpanded(index)) {
            for (int r = model->rowCount(index) - 1; r >= 0; --r) {
                stack.push_back(model->index(r, 0, index));
            }
        }
    }
}

int RYTableRowViewHost::numberOfRows() const
{
    if (!view_ || !view_->model()) {
        return 0;
    }
    if (kind_ == Kind::tree) {
        rebuildTreeRows();
        return int(treeRows_.size());
    }
    return view_->model()->rowCount(view_->rootIndex());
}

int RYTableRowViewHost::numberOfColumns() const
{
    if (!view_ || !view_->model()) {
        return 0;
    }
    return view_->model()->columnCount(view_->rootIndex());
}

QModelIndex RYTableRowViewHost::indexForRow(int row) const
{
    if (!view_ || !view_->model() || row < 0) {
        return {};
    }
    if (kind_ == Kind::tree) {
        rebuildTreeRows();
        return row < int(treeRows_.size()) ? treeRows_[size_t(row)] : QModelIndex();
    }
    return view_->model()->index(row, 0, view_->rootIndex());
}

int RYTableRowViewHost::rowForIndex(const QModelIndex& index) const
{
    if (!index.isValid() || !view_) {
        return -1;
    }
    if (kind_ == Kind::tree) {
        rebuildTreeRows();
        return treeRowOf_.value(index.siblingAtColumn(0), -1);
    }
    return index.parent() == view_->rootIndex() ? index.row() : -1;
}

QRect RYTableRowViewHost::rowRect(int row, const QModelIndex& index) const
{
    if (!view_) {
        return {};
    }
    const QWidget* viewport = view_->viewport();
    int top = 0;
    int height = 0;
    int headerLength = 0;
    if (table_) {
        top = table_->rowViewportPosition(row);
        height = table_->rowHeight(row);
        headerLength = table_->horizontalHeader()->length();
    } else {
        const QRect rect = view_->visualRect(index);
        top = rect.top();
        height = rect.height();
        headerLength = tree_ ? tree_->header()->length() : 0;
    }
    if (height <= 0) {
        return {};
    }
    const int offset = table_ ? table_->horizontalHeader()->offset() : (tree_ ? tree_->header()->offset() : 0);
    const int left = -offset;
    const int width = qMax(viewport->width() - left, headerLength);
    return QRect(left, top, width, height);
}

QRect RYTableRowViewHost::rectOfRow(int row) const
{
    if (row < 0 || row >= numberOfRows()) {
        return {};
    }
    return rowRect(row, indexForRow(row));
}

int RYTableRowViewHost::rowAtPoint(const QPoint& point) const
{
    if (!view_ || !view_->model() || !view_->viewport()->rect().contains(point)) {
        return -1;
    }
    if (table_) {
        const int row = table_->rowAt(point.y());
        return row >= 0 && !table_->isRowHidden(row) ? row : -1;
    }
    // The row view spans the row; any column of it counts.
    QModelIndex index = view_->indexAt(QPoint(0, point.y()));
    if (!index.isValid()) {
        index = view_->indexAt(point);
    }
    return rowForIndex(index);
}

std::vector<RYTableRowViewHost::Visible> RYTableRowViewHost::visibleRows() const
{
    std::vector<Visible> rows;
    if (!view_ || !view_->model() || !view_->isVisible()) {
        return rows;
    }
    const int height = view_->viewport()->height();
    const int count = numberOfRows();
    if (count == 0 || height <= 0) {
        return rows;
    }
    if (table_) {
        const QHeaderView* header = table_->verticalHeader();
        int first = header->visualIndexAt(0);
        if (first < 0) {
            return rows;
        }
        int last = header->visualIndexAt(height - 1);
        if (last < 0) {
            last = header->count() - 1;
        }
        for (int visual = first; visual <= last; ++visual) {
            const int row = header->logicalIndex(visual);
            if (row < 0 || row >= count || table_->isRowHidden(row)) {
                continue;
            }
            const QRect rect = rowRect(row, {});
            if (rect.isValid()) {
                rows.push_back({row, rect});
            }
        }
        return rows;
    }
    int row = rowAtPoint(QPoint(0, 0));
    if (row < 0) {
        row = rowAtPoint(QPoint(view_->viewport()->width() / 2, 0));
    }
    if (row < 0) {
        // Nothing at the top edge (a short list scrolled by a margin): the
        // first row that lies in sight.
        row = 0;
    }
    for (; row < count; ++row) {
        const QRect rect = rowRect(row, indexForRow(row));
        if (!rect.isValid()) {
            continue;
        }
        if (rect.top() >= height) {
            break;
        }
        if (rect.bottom() >= 0) {
            rows.push_back({row, rect});
        }
    }
    return rows;
}

bool RYTableRowViewHost::isRowSelected(int row) const
{
    const QItemSelectionModel* selection = view_ ? view_->selectionModel() : nullptr;
    const QModelIndex index = indexForRow(row);
    return selection && index.isValid() && selection->rowIntersectsSelection(index.row(), index.parent());
}

// ---- placing views ---------------------------------------------------------

void RYTableRowViewHost::layoutRowViews()
{
    if (!view_ || layingOut_) {
        return;
    }
    if (model_ != view_->model() || selectionModel_ != view_->selectionModel()) {
        bindModel();
        reloadData();
    }
    layingOut_ = true;
    const std::vector<Visible> rows = visibleRows();
    QHash<int, QRect> wanted;
    wanted.reserve(qsizetype(rows.size()));
    for (const Visible& visible : rows) {
        wanted.insert(visible.row, visible.rect);
    }
    // Rows that scrolled away give their views back first, so the rows that
    // came into sight can reuse them.
    const QList<int> placedRows = placed_.keys();
    for (int row : placedRows) {
        if (!wanted.contains(row)) {
            enqueue(placed_.value(row));
        }
    }
    for (const Visible& visible : rows) {
        RYTableRowView* rowView = placed_.value(visible.row, nullptr);
        if (!rowView) {
            if (!delegate_) {
                continue;
            }
            rowView = adopt(delegate_->rowViewForRow(this, visible.row), visible.row);
            if (!rowView) {
                continue;
            }
        }
        place(rowView, visible.row, visible.rect);
    }
    layingOut_ = false;
}

RYTableRowView* RYTableRowViewHost::adopt(RYTableRowView* rowView, int row)
{
    if (!rowView) {
        return nullptr;
    }
    if (rowView->host_ != this) {
        ++made_;
        rowView->host_ = this;
        rowView->placed_ = false;
        connect(rowView, &QObject::destroyed, this, [this](QObject* object) {
            forget(static_cast<RYTableRowView*>(object));
        });
    }
    if (rowView->parent() != this) {
        rowView->setParent(this);
    }
    // A view the delegate took out of the pool, or one it hands out twice.
    for (auto it = pool_.begin(); it != pool_.end(); ++it) {
        it->removeAll(rowView);
    }
    if (rowView->placed_ && rowView->row_ != row && placed_.value(rowView->row_) == rowView) {
        placed_.remove(rowView->row_);
        rowView->placed_ = false;
    }
    return rowView;
}

void RYTableRowViewHost::place(RYTableRowView* rowView, int row, const QRect& rect)
{
    const bool arriving = !rowView->placed_ || placed_.value(row) != rowView;
    if (arriving) {
        // A view that held another row clears its mouse state when it moves in.
        rowView->placed_ = true;
        placed_.insert(row, rowView);
        rowView->frame_ = rect;
        rowView->viewDidMoveToSuperview();
        rowView->row_ = row;
        const bool selected = isRowSelected(row);
        if (selected != rowView->isSelected()) {
            rowView->setSelected(selected);
        }
        return;
    }
    rowView->frame_ = rect;
}

void RYTableRowViewHost::enqueue(RYTableRowView* rowView)
{
    if (!rowView) {
        return;
    }
    if (rowView == hoveredView_) {
        // The row leaves under the mouse: it hears the mouse go first.
        hoveredView_ = nullptr;
        hoveredRow_ = -1;
        QMouseEvent* none = nullptr;
        rowView->mouseExited(none);
    }
    if (placed_.value(rowView->row_) == rowView) {
        placed_.remove(rowView->row_);
    }
    rowView->placed_ = false;
    pool_[rowView->identifier()].append(rowView);
}

void RYTableRowViewHost::forget(RYTableRowView* rowView)
{
    for (auto it = placed_.begin(); it != placed_.end();) {
        it = it.value() == rowView ? placed_.erase(it) : std::next(it);
    }
    for (auto it = pool_.begin(); it != pool_.end(); ++it) {
        it->removeAll(rowView);
    }
}

// ---- painting and the mouse ------------------------------------------------

void RYTableRowViewHost::setNeedsDisplay(RYTableRowView* rowView)
{
    if (view_ && rowView->placed_ && !layingOut_) {
        view_->viewport()->update(rowView->frame_);
    }
}

void RYTableRowViewHost::display(RYTableRowView* rowView)
{
    if (!view_ || !rowView->placed_ || layingOut_) {
        return;
    }
    if (painting_ || !view_->isVisible()) {
        view_->viewport()->update(rowView->frame_);
    } else {
        view_->viewport()->repaint(rowView->frame_);
    }
}

void RYTableRowViewHost::paintRows(QPaintEvent* event)
{
    painting_ = true;
    layoutRowViews();
    QPainter painter(view_->viewport());
    for (RYTableRowView* rowView : visibleRowViews()) {
        const QRect frame = rowView->frame_;
        if (!event->region().intersects(frame)) {
            continue;
        }
        const QRectF dirty = QRectF(event->rect().intersected(frame).translated(-frame.topLeft()));
        painter.save();
        painter.translate(frame.topLeft());
        painter.setClipRect(dirty);
        rowView->drawRect(&painter, dirty);
        painter.restore();
    }
    painting_ = false;
}

void RYTableRowViewHost::mouseMoved(QMouseEvent* event)
{
    mouse_ = event->position();
    layoutRowViews();
    updateHover(rowAtPoint(event->position().toPoint()), event);
}

void RYTableRowViewHost::updateHover(int row, QMouseEvent* event)
{
    if (row == hoveredRow_) {
        if (event && hoveredView_ && hoveredView_->placed_ && hoveredView_->row_ == row) {
            hoveredView_->mouseMoved(event);
        }
        return;
    }
    if (hoveredView_ && hoveredView_->placed_ && hoveredView_->row_ == hoveredRow_) {
        hoveredView_->mouseExited(event);
    }
    hoveredView_ = nullptr;
    hoveredRow_ = row;
    if (row >= 0) {
        hoveredView_ = placed_.value(row, nullptr);
        if (hoveredView_) {
            hoveredView_->mouseEntered(event);
        }
    }
}

void RYTableRowViewHost::mouseLeft()
{
    mouse_.reset();
    RYTableRowView* rowView = hoveredView_;
    const int row = hoveredRow_;
    hoveredView_ = nullptr;
    hoveredRow_ = -1;
    if (rowView && rowView->placed_ && rowView->row_ == row) {
        QMouseEvent* none = nullptr;
        rowView->mouseExited(none);
    }
}

bool RYTableRowViewHost::eventFilter(QObject* watched, QEvent* event)
{
    // A hidden viewport may belong to a list on its way out: leave it be.
    if (watched != viewport_ || !viewport_->isVisible()) {
        return false;
    }
    switch (event->type()) {
    case QEvent::Paint:
        // Row views go under the cells: paint them, then let the list paint.
        paintRows(static_cast<QPaintEvent*>(event));
        break;
    case QEvent::MouseMove:
        mouseMoved(static_cast<QMouseEvent*>(event));
        break;
    case QEvent::Leave:
        mouseLeft();
        break;
    default:
        break;
    }
    return false;
}
