#pragma once

#include <memory>

#include <QHash>
#include <QPointer>

#include "ScanImagesCollectionItem.h"
#include "Model/ScanImagesGroupItem.h"
#include "View/Extension/KPLExtensionView.h"

class DupImagePreview;
class DupImageTipsViewController;
class DupImageView;
class ImageGridView;
class ScanImagesGroupImagesModel;
namespace Ui {
class ScanImagesCollectionViewController;
}

// Told after the user changed the selection of the shown group's images.
class ScanImagesCollectionViewControllerDelegate {
public:
    virtual ~ScanImagesCollectionViewControllerDelegate() = default;
    virtual void exchangeGroupSelectState(const ScanImagesGroupItemPtr& groupItem) = 0;
};

// The grid of one group's images. A click on a thumbnail selects or clears
// its image (after the double-click interval), a double click opens the
// file, the box does the same as a click at once. While the pointer rests
// on a thumbnail its name and path show above it; on the magnifier spot the
// large preview shows instead.
class ScanImagesCollectionViewController : public ViewController, public ScanImagesCollectionItemDelegate {
    Q_OBJECT
public:
    explicit ScanImagesCollectionViewController(QWidget* parent = nullptr);
    ~ScanImagesCollectionViewController() override;

    ImageGridView* collectionView() const;
    ScanImagesGroupImagesModel* model() const { return model_; }
    ScanImagesCollectionItem* itemDelegate() const { return item_; }
    int selectCount() const { return selectCount_; }
    ScanImagesGroupItemPtr dupImagesGroup() const { return dupImagesGroup_; }
    double widthSize() const { return widthSize_; }
    double heightSize() const { return heightSize_; }
    ScanImagesCollectionViewControllerDelegate* delegate() const { return delegate_; }
    void setDelegate(ScanImagesCollectionViewControllerDelegate* delegate) { delegate_ = delegate; }

    void reloadCollctionView(const ScanImagesGroupItemPtr& group);
    // Steps 0 to 6; another step keeps the size but still lays the grid out.
    void changeCollctionItemSize(int step);

    // A cell's image selected (state on) or cleared.
    void selectIndex(int index, int checkBoxState) override;
    // A click on the thumbnail of `row`: the image's selection flips.
    void changeItemSelectState(int row);

    // The pointer's state as the cells see it.
    bool isInFileImageView() const { return hoverRow_ >= 0; }
    bool isOpenPreview() const { return loupeRow_ >= 0; }
    int hoverRow() const { return hoverRow_; }
    DupImagePreview* preview() const { return preview_; }
    DupImageTipsViewController* tipsViewController() const;
    // Takes the preview and the tip away (the grid is hidden or refilled).
    void closeOverlays();

    // The pointer at `point` of the grid's viewport: what the cells do when
    // it moves, presses or leaves.
    void pointerMoved(const QPoint& point);
    void pointerLeft();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void popUpTipsWindow(int row);
    void previewImage(int row);
    void closePreviewWindow();
    void openImage(int row);
    DupImageView* clicker(int row);
    void updateCells();

    std::unique_ptr<Ui::ScanImagesCollectionViewController> ui_;
    ScanImagesGroupImagesModel* model_;
    ScanImagesCollectionItem* item_;
    ScanImagesGroupItemPtr dupImagesGroup_;
    ScanImagesCollectionViewControllerDelegate* delegate_ = nullptr;
    int selectCount_ = 0;
    double widthSize_ = 160;
    double heightSize_ = 105;
    int hoverRow_ = -1;
    int loupeRow_ = -1;
    QHash<int, DupImageView*> clickers_;
    DupImagePreview* preview_;
    QPointer<DupImageTipsViewController> tips_;
};
