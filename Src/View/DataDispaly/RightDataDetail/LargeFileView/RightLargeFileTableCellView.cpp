#include "RightLargeFileTableCellView.h"

#include "Main/Utilities.h"
#include "QVLibrary/RYTImage.h"
#include "RightLargeFileTableModel.h"
#include "View/DataDispaly/CellLooks.h"
#include "View/Extension/KPLExtension.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace {

QFont cellFont()
{
    QFont font;
    font.setPixelSize(12);
    return font;
}

}  // namespace

RightLargeFileTableCellView::RightLargeFileTableCellView(QAbstractItemView* view, RightLargeFileTableModel* model)
    : QStyledItemDelegate(view)
    , view_(view)
    , viewport_(view->viewport())
    , model_(model)
{
    view->setItemDelegate(this);
    view->viewport()->installEventFilter(this);
}

// The viewport may already be gone when the view deletes its children; a
// filter object that goes away is dropped by the objects it watched.
RightLargeFileTableCellView::~RightLargeFileTableCellView() = default;

void RightLargeFileTableCellView::setCheckIsEnabled(bool enabled)
{
    checkIsEnabled_ = enabled;
    if (view_) {
        view_->viewport()->update();
    }
}

QRect RightLargeFileTableCellView::checkBoxRect(const QRect& row)
{
    return QRect(row.left() + 16, row.top() + (row.height() - 16) / 2, 16, 16);
}

QRect RightLargeFileTableCellView::iconRect(const QRect& row)
{
    return QRect(row.left() + 44, row.top() + (row.height() - 24) / 2, 24, 24);
}

QRect RightLargeFileTableCellView::errorRect(const QRect& row)
{
    return QRect(row.right() - 16 - 16, row.top() + (row.height() - 16) / 2, 16, 16);
}

QRect RightLargeFileTableCellView::sizeRect(const QRect& row, bool failed)
{
    // A failed file's mark takes the place at the end of the row.
    const int right = failed ? errorRect(row).left() - 8 : row.right() - 16;
    return QRect(right - 90, row.top(), 90, row.height());
}

QRect RightLargeFileTableCellView::nameRect(const QRect& row, bool failed)
{
    const int left = row.left() + 78;
    return QRect(left, row.top(), qMax(0, sizeRect(row, failed).left() - 12 - left), row.height());
}

QColor RightLargeFileTableCellView::nameColor()
{
    return color256(54, 78, 101, 0.8);
}

QColor RightLargeFileTableCellView::sizeColor()
{
    return color256(54, 78, 101, 1.0);
}

void RightLargeFileTableCellView::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const
{
    const FileInfoPtr file = model_->fileAt(index.row());
    if (!file) {
        return;
    }
    const QRect row = option.rect;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);

    const QIcon box = RYTImage::named(file->selected() ? QStringLiteral("Selected-on") : QStringLiteral("Selected-off"));
    box.paint(painter, checkBoxRect(row), Qt::AlignCenter, checkIsEnabled_ ? QIcon::Normal : QIcon::Disabled);

    CellLooks::fileIcon(*file).paint(painter, iconRect(row));

    // A file the last removal could not take keeps the mark of its failure;
    // the reason is its tool tip.
    const bool failed = file->removeError().has_value();
    if (failed) {
        RYTImage::named(QStringLiteral("right_removeError")).paint(painter, errorRect(row));
    }

    painter->setFont(cellFont());
    const QFontMetrics metrics(cellFont());
    const QRect name = nameRect(row, failed);
    painter->setPen(nameColor());
    painter->drawText(name, Qt::AlignLeft | Qt::AlignVCenter, metrics.elidedText(file->name(), Qt::ElideMiddle, name.width()));
    painter->setPen(sizeColor());
    painter->drawText(sizeRect(row, failed), Qt::AlignRight | Qt::AlignVCenter, transformedFileSize(file->size(), true, true));
    painter->restore();
}

bool RightLargeFileTableCellView::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                            const QStyleOptionViewItem& option, const QModelIndex& index)
{
    const FileInfoPtr file = model_->fileAt(index.row());
    const std::optional<Error> error = file ? file->removeError() : std::nullopt;
    if (event->type() == QEvent::ToolTip && error && errorRect(option.rect).contains(event->pos())) {
        QToolTip::showText(event->globalPos(), error->localizedDescription(), view->viewport(), errorRect(option.rect));
        return true;
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}

QSize RightLargeFileTableCellView::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    return QSize(300, rowHeight);
}

bool RightLargeFileTableCellView::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick) {
        return false;
    }
    if (!view_ || !viewport_ || watched != viewport_) {
        return false;
    }
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton) {
        return false;
    }
    const QPoint pos = mouse->position().toPoint();
    const QModelIndex index = view_->indexAt(pos);
    const bool onBox = index.isValid() && checkBoxRect(view_->visualRect(index)).adjusted(-4, -4, 4, 4).contains(pos);
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
        pressedIndex_ = onBox ? QPersistentModelIndex(index) : QPersistentModelIndex();
        // The box takes its press: the row's selection stays as it is.
        return onBox;
    }
    const QPersistentModelIndex pressed = pressedIndex_;
    pressedIndex_ = QPersistentModelIndex();
    if (!pressed.isValid()) {
        return false;
    }
    if (onBox && pressed == index && checkIsEnabled_ && onClick_) {
        onClick_(index.row());
    }
    return true;
}
