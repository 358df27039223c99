#include "RightDataPreviewViewController.h"

#include "ui_RightDataPreviewViewController.h"

#include "FilePreviewView.h"
#include "KPLSplitView.h"
#include "Main/Utilities.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTCheckBox.h"
#include "RightDataPreviewMainTableCellView.h"
#include "RightDataPreviewSubTableCellView.h"
#include "View/DataDispaly/CellLooks.h"
#include "View/DataDispaly/GroupArrayChange.h"
#include "View/DataDispaly/ResultListKeys.h"
#include "View/DataDispaly/ResultRowViews.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/DuplicateSelectionRules.h"
#include "View/DataDispaly/RowCountModel.h"
#include "View/Extension/KPLExtension.h"

#include "Foundation/Bundle.h"

#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>

namespace {

constexpr int kGroupPaneMin = 240;
constexpr int kGroupPaneMax = 380;
constexpr int kUpperPaneMin = 140;
constexpr int kLowerPaneMin = 76;
// Beyond this many separate runs of new groups one reset is cheaper.
constexpr size_t kMaxInsertRuns = 64;
const char* const kTagProperty = "tag";

void registerNibs()
{
    static const bool done = [] {
        for (bool remove : {false, true}) {
            registerCellNib(cellNibName(RightDataPreviewMainTableCellView::staticMetaObject, remove),
                            [remove] { return new RightDataPreviewMainTableCellView(remove); });
            registerCellNib(cellNibName(RightDataPreviewSubTableCellView::staticMetaObject, remove),
                            [remove] { return new RightDataPreviewSubTableCellView(remove); });
        }
        return true;
    }();
    Q_UNUSED(done);
}

}  // namespace

RightDataPreviewViewController::RightDataPreviewViewController(QWidget* parent)
    : ViewController(parent)
    , ui_(std::make_unique<Ui::RightDataPreviewViewController>())
{
    registerNibs();
    ui_->setupUi(this);
    initConfig();
    // The content placed in the box, without a border.
    if (ui_->dataPreviewView->parentWidget() != ui_->contentBox) {
        ui_->contentBox->layout()->addWidget(ui_->dataPreviewView);
    }
    ui_->contentBox->setLineWidth(0);
}

RightDataPreviewViewController::~RightDataPreviewViewController()
{
    mainHost_->setDelegate(nullptr);
    subHost_->setDelegate(nullptr);
    mainCells_->setProvider(nullptr);
    subCells_->setProvider(nullptr);
    ui_->mainTableView->setKplDelegate(nullptr);
    ui_->subTableView->setKplDelegate(nullptr);
}

QFrame* RightDataPreviewViewController::contentBox() const { return ui_->contentBox; }
QWidget* RightDataPreviewViewController::dataPreviewView() const { return ui_->dataPreviewView; }
KPLSplitView* RightDataPreviewViewController::horizontalSplitView() const { return ui_->horizontalSplitView; }
KPLSplitView* RightDataPreviewViewController::verticalSplitView() const { return ui_->verticalSplitView; }
KPLTableView* RightDataPreviewViewController::mainTableView() const { return ui_->mainTableView; }
KPLTableView* RightDataPreviewViewController::subTableView() const { return ui_->subTableView; }
FilePreviewView* RightDataPreviewViewController::filePreviewView() const { return ui_->filePreviewView; }
QAbstractScrollArea* RightDataPreviewViewController::subScrollView() const { return ui_->subTableView; }

