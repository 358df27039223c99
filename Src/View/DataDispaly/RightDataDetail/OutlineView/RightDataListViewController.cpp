#include "RightDataListViewController.h"

#include "ui_RightDataListViewController.h"

#include "KPLOutlineView.h"
#include "Main/Utilities.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTCheckBox.h"
#include "RightDataListArrowButton.h"
#include "RightDataListOutlineModel.h"
#include "View/DataDispaly/CellLooks.h"
#include "View/DataDispaly/GroupArrayChange.h"
#include "View/DataDispaly/ResultListKeys.h"
#include "View/DataDispaly/ResultRowViews.h"
#include "View/Extension/KPLExtension.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QSet>

#include <utility>

namespace {

const QString kMainIdentifier = QStringLiteral("RightDataListMainTableCellView");

void registerNibs()
{
    static const bool done = [] {
        registerCellNib<RightDataListMainTableCellView>();
        registerCellNib(cellNibName(RightDataListSubTableCellView::staticMetaObject, false),
                        [] { return new RightDataListSubTableCellView(false); });
        registerCellNib(cellNibName(RightDataListSubTableCellView::staticMetaObject, true),
                        [] { return new RightDataListSubTableCellView(true); });
        return true;
    }();
    Q_UNUSED(done);
}

// Groups are the same in the collapse list when their file lists are equal.
QByteArray filesKey(const DuplicateFiles& group)
{
    QByteArray key;
    for (const FileInfoPtr& file : group.infos()) {
        key += file->path();
        key += '\0';
    }
    return key;
}

}  // namespace

RightDataListViewController::RightDataListViewController(QWidget* parent)
    : ViewController(parent)
    , ui_(std::make_unique<Ui::RightDataListViewController>())
{
    registerNibs();
    ui_->setupUi(this);
    KPLOutlineView* outline = ui_->outlineView;
    model_ = new RightDataListOutlineModel(this);
    outline->setModel(model_);
    outline->verticalHeader()->setDefaultSectionSize(rowHeight);
    cells_ = new CellViewDelegate(outline, this);
    // Space ticks the chosen row's box; Return opens a file as its open
    // button does and opens or closes a group as its arrow does.
    ResultListKeys::attach(outline, 4, [this](const QModelIndex& chosen, bool open) {
        const bool group = model_->groupAt(chosen) != nullptr;
        cells_->clickControl(chosen, !open ? QStringLiteral("checkBox")
                                           : (group ? QStringLiteral("arrowButton") : QStringLiteral("openFileButton")));
    });
    host_ = new RYTableRowViewHost(outline, this);
    connect(outline->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &RightDataListViewController::selectionChanged);
    connect(outline, &QAbstractItemView::doubleClicked, this, &RightDataListViewController::outlineViewDoubleAction);
}

RightDataListViewController::~RightDataListViewController()
{
    host_->setDelegate(nullptr);
    cells_->setProvider(nullptr);
}

KPLOutlineView* RightDataListViewController::outlineView() const
{
    return ui_->outlineView;
}

const DuplicateFilesList& RightDataListViewController::filesArray() const
{
    return model_->groups();
}

void RightDataListViewController::setCheckIsEnabled(bool enabled)
{
    checkIsEnabled_ = enabled;
    ui_->outlineView->viewport()->update();
}

void RightDataListViewController::setIsEnabledSelect(bool enabled)
{
    isEnabledSelect_ = enabled;
}

bool RightDataListViewController::removeVariant()
{
    ScanManager& engine = ScanManager::default_();
    return engine.removeFinished() && engine.errorRemoveCount() > 0;
}

void RightDataListViewController::setDataArray(const DuplicateFilesList& dataArray)
{
    if (!dataArray.isEmpty()) {
        if (delegate_) {
            delegate_->updateRightDataBox(false);
        }
        // Groups the outline still holds stay open, whether only new groups
        // were inserted or the list was replaced.
        model_->setGroups(dataArray);
    } else if (delegate_) {
        delegate_->updateRightDataBox(true);
    }
    isExpandItemAll_ = true;
    const bool bringIntoView = !refreshWhileScanning();
    chooseMainSelect(bringIntoView);
    // The panel opens no group of its own accord; only the switch from the
    // preview opens the group chosen there (unless the user closed it
    // here), so the file chosen there has a row.
    const bool openChosen = std::exchange(openChosenGroup_, false) && lastSubSelect_.item
                            && !lastSubSelect_.item->path().isEmpty();
    if (const DuplicateFilesPtr owner = openChosen ? model_->groupAt(indexOfMainSelect()) : nullptr;
        owner && !model_->isExpanded(owner.get()) && !collapsedKeys_.contains(filesKey(*owner))) {
        model_->expand(owner.get());
    }
    collapseItemArray_.clear();
    collapsedKeys_.clear();
    const QModelIndex file = indexOfSubSelect();
    selectIndex(file.isValid() && file.row() > 0 ? file : model_->index(0, 0), bringIntoView);
    isExpandItemAll_ = false;
}

