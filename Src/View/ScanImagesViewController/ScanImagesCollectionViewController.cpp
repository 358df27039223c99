#include "Foundation/Bundle.h"
#include "ScanImagesCollectionViewController.h"

#include "ui_ScanImagesCollectionViewController.h"

#include "DupImagePreview.h"
#include "DupImageTipsViewController.h"
#include "DupImageView.h"
#include "ImageGridView.h"
#include "ImageThumbnailLoader.h"
#include "ScanImagesModels.h"
#include "ScanImagesSelection.h"
#include "Main/GACollectionManager.h"
#include "QVLibrary/RYTCheckBox.h"

#include <QFile>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QToolTip>

ScanImagesCollectionViewController::ScanImagesCollectionViewController(QWidget* parent)
    : ViewController(parent)
    , ui_(std::make_unique<Ui::ScanImagesCollectionViewController>())
    , model_(new ScanImagesGroupImagesModel(this))
    , item_(new ScanImagesCollectionItem(this))
    , dupImagesGroup_(std::make_shared<ScanImagesGroupItem>())
    , preview_(new DupImagePreview(this))
{
    ui_->setupUi(this);
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("#ScanImagesCollectionViewController { background: white; border-radius: 8px; }"));
    ImageGridView* grid = ui_->collectionView;
    grid->setItemDelegate(item_);
    grid->setModel(model_);
    grid->setItemSize(QSize(int(widthSize_), int(heightSize_)));
    grid->setSectionInset(6);
    grid->viewport()->installEventFilter(this);
    grid->viewport()->setAutoFillBackground(true);
    QPalette palette = grid->viewport()->palette();
    palette.setColor(QPalette::Base, Qt::white);
    grid->viewport()->setPalette(palette);
    item_->setThumbnailOwner(this);
    grid->afterPaint = [this] { ImageThumbnailLoader::shared().setWanted(this, item_->takeRequestedKeys()); };
    connect(&ImageThumbnailLoader::shared(), &ImageThumbnailLoader::thumbnailReady, this,
            [this] { ui_->collectionView->viewport()->update(); });
    preview_->onShown = [this] {
        if (tips_) {
            tips_->close();
        }
    };
}

ScanImagesCollectionViewController::~ScanImagesCollectionViewController()
{
    ImageThumbnailLoader::shared().forget(this);
    if (tips_) {
        delete tips_.data();
    }
}

DupImageTipsViewController* ScanImagesCollectionViewController::tipsViewController() const
{
    return tips_;
}

ImageGridView* ScanImagesCollectionViewController::collectionView() const
{
    return ui_->collectionView;
}

void ScanImagesCollectionViewController::updateCells()
{
    ui_->collectionView->viewport()->update();
}

void ScanImagesCollectionViewController::reloadCollctionView(const ScanImagesGroupItemPtr& group)
{
    closeOverlays();
    dupImagesGroup_ = group ? group : std::make_shared<ScanImagesGroupItem>();
    selectCount_ = ScanImagesSelection::selectedCount(*dupImagesGroup_);
    hoverRow_ = -1;
    loupeRow_ = -1;
    item_->setHoverRow(-1, false);
    model_->setGroup(dupImagesGroup_);
    ui_->collectionView->scrollToTop();
    // Under a pointer that rests on the grid the cell shows its controls.
    if (ui_->collectionView->viewport()->underMouse()) {
        pointerMoved(ui_->collectionView->viewport()->mapFromGlobal(QCursor::pos()));
    }
}

void ScanImagesCollectionViewController::changeCollctionItemSize(int step)
{
    const QSize size = ScanImagesCollectionItem::sizeForStep(step);
    if (size.isValid()) {
        widthSize_ = size.width();
        heightSize_ = size.height();
        GACollectionManager::default_().setSliderValue(step + 1);
    }
    closeOverlays();
    ui_->collectionView->setItemSize(QSize(int(widthSize_), int(heightSize_)));
}