void RightDataPreviewViewController::initConfig()
{
    ui_->verticalSplitView->setDividerHeight(13);

    mainModel_ = new RowCountModel([this] { return int(filesArray_.list().size()); }, this);
    subModel_ = new RowCountModel([this] { return int(detailFilesArray_.size()); }, this);
    KPLTableView* mainTable = ui_->mainTableView;
    KPLTableView* subTable = ui_->subTableView;
    mainTable->setModel(mainModel_);
    subTable->setModel(subModel_);
    mainTable->verticalHeader()->setDefaultSectionSize(mainRowHeight);
    subTable->verticalHeader()->setDefaultSectionSize(subRowHeight);
    for (KPLTableView* table : {mainTable, subTable}) {
        table->verticalHeader()->setMinimumSectionSize(1);
        table->setKplDelegate(this);
    }
    mainCells_ = new CellViewDelegate(mainTable, this);
    subCells_ = new CellViewDelegate(subTable, this);
    mainHost_ = new RYTableRowViewHost(mainTable, this);
    subHost_ = new RYTableRowViewHost(subTable, this);
    connect(mainTable->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &RightDataPreviewViewController::mainSelectionChanged);
    connect(subTable->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &RightDataPreviewViewController::subSelectionChanged);
    connect(subTable, &QAbstractItemView::doubleClicked, this, &RightDataPreviewViewController::tableViewDoubleAction);
    // Space ticks the chosen group or file as its box does, Return opens
    // the chosen file as its open button does.
    ResultListKeys::attach(mainTable, 4, [this](const QModelIndex& chosen, bool open) {
        if (!open) {
            mainCells_->clickControl(chosen, QStringLiteral("checkBox"));
        }
    });
    ResultListKeys::attach(subTable, 4, [this](const QModelIndex& chosen, bool open) {
        subCells_->clickControl(chosen, open ? QStringLiteral("openFileButton") : QStringLiteral("checkBox"));
    });

    // The group pane keeps its width and the file table its height when the
    // panel is resized; the other pane takes the change.
    ui_->horizontalSplitView->setStretchFactor(0, 0);
    ui_->horizontalSplitView->setStretchFactor(1, 1);
    ui_->verticalSplitView->setStretchFactor(0, 1);
    ui_->verticalSplitView->setStretchFactor(1, 0);
    ui_->horizontalSplitView->setSizes({300, 460});
    ui_->verticalSplitView->setSizes({320, 190});
    applySplitLimits();
}

void RightDataPreviewViewController::applySplitLimits()
{
    // Divider limits as pane sizes: the group pane 240 to 380 wide (it is the
    // first pane, leading in either direction), the upper pane at least 140
    // high and the lower one at least 76.
    ui_->mainTableView->setMinimumWidth(kGroupPaneMin);
    ui_->mainTableView->setMaximumWidth(kGroupPaneMax);
    ui_->filePreviewView->setMinimumHeight(kUpperPaneMin);
    ui_->subTableView->setMinimumHeight(kLowerPaneMin);
}

void RightDataPreviewViewController::changeEvent(QEvent* event)
{
    ViewController::changeEvent(event);
    if (event->type() == QEvent::LayoutDirectionChange) {
        applySplitLimits();
    }
}

double RightDataPreviewViewController::splitViewConstrainMinCoordinate(KPLSplitView* splitView,
                                                                      double proposedMinimumPosition,
                                                                      int dividerIndex) const
{
    if (dividerIndex != 0) {
        return proposedMinimumPosition;
    }
    if (splitView == ui_->horizontalSplitView) {
        if (splitView->layoutDirection() == Qt::RightToLeft) {
            return splitView->width() - (kGroupPaneMax + 1);
        }
        return kGroupPaneMin;
    }
    if (splitView == ui_->verticalSplitView) {
        return kUpperPaneMin;
    }
    return proposedMinimumPosition;
}

double RightDataPreviewViewController::splitViewConstrainMaxCoordinate(KPLSplitView* splitView,
                                                                      double proposedMaximumPosition,
                                                                      int dividerIndex) const
{
    if (dividerIndex != 0) {
        return proposedMaximumPosition;
    }
    if (splitView == ui_->horizontalSplitView) {
        if (splitView->layoutDirection() == Qt::RightToLeft) {
            return splitView->width() - (kGroupPaneMin + 1);
        }
        return kGroupPaneMax;
    }
    if (splitView == ui_->verticalSplitView) {
        return splitView->height() - (splitView->dividerHeight() + kLowerPaneMin);
    }
    return proposedMaximumPosition;
}

void RightDataPreviewViewController::setCheckIsEnabled(bool enabled)
{
    checkIsEnabled_ = enabled;
    ui_->mainTableView->viewport()->update();
    ui_->subTableView->viewport()->update();
}