void RightDataListViewController::reloadData()
{
    ui_->outlineView->viewport()->update();
    chooseMainSelect(!refreshWhileScanning());
}

void RightDataListViewController::chooseMainSelect(bool bringIntoView)
{
    const QModelIndex group = indexOfMainSelect();
    selectIndex(group.isValid() ? group : model_->index(0, 0), bringIntoView);
}

bool RightDataListViewController::refreshWhileScanning()
{
    // While the scan runs the list is handed in again every second: the
    // chosen row is kept but the list is not pulled away from the user.
    return !ScanManager::default_().scanFinished();
}

void RightDataListViewController::initSelect()
{
    lastMainSelect_ = RightDataMainSelect();
    lastSubSelect_ = RightDataSubSelect();
}

QModelIndex RightDataListViewController::indexOfMainSelect() const
{
    const DuplicateFilesPtr& item = lastMainSelect_.item;
    if (!item) {
        return {};
    }
    QModelIndex index = model_->indexOfGroup(item.get());
    if (!index.isValid() && !item->infos().isEmpty()) {
        // The same content in a new group object (a new result list).
        const DuplicateFilesList& groups = model_->groups();
        for (qsizetype i = 0; i < groups.size(); ++i) {
            if (sameFiles(groups[i]->infos(), item->infos())) {
                return model_->index(int(i), 0);
            }
        }
    }
    return index;
}

QModelIndex RightDataListViewController::indexOfSubSelect() const
{
    const FileInfoPtr& file = lastSubSelect_.item;
    if (!file || file->path().isEmpty()) {
        return {};
    }
    return model_->indexOfShownFile(*file);
}

void RightDataListViewController::selectIndex(const QModelIndex& index, bool bringIntoView)
{
    ui_->outlineView->selectItem(index, bringIntoView);
}

void RightDataListViewController::selectionChanged()
{
    const QModelIndexList rows = ui_->outlineView->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        return;
    }
    const QModelIndex index = rows.first();
    const int row = index.row();
    if (const DuplicateFilesPtr group = model_->groupAt(index)) {
        lastMainSelect_ = RightDataMainSelect{row, group};
    } else if (const FileInfoPtr file = model_->fileAt(index)) {
        lastMainSelect_ = RightDataMainSelect{-1, model_->parentGroup(index)};
        lastSubSelect_ = RightDataSubSelect{row, file};
    }
}

void RightDataListViewController::rememberCollapsed(const DuplicateFilesPtr& group)
{
    const QByteArray key = filesKey(*group);
    if (collapsedKeys_.contains(key)) {
        return;
    }
    collapsedKeys_.insert(key, 1);
    collapseItemArray_.append(group);
}

void RightDataListViewController::forgetCollapsed(const DuplicateFilesPtr& group)
{
    if (collapseItemArray_.isEmpty()) {
        return;
    }
    const QByteArray key = filesKey(*group);
    if (!collapsedKeys_.remove(key)) {
        return;
    }
    collapseItemArray_.removeIf([&key](const DuplicateFilesPtr& entry) { return filesKey(*entry) == key; });
}

void RightDataListViewController::outlineViewDoubleAction(const QModelIndex& clicked)
{
    if (const FileInfoPtr file = model_->fileAt(clicked)) {
        openFilePath(file->path());
    }
}

void RightDataListViewController::rightDataListMainTableCellViewCheckBoxClick(const DuplicateFilesPtr& item, int,
                                                                             int64_t)
{
    if (delegate_) {
        delegate_->updateSelectCountSizeLabel();
        delegate_->leftDataViewCtrReloadData(true);
    }
    model_->groupChanged(item.get(), true);
}

void RightDataListViewController::rightDataListMainTableCellViewArrowClick(const DuplicateFilesPtr& item,
                                                                          bool isExpand)
{
    if (!item || model_->positionOfGroup(item.get()) < 0) {
        return;
    }
    // The memory of collapsed groups is kept as the outline is asked, before
    // the group opens or closes.
    if (isExpand) {
        if (!model_->isExpanded(item.get())) {
            forgetCollapsed(item);
            model_->expand(item.get());
        }
    } else if (model_->isExpanded(item.get())) {
        rememberCollapsed(item);
        model_->collapse(item.get());
    }
}

