#include "ImagesScanResultViewController.h"
#include "ScanImagesContent.h"

#include "ui_ImagesScanResultViewController.h"

#include "Foundation/Bundle.h"
#include "ImageGridView.h"
#include "ImageListView.h"
#include "ScanImagesModels.h"
#include "ScanImagesSelection.h"
#include "View/CustomView/SelectViewPair.h"
#include "Foundation/UserDefaults.h"
#include "Main/GACollectionManager.h"
#include "Main/Utilities.h"
#include "QVLibrary/RYSelectView.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTCheckBox.h"
#include "QVLibrary/RYTImage.h"
#include "QVLibrary/RYTLinkTextField.h"
#include "QVLibrary/RYTView.h"
#include "View/Extension/KPLExtension.h"
#include "View/Extension/KPLExtensionView.h"

#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMouseEvent>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QColor accentBlue()
{
    return color256(65, 111, 244);
}

// A copy of a group for the "Selected" tab: the same name, size, source and
// state, and a list of its own holding the same image records.
ScanImagesGroupItemPtr selectedCopy(const ScanImagesGroupItem& group)
{
    auto copy = std::make_shared<ScanImagesGroupItem>();
    copy->setGroupName(group.groupName());
    copy->setGroupSize(group.groupSize());
    copy->setGroupCount(group.groupCount());
    copy->setSourceImagePath(group.sourceImagePath());
    copy->setDupImageItems(group.dupImageItems());
    copy->setIsSelect(group.isSelect());
    return copy;
}

}  // namespace

ImagesScanResultViewController::ImagesScanResultViewController(QWidget* parent)
    : ViewController(parent)
    , ui_(std::make_unique<Ui::ImagesScanResultViewController>())
    , listModel_(new ScanImagesGroupListModel(this))
    , cell_(new ScanImagesListCellView(this))
{
    ui_->setupUi(this);
    viewDidLoad();
}

ImagesScanResultViewController::~ImagesScanResultViewController()
{
    cell_->setDelegate(nullptr);
    if (scanImagesViewCtr_) {
        scanImagesViewCtr_->setDelegate(nullptr);
    }
    if (scanimagesListViewCtr_) {
        scanimagesListViewCtr_->setDelegate(nullptr);
    }
}

// --- Accessors ------------------------------------------------------------------

QListView* ImagesScanResultViewController::listView() const { return ui_->listView; }
RYTCheckBox* ImagesScanResultViewController::autoSelectAll() const { return ui_->autoSelectAll; }
QLabel* ImagesScanResultViewController::autoSelectAllTitle() const { return ui_->autoSelectAllTitle; }
QLabel* ImagesScanResultViewController::selectedTitleLabel() const { return ui_->selectedTitleLabel; }
QSlider* ImagesScanResultViewController::slider() const { return ui_->slider; }
RYTButton* ImagesScanResultViewController::sliderReduceBtn() const { return ui_->sliderReduceBtn; }
RYTButton* ImagesScanResultViewController::sliderAddBtn() const { return ui_->sliderAddBtn; }
RYSelectView* ImagesScanResultViewController::allSelectView() const { return ui_->allSelectView; }
RYSelectView* ImagesScanResultViewController::selectedSelectView() const { return ui_->selectedSelectView; }
RYSelectView* ImagesScanResultViewController::collectionSelectView() const { return ui_->collectionSelectView; }
RYSelectView* ImagesScanResultViewController::listSelectView() const { return ui_->listSelectView; }
RYSelectView* ImagesScanResultViewController::sliderSelectView() const { return ui_->sliderSelectView; }
QWidget* ImagesScanResultViewController::bottonView() const { return ui_->bottonView; }
QLabel* ImagesScanResultViewController::groupCountLabel() const { return ui_->groupCountLabel; }
RYTLinkTextField* ImagesScanResultViewController::imagesCountSizeLabel() const { return ui_->imagesCountSizeLabel; }
QWidget* ImagesScanResultViewController::rightContent() const { return rightShown_; }
QWidget* ImagesScanResultViewController::leftContent() const { return leftShown_; }

