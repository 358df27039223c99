#include "ImagesScanningCollectionItem.h"

#include "ScanImagesCellPainting.h"
#include "ScanImagesModels.h"

#include <QPainter>
#include <QWidget>

using namespace ScanImagesCellPainting;

ImagesScanningCollectionItem::ImagesScanningCollectionItem(QObject* parent)
    : QStyledItemDelegate(parent)
{
}

void ImagesScanningCollectionItem::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const
{
    const ScanImagesItemPtr item = ImageItemSource::imageOf(index);
    if (!item) {
        return;
    }
    const QRectF cell(option.rect);
    const QImage engine = item->thumImage();
    QSizeF fitted = fitSize(engine.isNull() ? cell.size() : engine.deviceIndependentSize(), cell.size());
    if (fitted.isEmpty()) {
        fitted = cell.size();
    }
    const QRectF thumbnail = centred(fitted, cell);
    const qreal ratio = option.widget ? option.widget->devicePixelRatioF() : 1.0;
    QByteArray key;
    const QImage image = thumbnailFor(*item, thumbnail.size(), ratio, owner_, &key);
    requests_.note(index, key);
    drawThumbnail(painter, thumbnail, image, thumbnailCornerRadius);
}
