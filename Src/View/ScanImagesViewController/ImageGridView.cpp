#include "ImageGridView.h"

#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>

#include <algorithm>

ImageGridView::ImageGridView(QWidget* parent)
    : QAbstractItemView(parent)
{
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    setFrameShape(QFrame::NoFrame);
}

void ImageGridView::setSectioned(bool sectioned)
{
    sectioned_ = sectioned;
    relayout();
}

void ImageGridView::setItemSize(const QSize& size)
{
    itemSize_ = size.expandedTo(QSize(1, 1));
    relayout();
}

void ImageGridView::setSectionInset(int inset)
{
    inset_ = std::max(0, inset);
    relayout();
}

void ImageGridView::setModel(QAbstractItemModel* model)
{
    QAbstractItemView::setModel(model);
    if (model) {
        connect(model, &QAbstractItemModel::layoutChanged, this, [this] { relayout(); });
        connect(model, &QAbstractItemModel::rowsRemoved, this, [this] { relayout(); });
    }
    relayout();
}

int ImageGridView::sectionCount() const
{
    if (!model()) {
        return 0;
    }
    return sectioned_ ? model()->rowCount(rootIndex()) : 1;
}

QModelIndex ImageGridView::cellIndex(int section, int item) const
{
    if (!model()) {
        return {};
    }
    if (!sectioned_) {
        return model()->index(item, 0, rootIndex());
    }
    return model()->index(item, 0, model()->index(section, 0, rootIndex()));
}

void ImageGridView::relayout()
{
    const int width = std::max(1, viewport()->width() - 2 * inset_);
    // As many cells as fit with the least spacing; the spare width spreads
    // between them.
    columns_ = std::max(1, (width + interitem_) / (itemSize_.width() + interitem_));
    step_ = columns_ > 1 ? itemSize_.width() + (width - columns_ * itemSize_.width()) / (columns_ - 1)
                         : itemSize_.width() + interitem_;
    const int sections = sectionCount();
    sections_.assign(size_t(std::max(0, sections)), Section());
    int y = 0;
    for (int s = 0; s < sections; ++s) {
        Section& section = sections_[size_t(s)];
        section.count = sectioned_ ? model()->rowCount(model()->index(s, 0, rootIndex()))
                                   : model()->rowCount(rootIndex());
        const int rows = (section.count + columns_ - 1) / columns_;
        section.top = y + inset_;
        section.height = 2 * inset_ + (rows > 0 ? rows * itemSize_.height() + (rows - 1) * line_ : 0);
        y += section.height;
    }
    height_ = y;
    updateGeometries();
    viewport()->update();
}

int ImageGridView::contentHeight() const
{
    return height_;
}

QRect ImageGridView::cellRect(int section, int item) const
{
    const Section& s = sections_[size_t(section)];
    const int row = item / columns_;
    const int column = item % columns_;
    return QRect(inset_ + column * step_, s.top + row * (itemSize_.height() + line_), itemSize_.width(),
                 itemSize_.height());
}

int ImageGridView::sectionAt(int contentY) const
{
    // The last section whose block starts at or above the point.
    auto it = std::upper_bound(sections_.begin(), sections_.end(), contentY,
                               [](int y, const Section& s) { return y < s.top - 0; });
    if (it == sections_.begin()) {
        return sections_.empty() ? -1 : 0;
    }
    return int(it - sections_.begin()) - 1;
}

int ImageGridView::verticalOffset() const
{
    return verticalScrollBar()->value();
}

QModelIndex ImageGridView::indexAt(const QPoint& point) const
{
    if (sections_.empty()) {
        return {};
    }
    const int y = point.y() + verticalOffset();
    const int s = sectionAt(y);
    if (s < 0) {
        return {};
    }
    const Section& section = sections_[size_t(s)];
    const int localY = y - section.top;
    if (localY < 0) {
        return {};
    }
    const int row = localY / (itemSize_.height() + line_);
    if (localY - row * (itemSize_.height() + line_) >= itemSize_.height()) {
        return {};
    }
    const int localX = point.x() - inset_;
    if (localX < 0) {
        return {};
    }
    const int column = localX / step_;
    if (column >= columns_ || localX - column * step_ >= itemSize_.width()) {
        return {};
    }
    const int item = row * columns_ + column;
    if (item >= section.count) {
        return {};
    }
    return cellIndex(s, item);
}

QRect ImageGridView::visualRect(const QModelIndex& index) const
{
    if (!index.isValid() || !model()) {
        return {};
    }
    int section = 0;
    if (sectioned_) {
        if (!index.parent().isValid()) {
            return {};
        }
        section = index.parent().row();
    }
    if (section < 0 || size_t(section) >= sections_.size() || index.row() >= sections_[size_t(section)].count) {
        return {};
    }
    return cellRect(section, index.row()).translated(0, -verticalOffset());
}

