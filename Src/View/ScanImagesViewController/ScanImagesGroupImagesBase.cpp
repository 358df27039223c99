#include "ScanImagesGroupImagesBase.h"

#include "DupImagePreview.h"
#include "DupImageView.h"
#include "ImageThumbnailLoader.h"
#include "ScanImagesContent.h"
#include "ScanImagesModels.h"
#include "ScanImagesSelection.h"
#include "Main/Utilities.h"
#include "QVLibrary/RYTButton.h"

#include <QAbstractItemView>
#include <QFile>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QToolTip>

ScanImagesGroupImagesBase::ScanImagesGroupImagesBase(QWidget* parent)
    : ViewController(parent)
    , preview_(new DupImagePreview(this))
    , model_(new ScanImagesGroupImagesModel(this))
    , group_(std::make_shared<ScanImagesGroupItem>())
{
}

ScanImagesGroupImagesBase::~ScanImagesGroupImagesBase()
{
    ImageThumbnailLoader::shared().forget(this);
}

void ScanImagesGroupImagesBase::attach(QAbstractItemView* view, ScanImagesImageCell* cells,
                                                 std::function<void()>& afterPaint)
{
    view_ = view;
    cells_ = cells;
    whiteBox(this);
    view->setItemDelegate(cells);
    view->setModel(model_);
    view->viewport()->installEventFilter(this);
    view->installEventFilter(this);
    view->setFocusPolicy(Qt::TabFocus);
    // The ring lies around the current image, partly outside its cell: the
    // whole view is painted again when it moves.
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { updateCells(); });
    // Another group under the keyboard: its first image is the current one.
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        if (view_ && view_->hasFocus()) {
            takeFirstAsCurrent();
        }
    });
    view->viewport()->setAutoFillBackground(true);
    ScanScreenLook::keepColor(view->viewport(), QPalette::Base, Qt::white);
    ScanScreenLook::keepScrollBarsLight(view);
    cells->setThumbnailOwner(this);
    const auto cellRect = [view, cells](const QModelIndex& index) { return cells->cellRect(view, index); };
    afterPaint = [this, view, cellRect] {
        ImageThumbnailLoader::shared().setWanted(this, cells_->thumbnailRequests().wanted(view, cellRect));
    };
    // A thumbnail that lands repaints the cells that show it, not the view.
    connect(&ImageThumbnailLoader::shared(), &ImageThumbnailLoader::thumbnailReady, this,
            [this, view, cellRect](const QByteArray& key) { cells_->thumbnailRequests().landed(view, key, cellRect); });
    // A scroll under a pointer at rest moves other images under it without
    // a mouse move: the hover, the tip and the preview follow the pointer.
    connect(view->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { pointerLeft(); });
}

void ScanImagesGroupImagesBase::setGroup(const ScanImagesGroupItemPtr& group)
{
    group_ = group ? group : std::make_shared<ScanImagesGroupItem>();
}

void ScanImagesGroupImagesBase::showGroup(const ScanImagesGroupItemPtr& group)
{
    closeOverlays();
    // A click still waiting to be told from a double click belongs to the
    // group shown until now: another click cannot join it any more, so it
    // counts now, on its own image.
    finishPendingClicks();
    setGroup(group);
    selectCount_ = ScanImagesSelection::selectedCount(*group_);
    hoverRow_ = -1;
    cells_->setHoverRow(-1, false);
    model_->setGroup(group_);
    view_->scrollToTop();
    // Under a pointer that rests on the view the cell shows its controls.
    if (view_->viewport()->underMouse()) {
        pointerMoved(view_->viewport()->mapFromGlobal(QCursor::pos()));
    }
}

void ScanImagesGroupImagesBase::updateCells()
{
    if (view_) {
        view_->viewport()->update();
    }
}

void ScanImagesGroupImagesBase::setImageSelected(int row, bool selected)
{
    const auto& items = group_->dupImageItems();
    if (row < 0 || row >= items.size()) {
        return;
    }
    if (const ScanImagesItemPtr& item = items.at(row)) {
        item->setIsSelect(selected);
    }
    // Counted from the images themselves, never stepped.
    ScanImagesSelection::recount(*group_);
    selectCount_ = ScanImagesSelection::selectedCount(*group_);
    updateCells();
    selectionChanged();
}

void ScanImagesGroupImagesBase::changeItemSelectState(int row)
{
    const auto& items = group_->dupImageItems();
    if (row < 0 || row >= items.size() || !items.at(row)) {
        return;
    }
    setImageSelected(row, !items.at(row)->isSelect());
}

DupImageView* ScanImagesGroupImagesBase::clicker(int row)
{
    DupImageView* view = clickers_.value(row);
    if (!view) {
        view = new DupImageView(this);
        QPointer<ScanImagesGroupImagesBase> self(this);
        // Each thumbnail of the group shown counts its own clicks; a group
        // switch settles them first (finishPendingClicks), so a click never
        // acts on a group other than its own.
        const ScanImagesGroupItemPtr shown = group_;
        auto done = [self, row, view] {
            if (self && self->clickers_.value(row) == view) {
                self->clickers_.remove(row);
            }
            view->deleteLater();
        };
        view->mouseDownBlock = [self, row, shown, done] {
            if (self && self->group_ == shown) {
                self->changeItemSelectState(row);
            }
            done();
        };
        view->mouseDoubleDownBlock = [self, row, shown, done] {
            if (self && self->group_ == shown) {
                self->imageDoubleClicked(row);
            }
            done();
        };
        clickers_.insert(row, view);
    }
    return view;
}

