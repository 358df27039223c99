#include "FolderTableView.h"

#include <QEvent>

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