QModelIndexList ImageGridView::visibleIndexes() const
{
    QModelIndexList list;
    if (sections_.empty()) {
        return list;
    }
    const int top = verticalOffset();
    const int bottom = top + viewport()->height();
    const int rowStep = itemSize_.height() + line_;
    for (int s = std::max(0, sectionAt(top)); s < int(sections_.size()); ++s) {
        const Section& section = sections_[size_t(s)];
        if (section.top - inset_ > bottom) {
            break;
        }
        const int rows = (section.count + columns_ - 1) / columns_;
        const int firstRow = std::max(0, (top - section.top) / rowStep);
        for (int row = firstRow; row < rows; ++row) {
            const int y = section.top + row * rowStep;
            if (y > bottom) {
                break;
            }
            if (y + itemSize_.height() < top) {
                continue;
            }
            for (int c = 0; c < columns_; ++c) {
                const int item = row * columns_ + c;
                if (item >= section.count) {
                    break;
                }
                list.append(cellIndex(s, item));
            }
        }
    }
    return list;
}

void ImageGridView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    painter.setClipRect(event->rect());
    QAbstractItemDelegate* delegate = itemDelegate();
    if (!delegate) {
        return;
    }
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QPoint mouse = viewport()->mapFromGlobal(QCursor::pos());
    const QModelIndex current = hasFocus() ? currentIndex() : QModelIndex();
    for (const QModelIndex& index : visibleIndexes()) {
        option.rect = visualRect(index);
        if (!option.rect.intersects(event->rect())) {
            continue;
        }
        option.state = QStyle::State_Enabled;
        if (option.rect.contains(mouse) && viewport()->underMouse()) {
            option.state |= QStyle::State_MouseOver;
        }
        if (index == current) {
            option.state |= QStyle::State_HasFocus;
        }
        delegate->paint(&painter, option, index);
    }
    painter.end();
    if (afterPaint) {
        afterPaint();
    }
}

void ImageGridView::resizeEvent(QResizeEvent* event)
{
    QAbstractItemView::resizeEvent(event);
    relayout();
}

void ImageGridView::updateGeometries()
{
    QScrollBar* bar = verticalScrollBar();
    const int value = bar->value();
    bar->setSingleStep(std::max(20, itemSize_.height() / 3));
    bar->setPageStep(std::max(1, viewport()->height()));
    bar->setRange(0, std::max(0, height_ - viewport()->height()));
    bar->setValue(std::min(value, bar->maximum()));
    QAbstractItemView::updateGeometries();
}

void ImageGridView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    const QRect rect = visualRect(index);
    if (rect.isEmpty()) {
        return;
    }
    QScrollBar* bar = verticalScrollBar();
    if (hint == PositionAtTop || rect.top() < 0) {
        bar->setValue(bar->value() + rect.top() - inset_);
    } else if (rect.bottom() > viewport()->height()) {
        bar->setValue(bar->value() + rect.bottom() - viewport()->height() + inset_);
    }
}

void ImageGridView::reset()
{
    // A refresh of the same list keeps the place the user scrolled to.
    const int value = verticalScrollBar()->value();
    QAbstractItemView::reset();
    relayout();
    verticalScrollBar()->setValue(std::min(value, verticalScrollBar()->maximum()));
}

void ImageGridView::rowsInserted(const QModelIndex& parent, int start, int end)
{
    QAbstractItemView::rowsInserted(parent, start, end);
    relayout();
}

void ImageGridView::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end)
{
    QAbstractItemView::rowsAboutToBeRemoved(parent, start, end);
}

void ImageGridView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles)
{
    QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
    viewport()->update();
}

QModelIndex ImageGridView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers)
{
    // Sections would need a walk across their rows; no grid of them takes
    // the keyboard.
    if (sectioned_ || sections_.empty() || sections_.front().count == 0) {
        return currentIndex();
    }
    const int count = sections_.front().count;
    const QModelIndex current = currentIndex();
    if (!current.isValid() || current.row() >= count) {
        return cellIndex(0, 0);
    }
    const int row = current.row();
    const int lastLine = (count - 1) / columns_;
    const int pageLines = std::max(1, viewport()->height() / (itemSize_.height() + line_));
    int target = row;
    switch (cursorAction) {
    case MoveLeft:
    case MovePrevious:
        target = row - 1;
        break;
    case MoveRight:
    case MoveNext:
        target = row + 1;
        break;
    case MoveUp:
        target = row - columns_;
        break;
    case MoveDown:
        // From the line above the last, down lands on the last cell when
        // no cell lies straight below.
        target = row / columns_ < lastLine ? std::min(row + columns_, count - 1) : row;
        break;
    case MovePageUp:
        target = std::max(row % columns_, row - pageLines * columns_);
        break;
    case MovePageDown:
        target = row / columns_ < lastLine ? std::min(row + pageLines * columns_, count - 1) : row;
        break;
    case MoveHome:
        target = 0;
        break;
    case MoveEnd:
        target = count - 1;
        break;
    }
    if (target < 0 || target >= count) {
        target = row;
    }
    return cellIndex(0, target);
}