ScanImagesCollectionViewController* ImagesScanResultViewController::scanImagesViewCtr()
{
    if (!scanImagesViewCtr_) {
        childController(scanImagesViewCtr_, ui_->rightContentView)->setDelegate(this);
    }
    return scanImagesViewCtr_;
}

ScanImagesListViewController* ImagesScanResultViewController::scanimagesListViewCtr()
{
    if (!scanimagesListViewCtr_) {
        childController(scanimagesListViewCtr_, ui_->rightContentView)->setDelegate(this);
    }
    return scanimagesListViewCtr_;
}

// --- Set-up ---------------------------------------------------------------------

void ImagesScanResultViewController::viewDidLoad()
{
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("#ImagesScanResultViewController { background: transparent; }"));
    whiteBox(ui_->leftBox);
    whiteBox(ui_->rightBox);
    setLeftContent(ui_->leftDataView);
    setUpView();
    setUpBtn();
    setUpListView();
    setUpSlider();
    scanImagesViewCtr();
    scanimagesListViewCtr();
    setUpTabOrder();
    configDataView();
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    if (defaults.integerForKey(QStringLiteral("CloseView")) != 12) {
        defaults.setInteger(9, QStringLiteral("CloseView"));
    }
}

void ImagesScanResultViewController::setUpView()
{
    setTabLook(true);
    ui_->autoSelectAllTitle->setText(localized("Select all"));
    setLabelLook(ui_->autoSelectAllTitle, 13, false, color256(54, 78, 101));
    ui_->allTitleLabel->setText(localized("All"));
    ui_->selectedTitleLabel->setText(localized("Selected"));
    ui_->autoSelectAll->setAllowsMixedState(true);
    connect(ui_->autoSelectAll, &QAbstractButton::clicked, this, [this] { autoSelectAllBtnAction(); });

    // The two "No data selected" views. The left one takes the list's place
    // under the tabs and "Select all", which stay.
    leftNoDataSelectView_ = new RYTView(ui_->leftDataView);
    leftNoDataSelectView_->setObjectName(QStringLiteral("leftNoDataSelectView"));
    auto* leftLayout = new QVBoxLayout(leftNoDataSelectView_);
    noDataSelectLeftTipLabel_ = new QLabel(localized("No data selected"), leftNoDataSelectView_);
    noDataSelectLeftTipLabel_->setObjectName(QStringLiteral("noDataSelectLeftTipLabel"));
    noDataSelectLeftTipLabel_->setAlignment(Qt::AlignCenter);
    setLabelLook(noDataSelectLeftTipLabel_, 14, false, color256(54, 78, 101, 0.6));
    leftLayout->addWidget(noDataSelectLeftTipLabel_);
    leftNoDataSelectView_->hide();
    ui_->leftDataLayout->insertWidget(ui_->leftDataLayout->indexOf(ui_->listViewContainerView) + 1,
                                      leftNoDataSelectView_, 1);
    rightNoDataSelectView_ = new QWidget(ui_->rightContentView);
    rightNoDataSelectView_->setObjectName(QStringLiteral("rightNoDataSelectView"));
    auto* rightLayout = new QVBoxLayout(rightNoDataSelectView_);
    noDataSelectTipLabel_ = new QLabel(localized("No data selected"), rightNoDataSelectView_);
    noDataSelectTipLabel_->setObjectName(QStringLiteral("noDataSelectTipLabel"));
    noDataSelectTipLabel_->setAlignment(Qt::AlignCenter);
    setLabelLook(noDataSelectTipLabel_, 14, false, color256(54, 78, 101, 0.6));
    rightLayout->addWidget(noDataSelectTipLabel_);
    rightNoDataSelectView_->hide();

    ui_->allSelectView->viewDidSelected = [this](RYSelectView*, bool selected) {
        if (selected) {
            clickAllTab();
        }
    };
    ui_->selectedSelectView->viewDidSelected = [this](RYSelectView*, bool selected) {
        if (selected) {
            clickSelectedTab();
        }
    };
    ui_->allSelectView->setCursor(Qt::PointingHandCursor);
    ui_->selectedSelectView->setCursor(Qt::PointingHandCursor);
    // The tabs are one stop of the keyboard; the ring goes around the tab
    // in the space left about it.
    ui_->allSelectView->setCornerRadius(QSizeF(7, 7));
    ui_->selectedSelectView->setCornerRadius(QSizeF(7, 7));
    new SelectViewPair(ui_->allSelectView, ui_->selectedSelectView, this);
}

