#include "DragDropView.h"

#include "Foundation/ResourceValues.h"
#include "QVLibrary/RYTImage.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QUrl>

DragDropView::DragDropView(QWidget* parent)
    : QWidget(parent)
{
    setAcceptDrops(true);
    setAttribute(Qt::WA_NoSystemBackground);
}

bool DragDropView::isAcceptableItem(const QUrl& url)
{
    if (!url.isLocalFile()) {
        return false;
    }
    QByteArray path = FilePath::fromFileUrl(url);
    while (path.size() > 1 && path.endsWith('/')) {
        path.chop(1);
    }
    return !path.isEmpty() && !path.endsWith(".app");
}

DragDropView::DragOperation DragDropView::draggingEntered(const QMimeData* data)
{
    // Decided from the dragged addresses alone: looking at the items
    // themselves could hold the window on a share that stopped answering.
    // Whether they are folders is asked off the main thread once dropped.
    const QList<QUrl> urls = data && data->hasUrls() ? data->urls() : QList<QUrl>();
    pathList_ = QByteArrayList();
    int refused = 0;
    for (const QUrl& url : urls) {
        if (isAcceptableItem(url)) {
            pathList_.append(FilePath::fromFileUrl(url));
        } else {
            isFile_ = 1;
            ++refused;
        }
    }
    accepted_ = refused != urls.size();
    if (accepted_) {
        isFile_ = 0;
        showProhibitedCursor(false);
        if (delegate_) {
            delegate_->draggingEntered(this);
        }
        return DragOperation::copy;
    }
    showProhibitedCursor(true);
    return DragOperation::none;
}

void DragDropView::draggingExited()
{
    if (isFile_ == 0 && delegate_) {
        delegate_->draggingExited(this);
    }
    isFile_ = 0;
    isDrag_ = 1;
    accepted_ = false;
    showProhibitedCursor(false);
}

bool DragDropView::prepareForDragOperation()
{
    if (delegate_) {
        delegate_->dragDrop(this, pathList_);
    }
    return true;
}

void DragDropView::showProhibitedCursor(bool show)
{
    if (show == prohibited_) {
        return;
    }
    prohibited_ = show;
    if (!show) {
        unsetCursor();
        return;
    }
    const QPoint hotSpot = cursor().hotSpot();
    const QPixmap image = RYTImage::named(QStringLiteral("FileProhibited")).pixmap(QSize(32, 32), devicePixelRatioF());
    setCursor(image.isNull() ? QCursor(Qt::ForbiddenCursor) : QCursor(image, hotSpot.x(), hotSpot.y()));
}

void DragDropView::dragEnterEvent(QDragEnterEvent* event)
{
    const DragOperation operation = draggingEntered(event->mimeData());
    // A refused drag is still followed to its leaving; it just cannot drop.
    event->accept();
    if (operation == DragOperation::copy) {
        event->setDropAction(Qt::CopyAction);
    } else {
        event->setDropAction(Qt::IgnoreAction);
    }
}

void DragDropView::dragMoveEvent(QDragMoveEvent* event)
{
    if (accepted_) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void DragDropView::dragLeaveEvent(QDragLeaveEvent* event)
{
    draggingExited();
    event->accept();
}

void DragDropView::dropEvent(QDropEvent* event)
{
    if (!accepted_) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    prepareForDragOperation();
    // The drop ends the drag without a leave.
    accepted_ = false;
}

void DragDropView::enterEvent(QEnterEvent* event)
{
    // The mouse is back without a drag: no refused drag is over the view,
    // whether or not its leaving reached us.
    showProhibitedCursor(false);
    QWidget::enterEvent(event);
}