void ScanImagesCollectionViewController::selectIndex(int index, int checkBoxState)
{
    const auto& items = dupImagesGroup_->dupImageItems();
    if (index < 0 || index >= items.size()) {
        return;
    }
    if (const ScanImagesItemPtr& item = items.at(index)) {
        item->setIsSelect(checkBoxState == RYTCheckBox::stateOn);
    }
    // Counted from the images themselves, never stepped.
    ScanImagesSelection::recount(*dupImagesGroup_);
    selectCount_ = ScanImagesSelection::selectedCount(*dupImagesGroup_);
    updateCells();
    if (delegate_) {
        delegate_->exchangeGroupSelectState(dupImagesGroup_);
    }
}

void ScanImagesCollectionViewController::changeItemSelectState(int row)
{
    const auto& items = dupImagesGroup_->dupImageItems();
    if (row < 0 || row >= items.size() || !items.at(row)) {
        return;
    }
    const bool selected = !items.at(row)->isSelect();
    selectIndex(row, selected ? RYTCheckBox::stateOn : RYTCheckBox::stateOff);
}

DupImageView* ScanImagesCollectionViewController::clicker(int row)
{
    DupImageView* view = clickers_.value(row);
    if (!view) {
        view = new DupImageView(this);
        QPointer<ScanImagesCollectionViewController> self(this);
        const ScanImagesGroupItemPtr group = dupImagesGroup_;
        view->mouseDownBlock = [self, row, group, view] {
            if (self && self->dupImagesGroup_ == group) {
                self->changeItemSelectState(row);
            }
            if (self) {
                self->clickers_.remove(row);
                view->deleteLater();
            }
        };
        view->mouseDoubleDownBlock = [self, row, group, view] {
            if (self && self->dupImagesGroup_ == group) {
                GACollectionManager& ga = GACollectionManager::default_();
                ga.setImageDoubleClickCount(ga.imageDoubleClickCount() + 1);
                self->openImage(row);
            }
            if (self) {
                self->clickers_.remove(row);
                view->deleteLater();
            }
        };
        clickers_.insert(row, view);
    }
    return view;
}

void ScanImagesCollectionViewController::openImage(int row)
{
    const auto& items = dupImagesGroup_->dupImageItems();
    if (row < 0 || row >= items.size() || !items.at(row)) {
        return;
    }
    const ScanImagesItemPtr& item = items.at(row);
    openFileAtPath(item->rawPath().isEmpty() ? QFile::encodeName(item->imagePath()) : item->rawPath());
}

void ScanImagesCollectionViewController::popUpTipsWindow(int row)
{
    const auto& items = dupImagesGroup_->dupImageItems();
    QWidget* top = window();
    if (row < 0 || row >= items.size() || top == this) {
        return;
    }
    if (!tips_) {
        tips_ = new DupImageTipsViewController(top);
    }
    tips_->setDupImageItem(items.at(row));
    ImageGridView* grid = ui_->collectionView;
    const QModelIndex index = model_->index(row);
    const QRect cell = grid->visualRect(index);
    const QImage thumb = items.at(row)->thumImage();
    const QRectF thumbnail = ScanImagesCollectionItem::thumbnailRect(
        thumb.isNull() ? QSizeF(cell.size()) : thumb.deviceIndependentSize(), cell);
    const QRect anchor(grid->viewport()->mapTo(top, thumbnail.toAlignedRect().topLeft()), thumbnail.toAlignedRect().size());
    tips_->showRelativeTo(top, anchor);
}

void ScanImagesCollectionViewController::previewImage(int row)
{
    const auto& items = dupImagesGroup_->dupImageItems();
    if (row < 0 || row >= items.size()) {
        return;
    }
    if (tips_) {
        tips_->close();
    }
    preview_->previewImage(items.at(row));
}

void ScanImagesCollectionViewController::closePreviewWindow()
{
    preview_->closePreviewWindow();
    // Back to the tip while the pointer still rests on the thumbnail.
    if (hoverRow_ >= 0) {
        popUpTipsWindow(hoverRow_);
    }
}