void ImagesScanResultViewController::setTabLook(bool allActive)
{
    RYSelectView* active = allActive ? ui_->allSelectView : ui_->selectedSelectView;
    RYSelectView* other = allActive ? ui_->selectedSelectView : ui_->allSelectView;
    RYTView* activeBG = allActive ? ui_->allSelectBGView : ui_->selectedBGView;
    RYTView* otherBG = allActive ? ui_->selectedBGView : ui_->allSelectBGView;
    QLabel* activeTitle = allActive ? ui_->allTitleLabel : ui_->selectedTitleLabel;
    QLabel* otherTitle = allActive ? ui_->selectedTitleLabel : ui_->allTitleLabel;
    active->setCanSelected(false);
    active->setSelected(true);
    other->setCanSelected(true);
    other->setSelected(false);
    // The active tab is filled with the accent, its title white on it.
    activeBG->setBackgroundColor(accentBlue());
    activeBG->setCornerRadius(QSizeF(4, 4));
    otherBG->setBackgroundColor(color256(237, 239, 245));
    otherBG->setCornerRadius(QSizeF(4, 4));
    setLabelLook(activeTitle, 13, true, Qt::white);
    setLabelLook(otherTitle, 13, false, color256(54, 78, 101));
}

void ImagesScanResultViewController::setUpBtn()
{
    const auto icon = [](QLabel* label, const QString& name) {
        const QIcon image = RYTImage::named(name);
        label->setPixmap(image.pixmap(QSize(20, 20), label->devicePixelRatioF()));
    };
    icon(ui_->collectionSelectViewImages, QStringLiteral("collection_hover"));
    icon(ui_->listSelectViewImage, QStringLiteral("list_default"));
    ui_->collectionSelectView->setCanSelected(false);
    ui_->collectionSelectView->setSelected(true);
    ui_->collectionSelectView->viewDidSelected = [this](RYSelectView*, bool selected) {
        if (selected) {
            clickCollectionMode();
        }
    };
    ui_->listSelectView->viewDidSelected = [this](RYSelectView*, bool selected) {
        if (selected) {
            clickListMode();
        }
    };
    ui_->collectionSelectView->setToolTip(localized("Grid"));
    ui_->listSelectView->setToolTip(localized("List"));
    ui_->collectionSelectView->setCursor(Qt::PointingHandCursor);
    ui_->listSelectView->setCursor(Qt::PointingHandCursor);
    // One stop of the keyboard, as the tabs.
    ui_->collectionSelectView->setCornerRadius(QSizeF(4, 4));
    ui_->listSelectView->setCornerRadius(QSizeF(4, 4));
    new SelectViewPair(ui_->collectionSelectView, ui_->listSelectView, this);
}

