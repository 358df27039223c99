#include "KPLOutlineView.h"

#include "View/DataDispaly/CellLooks.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLinearGradient>

KPLOutlineView::KPLOutlineView(QWidget* parent)
    : QTableView(parent)
{
    horizontalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    setShowGrid(false);
    setWordWrap(false);
    CellLooks::setUpResultList(this);
    applyBackground();
}

void KPLOutlineView::setFillColor(std::optional<QColor> color)
{
    fillColor_ = color;
    applyBackground();
}

void KPLOutlineView::setFillGradient(std::optional<QGradientStops> gradient)
{
    fillGradient_ = std::move(gradient);
    applyBackground();
}

void KPLOutlineView::setBackgroundColor(const QColor& color)
{
    backgroundColor_ = color;
    applyBackground();
}

void KPLOutlineView::applyBackground()
{
    // The viewport fills its background before anything is drawn on it, so
    // the row views and cells lie on top.
    QBrush brush(backgroundColor_);
    if (fillColor_) {
        brush = QBrush(*fillColor_);
    } else if (fillGradient_) {
        QLinearGradient gradient(0, 0, 0, 1);
        gradient.setCoordinateMode(QGradient::ObjectMode);
        gradient.setStops(*fillGradient_);
        brush = QBrush(gradient);
    }
    QPalette palette = viewport()->palette();
    palette.setBrush(QPalette::Base, brush);
    palette.setBrush(QPalette::Window, brush);
    viewport()->setPalette(palette);
    viewport()->setAutoFillBackground(true);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->update();
}

QRect KPLOutlineView::frameOfOutlineCellAtRow(int) const
{
    return {};
}

QRect KPLOutlineView::frameOfCell(const QModelIndex& index) const
{
    QRect frame = visualRect(index);
    if (index.isValid() && index.column() == 0) {
        frame.setLeft(0);
        frame.setWidth(viewport()->width());
    }
    return frame;
}

int KPLOutlineView::selectedRow() const
{
    if (!selectionModel()) {
        return -1;
    }
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void KPLOutlineView::selectItem(const QModelIndex& index, bool bringIntoView)
{
    CellLooks::chooseRow(this, index, bringIntoView);
}
