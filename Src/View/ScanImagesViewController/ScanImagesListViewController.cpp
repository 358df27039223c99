#include "Foundation/Bundle.h"
#include "ScanImagesListViewController.h"

#include "ui_ScanImagesListViewController.h"

#include "DupImagePreview.h"
#include "DupImageView.h"
#include "ImageListView.h"
#include "ImageThumbnailLoader.h"
#include "ScanImagesModels.h"
#include "ScanImagesSelection.h"
#include "Main/GACollectionManager.h"
#include "Main/Utilities.h"
#include "QVLibrary/RYTCheckBox.h"
#include "View/PreferenceView/ZWEventMonitor.h"

#include <QFile>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QToolTip>

ScanImagesListViewController::ScanImagesListViewController(QWidget* parent)
    : ViewController(parent)
    , ui_(std::make_unique<Ui::ScanImagesListViewController>())
    , model_(new ScanImagesGroupImagesModel(this))
    , row_(new ScanImagesDetailListCellView(this))
    , dupImageGroup_(std::make_shared<ScanImagesGroupItem>())
    , preview_(new DupImagePreview(this))
{
    ui_->setupUi(this);
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("#ScanImagesListViewController { background: white; border-radius: 8px; }"));
    ImageListView* list = ui_->listView;
    list->setSpacing(0);
    list->setItemDelegate(row_);
    list->setModel(model_);
    list->viewport()->installEventFilter(this);
    list->viewport()->setAutoFillBackground(true);
    QPalette palette = list->viewport()->palette();
    palette.setColor(QPalette::Base, Qt::white);
    list->viewport()->setPalette(palette);
    row_->setThumbnailOwner(this);
    list->afterPaint = [this] { ImageThumbnailLoader::shared().setWanted(this, row_->takeRequestedKeys()); };
    connect(&ImageThumbnailLoader::shared(), &ImageThumbnailLoader::thumbnailReady, this, [this] { updateRows(); });
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
    ImageThumbnailLoader::shared().forget(this);
}

ImageListView* ScanImagesListViewController::listView() const
{
    return ui_->listView;
}

void ScanImagesListViewController::setDupImageGroup(const ScanImagesGroupItemPtr& group)
{
    dupImageGroup_ = group ? group : std::make_shared<ScanImagesGroupItem>();
}

void ScanImagesListViewController::updateRows()
{
    ui_->listView->viewport()->update();
}

void ScanImagesListViewController::reloadListView(const ScanImagesGroupItemPtr& group)
{
    closeOverlays();
    setDupImageGroup(group);
    selectCount_ = ScanImagesSelection::selectedCount(*dupImageGroup_);
    hoverRow_ = -1;
    row_->setHoverRow(-1, false);
    model_->setGroup(dupImageGroup_);
    ui_->listView->scrollToTop();
}

void ScanImagesListViewController::selectBox(int selectIndex, int selectBoxState)
{
    const auto& items = dupImageGroup_->dupImageItems();
    if (selectIndex < 0 || selectIndex >= items.size()) {
        return;
    }
    if (const ScanImagesItemPtr& item = items.at(selectIndex)) {
        item->setIsSelect(selectBoxState == RYTCheckBox::stateOn);
    }
    ScanImagesSelection::recount(*dupImageGroup_);
    selectCount_ = ScanImagesSelection::selectedCount(*dupImageGroup_);
    updateRows();
    if (delegate_) {
        delegate_->changeGroupItemSelectState(dupImageGroup_);
    }
}

void ScanImagesListViewController::changeItemSelectState(int row)
{
    const auto& items = dupImageGroup_->dupImageItems();
    if (row < 0 || row >= items.size() || !items.at(row)) {
        return;
    }
    selectBox(row, items.at(row)->isSelect() ? RYTCheckBox::stateOff : RYTCheckBox::stateOn);
}