void ScanImagesGroupImagesBase::finishPendingClicks()
{
    const QList<DupImageView*> pending = clickers_.values();
    clickers_.clear();
    for (DupImageView* view : pending) {
        view->finishNow();
    }
}

void ScanImagesGroupImagesBase::openImage(int row)
{
    const auto& items = group_->dupImageItems();
    if (row < 0 || row >= items.size() || !items.at(row)) {
        return;
    }
    const ScanImagesItemPtr& item = items.at(row);
    openFileAtPath(item->rawPath().isEmpty() ? QFile::encodeName(item->imagePath()) : item->rawPath());
}

void ScanImagesGroupImagesBase::previewImage(int row)
{
    const auto& items = group_->dupImageItems();
    if (row >= 0 && row < items.size()) {
        preview_->previewImage(items.at(row));
    }
}

void ScanImagesGroupImagesBase::closeOverlays()
{
    preview_->closePreviewWindow();
    loupeRow_ = -1;
}

void ScanImagesGroupImagesBase::pointerLeft()
{
    // The preview and the tip never take the pointer, so this is a real
    // leave; still, judge by where the pointer is.
    const QPoint point = view_->viewport()->mapFromGlobal(QCursor::pos());
    if (view_->viewport()->rect().contains(point) && view_->isVisible()) {
        pointerMoved(point);
        return;
    }
    pointerMoved(QPoint(-1, -1));
}

void ScanImagesGroupImagesBase::hideEvent(QHideEvent* event)
{
    closeOverlays();
    hoverRow_ = -1;
    cells_->setHoverRow(-1, false);
    ViewController::hideEvent(event);
}

bool ScanImagesGroupImagesBase::toolTip(QEvent* event)
{
    auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = view_->indexAt(help->pos());
    const ScanImagesItemPtr item = model_->imageForIndex(index);
    QString tip;
    if (item) {
        switch (cells_->hitTest(index, cells_->cellRect(view_, index), help->pos())) {
        case ScanImagesImageCell::Part::removeError:
            tip = item->removeError() ? item->removeError()->localizedDescription() : QString();
            break;
        case ScanImagesImageCell::Part::name:
            tip = item->imageName();
            break;
        case ScanImagesImageCell::Part::path:
            tip = item->imagePath();
            break;
        default:
            break;
        }
    }
    if (tip.isEmpty()) {
        QToolTip::hideText();
    } else {
        QToolTip::showText(help->globalPos(), plainToolTip(tip), view_->viewport());
    }
    return true;
}

int ScanImagesGroupImagesBase::currentRow() const
{
    const QModelIndex current = view_ ? view_->currentIndex() : QModelIndex();
    return current.isValid() && current.row() < model_->rowCount() ? current.row() : -1;
}

void ScanImagesGroupImagesBase::takeFirstAsCurrent()
{
    if (!view_->currentIndex().isValid() && model_->rowCount() > 0) {
        view_->setCurrentIndex(model_->index(0, 0));
    }
}

bool ScanImagesGroupImagesBase::viewKey(QKeyEvent* event)
{
    if (!RYTButton::isPressKey(event)) {
        return false;
    }
    const int row = currentRow();
    if (row < 0 || event->isAutoRepeat()) {
        return true;
    }
    if (event->key() == Qt::Key_Space) {
        if (const ScanImagesItemPtr item = group_->dupImageItems().value(row)) {
            setImageSelected(row, !item->isSelect());
        }
    } else {
        imageDoubleClicked(row);
    }
    return true;
}

bool ScanImagesGroupImagesBase::eventFilter(QObject* watched, QEvent* event)
{
    if (view_ && watched == view_) {
        switch (event->type()) {
        case QEvent::KeyPress:
            return viewKey(static_cast<QKeyEvent*>(event));
        case QEvent::FocusIn:
            takeFirstAsCurrent();
            updateCells();
            break;
        case QEvent::FocusOut:
            updateCells();
            break;
        default:
            break;
        }
        return ViewController::eventFilter(watched, event);
    }
    if (!view_ || watched != view_->viewport()) {
        return ViewController::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::MouseMove:
        pointerMoved(static_cast<QMouseEvent*>(event)->position().toPoint());
        break;
    case QEvent::Leave:
        pointerLeft();
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) {
            break;
        }
        // The view's own selection plays no part: every left press is ours.
        const QPoint point = mouse->position().toPoint();
        const QModelIndex index = view_->indexAt(point);
        if (!index.isValid()) {
            return true;
        }
        switch (cells_->hitTest(index, cells_->cellRect(view_, index), point)) {
        case ScanImagesImageCell::Part::selectBox:
            if (event->type() == QEvent::MouseButtonPress) {
                if (const ScanImagesItemPtr item = model_->imageForIndex(index)) {
                    setImageSelected(index.row(), !item->isSelect());
                }
            }
            return true;
        case ScanImagesImageCell::Part::removeError:
            if (cells_->errorIconOnThumbnail()) {
                clicker(index.row())->mouseDown();
            }
            return true;
        case ScanImagesImageCell::Part::thumbnail:
            clicker(index.row())->mouseDown();
            return true;
        default:
            return true;
        }
    }
    case QEvent::ToolTip:
        return toolTip(event);
    default:
        break;
    }
    return ViewController::eventFilter(watched, event);
}
