#pragma once

#include <memory>

#include <QPointer>

#include "ScanImagesCollectionItem.h"
#include "ScanImagesGroupImagesBase.h"

class DupImageTipsViewController;
class ImageGridView;
namespace Ui {
class ScanImagesCollectionViewController;
}

// Told after the user changed the selection of the shown group's images.
class ScanImagesCollectionViewControllerDelegate {
public:
    virtual ~ScanImagesCollectionViewControllerDelegate() = default;
    virtual void exchangeGroupSelectState(const ScanImagesGroupItemPtr& groupItem) = 0;
};

// The grid of one group's images, at one of seven cell sizes. While the
// pointer rests on a thumbnail its name and path show above it; on the
// magnifier spot the large preview shows instead, and leaving the spot
// brings the tip back. A double click counts for the analytics.
class ScanImagesCollectionViewController : public ScanImagesGroupImagesBase,
                                           public ScanImagesCollectionItemDelegate {
    Q_OBJECT
public:
    explicit ScanImagesCollectionViewController(QWidget* parent = nullptr);
    ~ScanImagesCollectionViewController() override;

    ImageGridView* collectionView() const;
    ScanImagesCollectionItem* itemDelegate() const { return item_; }
    ScanImagesGroupItemPtr dupImagesGroup() const { return group(); }
    double widthSize() const { return widthSize_; }
    double heightSize() const { return heightSize_; }
    ScanImagesCollectionViewControllerDelegate* delegate() const { return delegate_; }
    void setDelegate(ScanImagesCollectionViewControllerDelegate* delegate) { delegate_ = delegate; }

    void reloadCollctionView(const ScanImagesGroupItemPtr& group);
    // Steps 0 to 6; another step keeps the size but still lays the grid out.
    void changeCollctionItemSize(int step);

    // A cell's image selected (state on) or cleared.
    void selectIndex(int index, int checkBoxState) override;

    bool isInFileImageView() const { return hoverRow_ >= 0; }
    DupImageTipsViewController* tipsViewController() const;
    void closeOverlays() override;
    void pointerMoved(const QPoint& point) override;

protected:
    void selectionChanged() override;
    void imageDoubleClicked(int row) override;

private:
    void popUpTipsWindow(int row);
    void closePreviewWindow();

    std::unique_ptr<Ui::ScanImagesCollectionViewController> ui_;
    ScanImagesCollectionItem* item_;
    ScanImagesCollectionViewControllerDelegate* delegate_ = nullptr;
    double widthSize_ = 160;
    double heightSize_ = 105;
    QPointer<DupImageTipsViewController> tips_;
};
