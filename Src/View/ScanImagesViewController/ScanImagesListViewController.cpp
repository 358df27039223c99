#include "ScanImagesListViewController.h"

#include "ui_ScanImagesListViewController.h"

#include "DupImagePreview.h"
#include "ImageListView.h"
#include "Main/GACollectionManager.h"
#include "Main/Utilities.h"
#include "QVLibrary/RYTCheckBox.h"
#include "View/PreferenceView/ZWEventMonitor.h"

#include <QPointer>
#include <QScrollBar>

ScanImagesListViewController::ScanImagesListViewController(QWidget* parent)
    : ScanImagesGroupImagesBase(parent)
    , ui_(std::make_unique<Ui::ScanImagesListViewController>())
    , row_(new ScanImagesDetailListCellView(this))
{
    ui_->setupUi(this);
    ImageListView* list = ui_->listView;
    list->setSpacing(0);
    attach(list, row_, list->afterPaint);
    // A row that scrolls away ends its watch and its preview.
    connect(list->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (loupeRow_ >= 0) {
            pointerMoved(ui_->listView->viewport()->mapFromGlobal(QCursor::pos()));
        }
    });
}

ScanImagesListViewController::~ScanImagesListViewController()
{
    stopMonitor();
}

ImageListView* ScanImagesListViewController::listView() const
{
    return ui_->listView;
}

void ScanImagesListViewController::reloadListView(const ScanImagesGroupItemPtr& group)
{
    showGroup(group);
}

void ScanImagesListViewController::selectBox(int selectIndex, int selectBoxState)
{
    setImageSelected(selectIndex, selectBoxState == RYTCheckBox::stateOn);
}

void ScanImagesListViewController::selectionChanged()
{
    if (delegate_) {
        delegate_->changeGroupItemSelectState(group());
    }
}

void ScanImagesListViewController::stopMonitor()
{
    if (monitor_) {
        monitor_->stop();
        // Often stopped from inside its own handler: the handler lives on
        // until that call has returned.
        monitor_.release()->deleteLater();
    }
}

void ScanImagesListViewController::listenPreviewMove()
{
    // One watch per list: a new one takes the place of the last.
    stopMonitor();
    QPointer<ScanImagesListViewController> self(this);
    monitor_ = std::make_unique<ZWEventMonitor>(ZWEventMonitorTypeLocal, ZWEventMonitor::mouseMoved,
                                                [self](QWidget*, QEvent*) {
                                                    if (self) {
                                                        self->pointerMoved(self->ui_->listView->viewport()->mapFromGlobal(QCursor::pos()));
                                                    }
                                                });
    monitor_->start();
}

void ScanImagesListViewController::closeOverlays()
{
    stopMonitor();
    ScanImagesGroupImagesBase::closeOverlays();
}

void ScanImagesListViewController::pointerMoved(const QPoint& point)
{
    ImageListView* list = ui_->listView;
    const QModelIndex index = list->viewport()->rect().contains(point) ? list->indexAt(point) : QModelIndex();
    const ScanImagesImageCell::Part part =
        index.isValid() ? row_->hitTest(index, row_->cellRect(list, index), point) : ScanImagesImageCell::Part::none;
    const int row = index.isValid() ? index.row() : -1;
    const int loupe = part == ScanImagesImageCell::Part::loupe ? row : -1;
    if (loupe != loupeRow_ && loupeRow_ >= 0) {
        TSLOG(QStringLiteral("<<< 22222 close Preview Image"));
        if (preview_->isCanPreview()) {
            TSLOG(QStringLiteral("<<< 33333 close Preview Image"));
        }
        closeOverlays();
    }
    if (loupe >= 0 && loupe != loupeRow_) {
        loupeRow_ = loupe;
        GACollectionManager& ga = GACollectionManager::default_();
        ga.setImageHoverCount(ga.imageHoverCount() + 1);
        TSLOG(QStringLiteral("<<< 11111 open preview Image"));
        previewImage(loupe);
        listenPreviewMove();
    }
    hoverRow_ = row;
    const bool onLoupe = loupeRow_ >= 0 && loupeRow_ == hoverRow_;
    if (row_->hoverRow() != hoverRow_ || row_->onLoupe() != onLoupe) {
        row_->setHoverRow(hoverRow_, onLoupe);
        updateCells();
    }
}
