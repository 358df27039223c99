#include "ScanImagesImageCell.h"

#include "ScanImagesCellPainting.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTCheckBox.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QWidget>

using namespace ScanImagesCellPainting;

ScanImagesImageCell::ScanImagesImageCell(QObject* parent)
    : QStyledItemDelegate(parent)
    , removeFailedIcon_(removeFailedIconName())
{
}

QRect ScanImagesImageCell::cellRect(const QAbstractItemView* view, const QModelIndex& index) const
{
    return view->visualRect(index);
}

void ScanImagesImageCell::setHoverRow(int row, bool onLoupe)
{
    hoverRow_ = row;
    onLoupe_ = onLoupe;
}

void ScanImagesImageCell::paintImage(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                                     const ScanImagesItem& item, const QRectF& thumbnail, const QRectF& box,
                                     const QRectF& loupe) const
{
    const qreal ratio = option.widget ? option.widget->devicePixelRatioF() : 1.0;
    QByteArray key;
    const QImage image = thumbnailFor(item, thumbnail.size(), ratio, owner_, &key);
    requests_.note(index, key);
    const int row = index.row();
    drawThumbnail(painter, thumbnail, image, thumbnailCornerRadius);
    const bool selected = item.isSelect();
    const bool hovered = row == hoverRow_;
    if (selected) {
        drawMask(painter, thumbnail, 4);
    }
    if (selected || hovered) {
        RYTCheckBox::paintBox(painter, box, selected ? RYTCheckBox::stateOn : RYTCheckBox::stateOff, false, true);
    }
    if (hovered) {
        drawIcon(painter, loupe, onLoupe_ ? QStringLiteral("imageLoupe_hover") : QStringLiteral("imageLoupe"));
    }
}

void ScanImagesImageCell::paintFocus(QPainter* painter, const QStyleOptionViewItem& option, const QRectF& rect,
                                     double radius)
{
    if (option.state & QStyle::State_HasFocus) {
        RYTButton::paintFocusMark(*painter, rect, radius);
    }
}
