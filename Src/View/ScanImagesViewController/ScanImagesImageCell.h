#pragma once

#include <QStyledItemDelegate>

#include "Model/ScanImagesItem.h"
#include "ThumbnailRequests.h"

class QAbstractItemView;

// What the grid's cells and the list's rows have in common: the row under
// the pointer and whether it rests on the magnifier, the thumbnails the last
// paint asked for, the failed-removal icon, and the drawing of a thumbnail
// with its veil, box and magnifier.
class ScanImagesImageCell : public QStyledItemDelegate {
    Q_OBJECT
public:
    enum class Part { none, thumbnail, selectBox, loupe, removeError, name, path };

    explicit ScanImagesImageCell(QObject* parent = nullptr);

    // Where the cell of `index` is painted in `view`.
    virtual QRect cellRect(const QAbstractItemView* view, const QModelIndex& index) const;
    // What lies under `point` in the cell of `index` drawn at `cell`.
    virtual Part hitTest(const QModelIndex& index, const QRect& cell, const QPoint& point) const = 0;
    // Whether the failed-removal icon lies on the thumbnail, so that a
    // click on it is a click on the image.
    virtual bool errorIconOnThumbnail() const = 0;

    // The row under the pointer (box and magnifier show), and whether the
    // pointer is on its magnifier.
    int hoverRow() const { return hoverRow_; }
    bool onLoupe() const { return onLoupe_; }
    void setHoverRow(int row, bool onLoupe);
    QString removeFailedIcon() const { return removeFailedIcon_; }

    // The thumbnails the cells drew, and their owner.
    void setThumbnailOwner(const void* owner) { owner_ = owner; }
    ThumbnailRequests& thumbnailRequests() const { return requests_; }

protected:
    // The image of `item` in `thumbnail` at the view's pixel ratio, with the
    // veil while it is selected, its box at `box` while it is selected or
    // under the pointer, and the magnifier at `loupe` under the pointer.
    void paintImage(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index, const ScanImagesItem& item,
                    const QRectF& thumbnail, const QRectF& box, const QRectF& loupe) const;
    // The program's focus ring in `rect` when the cell is the current one of
    // a view that has the keyboard.
    static void paintFocus(QPainter* painter, const QStyleOptionViewItem& option, const QRectF& rect, double radius);

private:
    int hoverRow_ = -1;
    bool onLoupe_ = false;
    QString removeFailedIcon_;
    const void* owner_ = nullptr;
    mutable ThumbnailRequests requests_;
};