void ImagesScanResultViewController::setUpListView()
{
    QListView* list = ui_->listView;
    list->setFrameShape(QFrame::NoFrame);
    list->setUniformItemSizes(true);
    list->setSpacing(0);
    list->setSelectionMode(QAbstractItemView::NoSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setMouseTracking(true);
    list->viewport()->setAttribute(Qt::WA_Hover);
    list->viewport()->setAutoFillBackground(true);
    ScanScreenLook::keepColor(list->viewport(), QPalette::Base, Qt::white);
    ScanScreenLook::keepScrollBarsLight(list);
    list->setItemDelegate(cell_);
    list->setModel(listModel_);
    cell_->setDelegate(this);
    // Only the left button chooses a group; the view's own signal comes for
    // any button, so the press's button is noted first.
    list->viewport()->installEventFilter(this);
    // Tab reaches it (a click leaves the keyboard where it was); the
    // arrows choose the group, Space clicks its box.
    list->setFocusPolicy(Qt::TabFocus);
    list->installEventFilter(this);
    connect(list, &QAbstractItemView::pressed, this, [this](const QModelIndex& index) {
        if (pressButton_ == Qt::LeftButton) {
            didClickItemAt(index.row());
        }
    });
}

bool ImagesScanResultViewController::listKey(QKeyEvent* event)
{
    if (event->modifiers() & ~Qt::KeypadModifier) {
        return false;
    }
    const int count = int(displayImageArray_.size());
    if (event->key() == Qt::Key_Space) {
        if (!event->isAutoRepeat() && selectIndex_ >= 0 && selectIndex_ < count) {
            cell_->clickBox(listModel_->index(selectIndex_));
        }
        return true;
    }
    const int page = std::max(1, ui_->listView->viewport()->height() / ScanImagesListCellView::rowHeight);
    const std::optional<int> row = rowForListKey(event, selectIndex_, count, page);
    if (!row) {
        return false;
    }
    if (*row >= 0) {
        didClickItemAt(*row);
        ui_->listView->scrollTo(listModel_->index(selectIndex_));
    }
    return true;
}

bool ImagesScanResultViewController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui_->listView) {
        if (event->type() == QEvent::KeyPress) {
            return listKey(static_cast<QKeyEvent*>(event));
        }
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
            ui_->listView->viewport()->update();
        }
    }
    if (watched == ui_->listView->viewport() &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)) {
        pressButton_ = static_cast<QMouseEvent*>(event)->button();
    }
    return ViewController::eventFilter(watched, event);
}

void ImagesScanResultViewController::setUpSlider()
{
    ui_->sliderAddBtn->setTitle(QString());
    ui_->sliderReduceBtn->setTitle(QString());
    const QIcon add = RYTImage::named(QStringLiteral("sliderAdd"));
    const QIcon reduce = RYTImage::named(QStringLiteral("sliderReduce"));
    ui_->sliderAddBtn->setButtonStateImage(add, add, add);
    ui_->sliderReduceBtn->setButtonStateImage(reduce, reduce, reduce);
    ui_->sliderAddBtn->setBorderWidth(0);
    ui_->sliderReduceBtn->setBorderWidth(0);
    QSlider* slider = ui_->slider;
    slider->setRange(0, 6);
    slider->setValue(3);
    slider->setPageStep(1);
    // The groove keeps 4 clear at either end for the focus ring.
    slider->setStyleSheet(QStringLiteral(
        "QSlider::groove:horizontal { height: 4px; margin: 0 4px; background: rgb(221,225,230); border-radius: 2px; }"
        "QSlider::sub-page:horizontal { margin-left: 4px; background: rgb(65,111,244); border-radius: 2px; }"
        "QSlider::handle:horizontal { width: 14px; height: 14px; margin: -5px 0; border-radius: 7px;"
        " background: white; border: 1px solid rgb(65,111,244); }"));
    connect(slider, &QSlider::valueChanged, this, [this] { sliderValueChange(); });
    connect(ui_->sliderReduceBtn, &QAbstractButton::clicked, this, [this] { sliderReduceBtnAction(); });
    connect(ui_->sliderAddBtn, &QAbstractButton::clicked, this, [this] { sliderAddBtnAction(); });
}

void ImagesScanResultViewController::setUpTabOrder()
{
    // The reading order: the tabs, "Select all" and the groups on the left;
    // the size controls, the switch and the images on the right.
    const QList<QWidget*> order = {ui_->allSelectView, ui_->selectedSelectView, ui_->autoSelectAll, ui_->listView,
                                   ui_->sliderReduceBtn, ui_->slider, ui_->sliderAddBtn, ui_->collectionSelectView,
                                   ui_->listSelectView, scanImagesViewCtr()->collectionView(),
                                   scanimagesListViewCtr()->listView()};
    for (int i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
    }
}

// --- Showing --------------------------------------------------------------------

void ImagesScanResultViewController::setRightContent(QWidget* view)
{
    showContentIn(ui_->rightContentLayout,
                  {scanImagesViewCtr_.data(), scanimagesListViewCtr_.data(), rightNoDataSelectView_}, view);
    rightShown_ = view;
}

