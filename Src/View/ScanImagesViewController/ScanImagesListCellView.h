#pragma once

#include <QStyledItemDelegate>

#include "Model/ScanImagesGroupItem.h"

// What a group row reports: a click on its box, with the box's new state.
class ScanImagesListCellViewDelegate {
public:
    virtual ~ScanImagesListCellViewDelegate() = default;
    virtual void selectIndex(int index, int checkBoxState) = 0;
};

// Paints the rows of the group list (76 high): the group's cover, its name,
// its size, "selected | images" and a three-state box, and the focus ring
// around the row shown while the list has the keyboard; and finds what a
// click hit. A click on the box of a partly selected group selects the
// whole group. Counts come from the images' own flags.
class ScanImagesListCellView : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit ScanImagesListCellView(QObject* parent = nullptr);

    static constexpr int rowHeight = 76;

    // The row the right side shows, painted in the current-row colour.
    int selectIndex() const { return selectIndex_; }
    void setSelectIndex(int row) { selectIndex_ = row; }
    ScanImagesListCellViewDelegate* delegate() const { return delegate_; }
    void setDelegate(ScanImagesListCellViewDelegate* delegate) { delegate_ = delegate; }

    // The cover of a group: its first image's thumbnail (empty when that has
    // none yet); the default cover only for a group without images.
    static QImage getGroupCover(const ScanImagesGroupItem& group);
    // "k | n" of the group.
    static QString countText(const ScanImagesGroupItem& group);
    // The row as it is painted for `option`: as wide as the list's viewport,
    // whatever width the list gave the item (it may keep one from before
    // its scroll bar showed). Painting and clicks both go by it.
    static QRect paintedRow(const QStyleOptionViewItem& option);
    // The box's place in a row painted at `rowRect`: at its trailing end.
    static QRect boxRect(const QRect& rowRect, Qt::LayoutDirection direction = Qt::LeftToRight);
    // The state a click on the box moves the group to: mixed and off go on,
    // on goes off.
    static int clickedState(int groupState);
    // What a click on the box of the row at `index` does (Space does it too).
    void clickBox(const QModelIndex& index);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    int selectIndex_ = -1;
    ScanImagesListCellViewDelegate* delegate_ = nullptr;
};