void RightDataPreviewViewController::setDataArray(const DuplicateFilesList& dataArray)
{
    if (dataArray.isEmpty()) {
        if (delegate_) {
            delegate_->updateRightDataBox(true);
        }
        return;
    }
    if (delegate_) {
        delegate_->updateRightDataBox(false);
    }
    // Only new groups: their rows are inserted and the others stay.
    filesArray_.update(
        dataArray, kMaxInsertRuns,
        [this](int first, int count, const std::function<void()>& apply) { mainModel_->insertRows(first, count, apply); },
        [this](const std::function<void()>& apply) { mainModel_->reload(apply); });
    reloadData();
}

int RightDataPreviewViewController::rowOfGroup(const DuplicateFiles& item) const
{
    const int row = filesArray_.rowOf(&item);
    if (row >= 0) {
        return row;
    }
    if (item.infos().isEmpty()) {
        return 0;
    }
    // The same files in another group object: a list built anew.
    for (qsizetype i = 0; i < filesArray_.list().size(); ++i) {
        if (sameFiles(filesArray_.list()[i]->infos(), item.infos())) {
            return int(i);
        }
    }
    return 0;
}

int RightDataPreviewViewController::rowOfFile(const FileInfo& item) const
{
    for (qsizetype i = 0; i < detailFilesArray_.size(); ++i) {
        if (detailFilesArray_[i].get() == &item || *detailFilesArray_[i] == item) {
            return int(i);
        }
    }
    return 0;
}

void RightDataPreviewViewController::reloadData()
{
    const int groupRow = rowOfGroup(*lastMainSelect_.item);
    // Choosing the group again must not make its first file the one to
    // come back to: the file remembered is chosen below.
    const RightDataSubSelect remembered = lastSubSelect_;
    restoringChoice_ = true;
    // While the scan runs the list is handed in again every second: the
    // chosen rows are kept but the list is not pulled away from the user.
    const bool bringIntoView = ScanManager::default_().scanFinished();
    KPLTableView* groups = ui_->mainTableView;
    groups->viewport()->update();
    const bool chosenAlready = groups->selectedRow() == groupRow;
    groups->selectRow(groupRow, bringIntoView);
    if (chosenAlready) {
        // Choosing the row chosen already is no change to the table, yet the
        // group may have lost files (a removal) or be a new object with
        // the same files: its file table is filled again all the same.
        showFilesOfGroup(groupRow, false);
    }
    restoringChoice_ = false;
    // The remembered file is looked for in the files now shown; a file
    // that is gone leaves the first one chosen.
    ui_->subTableView->selectRow(rowOfFile(*remembered.item), bringIntoView);
}

void RightDataPreviewViewController::initSelect()
{
    lastMainSelect_ = RightDataMainSelect();
    lastSubSelect_ = RightDataSubSelect();
}

void RightDataPreviewViewController::mainSelectionChanged()
{
    // While the scan runs the same group comes back every second; its file
    // table stays as it is unless its files changed.
    const int row = ui_->mainTableView->selectedRow();
    // The chosen row moves with groups inserted before it: the same group.
    const bool otherGroup = row >= 0 && row < filesArray_.list().size() &&
                            !sameFiles(detailFilesArray_, filesArray_.list()[row]->infos());
    showFilesOfGroup(row, ScanManager::default_().scanFinished());
    if (otherGroup && !restoringChoice_) {
        // Another group chosen shows its first file, highlighted, in the
        // preview, not the file of the group chosen before.
        ui_->subTableView->selectRow(0, true);
    }
}

void RightDataPreviewViewController::showFilesOfGroup(int row, bool reloadUnchanged)
{
    if (row < 0 || row >= filesArray_.list().size()) {
        return;
    }
    const DuplicateFilesPtr group = filesArray_.list()[row];
    const QList<FileInfoPtr> files = group->infos();
    detailGroup_ = group;
    if (reloadUnchanged || !sameFiles(detailFilesArray_, files)) {
        subModel_->reload([&] { detailFilesArray_ = files; });
    } else {
        detailFilesArray_ = files;
        ui_->subTableView->viewport()->update();
    }
    lastMainSelect_ = RightDataMainSelect{row, group};
}

