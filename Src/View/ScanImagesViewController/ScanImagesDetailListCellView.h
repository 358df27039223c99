#pragma once

#include "ScanImagesImageCell.h"

// What a list row reports: its image's new selection.
class ScanImagesDetailListCellViewDelegate {
public:
    virtual ~ScanImagesDetailListCellViewDelegate() = default;
    virtual void selectBox(int selectIndex, int selectBoxState) = 0;
};

// Paints the rows (110 high) of a group's list: the box, the thumbnail in
// its frame with the selection veil and the magnifier spot, the name, and
// the size, modification time, path and pixel dimensions under their
// captions, with the failed-removal icon; and finds what the pointer is
// over. The box of an unselected image shows only while the pointer is on
// the thumbnail.
class ScanImagesDetailListCellView : public ScanImagesImageCell {
    Q_OBJECT
public:
    explicit ScanImagesDetailListCellView(QObject* parent = nullptr);

    static constexpr int rowHeight = 110;

    // The frame the thumbnail is fitted into, and the other places of a row
    // drawn at `row`.
    static QRectF imageFrame(const QRect& row);
    static QRectF boxRect(const QRect& row);
    static QRectF loupeRect(const QRectF& thumbnail);
    static QRectF errorRect(const QRect& row);
    static QRectF thumbnailRect(const QSizeF& image, const QRect& row);
    QRect cellRect(const QAbstractItemView* view, const QModelIndex& index) const override;
    Part hitTest(const QModelIndex& index, const QRect& row, const QPoint& point) const override;
    bool errorIconOnThumbnail() const override { return false; }
    // The texts of the four captions.
    static QStringList captions();

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
