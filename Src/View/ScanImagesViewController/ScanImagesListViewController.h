#pragma once

#include <memory>

#include <QHash>
#include <QPointer>

#include "ScanImagesDetailListCellView.h"
#include "Model/ScanImagesGroupItem.h"
#include "View/Extension/KPLExtensionView.h"

class DupImagePreview;
class DupImageView;
class ImageListView;
class ScanImagesGroupImagesModel;
class ZWEventMonitor;
namespace Ui {
class ScanImagesListViewController;
}

// Told after the user changed the selection of the shown group's images.
class ScanImagesListViewControllerDelegate {
public:
    virtual ~ScanImagesListViewControllerDelegate() = default;
    virtual void changeGroupItemSelectState(const ScanImagesGroupItemPtr& groupItem) = 0;
};

// The list of one group's images, a row of 110 for each. Clicks work as in
// the grid (without the tip and without counting double clicks); while a
// preview is open, a watch on the program's mouse moves closes it as soon
// as the pointer is off the magnifier. The watch ends with its row.
class ScanImagesListViewController : public ViewController, public ScanImagesDetailListCellViewDelegate {
    Q_OBJECT
public:
    explicit ScanImagesListViewController(QWidget* parent = nullptr);
    ~ScanImagesListViewController() override;

    ImageListView* listView() const;
    ScanImagesGroupImagesModel* model() const { return model_; }
    ScanImagesDetailListCellView* rowDelegate() const { return row_; }
    ScanImagesGroupItemPtr dupImageGroup() const { return dupImageGroup_; }
    void setDupImageGroup(const ScanImagesGroupItemPtr& group);
    int selectCount() const { return selectCount_; }
    ScanImagesListViewControllerDelegate* delegate() const { return delegate_; }
    void setDelegate(ScanImagesListViewControllerDelegate* delegate) { delegate_ = delegate; }

    void reloadListView(const ScanImagesGroupItemPtr& group);
    void selectBox(int selectIndex, int selectBoxState) override;
    void changeItemSelectState(int row);

    int hoverRow() const { return hoverRow_; }
    bool isOpenPreview() const { return loupeRow_ >= 0; }
    DupImagePreview* preview() const { return preview_; }
    ZWEventMonitor* monitor() const { return monitor_.get(); }
    void closeOverlays();

    void pointerMoved(const QPoint& point);
    void pointerLeft();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void previewImage(int row);
    void closePreviewWindow();
    void listenPreviewMove();
    void stopMonitor();
    void openImage(int row);
    DupImageView* clicker(int row);
    void updateRows();

    std::unique_ptr<Ui::ScanImagesListViewController> ui_;
    ScanImagesGroupImagesModel* model_;
    ScanImagesDetailListCellView* row_;
    ScanImagesGroupItemPtr dupImageGroup_;
    ScanImagesListViewControllerDelegate* delegate_ = nullptr;
    int selectCount_ = 0;
    int hoverRow_ = -1;
    int loupeRow_ = -1;
    QHash<int, DupImageView*> clickers_;
    DupImagePreview* preview_;
    std::unique_ptr<ZWEventMonitor> monitor_;
};