void RightDataPreviewViewController::subSelectionChanged()
{
    const int row = ui_->subTableView->selectedRow();
    if (row < 0 || row >= detailFilesArray_.size()) {
        return;
    }
    const FileInfoPtr file = detailFilesArray_[row];
    ui_->filePreviewView->showPreView(*file);
    lastSubSelect_ = RightDataSubSelect{row, file};
}

bool RightDataPreviewViewController::removeVariant()
{
    ScanManager& engine = ScanManager::default_();
    return engine.removeFinished() && engine.errorRemoveCount() > 0;
}

int RightDataPreviewViewController::heightOfRow(const QModelIndex& index) const
{
    return index.model() == subModel_ ? subRowHeight : mainRowHeight;
}

RYTableRowView* RightDataPreviewViewController::rowViewForRow(RYTableRowViewHost* host, int row)
{
    if (host == subHost_) {
        return ResultRowViews::rowView(host, row, QMarginsF(6, 2, 4, 2), 4, this);
    }
    return ResultRowViews::rowView(host, row, QMarginsF(6, 3, 4, 3), 4, this);
}

QWidget* RightDataPreviewViewController::cellViewForIndex(CellViewDelegate* delegate, const QModelIndex& index)
{
    if (delegate == subCells_) {
        return subCell(delegate, index.row());
    }
    return mainCell(delegate, index.row());
}

QWidget* RightDataPreviewViewController::mainCell(CellViewDelegate* delegate, int row)
{
    if (row < 0 || row >= filesArray_.list().size()) {
        return nullptr;
    }
    const bool remove = removeVariant();
    const QString identifier = cellNibName(RightDataPreviewMainTableCellView::staticMetaObject, remove);
    auto* cell = qobject_cast<RightDataPreviewMainTableCellView*>(delegate->makeView(identifier));
    if (!cell) {
        cell = createFromNib<RightDataPreviewMainTableCellView>(remove);
        if (!cell) {
            return nullptr;
        }
        cell->initConfig();
        RYTCheckBox* box = cell->checkBox();
        connect(box, &QAbstractButton::clicked, this, [this, box] { mainCheckBoxAction(box); });
        delegate->registerView(cell, identifier);
    }
    const DuplicateFilesPtr& group = filesArray_.list()[row];
    RYTCheckBox* box = cell->checkBox();
    box->setEnabled(checkIsEnabled_);
    box->setAllowsMixedState(true);
    box->setState(int(group->selectState()));
    box->setTag(row);
    if (group->infos().isEmpty()) {
        // A group without files: the row is drawn empty and cannot be
        // ticked, rather than showing what the cell held for another row.
        TSLOG(QStringLiteral("预览主列表无文件"));
        box->setEnabled(false);
        cell->fileNameLabel()->clear();
        cell->fileNameLabel()->setToolTip(QString());
        cell->filesCountLabel()->clear();
        cell->sizeLabel()->clear();
        cell->iconImageView()->clear();
        cell->selectCountLabel()->hide();
        if (remove) {
            cell->errorImageView()->hide();
        }
        return cell;
    }
    const FileInfoPtr& first = group->infos().first();
    const QString name = first->name();
    cell->fileNameLabel()->setText(name);
    cell->fileNameLabel()->setToolTip(plainToolTip(name));
    cell->filesCountLabel()->setText(
        localized("%@ item(s) in total").replace(QStringLiteral("%@"), QString::number(group->fileCount())));
    cell->sizeLabel()->setText(CellLooks::sizeText(group->totalSize()));
    CellLooks::setIcon(cell->iconImageView(), CellLooks::fileIcon(*first));
    ResultRowViews::showSelectCount(cell->selectCountLabel(), group->selectedCount(), group->fileCount());
    if (remove) {
        cell->errorImageView()->setVisible(group->errorCount() > 0);
    }
    return cell;
}

