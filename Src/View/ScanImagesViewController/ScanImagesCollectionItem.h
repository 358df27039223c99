#pragma once

#include <QSet>
#include <QStyledItemDelegate>

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
class ScanImagesCollectionItem : public QStyledItemDelegate {
    Q_OBJECT
public:
    enum class Part { none, thumbnail, selectBox, loupe, removeError };

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
    Part hitTest(const QModelIndex& index, const QRect& cell, const QPoint& point) const;

    // The row under the pointer (box and magnifier show), and whether the
    // pointer is on its magnifier.
    int hoverRow() const { return hoverRow_; }
    void setHoverRow(int row, bool onLoupe);
    QString removeFailedIcon() const { return removeFailedIcon_; }

    // The thumbnails the last paint asked for, and their owner.
    void setThumbnailOwner(const void* owner) { owner_ = owner; }
    QSet<QByteArray> takeRequestedKeys();

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int hoverRow_ = -1;
    bool onLoupe_ = false;
    QString removeFailedIcon_;
    const void* owner_ = nullptr;
    mutable QSet<QByteArray> requested_;
};
