#include "KPLTableView.h"

#include "View/DataDispaly/CellLooks.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>

KPLTableView::KPLTableView(QWidget* parent)
    : QTableView(parent)
{
    // A plain list: no headers, no grid, whole rows chosen one at a time.
    horizontalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setShowGrid(false);
    setWordWrap(false);
    CellLooks::setUpResultList(this);
    // The rows lie on white in both appearances, and so does the space
    // below the last one.
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Base, Qt::white);
    viewport()->setPalette(palette);
}

int KPLTableView::rowAtPoint(const QPoint& point) const
{
    const QModelIndex index = indexAt(point);
    return index.isValid() ? index.row() : -1;
}

int KPLTableView::selectedRow() const
{
    if (!selectionModel()) {
        return -1;
    }
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void KPLTableView::selectRow(int row, bool bringIntoView)
{
    if (!model()) {
        return;
    }
    const bool inside = row >= 0 && row < model()->rowCount();
    CellLooks::chooseRow(this, inside ? model()->index(row, 0) : QModelIndex(), bringIntoView);
}

void KPLTableView::mousePressEvent(QMouseEvent* event)
{
    // The row is read before the press moves the selection.
    const int row = rowAtPoint(event->position().toPoint());
    QTableView::mousePressEvent(event);
    if (row >= 0 && kplDelegate_) {
        kplDelegate_->KPLTableViewClickRow(this, row);
    }
}

void KPLTableView::mouseDoubleClickEvent(QMouseEvent* event)
{
    clickedRow_ = rowAtPoint(event->position().toPoint());
    QTableView::mouseDoubleClickEvent(event);
}