void ImagesScanResultViewController::setLeftContent(QWidget* view)
{
    // The tabs and "Select all" always show; below them the group list or,
    // on a "Selected" tab without groups, its empty state.
    const bool empty = view && view == leftNoDataSelectView_;
    ui_->listViewContainerView->setVisible(!empty);
    if (leftNoDataSelectView_) {
        leftNoDataSelectView_->setVisible(empty);
    }
    // Nothing to select all of there.
    ui_->autoSelectAll->setEnabled(!empty);
    leftShown_ = view;
}

void ImagesScanResultViewController::reloadRight(const ScanImagesGroupItemPtr& group)
{
    if (isClickCollectionView_) {
        scanImagesViewCtr()->reloadCollctionView(group);
    } else {
        scanimagesListViewCtr()->reloadListView(group);
    }
}

void ImagesScanResultViewController::showNoDataViews()
{
    setLeftContent(leftNoDataSelectView_);
    setRightContent(rightNoDataSelectView_);
}

void ImagesScanResultViewController::configDataView()
{
    const ScanImagesGroupList& list = isAllView_ ? dupImagesArray_ : displayImageArray_;
    const ScanImagesGroupItemPtr group = selectIndex_ >= 0 && selectIndex_ < list.size() ? list.at(selectIndex_) : nullptr;
    if (isClickCollectionView_) {
        setRightContent(scanImagesViewCtr());
        ui_->sliderSelectView->show();
        scanImagesViewCtr()->reloadCollctionView(group);
    } else {
        setRightContent(scanimagesListViewCtr());
        ui_->sliderSelectView->hide();
        scanimagesListViewCtr()->reloadListView(group);
    }
}

void ImagesScanResultViewController::rebuildIndex()
{
    allBySource_.clear();
    for (int i = 0; i < dupImagesArray_.size(); ++i) {
        if (dupImagesArray_.at(i)) {
            allBySource_[dupImagesArray_.at(i)->sourceImagePath()].append(i);
        }
    }
}

QList<ScanImagesGroupItemPtr> ImagesScanResultViewController::matching(const ScanImagesGroupList& list,
                                                                       const QString& source) const
{
    QList<ScanImagesGroupItemPtr> found;
    if (&list == &dupImagesArray_) {
        for (int i : allBySource_.value(source)) {
            if (i < dupImagesArray_.size() && dupImagesArray_.at(i)->sourceImagePath() == source) {
                found.append(dupImagesArray_.at(i));
            }
        }
        return found;
    }
    for (const ScanImagesGroupItemPtr& group : list) {
        if (group && group->sourceImagePath() == source) {
            found.append(group);
        }
    }
    return found;
}

void ImagesScanResultViewController::reloadListViewData(const ScanImagesGroupList& dupImages, bool isAllView)
{
    Q_UNUSED(isAllView);
    selectIndex_ = 0;
    dupImagesArray_ = dupImages;
    displayImageArray_ = dupImages;
    // Whatever the engine handed over, the groups' values follow their images.
    ScanImagesSelection::recount(dupImagesArray_);
    rebuildIndex();
    countGroup();
    cell_->setSelectIndex(selectIndex_);
    listModel_->setGroups(displayImageArray_);
    configDataView();
    changeAutoSelectBoxState();
}

void ImagesScanResultViewController::countGroup()
{
    groupCount_ = 0;
    dupImagesCount_ = 0;
    dupimagesSize_ = 0;
    groupCount_ = int(dupImagesArray_.size());
    for (const ScanImagesGroupItemPtr& group : dupImagesArray_) {
        dupImagesCount_ += int(group->dupImageItems().size());
        dupimagesSize_ += group->groupSize();
    }
    QFont font = ui_->groupCountLabel->font();
    font.setPixelSize(12);
    const QString groups = localized("%li Groups").replace(QStringLiteral("%li"), QString::number(groupCount_));
    ui_->groupCountLabel->setTextFormat(Qt::RichText);
    ui_->groupCountLabel->setText(
        highLightText(groups, font, QColor(0, 0, 0), QString::number(groupCount_), font, accentBlue()).toHtml());
    const QString size = transformedFileSize(uint64_t(std::max<qint64>(0, dupimagesSize_)), true, true);
    const QString line = fillPlaceholders(localized("%li images/ %@ ").replace(QStringLiteral("%li"), QStringLiteral("%@")),
                                          {QString::number(dupImagesCount_), size});
    RYTLinkTextField* field = ui_->imagesCountSizeLabel;
    field->setTextColor(QColor(0, 0, 0));
    field->drawLinkTextFiledAttributed(line, QString::number(dupImagesCount_), accentBlue(), Qt::transparent, font, [] {});
    field->drawLinkTextFiledAttributed(line, transformedFileSize(uint64_t(std::max<qint64>(0, dupimagesSize_)), false, false),
                                       accentBlue(), Qt::transparent, font, [] {});
}

