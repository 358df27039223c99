#pragma once

#include <functional>
#include <vector>

#include <QAbstractItemView>

// A grid of equal cells laid out in sections, row by row, each section
// starting on a row of its own with an inset on every side. With
// `sectioned`, every top-level row of the model is a section and its
// children are the cells; otherwise the top-level rows are the cells of one
// section. Only the cells in sight are painted (by the item delegate); the
// layout is a table of section offsets, so the grid stays quick with
// thousands of sections. A reset keeps the scroll position. In a grid of
// one section the arrows, Home, End and the page keys move the current
// cell, which is painted with the focus state while the grid has the focus.
class ImageGridView : public QAbstractItemView {
    Q_OBJECT
public:
    explicit ImageGridView(QWidget* parent = nullptr);

    bool sectioned() const { return sectioned_; }
    void setSectioned(bool sectioned);
    QSize itemSize() const { return itemSize_; }
    void setItemSize(const QSize& size);
    int sectionInset() const { return inset_; }
    void setSectionInset(int inset);
    int interitemSpacing() const { return interitem_; }
    int lineSpacing() const { return line_; }

    // Content height and the number of columns at the present width.
    int contentHeight() const;
    int columnCount() const { return columns_; }
    // The cells that show now.
    QModelIndexList visibleIndexes() const;

    QModelIndex indexAt(const QPoint& point) const override;
    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    void reset() override;
    void setModel(QAbstractItemModel* model) override;

    // Told after each paint.
    std::function<void()> afterPaint;

    // Lays the cells out again (after the model or the width changed).
    void relayout();

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override { return 0; }
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex&) const override { return false; }
    void setSelection(const QRect&, QItemSelectionModel::SelectionFlags) override {}
    QRegion visualRegionForSelection(const QItemSelection&) const override { return {}; }
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void updateGeometries() override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;

private:
    struct Section {
        int top = 0;    // content y of the section's first row of cells
        int count = 0;  // cells
        int height = 0; // with both insets
    };
    int sectionCount() const;
    QModelIndex cellIndex(int section, int item) const;
    QRect cellRect(int section, int item) const;  // content coordinates
    int sectionAt(int contentY) const;

    bool sectioned_ = false;
    QSize itemSize_{160, 105};
    int inset_ = 6;
    int interitem_ = 10;
    int line_ = 10;
    int columns_ = 1;
    int step_ = 170;  // horizontal distance between cell origins
    std::vector<Section> sections_;
    int height_ = 0;
};
