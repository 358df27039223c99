#include "ScanImagesCollectionViewController.h"

#include "ui_ScanImagesCollectionViewController.h"

#include "DupImagePreview.h"
#include "DupImageTipsViewController.h"
#include "ImageGridView.h"
#include "ScanImagesModels.h"
#include "Main/GACollectionManager.h"
#include "QVLibrary/RYTCheckBox.h"

ScanImagesCollectionViewController::ScanImagesCollectionViewController(QWidget* parent)
    : ScanImagesGroupImagesBase(parent)
    , ui_(std::make_unique<Ui::ScanImagesCollectionViewController>())
    , item_(new ScanImagesCollectionItem(this))
{
    ui_->setupUi(this);
    ImageGridView* grid = ui_->collectionView;
    attach(grid, item_, grid->afterPaint);
    grid->setItemSize(QSize(int(widthSize_), int(heightSize_)));
    grid->setSectionInset(6);
    preview_->onShown = [this] {
        if (tips_) {
            tips_->close();
        }
    };
}

ScanImagesCollectionViewController::~ScanImagesCollectionViewController()
{
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

void ScanImagesCollectionViewController::reloadCollctionView(const ScanImagesGroupItemPtr& group)
{
    showGroup(group);
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
    setImageSelected(index, checkBoxState == RYTCheckBox::stateOn);
}

void ScanImagesCollectionViewController::selectionChanged()
{
    if (delegate_) {
        delegate_->exchangeGroupSelectState(group());
    }
}

void ScanImagesCollectionViewController::imageDoubleClicked(int row)
{
    GACollectionManager& ga = GACollectionManager::default_();
    ga.setImageDoubleClickCount(ga.imageDoubleClickCount() + 1);
    openImage(row);
}

void ScanImagesCollectionViewController::popUpTipsWindow(int row)
{
    const auto& items = group()->dupImageItems();
    QWidget* top = window();
    if (row < 0 || row >= items.size() || top == this) {
        return;
    }
    if (!tips_) {
        tips_ = new DupImageTipsViewController(top);
    }
    tips_->setDupImageItem(items.at(row));
    ImageGridView* grid = ui_->collectionView;
    const QRect cell = grid->visualRect(model()->index(row));
    const QImage thumb = items.at(row)->thumImage();
    const QRect thumbnail = ScanImagesCollectionItem::thumbnailRect(
                                thumb.isNull() ? QSizeF(cell.size()) : thumb.deviceIndependentSize(), cell)
                                .toAlignedRect();
    tips_->showRelativeTo(top, QRect(grid->viewport()->mapTo(top, thumbnail.topLeft()), thumbnail.size()));
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
    ScanImagesGroupImagesBase::closeOverlays();
    if (tips_) {
        tips_->close();
    }
}

void ScanImagesCollectionViewController::pointerMoved(const QPoint& point)
{
    ImageGridView* grid = ui_->collectionView;
    const QModelIndex index = grid->indexAt(point);
    const ScanImagesImageCell::Part part =
        index.isValid() ? item_->hitTest(index, grid->visualRect(index), point) : ScanImagesImageCell::Part::none;
    const int row = part == ScanImagesImageCell::Part::none ? -1 : index.row();
    const int loupe = part == ScanImagesImageCell::Part::loupe ? row : -1;

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
        if (tips_) {
            tips_->close();
        }
        previewImage(loupe);
    }
    const bool onLoupe = loupeRow_ >= 0 && loupeRow_ == hoverRow_;
    if (item_->hoverRow() != hoverRow_ || item_->onLoupe() != onLoupe) {
        item_->setHoverRow(hoverRow_, onLoupe);
        updateCells();
    }
}
