#pragma once

#include <memory>

#include "ScanImagesCollectionViewController.h"
#include "ScanImagesListCellView.h"
#include "ScanImagesListViewController.h"
#include "Model/ScanImagesGroupItem.h"
#include "View/Extension/KPLExtensionView.h"

class QKeyEvent;
class QLabel;
class QListView;
class QSlider;
class RYSelectView;
class RYTButton;
class RYTCheckBox;
class RYTLinkTextField;
class RYTView;
class ScanImagesGroupListModel;
namespace Ui {
class ImagesScanResultViewController;
}

// Told after every change of the selection, with the whole list of groups.
class ImagesScanResultViewControllerDelegate {
public:
    virtual ~ImagesScanResultViewControllerDelegate() = default;
    virtual void changeSelectLabel(const ScanImagesGroupList& dupImagesArray) = 0;
};

// The result of a similar-image scan: on the left the tabs "All" and
// "Selected", the "Select all" box and the list of groups; on the right the
// chosen group's images as a grid (with its size slider) or as a list; above
// them the number of groups and of images with their size. The "Selected"
// tab lists copies of the groups holding a selected image, which share the
// image records with their groups; a copy finds its group by the source
// image's path through a hash.
//
// Tab goes through it in reading order: the tabs (one stop), "Select all",
// the group list (the arrows choose the group, Space clicks its box), the
// size buttons and slider, the grid and list switch (one stop) and the
// images; each draws the program's focus ring while it has the focus.
class ImagesScanResultViewController : public ViewController,
                                       public ScanImagesListCellViewDelegate,
                                       public ScanImagesCollectionViewControllerDelegate,
                                       public ScanImagesListViewControllerDelegate {
    Q_OBJECT
public:
    explicit ImagesScanResultViewController(QWidget* parent = nullptr);
    ~ImagesScanResultViewController() override;

    ImagesScanResultViewControllerDelegate* delegate() const { return delegate_; }
    void setDelegate(ImagesScanResultViewControllerDelegate* delegate) { delegate_ = delegate; }

    // Fills the list ("All"): row 0 shown, header counted. The list must
    // not be empty.
    void reloadListViewData(const ScanImagesGroupList& dupImages, bool isAllView = true);
    void countGroup();

    ScanImagesGroupList dupImagesArray() const { return dupImagesArray_; }
    void setDupImagesArray(const ScanImagesGroupList& groups) { dupImagesArray_ = groups; }
    ScanImagesGroupList displayImageArray() const { return displayImageArray_; }
    void setDisplayImageArray(const ScanImagesGroupList& groups) { displayImageArray_ = groups; }
    ScanImagesGroupList selectImageArray() const { return selectImageArray_; }
    int selectIndex() const { return selectIndex_; }
    void setSelectIndex(int index) { selectIndex_ = index; }
    bool isClickCollectionView() const { return isClickCollectionView_; }
    bool isAllView() const { return isAllView_; }
    int groupCount() const { return groupCount_; }
    int dupImagesCount() const { return dupImagesCount_; }
    qint64 dupimagesSize() const { return dupimagesSize_; }

    // The views, for the container and the tests.
    QListView* listView() const;
    ScanImagesGroupListModel* listModel() const { return listModel_; }
    ScanImagesListCellView* cellView() const { return cell_; }
    ScanImagesCollectionViewController* scanImagesViewCtr();
    ScanImagesListViewController* scanimagesListViewCtr();
    RYTCheckBox* autoSelectAll() const;
    QLabel* autoSelectAllTitle() const;
    QLabel* selectedTitleLabel() const;
    QSlider* slider() const;
    RYTButton* sliderReduceBtn() const;
    RYTButton* sliderAddBtn() const;
    RYSelectView* allSelectView() const;
    RYSelectView* selectedSelectView() const;
    RYSelectView* collectionSelectView() const;
    RYSelectView* listSelectView() const;
    RYSelectView* sliderSelectView() const;
    QWidget* bottonView() const;
    QLabel* groupCountLabel() const;
    RYTLinkTextField* imagesCountSizeLabel() const;
    QWidget* rightContent() const;
    QWidget* leftContent() const;
    RYTView* leftNoDataSelectView() const { return leftNoDataSelectView_; }
    QWidget* rightNoDataSelectView() const { return rightNoDataSelectView_; }

    // The views' reports.
    void selectIndex(int index, int checkBoxState) override;
    void exchangeGroupSelectState(const ScanImagesGroupItemPtr& groupItem) override;
    void changeGroupItemSelectState(const ScanImagesGroupItemPtr& groupItem) override;

    // The actions.
    void autoSelectAllBtnAction();
    void sliderValueChange();
    void sliderReduceBtnAction();
    void sliderAddBtnAction();
    void clickAllTab();
    void clickSelectedTab();
    void clickCollectionMode();
    void clickListMode();
    // A click on a group row.
    void didClickItemAt(int row);

    void setUpSelectedGroupItem();
    void changeAutoSelectBoxState();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void viewDidLoad();
    void setUpView();
    void configDataView();
    void setUpBtn();
    void setUpListView();
    void setUpSlider();
    void setUpTabOrder();
    // A key for the group list; true when it was dealt with here.
    bool listKey(QKeyEvent* event);
    void setTabLook(bool allActive);
    void setRightContent(QWidget* view);
    void setLeftContent(QWidget* view);
    void reloadRight(const ScanImagesGroupItemPtr& group);
    void showNoDataViews();
    void groupChanged(const ScanImagesGroupItemPtr& groupItem);
    // The groups of `list` with this source image path.
    QList<ScanImagesGroupItemPtr> matching(const ScanImagesGroupList& list, const QString& source) const;
    void rebuildIndex();

    std::unique_ptr<Ui::ImagesScanResultViewController> ui_;
    ScanImagesGroupListModel* listModel_;
    ScanImagesListCellView* cell_;
    QPointer<ScanImagesCollectionViewController> scanImagesViewCtr_;
    QPointer<ScanImagesListViewController> scanimagesListViewCtr_;
    RYTView* leftNoDataSelectView_ = nullptr;
    QWidget* rightNoDataSelectView_ = nullptr;
    QLabel* noDataSelectTipLabel_ = nullptr;
    QLabel* noDataSelectLeftTipLabel_ = nullptr;
    QWidget* rightShown_ = nullptr;
    QWidget* leftShown_ = nullptr;

    ScanImagesGroupList displayImageArray_;
    ScanImagesGroupList dupImagesArray_;
    ScanImagesGroupList selectImageArray_;
    // Source image path → positions in dupImagesArray_.
    QHash<QString, QList<int>> allBySource_;
    int selectIndex_ = 0;
    bool isClickCollectionView_ = true;
    bool isAllView_ = true;
    int groupCount_ = 0;
    int dupImagesCount_ = 0;
    qint64 dupimagesSize_ = 0;
    int autoSelectCount_ = 0;
    bool loaded_ = false;
    Qt::MouseButton pressButton_ = Qt::NoButton;
    ImagesScanResultViewControllerDelegate* delegate_ = nullptr;
};