void RightDataListViewController::rightDataListSubTableCellViewCheckBoxClick(const DuplicateFilesPtr& item,
                                                                            const FileInfoPtr& subItem)
{
    if (delegate_) {
        delegate_->updateSelectCountSizeLabel();
        delegate_->leftDataViewCtrReloadData(true);
    }
    model_->groupChanged(item.get(), false);
    const QModelIndex file = model_->indexOfFile(item.get(), subItem.get());
    if (file.isValid()) {
        ui_->outlineView->update(file);
    }
}

void RightDataListViewController::rightDataListSubTableCellViewOpenFileClick(const DuplicateFilesPtr&,
                                                                            const FileInfoPtr& subItem)
{
    if (subItem) {
        openFilePath(subItem->path());
    }
}

int RightDataListViewController::heightOfRow(const QModelIndex&) const
{
    return rowHeight;
}

RYTableRowView* RightDataListViewController::rowViewForRow(RYTableRowViewHost* host, int row)
{
    return ResultRowViews::rowView(host, row, QMarginsF(26, 1, 4, 1), 4, this);
}

QWidget* RightDataListViewController::cellViewForIndex(CellViewDelegate* delegate, const QModelIndex& index)
{
    if (const FileInfoPtr file = model_->fileAt(index)) {
        const bool remove = removeVariant();
        const QString identifier = cellNibName(RightDataListSubTableCellView::staticMetaObject, remove);
        auto* cell = qobject_cast<RightDataListSubTableCellView*>(delegate->makeView(identifier));
        if (!cell) {
            cell = createFromNib<RightDataListSubTableCellView>(remove);
            if (!cell) {
                return nullptr;
            }
            cell->initConfig();
            cell->setDelegate(this);
            connect(cell, &RightDataListSubTableCellView::selectionUndone, this,
                    [this](const DuplicateFilesPtr& item, const FileInfoPtr& subItem) {
                        model_->groupChanged(item.get(), true);
                        Q_UNUSED(subItem);
                    });
            delegate->registerView(cell, identifier);
        }
        const DuplicateFilesPtr group = model_->parentGroup(index);
        CellLooks::showFile(cell, *file, index.row(), checkIsEnabled_, isEnabledSelect_, remove,
                            group ? group->infos() : QList<FileInfoPtr>());
        cell->setModel(file);
        cell->setFiles(group);
        cell->openFileButton()->setEnabled(true);
        return cell;
    }

    const DuplicateFilesPtr group = model_->groupAt(index);
    if (!group) {
        return nullptr;
    }
    auto* cell = qobject_cast<RightDataListMainTableCellView*>(delegate->makeView(kMainIdentifier));
    if (!cell) {
        cell = createFromNib<RightDataListMainTableCellView>(false);
        if (!cell) {
            return nullptr;
        }
        cell->initConfig();
        cell->setDelegate(this);
        cell->setArrowAnimationStep([this](const DuplicateFiles* turning) {
            const QModelIndex at = model_->indexOfGroup(turning);
            if (at.isValid()) {
                ui_->outlineView->update(at);
            }
        });
        delegate->registerView(cell, kMainIdentifier);
    }
    cell->setModel(group);
    cell->updateArrowButtonImage(model_->isExpanded(group.get()));
    cell->checkBox()->setEnabled(checkIsEnabled_);
    cell->checkBox()->setAllowsMixedState(true);
    cell->checkBox()->setState(int(group->selectState()));
    cell->checkBox()->setTag(index.row());
    if (group->infos().isEmpty()) {
        // Nothing to show: the row is drawn empty, its box cannot be ticked.
        TSLOG(QStringLiteral("非预览主列表无文件"));
        cell->iconImageView()->clear();
        cell->fileNameLabel()->clear();
        cell->fileNameLabel()->setToolTip(QString());
        cell->sizeLabel()->clear();
        cell->selectCountLabel()->hide();
        cell->checkBox()->setEnabled(false);
        return cell;
    }
    const FileInfoPtr& first = group->infos().first();
    CellLooks::setIcon(cell->iconImageView(), CellLooks::fileIcon(*first));
    const QString name = first->name();
    cell->fileNameLabel()->setText(name);
    cell->fileNameLabel()->setToolTip(isEnabledSelect_ ? plainToolTip(name) : QString());
    cell->sizeLabel()->setText(CellLooks::sizeText(group->totalSize()));
    ResultRowViews::showSelectCount(cell->selectCountLabel(), group->selectedCount(), group->fileCount());
    return cell;
}
