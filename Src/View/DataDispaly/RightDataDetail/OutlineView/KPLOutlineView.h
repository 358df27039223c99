#pragma once

#include <optional>

#include <QColor>
#include <QGradientStops>
#include <QTreeView>

#include "TreeViewMouseEventDelegate.h"

// The list panel's outline: it paints its own background (a colour, else a
// top-to-bottom gradient, else its own background colour), shows no
// disclosure triangles (groups open by their row's arrow) and gives every
// row the full width, whatever its level.
class KPLOutlineView : public QTreeView {
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

    // The visible row of an index from the top (-1 when it does not show),
    // and the index of a visible row.
    int rowForItem(const QModelIndex& index) const;
    int selectedRow() const;
    // Selects `index` alone.
    void selectItem(const QModelIndex& index);
    // Whether the group at `index` shows its files.
    bool isItemExpanded(const QModelIndex& index) const { return isExpanded(index); }

    // Lays every row out again at the next turn of the event loop; expanding
    // many groups in between then costs one pass instead of one each.
    void deferLayout() { scheduleDelayedItemsLayout(); }

protected:
    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;

private:
    void applyBackground();

    TreeViewMouseEventDelegate* mouseDelegate_ = nullptr;
    std::optional<QColor> fillColor_;
    std::optional<QGradientStops> fillGradient_;
    QColor backgroundColor_ = Qt::white;
};
