#include "RYListView.h"

#include "RYTFocusRing.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QtMath>

RYListViewCell::RYListViewCell(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_Hover);
}

void RYListViewCell::setSelected(bool selected)
{
    selected_ = selected;
    update();
}

void RYListViewCell::setHighlighted(bool highlighted)
{
    highlighted_ = highlighted;
    update();
}

void RYListViewCell::setSelectedColor(const QColor& color)
{
    selectedColor_ = color;
    update();
}

void RYListViewCell::setHighlightedColor(const QColor& color)
{
    highlightedColor_ = color;
    update();
}

void RYListViewCell::setBackgroundColor(const QColor& color)
{
    backgroundColor_ = color;
    update();
}

void RYListViewCell::paintEvent(QPaintEvent*)
{
    QColor color = backgroundColor_;
    if (selected_ && selectedColor_.isValid()) {
        color = selectedColor_;
    } else if (highlighted_ && highlightedColor_.isValid()) {
        color = highlightedColor_;
    }
    if (color.isValid()) {
        QPainter(this).fillRect(rect(), color);
    }
}

void RYListViewCell::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && list_) {
        list_->cellPressed(this);
    }
    QWidget::mousePressEvent(event);
}

void RYListViewCell::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && list_) {
        list_->cellDoubleClicked(this);
    }
    QWidget::mouseDoubleClickEvent(event);
}

void RYListViewCell::enterEvent(QEnterEvent* event)
{
    if (list_ && list_->allowsHighlight()) {
        setHighlighted(true);
    }
    QWidget::enterEvent(event);
}

void RYListViewCell::leaveEvent(QEvent* event)
{
    if (highlighted_) {
        setHighlighted(false);
    }
    QWidget::leaveEvent(event);
}

RYListView::RYListView(QWidget* parent)
    : QScrollArea(parent)
{
    content_ = new QWidget;
    setWidget(content_);
    setWidgetResizable(false);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RYTFocusRing::attach(this, 0.0);
}

void RYListView::setMinimumInteritemSpacing(double spacing)
{
    spacing_ = spacing < 0.0 ? 0.0 : spacing;
}

void RYListView::registerFactory(const QString& identifier, std::function<RYListViewCell*()> factory)
{
    factories_.insert(identifier, std::move(factory));
}

RYListViewCell* RYListView::dequeueReusableCell(const QString& identifier, int index)
{
    RYListViewCell* cell = nullptr;
    auto pool = reusable_.find(identifier);
    if (pool != reusable_.end() && !pool->isEmpty()) {
        cell = pool->takeLast();
    } else {
        const auto factory = factories_.constFind(identifier);
        if (factory == factories_.constEnd() || !*factory) {
            return nullptr;
        }
        cell = (*factory)();
        if (!cell) {
            return nullptr;
        }
        cell->setParent(content_);
    }
    cell->list_ = this;
    cell->reuseIdentifier_ = identifier;
    cell->index_ = index;
    cell->setHighlighted(false);
    return cell;
}

void RYListView::reloadData()
{
    for (RYListViewCell* cell : std::as_const(cells_)) {
        cell->hide();
        cell->index_ = -1;
        reusable_[cell->reuseIdentifier_].append(cell);
    }
    cells_.clear();

    const int count = dataSource_ ? qMax(0, dataSource_->numberOfItemsInListView(this)) : 0;
    const int width = viewport()->width();
    double y = 0.0;
    for (int i = 0; i < count; ++i) {
        RYListViewCell* cell = dataSource_->listViewCellForItemAt(this, i);
        const double height = delegate_ ? delegate_->listViewHeightOfRow(this, i) : 30.0;
        if (!cell) {
            y += height + spacing_;
            cells_.append(nullptr);
            continue;
        }
        if (cell->parentWidget() != content_) {
            cell->setParent(content_);
        }
        cell->list_ = this;
        cell->index_ = i;
        // A cell handed back by the data source is in use again.
        for (auto& pool : reusable_) {
            pool.removeAll(cell);
        }
        cell->setGeometry(0, qRound(y), width, qRound(height));
        cell->show();
        cells_.append(cell);
        y += height + spacing_;
    }
    content_->resize(width, qCeil(qMax(0.0, y - (count > 0 ? spacing_ : 0.0))));
}

void RYListView::scrollPoint(const QPoint& point)
{
    horizontalScrollBar()->setValue(point.x());
    verticalScrollBar()->setValue(point.y());
}

RYListViewCell* RYListView::cellAt(int index) const
{
    return index >= 0 && index < cells_.size() ? cells_.at(index) : nullptr;
}

void RYListView::cellPressed(RYListViewCell* cell)
{
    const int index = cell->index_;
    if (index < 0 || !delegate_) {
        return;
    }
    delegate_->listViewDidClickItemAt(this, index);
}

void RYListView::cellDoubleClicked(RYListViewCell* cell)
{
    const int index = cell->index_;
    if (index < 0 || !delegate_ || !enableDoubleClick_) {
        return;
    }
    delegate_->listViewDidDoubleClickItemAt(this, index);
}

void RYListView::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    const int width = viewport()->width();
    for (RYListViewCell* cell : std::as_const(cells_)) {
        if (cell) {
            cell->resize(width, cell->height());
        }
    }
    content_->resize(width, content_->height());
}

void RYListView::keyPressEvent(QKeyEvent* event)
{
    const bool plain = !(event->modifiers() & ~Qt::KeypadModifier);
    if (!plain || (event->key() != Qt::Key_Up && event->key() != Qt::Key_Down) || cells_.isEmpty()) {
        QScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
    int current = -1;
    for (int i = 0; i < cells_.size(); ++i) {
        if (cells_.at(i) && cells_.at(i)->selected()) {
            current = i;
            break;
        }
    }
    const int next = current < 0 ? 0 : qBound(0, current + (event->key() == Qt::Key_Up ? -1 : 1), int(cells_.size()) - 1);
    if (next == current || !cellAt(next) || !delegate_) {
        return;
    }
    delegate_->listViewDidClickItemAt(this, next);
    // The delegate may have reloaded: the cell at that index now.
    if (RYListViewCell* cell = cellAt(next)) {
        ensureWidgetVisible(cell, 0, 0);
    }
}
