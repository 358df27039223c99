#include "ScanImagesDetailListCellView.h"

#include "ScanImagesCellPainting.h"
#include "ScanImagesModels.h"
#include "Foundation/Bundle.h"
#include "Main/Utilities.h"
#include "QVLibrary/RYTCheckBox.h"
#include "QVLibrary/RYTDarkMode.h"
#include "View/Extension/KPLExtension.h"

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

using namespace ScanImagesCellPainting;

namespace {
constexpr int kTextLeft = 210;

struct TextPlaces {
    QRect name;
    QRect columns[4];  // size, time, path, dimensions: caption and value on one line each
};

TextPlaces places(const QRect& row)
{
    TextPlaces p;
    const int left = row.left() + kTextLeft;
    const int width = std::max(40, row.right() - 40 - left);
    const int half = width / 2;
    p.name = QRect(left, row.top() + 12, width, 22);
    p.columns[0] = QRect(left, row.top() + 44, half - 12, 20);
    p.columns[1] = QRect(left + half, row.top() + 44, width - half, 20);
    p.columns[2] = QRect(left, row.top() + 72, half - 12, 20);
    p.columns[3] = QRect(left + half, row.top() + 72, width - half, 20);
    return p;
}
}  // namespace

ScanImagesDetailListCellView::ScanImagesDetailListCellView(QObject* parent)
    : ScanImagesImageCell(parent)
{
}

QStringList ScanImagesDetailListCellView::captions()
{
    return {localized("Document size"), localized("Last modified time"), localized("File path"),
            localized("Pixel dimensions")};
}

QRectF ScanImagesDetailListCellView::imageFrame(const QRect& row)
{
    return QRectF(row.left() + 48, row.top() + 10, 140, 90);
}

QRectF ScanImagesDetailListCellView::boxRect(const QRect& row)
{
    return QRectF(row.left() + 18, row.center().y() - 7.5, 16, 16);
}

QRectF ScanImagesDetailListCellView::thumbnailRect(const QSizeF& image, const QRect& row)
{
    const QRectF frame = imageFrame(row);
    QSizeF size = fitSize(image, frame.size());
    if (size.isEmpty()) {
        size = frame.size();
    }
    return centred(size, frame);
}

QRectF ScanImagesDetailListCellView::loupeRect(const QRectF& thumbnail)
{
    const double side = 22;
    const QRectF area = thumbnail.width() < 40 || thumbnail.height() < 40 ? thumbnail.adjusted(-12, -12, 12, 12) : thumbnail;
    return QRectF(area.right() - 4 - side, area.bottom() - 4 - side, side, side);
}

QRectF ScanImagesDetailListCellView::errorRect(const QRect& row)
{
    return QRectF(row.right() - 34, row.top() + 14, 18, 18);
}

ScanImagesDetailListCellView::Part ScanImagesDetailListCellView::hitTest(const QModelIndex& index, const QRect& row,
                                                                         const QPoint& point) const
{
    const ScanImagesItemPtr item = ImageItemSource::imageOf(index);
    if (!item || !row.contains(point)) {
        return Part::none;
    }
    const QImage thumb = item->thumImage();
    const QRectF thumbnail = thumbnailRect(thumb.isNull() ? imageFrame(row).size() : thumb.deviceIndependentSize(), row);
    if (loupeRect(thumbnail).contains(point)) {
        return Part::loupe;
    }
    if (boxRect(row).adjusted(-6, -6, 6, 6).contains(point)) {
        return Part::selectBox;
    }
    if (item->isRemoveFailed() && errorRect(row).contains(point)) {
        return Part::removeError;
    }
    if (thumbnail.contains(point)) {
        return Part::thumbnail;
    }
    const TextPlaces p = places(row);
    if (p.name.contains(point)) {
        return Part::name;
    }
    if (p.columns[2].contains(point)) {
        return Part::path;
    }
    return Part::none;
}

QRect ScanImagesDetailListCellView::cellRect(const QAbstractItemView* view, const QModelIndex& index) const
{
    return listRow(view->visualRect(index), view);
}

QSize ScanImagesDetailListCellView::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    // As wide as the list's viewport, whatever the option says (see listRow).
    return QSize(1, rowHeight);
}

void ScanImagesDetailListCellView::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const
{
    const ScanImagesItemPtr item = ImageItemSource::imageOf(index);
    if (!item) {
        return;
    }
    RYTDarkMode::LightAppearanceScope light;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect row = listRow(option.rect, option.widget);
    painter->fillRect(row, Qt::white);
    painter->fillRect(QRect(row.left() + 16, row.bottom(), row.width() - 32, 1), color256(237, 240, 245));

    const QImage engine = item->thumImage();
    const QRectF frame = imageFrame(row);
    QPainterPath framePath;
    framePath.addRoundedRect(frame, 4, 4);
    painter->fillPath(framePath, color256(246, 247, 250));
    const QRectF thumbnail = thumbnailRect(engine.isNull() ? frame.size() : engine.deviceIndependentSize(), row);
    paintImage(painter, option, index, *item, thumbnail, boxRect(row), loupeRect(thumbnail));

    const TextPlaces p = places(row);
    QFont nameFont = option.font;
    nameFont.setPixelSize(14);
    nameFont.setWeight(QFont::Medium);
    painter->setFont(nameFont);
    painter->setPen(lightColor(QStringLiteral("TitleLabelColor")));
    painter->drawText(p.name, Qt::AlignLeft | Qt::AlignVCenter,
                      QFontMetrics(nameFont).elidedText(item->imageName(), Qt::ElideMiddle, p.name.width()));

    const QStringList titles = captions();
    const QString values[4] = {transformedFileSize(uint64_t(std::max<qint64>(0, item->imageSize())), true, true),
                               item->medifiedDate().value_or(QString()), item->imagePath(),
                               item->dimension().value_or(QString())};
    QFont captionFont = option.font;
    captionFont.setPixelSize(12);
    const QFontMetrics metrics(captionFont);
    painter->setFont(captionFont);
    for (int i = 0; i < 4; ++i) {
        const QString caption = titles[i] + QStringLiteral(": ");
        const int captionWidth = metrics.horizontalAdvance(caption);
        painter->setPen(lightColor(QStringLiteral("LabelColor")));
        painter->drawText(p.columns[i], Qt::AlignLeft | Qt::AlignVCenter, caption);
        const QRect valueRect = p.columns[i].adjusted(captionWidth, 0, 0, 0);
        painter->setPen(lightColor(QStringLiteral("TitleLabelColor")));
        painter->drawText(valueRect, Qt::AlignLeft | Qt::AlignVCenter,
                          metrics.elidedText(values[i], Qt::ElideMiddle, std::max(0, valueRect.width())));
    }
    if (item->isRemoveFailed()) {
        drawIcon(painter, errorRect(row), removeFailedIcon());
    }
    paintFocus(painter, option, QRectF(row).adjusted(4, 2, -4, -2), 6);
    painter->restore();
}
