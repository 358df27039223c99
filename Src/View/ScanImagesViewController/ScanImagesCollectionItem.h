#pragma once

#include "ScanImagesImageCell.h"

// What a grid cell reports: its image's new selection.
class ScanImagesCollectionItemDelegate {
public:
    virtual ~ScanImagesCollectionItemDelegate() = default;
    virtual void selectIndex(int index, int checkBoxState) = 0;
};

// Paints the cells of a group's grid at one of seven sizes and finds what
// the pointer is over. A cell shows its image fitted into the cell, a veil
// over a selected image, its box (kept while the image is selected, else
// only under the pointer), the magnifier spot under the pointer and the
// failed-removal icon.
class ScanImagesCollectionItem : public ScanImagesImageCell {
    Q_OBJECT
public:
    explicit ScanImagesCollectionItem(QObject* parent = nullptr);

    // The cell sizes of the steps 0 to 6, and the analytics value of each.
    static QSize sizeForStep(int step);
    static constexpr int stepCount = 7;

    // Where the thumbnail lies in a cell drawn at `cell` for an image of
    // `image` (its size).
    static QRectF thumbnailRect(const QSizeF& image, const QRectF& cell);
    static QRectF boxRect(const QRectF& thumbnail, const QRectF& cell);
    static QRectF loupeRect(const QRectF& thumbnail, const QRectF& cell);
    static QRectF errorRect(const QRectF& thumbnail, const QRectF& cell);
    // What lies under `point` in the cell of `index` drawn at `cell`.
    Part hitTest(const QModelIndex& index, const QRect& cell, const QPoint& point) const override;
    bool errorIconOnThumbnail() const override { return true; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