// --- The "Selected" copies ---------------------------------------------------------

void ImagesScanResultViewController::setUpSelectedGroupItem()
{
    if (selectImageArray_.isEmpty()) {
        for (const ScanImagesGroupItemPtr& group : dupImagesArray_) {
            const int state = ScanImagesSelection::recount(*group);
            if (state == 0) {
                continue;
            }
            ScanImagesGroupItemPtr copy = selectedCopy(*group);
            if (state != 1) {
                // Selected images first, each part by ascending size.
                auto& items = copy->dupImageItems();
                std::stable_sort(items.begin(), items.end(), [](const ScanImagesItemPtr& a, const ScanImagesItemPtr& b) {
                    if (a->isSelect() != b->isSelect()) {
                        return a->isSelect();
                    }
                    return a->imageSize() < b->imageSize();
                });
            }
            selectImageArray_.append(copy);
        }
        for (int i = 0; i < selectImageArray_.size(); ++i) {
            selectImageArray_[i]->setGroupName(fillPlaceholders(localized("Group %@"), {QString::number(i + 1)}));
        }
        return;
    }
    for (const ScanImagesGroupItemPtr& copy : selectImageArray_) {
        const QList<ScanImagesGroupItemPtr> groups = matching(dupImagesArray_, copy->sourceImagePath());
        if (!groups.isEmpty()) {
            copy->setIsSelect(ScanImagesSelection::recount(*groups.first()));
        } else {
            ScanImagesSelection::recount(*copy);
        }
    }
}

// --- Selection --------------------------------------------------------------------

void ImagesScanResultViewController::selectIndex(int index, int checkBoxState)
{
    if (index < 0) {
        return;
    }
    const bool selected = checkBoxState == RYTCheckBox::stateOn;
    ScanImagesGroupItemPtr shown;
    if (isAllView_) {
        if (index >= dupImagesArray_.size()) {
            return;
        }
        shown = dupImagesArray_.at(index);
        ScanImagesSelection::setAll(*shown, selected);
    } else {
        if (index >= selectImageArray_.size()) {
            return;
        }
        shown = selectImageArray_.at(index);
        ScanImagesSelection::setAll(*shown, selected);
        for (const ScanImagesGroupItemPtr& group : matching(dupImagesArray_, shown->sourceImagePath())) {
            ScanImagesSelection::setAll(*group, selected);
        }
    }
    if (index == selectIndex_) {
        reloadRight(shown);
    }
    listModel_->refresh();
    changeAutoSelectBoxState();
}

void ImagesScanResultViewController::groupChanged(const ScanImagesGroupItemPtr& x)
{
    if (!x) {
        return;
    }
    const auto take = [&x](const ScanImagesGroupItemPtr& group) {
        if (group == x) {
            ScanImagesSelection::recount(*group);
            return;
        }
        group->setGroupSize(x->groupSize());
        group->setDupImageItems(x->dupImageItems());
        // The value follows the images, whatever order they come in.
        ScanImagesSelection::recount(*group);
    };
    if (!isAllView_) {
        for (const ScanImagesGroupItemPtr& copy : matching(selectImageArray_, x->sourceImagePath())) {
            take(copy);
        }
    }
    for (const ScanImagesGroupItemPtr& group : matching(dupImagesArray_, x->sourceImagePath())) {
        take(group);
    }
    listModel_->refresh();
    changeAutoSelectBoxState();
}

