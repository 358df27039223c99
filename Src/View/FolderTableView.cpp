#include "FolderTableView.h"

#include "View/Extension/KPLExtensionView.h"

#include <QEvent>
#include <QKeyEvent>
#include <QScrollArea>

#include <algorithm>
#include <cmath>

namespace {
const char* const kIdentifierProperty = "folderTableIdentifier";
}

FolderTableView::FolderTableView(QWidget* parent) : QWidget(parent)
{
    watchedViewport_ = parent;
    if (parent) {
        parent->installEventFilter(this);
    }
}

void FolderTableView::registerView(const QString& identifier, std::function<QWidget*()> factory)
{
    factories_.insert(identifier, std::move(factory));
}

QWidget* FolderTableView::makeView(const QString& identifier)
{
    QList<QPointer<QWidget>>& free = freeViews_[identifier];
    while (!free.isEmpty()) {
        QPointer<QWidget> view = free.takeLast();
        if (view) {
            QMetaObject::invokeMethod(view, "prepareForReuse", Qt::DirectConnection);
            return view;
        }
    }
    const auto factory = factories_.constFind(identifier);
    if (factory == factories_.constEnd() || !*factory) {
        return nullptr;
    }
    QWidget* view = (*factory)();
    if (view) {
        view->setProperty(kIdentifierProperty, identifier);
        ++madeViews_;
    }
    return view;
}

void FolderTableView::reloadData()
{
    for (int row : rowViews_.keys()) {
        recycle(row);
    }
    rowTops_.clear();
    totalHeight_ = 0;
    const int rows = dataSource_ ? std::max(0, dataSource_->numberOfRows(this)) : 0;
    for (int row = 0; row < rows; ++row) {
        rowTops_ << totalHeight_;
        totalHeight_ += std::max(0, static_cast<int>(std::lround(dataSource_->heightOfRow(this, row))));
    }
    setMinimumHeight(totalHeight_);
    // The keyboard stays on the row where it was, or the last one left.
    keyRow_ = std::min(keyRow_, rows - 1);
    tile();
}

QRect FolderTableView::rectOfRow(int row) const
{
    if (row < 0 || row >= rowTops_.size()) {
        return {};
    }
    const int bottom = row + 1 < rowTops_.size() ? rowTops_.at(row + 1) : totalHeight_;
    return QRect(0, rowTops_.at(row), width(), bottom - rowTops_.at(row));
}

QWidget* FolderTableView::viewAtRow(int row) const
{
    return rowViews_.value(row);
}

QList<int> FolderTableView::rowsWithViews() const
{
    QList<int> rows;
    for (auto it = rowViews_.constBegin(); it != rowViews_.constEnd(); ++it) {
        if (it.value()) {
            rows << it.key();
        }
    }
    return rows;
}

QRect FolderTableView::visibleRect() const
{
    // Inside a scroll area the table is moved up by the scrolled amount and
    // the viewport around it is what can be seen.
    const QWidget* viewport = parentWidget();
    if (!viewport) {
        return rect();
    }
    return QRect(-x(), -y(), viewport->width(), viewport->height()).intersected(rect());
}

void FolderTableView::recycle(int row)
{
    QPointer<QWidget> view = rowViews_.take(row);
    if (!view) {
        return;
    }
    if (auto* keys = dynamic_cast<FolderTableRowKeys*>(view.data())) {
        keys->setKeyboardChosen(false);
    }
    view->hide();
    freeViews_[view->property(kIdentifierProperty).toString()] << view;
}

void FolderTableView::tile()
{
    const QRect visible = visibleRect();
    for (int row : rowViews_.keys()) {
        if (!rectOfRow(row).intersects(visible)) {
            recycle(row);
        }
    }
    for (int row = 0; row < rowTops_.size(); ++row) {
        const QRect frame = rectOfRow(row);
        if (frame.isEmpty() || !frame.intersects(visible)) {
            continue;
        }
        QPointer<QWidget> view = rowViews_.value(row);
        if (!view) {
            view = dataSource_ ? dataSource_->viewForRow(this, row) : nullptr;
            if (!view) {
                continue;
            }
            if (view->parentWidget() != this) {
                view->setParent(this);
            }
            rowViews_.insert(row, view);
        }
        view->setGeometry(frame);
        view->show();
    }
    showKeyRow();
}

void FolderTableView::showKeyRow()
{
    for (auto it = rowViews_.constBegin(); it != rowViews_.constEnd(); ++it) {
        if (auto* keys = dynamic_cast<FolderTableRowKeys*>(it.value().data())) {
            keys->setKeyboardChosen(it.key() == keyRow_ && hasFocus());
        }
    }
}

void FolderTableView::setKeyRow(int row)
{
    keyRow_ = row;
    const QRect frame = rectOfRow(row);
    auto* area = qobject_cast<QScrollArea*>(parentWidget() ? parentWidget()->parentWidget() : nullptr);
    if (area && frame.isValid()) {
        area->ensureVisible(frame.center().x(), frame.center().y(), 0, frame.height() / 2);
    }
    tile();
}

void FolderTableView::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    setKeyRow(keyRow_ < 0 ? std::min(0, numberOfRows() - 1) : keyRow_);
}

void FolderTableView::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    showKeyRow();
}

void FolderTableView::keyPressEvent(QKeyEvent* event)
{
    const int rows = numberOfRows();
    const int page = std::max(1, (parentWidget() ? parentWidget()->height() : height()) /
                                     std::max(1, rows > 0 ? rectOfRow(0).height() : 1));
    if (const std::optional<int> row = rowForListKey(event, keyRow_, rows, page)) {
        if (*row >= 0) {
            setKeyRow(*row);
        }
        return;
    }
    auto* keys = dynamic_cast<FolderTableRowKeys*>(viewAtRow(keyRow_));
    if (!keys || !keys->rowKey(event)) {
        QWidget::keyPressEvent(event);
    }
}

bool FolderTableView::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
        tile();
        break;
    case QEvent::ParentChange:
        if (watchedViewport_) {
            watchedViewport_->removeEventFilter(this);
        }
        watchedViewport_ = parentWidget();
        if (watchedViewport_) {
            watchedViewport_->installEventFilter(this);
        }
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

bool FolderTableView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == watchedViewport_ && event->type() == QEvent::Resize) {
        tile();
    }
    return QWidget::eventFilter(watched, event);
}
