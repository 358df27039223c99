#pragma once

#include <QStyledItemDelegate>

#include "ThumbnailRequests.h"

// Paints the cells (128 × 84) of the live grid the scanning view shows: each
// image found so far, fitted into its cell.
class ImagesScanningCollectionItem : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit ImagesScanningCollectionItem(QObject* parent = nullptr);

    static QSize itemSize() { return QSize(128, 84); }

    void setThumbnailOwner(const void* owner) { owner_ = owner; }
    ThumbnailRequests& thumbnailRequests() const { return requests_; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const void* owner_ = nullptr;
    mutable ThumbnailRequests requests_;
};