void ImagesScanResultViewController::exchangeGroupSelectState(const ScanImagesGroupItemPtr& groupItem)
{
    groupChanged(groupItem);
}

void ImagesScanResultViewController::changeGroupItemSelectState(const ScanImagesGroupItemPtr& groupItem)
{
    groupChanged(groupItem);
}

void ImagesScanResultViewController::autoSelectAllBtnAction()
{
    RYTCheckBox* box = ui_->autoSelectAll;
    if (box->state() == RYTCheckBox::stateMixed) {
        box->setState(RYTCheckBox::stateOn);
    }
    const bool on = box->state() == RYTCheckBox::stateOn;
    if (isAllView_) {
        for (const ScanImagesGroupItemPtr& group : dupImagesArray_) {
            ScanImagesSelection::setAll(*group, on);
        }
    } else {
        // Only the groups listed here; the others keep their state.
        for (const ScanImagesGroupItemPtr& copy : selectImageArray_) {
            ScanImagesSelection::setAll(*copy, on);
            for (const ScanImagesGroupItemPtr& group : matching(dupImagesArray_, copy->sourceImagePath())) {
                ScanImagesSelection::setAll(*group, on);
            }
        }
    }
    listModel_->refresh();
    if (selectIndex_ >= 0 && selectIndex_ < displayImageArray_.size()) {
        reloadRight(displayImageArray_.at(selectIndex_));
    }
    if (delegate_) {
        delegate_->changeSelectLabel(dupImagesArray_);
    }
}

void ImagesScanResultViewController::changeAutoSelectBoxState()
{
    autoSelectCount_ = 0;
    RYTCheckBox* box = ui_->autoSelectAll;
    if (isAllView_) {
        for (const ScanImagesGroupItemPtr& group : dupImagesArray_) {
            const int state = ScanImagesSelection::recount(*group);
            if (state == 1) {
                ++autoSelectCount_;
            } else if (state == -1) {
                autoSelectCount_ = -1;
                break;
            }
        }
        if (autoSelectCount_ == dupImagesArray_.size()) {
            box->setState(RYTCheckBox::stateOn);
        } else if (autoSelectCount_ != 0) {
            box->setState(RYTCheckBox::stateMixed);
        } else {
            box->setState(RYTCheckBox::stateOff);
        }
    } else {
        setUpSelectedGroupItem();
        for (const ScanImagesGroupItemPtr& copy : selectImageArray_) {
            const int state = ScanImagesSelection::recount(*copy);
            if (state == 1) {
                ++autoSelectCount_;
            } else if (state == -1) {
                autoSelectCount_ = -1;
                break;
            }
        }
        if (autoSelectCount_ == 0) {
            box->setState(RYTCheckBox::stateOff);
        } else if (autoSelectCount_ == selectImageArray_.size()) {
            box->setState(RYTCheckBox::stateOn);
        } else {
            box->setState(RYTCheckBox::stateMixed);
        }
    }
    if (delegate_) {
        delegate_->changeSelectLabel(dupImagesArray_);
    }
}

// --- Tabs and modes ----------------------------------------------------------------

void ImagesScanResultViewController::clickAllTab()
{
    GACollectionManager::default_().setIsClickAllView(false);
    ui_->sliderSelectView->show();
    isAllView_ = true;
    setLeftContent(ui_->leftDataView);
    selectIndex_ = 0;
    displayImageArray_ = dupImagesArray_;
    countGroup();
    cell_->setSelectIndex(selectIndex_);
    listModel_->setGroups(displayImageArray_);
    configDataView();
    setTabLook(true);
    ui_->bottonView->show();
    changeAutoSelectBoxState();
    selectImageArray_.clear();
}

void ImagesScanResultViewController::clickSelectedTab()
{
    GACollectionManager& ga = GACollectionManager::default_();
    ga.setIsClickAllView(false);
    ga.setClickSelectViewCount(ga.clickSelectViewCount() + 1);
    isAllView_ = false;
    setUpSelectedGroupItem();
    if (!selectImageArray_.isEmpty()) {
        ui_->sliderSelectView->show();
        setLeftContent(ui_->leftDataView);
        selectIndex_ = 0;
        ui_->bottonView->hide();
        displayImageArray_ = selectImageArray_;
        countGroup();
        cell_->setSelectIndex(selectIndex_);
        listModel_->setGroups(displayImageArray_);
        configDataView();
    } else {
        ui_->sliderSelectView->hide();
        showNoDataViews();
    }
    setTabLook(false);
    changeAutoSelectBoxState();
}

