#pragma once

#include <memory>

#include "ScanImagesDetailListCellView.h"
#include "ScanImagesGroupImagesBase.h"

class ImageListView;
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
class ScanImagesListViewController : public ScanImagesGroupImagesBase,
                                     public ScanImagesDetailListCellViewDelegate {
    Q_OBJECT
public:
    explicit ScanImagesListViewController(QWidget* parent = nullptr);
    ~ScanImagesListViewController() override;

    ImageListView* listView() const;
    ScanImagesDetailListCellView* rowDelegate() const { return row_; }
    ScanImagesGroupItemPtr dupImageGroup() const { return group(); }
    void setDupImageGroup(const ScanImagesGroupItemPtr& group) { setGroup(group); }
    ScanImagesListViewControllerDelegate* delegate() const { return delegate_; }
    void setDelegate(ScanImagesListViewControllerDelegate* delegate) { delegate_ = delegate; }

    void reloadListView(const ScanImagesGroupItemPtr& group);
    void selectBox(int selectIndex, int selectBoxState) override;

    ZWEventMonitor* monitor() const { return monitor_.get(); }
    void closeOverlays() override;
    void pointerMoved(const QPoint& point) override;

protected:
    void selectionChanged() override;

private:
    void listenPreviewMove();
    void stopMonitor();

    std::unique_ptr<Ui::ScanImagesListViewController> ui_;
    ScanImagesDetailListCellView* row_;
    ScanImagesListViewControllerDelegate* delegate_ = nullptr;
    std::unique_ptr<ZWEventMonitor> monitor_;
};