QWidget* RightDataPreviewViewController::subCell(CellViewDelegate* delegate, int row)
{
    if (detailFilesArray_.isEmpty()) {
        TSLOG(QStringLiteral("预览子列表无重复文件"));
        return nullptr;
    }
    if (row < 0 || row >= detailFilesArray_.size()) {
        return nullptr;
    }
    const bool remove = removeVariant();
    const QString identifier = cellNibName(RightDataPreviewSubTableCellView::staticMetaObject, remove);
    auto* cell = qobject_cast<RightDataPreviewSubTableCellView*>(delegate->makeView(identifier));
    if (!cell) {
        cell = createFromNib<RightDataPreviewSubTableCellView>(remove);
        if (!cell) {
            return nullptr;
        }
        cell->initConfig();
        RYTCheckBox* box = cell->checkBox();
        RYTButton* open = cell->openFileButton();
        connect(box, &QAbstractButton::clicked, this, [this, box] { subCheckBoxAction(box); });
        connect(open, &QAbstractButton::clicked, this, [this, open] { openFileAction(open); });
        delegate->registerView(cell, identifier);
    }
    CellLooks::showFile(cell, *detailFilesArray_[row], row, checkIsEnabled_, true, remove, detailFilesArray_);
    cell->openFileButton()->setProperty(kTagProperty, row);
    cell->openFileButton()->setEnabled(checkIsEnabled_);
    return cell;
}

void RightDataPreviewViewController::mainCheckBoxAction(RYTCheckBox* btn)
{
    const int row = btn->tag();
    if (row < 0 || row >= filesArray_.list().size()) {
        return;
    }
    const DuplicateFilesPtr group = filesArray_.list()[row];
    btn->setState(int(DuplicateSelectionRules::applyGroupBox(*group, btn->state())));
    if (delegate_) {
        delegate_->updateSelectCountSizeLabel();
        delegate_->leftDataViewCtrReloadData(true);
    }
    mainModel_->rowChanged(row);
    if (row == ui_->mainTableView->selectedRow()) {
        // The file boxes follow the group box.
        ui_->subTableView->viewport()->update();
    }
}

void RightDataPreviewViewController::subCheckBoxAction(RYTCheckBox* btn)
{
    const int row = btn->tag();
    if (row < 0 || row >= detailFilesArray_.size() || !detailGroup_) {
        return;
    }
    const FileInfoPtr file = detailFilesArray_[row];
    const DuplicateFilesPtr group = detailGroup_;
    const bool on = btn->state() == RYTCheckBox::stateOn;
    DuplicateSelectionRules::applyFileBox(group, file, on, this, [this, group, file](bool applied) {
        const int fileRow = int(detailFilesArray_.indexOf(file));
        subModel_->rowChanged(fileRow);
        if (!applied) {
            return;  // "Cancel": the file is unticked again, nothing else changes
        }
        if (delegate_) {
            delegate_->updateSelectCountSizeLabel();
        }
        mainModel_->rowChanged(filesArray_.rowOf(group.get()));
        if (delegate_) {
            delegate_->leftDataViewCtrReloadData(true);
        }
    });
}

void RightDataPreviewViewController::openFileAction(RYTButton* btn)
{
    const int row = btn->property(kTagProperty).toInt();
    if (row >= 0 && row < detailFilesArray_.size()) {
        openFilePath(detailFilesArray_[row]->path());
    }
}

void RightDataPreviewViewController::tableViewDoubleAction(const QModelIndex& index)
{
    const int row = index.isValid() ? index.row() : ui_->subTableView->clickedRow();
    if (row >= 0 && row < detailFilesArray_.size()) {
        openFilePath(detailFilesArray_[row]->path());
    }
}

void RightDataPreviewViewController::KPLTableViewClickRow(KPLTableView* tableView, int clickRow)
{
    if (tableView == ui_->subTableView) {
        if (clickRow >= 0 && clickRow < detailFilesArray_.size()) {
            asyncGALog(QStringLiteral("BeforeDeleter"), QStringLiteral("PreviewFormat"),
                       detailFilesArray_[clickRow]->pathExtension());
        }
        return;
    }
    if (clickRow < 0 || clickRow >= filesArray_.list().size()) {
        return;
    }
    const DuplicateFilesPtr& group = filesArray_.list()[clickRow];
    if (group->infos().isEmpty()) {
        TSLOG(QStringLiteral("重复文件没有信息"));
        return;
    }
    asyncGALog(QStringLiteral("BeforeDeleter"), QStringLiteral("PreviewFormat"), group->infos().first()->pathExtension());
}
