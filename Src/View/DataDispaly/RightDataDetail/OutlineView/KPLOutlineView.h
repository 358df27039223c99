#pragma once

#include <optional>

#include <QColor>
#include <QGradientStops>
#include <QTableView>

#include "TreeViewMouseEventDelegate.h"

// The list panel's outline: it paints its own background (a colour, else a
// top-to-bottom gradient, else its own background colour), shows no
// disclosure triangles (groups open by their row's arrow) and gives every
// row the full width, whatever its level. Its model shows the rows that are
// visible, open groups' files included, as one flat list (see
// RightDataListOutlineModel): opening a group inserts only its rows.
class KPLOutlineView : public QTableView {
    Q_OBJECT
public:
    explicit KPLOutlineView(QWidget* parent = nullptr);

    TreeViewMouseEventDelegate* mouseDelegate() const { return mouseDelegate_; }
    void setMouseDelegate(TreeViewMouseEventDelegate* delegate) { mouseDelegate_ = delegate; }

    std::optional<QColor> fillColor() const { return fillColor_; }
    void setFillColor(std::optional<QColor> color);
    std::optional<QGradientStops> fillGradient() const { return fillGradient_; }
    void setFillGradient(std::optional<QGradientStops> gradient);
    // The colour used when neither a fill colour nor a gradient is set.
    QColor backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const QColor& color);

    // The disclosure triangle's frame: always empty.
    QRect frameOfOutlineCellAtRow(int row) const;
    // The frame of a row's cell in the viewport: the full width for column 0.
    QRect frameOfCell(const QModelIndex& index) const;

    // The row chosen now, -1 when none.
    int selectedRow() const;
    // Chooses `index` alone (nothing for an invalid one) and, unless told
    // otherwise, scrolls it into view.
    void selectItem(const QModelIndex& index, bool bringIntoView = true);

private:
    void applyBackground();

    TreeViewMouseEventDelegate* mouseDelegate_ = nullptr;
    std::optional<QColor> fillColor_;
    std::optional<QGradientStops> fillGradient_;
    QColor backgroundColor_ = Qt::white;
};