void ImagesScanResultViewController::clickCollectionMode()
{
    GACollectionManager::default_().setIsCollectionView(true);
    ui_->collectionSelectView->setCanSelected(false);
    ui_->listSelectView->setCanSelected(true);
    ui_->collectionSelectView->setSelected(true);
    ui_->listSelectView->setSelected(false);
    ui_->collectionSelectViewImages->setPixmap(
        RYTImage::named(QStringLiteral("collection_hover")).pixmap(QSize(20, 20), devicePixelRatioF()));
    ui_->listSelectViewImage->setPixmap(RYTImage::named(QStringLiteral("list_default")).pixmap(QSize(20, 20), devicePixelRatioF()));
    isClickCollectionView_ = true;
    ui_->sliderSelectView->show();
    if (!isAllView_ && selectImageArray_.isEmpty()) {
        showNoDataViews();
        return;
    }
    const ScanImagesGroupItemPtr group =
        selectIndex_ >= 0 && selectIndex_ < displayImageArray_.size() ? displayImageArray_.at(selectIndex_) : nullptr;
    scanImagesViewCtr()->reloadCollctionView(group);
    setRightContent(scanImagesViewCtr());
}

void ImagesScanResultViewController::clickListMode()
{
    GACollectionManager::default_().setIsCollectionView(false);
    ui_->listSelectView->setCanSelected(false);
    ui_->collectionSelectView->setCanSelected(true);
    ui_->listSelectView->setSelected(true);
    ui_->collectionSelectView->setSelected(false);
    ui_->collectionSelectViewImages->setPixmap(
        RYTImage::named(QStringLiteral("collection_default")).pixmap(QSize(20, 20), devicePixelRatioF()));
    ui_->listSelectViewImage->setPixmap(RYTImage::named(QStringLiteral("list_hover")).pixmap(QSize(20, 20), devicePixelRatioF()));
    isClickCollectionView_ = false;
    ui_->sliderSelectView->hide();
    const ScanImagesGroupItemPtr group =
        selectIndex_ >= 0 && selectIndex_ < displayImageArray_.size() ? displayImageArray_.at(selectIndex_) : nullptr;
    scanimagesListViewCtr()->setDupImageGroup(group);
    if (!isAllView_ && selectImageArray_.isEmpty()) {
        showNoDataViews();
        return;
    }
    setRightContent(scanimagesListViewCtr());
    scanimagesListViewCtr()->reloadListView(group);
}

void ImagesScanResultViewController::sliderValueChange()
{
    scanImagesViewCtr()->changeCollctionItemSize(ui_->slider->value());
}

void ImagesScanResultViewController::sliderReduceBtnAction()
{
    QSlider* slider = ui_->slider;
    const QSignalBlocker blocker(slider);
    slider->setValue(std::max(0, slider->value() - 1));
    scanImagesViewCtr()->changeCollctionItemSize(slider->value());
}

void ImagesScanResultViewController::sliderAddBtnAction()
{
    QSlider* slider = ui_->slider;
    const QSignalBlocker blocker(slider);
    slider->setValue(std::min(6, slider->value() + 1));
    scanImagesViewCtr()->changeCollctionItemSize(slider->value());
}

void ImagesScanResultViewController::didClickItemAt(int row)
{
    if (row < 0 || row == selectIndex_) {
        return;
    }
    selectIndex_ = row;
    TSLOG(QStringLiteral("select index is "), QString::number(row));
    TSLOG(QStringLiteral("display image array count is "), QString::number(displayImageArray_.size()));
    if (row < displayImageArray_.size()) {
        reloadRight(displayImageArray_.at(row));
    }
    cell_->setSelectIndex(selectIndex_);
    ui_->listView->viewport()->update();
}