DupImageView* ScanImagesListViewController::clicker(int row)
{
    DupImageView* view = clickers_.value(row);
    if (!view) {
        view = new DupImageView(this);
        QPointer<ScanImagesListViewController> self(this);
        const ScanImagesGroupItemPtr group = dupImageGroup_;
        view->mouseDownBlock = [self, row, group, view] {
            if (self && self->dupImageGroup_ == group) {
                self->changeItemSelectState(row);
            }
            if (self) {
                self->clickers_.remove(row);
                view->deleteLater();
            }
        };
        view->mouseDoubleDownBlock = [self, row, group, view] {
            if (self && self->dupImageGroup_ == group) {
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

void ScanImagesListViewController::openImage(int row)
{
    const auto& items = dupImageGroup_->dupImageItems();
    if (row < 0 || row >= items.size() || !items.at(row)) {
        return;
    }
    const ScanImagesItemPtr& item = items.at(row);
    openFileAtPath(item->rawPath().isEmpty() ? QFile::encodeName(item->imagePath()) : item->rawPath());
}

void ScanImagesListViewController::previewImage(int row)
{
    const auto& items = dupImageGroup_->dupImageItems();
    if (row < 0 || row >= items.size()) {
        return;
    }
    preview_->previewImage(items.at(row));
}

void ScanImagesListViewController::closePreviewWindow()
{
    if (preview_->isCanPreview()) {
        TSLOG(QStringLiteral("<<< 33333 close Preview Image"));
    }
    preview_->closePreviewWindow();
}

void ScanImagesListViewController::stopMonitor()
{
    if (monitor_) {
        monitor_->stop();
        monitor_.reset();
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
    preview_->closePreviewWindow();
    loupeRow_ = -1;
}

void ScanImagesListViewController::pointerMoved(const QPoint& point)
{
    ImageListView* list = ui_->listView;
    const QModelIndex index = list->viewport()->rect().contains(point) ? list->indexAt(point) : QModelIndex();
    const ScanImagesDetailListCellView::Part part =
        index.isValid() ? row_->hitTest(index, list->visualRect(index), point) : ScanImagesDetailListCellView::Part::none;
    const int row = index.isValid() ? index.row() : -1;
    const int loupe = part == ScanImagesDetailListCellView::Part::loupe ? row : -1;
    if (loupe != loupeRow_ && loupeRow_ >= 0) {
        TSLOG(QStringLiteral("<<< 22222 close Preview Image"));
        loupeRow_ = -1;
        closePreviewWindow();
        stopMonitor();
    }
    if (loupe >= 0 && loupe != loupeRow_) {
        loupeRow_ = loupe;
        GACollectionManager& ga = GACollectionManager::default_();
        ga.setImageHoverCount(ga.imageHoverCount() + 1);
        TSLOG(QStringLiteral("<<< 11111 open preview Image"));
        previewImage(loupe);
        listenPreviewMove();
    }
    if (row != hoverRow_ || row_->hoverRow() != hoverRow_) {
        hoverRow_ = row;
    }
    row_->setHoverRow(hoverRow_, loupeRow_ >= 0 && loupeRow_ == hoverRow_);
    updateRows();
}

void ScanImagesListViewController::pointerLeft()
{
    ImageListView* list = ui_->listView;
    const QPoint point = list->viewport()->mapFromGlobal(QCursor::pos());
    if (list->viewport()->rect().contains(point) && list->isVisible()) {
        pointerMoved(point);
        return;
    }
    pointerMoved(QPoint(-1, -1));
}

void ScanImagesListViewController::hideEvent(QHideEvent* event)
{
    closeOverlays();
    hoverRow_ = -1;
    row_->setHoverRow(-1, false);
    ViewController::hideEvent(event);
}

bool ScanImagesListViewController::eventFilter(QObject* watched, QEvent* event)
{
    ImageListView* list = ui_->listView;
    if (watched != list->viewport()) {
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
        const QModelIndex index = list->indexAt(point);
        if (!index.isValid()) {
            return true;
        }
        switch (row_->hitTest(index, list->visualRect(index), point)) {
        case ScanImagesDetailListCellView::Part::selectBox:
            if (event->type() == QEvent::MouseButtonPress) {
                if (const ScanImagesItemPtr item = model_->imageForIndex(index)) {
                    selectBox(index.row(), item->isSelect() ? RYTCheckBox::stateOff : RYTCheckBox::stateOn);
                }
            }
            return true;
        case ScanImagesDetailListCellView::Part::thumbnail:
            clicker(index.row())->mouseDown();
            return true;
        default:
            return true;
        }
    }
    case QEvent::ToolTip: {
        auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = list->indexAt(help->pos());
        const ScanImagesItemPtr item = model_->imageForIndex(index);
        QString tip;
        if (item) {
            switch (row_->hitTest(index, list->visualRect(index), help->pos())) {
            case ScanImagesDetailListCellView::Part::removeError:
                tip = item->removeError() ? item->removeError()->localizedDescription() : QString();
                break;
            case ScanImagesDetailListCellView::Part::name:
                tip = item->imageName();
                break;
            case ScanImagesDetailListCellView::Part::path:
                tip = item->imagePath();
                break;
            default:
                break;
            }
        }
        if (tip.isEmpty()) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(help->globalPos(), tip, list->viewport());
        }
        return true;
    }
    default:
        break;
    }
    return ViewController::eventFilter(watched, event);
}