void ScanImagesCollectionViewController::closeOverlays()
{
    preview_->closePreviewWindow();
    if (tips_) {
        tips_->close();
    }
    loupeRow_ = -1;
}

void ScanImagesCollectionViewController::pointerMoved(const QPoint& point)
{
    ImageGridView* grid = ui_->collectionView;
    const QModelIndex index = grid->indexAt(point);
    const ScanImagesCollectionItem::Part part =
        index.isValid() ? item_->hitTest(index, grid->visualRect(index), point) : ScanImagesCollectionItem::Part::none;
    const int row = part == ScanImagesCollectionItem::Part::none ? -1 : index.row();
    const int loupe = part == ScanImagesCollectionItem::Part::loupe ? row : -1;

    if (loupe != loupeRow_ && loupeRow_ >= 0) {
        // Leaving the magnifier.
        loupeRow_ = -1;
        if (row != hoverRow_) {
            hoverRow_ = -1;  // the tip must not come back for the cell left
        }
        closePreviewWindow();
    }
    if (row != hoverRow_) {
        if (tips_) {
            tips_->close();
        }
        hoverRow_ = row;
        if (row >= 0 && loupe < 0) {
            popUpTipsWindow(row);
        }
    }
    if (loupe >= 0 && loupe != loupeRow_) {
        loupeRow_ = loupe;
        GACollectionManager& ga = GACollectionManager::default_();
        ga.setImageHoverCount(ga.imageHoverCount() + 1);
        previewImage(loupe);
    }
    if (item_->hoverRow() != hoverRow_ || (loupeRow_ >= 0) != (item_->hoverRow() >= 0 && loupeRow_ == hoverRow_)) {
        item_->setHoverRow(hoverRow_, loupeRow_ >= 0 && loupeRow_ == hoverRow_);
        updateCells();
    }
}

void ScanImagesCollectionViewController::pointerLeft()
{
    // The preview and the tip never take the pointer, so this is a real
    // leave; still, judge by where the pointer is.
    ImageGridView* grid = ui_->collectionView;
    const QPoint point = grid->viewport()->mapFromGlobal(QCursor::pos());
    if (grid->viewport()->rect().contains(point) && grid->isVisible()) {
        pointerMoved(point);
        return;
    }
    pointerMoved(QPoint(-1, -1));
}

void ScanImagesCollectionViewController::hideEvent(QHideEvent* event)
{
    closeOverlays();
    hoverRow_ = -1;
    item_->setHoverRow(-1, false);
    ViewController::hideEvent(event);
}

bool ScanImagesCollectionViewController::eventFilter(QObject* watched, QEvent* event)
{
    ImageGridView* grid = ui_->collectionView;
    if (watched != grid->viewport()) {
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
        const QPoint point = mouse->position().toPoint();
        const QModelIndex index = grid->indexAt(point);
        if (!index.isValid()) {
            break;
        }
        switch (item_->hitTest(index, grid->visualRect(index), point)) {
        case ScanImagesCollectionItem::Part::selectBox: {
            if (event->type() == QEvent::MouseButtonPress) {
                const ScanImagesItemPtr item = model_->imageForIndex(index);
                if (item) {
                    selectIndex(index.row(), item->isSelect() ? RYTCheckBox::stateOff : RYTCheckBox::stateOn);
                }
            }
            return true;
        }
        case ScanImagesCollectionItem::Part::thumbnail:
        case ScanImagesCollectionItem::Part::removeError:
            clicker(index.row())->mouseDown();
            return true;
        default:
            return true;
        }
    }
    case QEvent::ToolTip: {
        auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = grid->indexAt(help->pos());
        const ScanImagesItemPtr item = model_->imageForIndex(index);
        if (item && item->isRemoveFailed()
            && item_->hitTest(index, grid->visualRect(index), help->pos()) == ScanImagesCollectionItem::Part::removeError) {
            QToolTip::showText(help->globalPos(), item->removeError() ? item->removeError()->localizedDescription() : QString(),
                               grid->viewport());
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    default:
        break;
    }
    return ViewController::eventFilter(watched, event);
}
