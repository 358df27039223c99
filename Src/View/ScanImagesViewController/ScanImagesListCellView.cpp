#include "Foundation/Bundle.h"
#include "ScanImagesListCellView.h"

#include "ScanImagesCellPainting.h"
#include "ScanImagesModels.h"
#include "ScanImagesSelection.h"
#include "Main/Utilities.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTCheckBox.h"
#include "QVLibrary/RYTDarkMode.h"
#include "View/Extension/KPLExtension.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

using namespace ScanImagesCellPainting;

namespace {
const ScanImagesGroupListModel* groupModel(const QModelIndex& index)
{
    return qobject_cast<const ScanImagesGroupListModel*>(index.model());
}
}  // namespace

ScanImagesListCellView::ScanImagesListCellView(QObject* parent)
    : QStyledItemDelegate(parent)
{
}

QImage ScanImagesListCellView::getGroupCover(const ScanImagesGroupItem& group)
{
    for (const ScanImagesItemPtr& item : group.dupImageItems()) {
        if (item) {
            return item->thumImage();
        }
    }
    static const QImage cover = imageUncache(QStringLiteral("groupDefaultCover")).value_or(QImage());
    return cover;
}

QString ScanImagesListCellView::countText(const ScanImagesGroupItem& group)
{
    return QStringLiteral("%1 | %2")
        .arg(ScanImagesSelection::selectedCount(group))
        .arg(group.dupImageItems().size());
}

QRect ScanImagesListCellView::paintedRow(const QStyleOptionViewItem& option)
{
    return listRow(option.rect, option.widget);
}

QRect ScanImagesListCellView::boxRect(const QRect& rowRect, Qt::LayoutDirection direction)
{
    return QStyle::visualRect(direction, rowRect, QRect(rowRect.right() - 30, rowRect.center().y() - 8, 16, 16));
}

int ScanImagesListCellView::clickedState(int groupState)
{
    return groupState == 1 ? RYTCheckBox::stateOff : RYTCheckBox::stateOn;
}

QSize ScanImagesListCellView::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    // No width of its own: the list makes every row as wide as its viewport
    // at the time, where a width taken from the option would outlast a
    // scroll bar that came or went.
    return QSize(1, rowHeight);
}

void ScanImagesListCellView::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const
{
    const ScanImagesGroupListModel* model = groupModel(index);
    const ScanImagesGroupItemPtr group = model ? model->groupAt(index.row()) : nullptr;
    if (!group) {
        return;
    }
    RYTDarkMode::LightAppearanceScope light;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect row = paintedRow(option);
    const Qt::LayoutDirection direction = option.direction;
    // Laid out left to right, then mirrored for a right-to-left list.
    const auto place = [&](const QRect& rect) { return QStyle::visualRect(direction, row, rect); };
    const Qt::Alignment leading = QStyle::visualAlignment(direction, Qt::AlignLeft) | Qt::AlignVCenter;
    if (index.row() == selectIndex_) {
        QPainterPath path;
        path.addRoundedRect(QRectF(row).adjusted(4, 0, -4, 0), 4, 4);
        painter->fillPath(path, color256(220, 224, 236));
    } else if (option.state & QStyle::State_MouseOver) {
        QPainterPath path;
        path.addRoundedRect(QRectF(row).adjusted(4, 0, -4, 0), 4, 4);
        painter->fillPath(path, color256(244, 246, 250));
    }
    // The cover on a light square.
    const QRectF coverBox(place(QRect(row.left() + 14, row.top() + 8, 60, 60)));
    QPainterPath coverPath;
    coverPath.addRoundedRect(coverBox, 4, 4);
    painter->fillPath(coverPath, color256(237, 240, 245));
    const QImage cover = getGroupCover(*group);
    if (!cover.isNull()) {
        const QSizeF fitted = fitSize(cover.deviceIndependentSize(), coverBox.size());
        drawThumbnail(painter, centred(fitted, coverBox), cover, 4);
    }
    const QRect ltrBox(row.right() - 30, row.center().y() - 8, 16, 16);
    const QString count = countText(*group);
    QFont countFont = option.font;
    countFont.setPixelSize(12);
    const int countWidth = QFontMetrics(countFont).horizontalAdvance(count);
    const int textLeft = row.left() + 86;
    const int textRight = ltrBox.left() - countWidth - 14;
    QFont nameFont = option.font;
    nameFont.setPixelSize(14);
    nameFont.setWeight(QFont::Medium);
    painter->setFont(nameFont);
    painter->setPen(lightColor(QStringLiteral("TitleLabelColor")));
    const QRect nameRect(textLeft, row.top() + 14, std::max(10, textRight - textLeft), 22);
    painter->drawText(place(nameRect), int(leading),
                      QFontMetrics(nameFont).elidedText(group->groupName(), Qt::ElideRight, nameRect.width()));
    QFont sizeFont = option.font;
    sizeFont.setPixelSize(12);
    painter->setFont(sizeFont);
    painter->setPen(lightColor(QStringLiteral("LabelColor")));
    painter->drawText(place(QRect(textLeft, row.top() + 40, std::max(10, textRight - textLeft), 20)), int(leading),
                      transformedFileSize(uint64_t(std::max<qint64>(0, group->groupSize())), true, true));
    painter->setFont(countFont);
    painter->setPen(lightColor(QStringLiteral("LabelColor")));
    painter->drawText(place(QRect(ltrBox.left() - countWidth - 10, row.top(), countWidth, row.height())),
                      int(QStyle::visualAlignment(direction, Qt::AlignRight) | Qt::AlignVCenter), count);
    const int state = ScanImagesSelection::stateOf(*group);
    RYTCheckBox::paintBox(painter, QRectF(boxRect(row, direction)).adjusted(0.5, 0.5, -0.5, -0.5),
                          state == 1 ? RYTCheckBox::stateOn : (state == 0 ? RYTCheckBox::stateOff : RYTCheckBox::stateMixed),
                          false, true);
    if (index.row() == selectIndex_ && option.widget && option.widget->hasFocus()) {
        RYTButton::paintFocusMark(*painter, QRectF(row).adjusted(4, 0, -4, 0), 4);
    }
    painter->restore();
}

bool ScanImagesListCellView::editorEvent(QEvent* event, QAbstractItemModel* model,
                                         const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick) {
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    }
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton || !boxRect(paintedRow(option), option.direction).adjusted(-6, -6, 6, 6).contains(mouse->position().toPoint())) {
        return false;
    }
    clickBox(index);
    return true;
}

void ScanImagesListCellView::clickBox(const QModelIndex& index)
{
    const ScanImagesGroupListModel* groups = groupModel(index);
    const ScanImagesGroupItemPtr group = groups ? groups->groupAt(index.row()) : nullptr;
    if (!group || index.row() < 0) {
        return;
    }
    const int state = clickedState(ScanImagesSelection::stateOf(*group));
    if (delegate_) {
        delegate_->selectIndex(index.row(), state);
    }
}
