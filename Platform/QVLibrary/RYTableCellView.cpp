#include "RYTableCellView.h"

RYTableCellView::RYTableCellView(QWidget* parent)
    : QWidget(parent)
{
}
