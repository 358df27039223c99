#include "ScanImagesCollectionItem.h"

#include "ScanImagesCellPainting.h"
#include "ScanImagesModels.h"
#include "QVLibrary/RYTCheckBox.h"
#include "QVLibrary/RYTDarkMode.h"

#include <QPainter>
#include <QWidget>

using namespace ScanImagesCellPainting;

ScanImagesCollectionItem::ScanImagesCollectionItem(QObject* parent)
    : ScanImagesImageCell(parent)
{
}

QSize ScanImagesCollectionItem::sizeForStep(int step)
{
    static const QSize sizes[stepCount] = {{90, 59},   {106, 70},  {128, 84}, {160, 105},
                                           {216, 142}, {330, 216}, {630, 376}};
    return step >= 0 && step < stepCount ? sizes[step] : QSize();
}

QRectF ScanImagesCollectionItem::thumbnailRect(const QSizeF& image, const QRectF& cell)
{
    QSizeF size = fitSize(image, cell.size());
    if (size.isEmpty()) {
        size = cell.size();
    }
    return centred(size, cell);
}

namespace {
// The controls sit on the thumbnail, or on the cell when the thumbnail is a
// thin strip too small to hold them.
QRectF controlArea(const QRectF& thumbnail, const QRectF& cell)
{
    QRectF area = thumbnail;
    if (area.width() < 56) {
        area.setLeft(cell.left());
        area.setRight(cell.right());
    }
    if (area.height() < 48) {
        area.setTop(cell.top());
        area.setBottom(cell.bottom());
    }
    return area;
}

double loupeSide(const QRectF& cell)
{
    return std::clamp(cell.height() / 4.0, 18.0, 28.0);
}
}  // namespace

QRectF ScanImagesCollectionItem::boxRect(const QRectF& thumbnail, const QRectF& cell)
{
    const QRectF area = controlArea(thumbnail, cell);
    return QRectF(area.left() + 6, area.top() + 6, 16, 16);
}

QRectF ScanImagesCollectionItem::loupeRect(const QRectF& thumbnail, const QRectF& cell)
{
    const QRectF area = controlArea(thumbnail, cell);
    const double side = loupeSide(cell);
    return QRectF(area.right() - 6 - side, area.bottom() - 6 - side, side, side);
}

QRectF ScanImagesCollectionItem::errorRect(const QRectF& thumbnail, const QRectF& cell)
{
    const QRectF area = controlArea(thumbnail, cell);
    return QRectF(area.right() - 6 - 18, area.top() + 6, 18, 18);
}

ScanImagesCollectionItem::Part ScanImagesCollectionItem::hitTest(const QModelIndex& index, const QRect& cell,
                                                                 const QPoint& point) const
{
    const ScanImagesItemPtr item = ImageItemSource::imageOf(index);
    if (!item || !cell.contains(point)) {
        return Part::none;
    }
    const QImage thumb = item->thumImage();
    const QRectF thumbnail = thumbnailRect(thumb.isNull() ? QSizeF(cell.size()) : thumb.deviceIndependentSize(), cell);
    if (loupeRect(thumbnail, cell).contains(point)) {
        return Part::loupe;
    }
    if (boxRect(thumbnail, cell).adjusted(-3, -3, 3, 3).contains(point)) {
        return Part::selectBox;
    }
    if (item->isRemoveFailed() && errorRect(thumbnail, cell).contains(point)) {
        return Part::removeError;
    }
    if (thumbnail.contains(point)) {
        return Part::thumbnail;
    }
    return Part::none;
}

void ScanImagesCollectionItem::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const
{
    const ScanImagesItemPtr item = ImageItemSource::imageOf(index);
    if (!item) {
        return;
    }
    RYTDarkMode::LightAppearanceScope light;
    const QRectF cell(option.rect);
    const QImage engine = item->thumImage();
    const QRectF thumbnail = thumbnailRect(engine.isNull() ? cell.size() : engine.deviceIndependentSize(), cell);
    paintImage(painter, option, index, *item, thumbnail, boxRect(thumbnail, cell), loupeRect(thumbnail, cell));
    if (item->isRemoveFailed()) {
        drawIcon(painter, errorRect(thumbnail, cell), removeFailedIcon());
    }
    // Around the image, in the spacing between the cells.
    paintFocus(painter, option, thumbnail.adjusted(-4, -4, 4, 4), thumbnailCornerRadius + 4);
}
