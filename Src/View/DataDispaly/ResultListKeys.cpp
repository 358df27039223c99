#include "ResultListKeys.h"

#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTFocusRing.h"
#include "View/Extension/KPLExtensionView.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QKeyEvent>

#include <algorithm>

void ResultListKeys::attach(QAbstractItemView* view, double ringRadius, Press press, Choosable choosable)
{
    view->setFocusPolicy(Qt::TabFocus);
    view->setTabKeyNavigation(false);
    RYTFocusRing::attach(view, ringRadius);
    new ResultListKeys(view, std::move(press), std::move(choosable));
}

ResultListKeys::ResultListKeys(QAbstractItemView* view, Press press, Choosable choosable)
    : QObject(view)
    , view_(view)
    , press_(std::move(press))
    , choosable_(std::move(choosable))
{
    view->installEventFilter(this);
}

int ResultListKeys::chosenRow() const
{
    const QItemSelectionModel* selection = view_->selectionModel();
    if (!selection) {
        return -1;
    }
    const QModelIndexList rows = selection->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

bool ResultListKeys::choose(int row)
{
    if (choosable_ && !choosable_(row)) {
        return false;
    }
    const QModelIndex index = view_->model()->index(row, 0, view_->rootIndex());
    view_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (chosenRow() != row) {
        return false;
    }
    view_->scrollTo(index);
    return true;
}

bool ResultListKeys::key(QKeyEvent* event)
{
    if (!view_->model() || !view_->selectionModel()) {
        return false;
    }
    const int current = chosenRow();
    if (RYTButton::isPressKey(event)) {
        if (!event->isAutoRepeat() && current >= 0 && press_) {
            press_(view_->model()->index(current, 0, view_->rootIndex()), event->key() != Qt::Key_Space);
        }
        return true;
    }
    const int count = view_->model()->rowCount(view_->rootIndex());
    const int rowHeight = count > 0 ? view_->visualRect(view_->model()->index(0, 0, view_->rootIndex())).height() : 0;
    const int page = std::max(1, view_->viewport()->height() / std::max(1, rowHeight));
    const std::optional<int> target = rowForListKey(event, current, count, page);
    if (!target) {
        return false;
    }
    if (*target < 0 || *target == current) {
        return true;
    }
    // Beyond a row that cannot be chosen the way the key went, else back
    // towards where the choice was.
    const int key = event->key();
    const int ahead = key == Qt::Key_Home || key == Qt::Key_Down || key == Qt::Key_PageDown ? 1 : -1;
    for (int row = *target; row >= 0 && row < count && row != current; row += ahead) {
        if (choose(row)) {
            return true;
        }
    }
    for (int row = *target - ahead; row >= 0 && row < count && row != current; row -= ahead) {
        if (choose(row)) {
            return true;
        }
    }
    return true;
}

bool ResultListKeys::eventFilter(QObject* watched, QEvent* event)
{
    // The type first, and the view as the plain object that owns this
    // filter: events still reach here while the view's children go, when a
    // look through the guarded pointer would treat a half-destroyed widget
    // as a list.
    if (event->type() == QEvent::KeyPress && watched == parent()) {
        return key(static_cast<QKeyEvent*>(event));
    }
    return QObject::eventFilter(watched, event);
}
