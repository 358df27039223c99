#include "LeftLargeFileViewController.h"

#include "ui_LeftLargeFileViewController.h"

#include "Foundation/Bundle.h"
#include "Foundation/Dispatch.h"
#include "LeftDataTableCellView.h"
#include "Main/Utilities.h"
#include "Manager/LargeFilesManager.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTImage.h"
#include "QVLibrary/RYTProgress.h"
#include "QVLibrary/RYTableView.h"
#include "View/DataDispaly/CellLooks.h"
#include "View/DataDispaly/ResultListKeys.h"
#include "View/DataDispaly/ResultRowViews.h"
#include "View/DataDispaly/RowCountModel.h"
#include "View/Extension/KPLExtension.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLayout>
#include <QLocale>

#include <algorithm>

namespace {

template <typename Row, typename K, size_t N>
std::vector<LeftLargeDataRowPtr> makeRows(const std::array<K, N>& cases, bool selectedView)
{
    std::vector<LeftLargeDataRowPtr> rows;
    rows.reserve(N);
    for (K type : cases) {
        rows.push_back(std::make_shared<Row>(type, selectedView));
    }
    return rows;
}

bool holdsList(const DuplicateFiles& group, const QList<FileInfoPtr>& list)
{
    const QList<FileInfoPtr>& held = group.infos();
    return held.size() == list.size() && held.constData() == list.constData();
}

QString languageCode()
{
    const QString name = QLocale().name();
    if (name == QLatin1String("C")) {
        return QString();
    }
    return name.section(QLatin1Char('_'), 0, 0);
}

}  // namespace

// What one reload pass takes off the main thread: copies of the lists it
// reads and sorts, and what it hands back.
struct LeftLargeFileViewController::ReloadJob {
    FunctionType type = FunctionType::size;
    bool sort = false;
    std::vector<LeftLargeDataRowPtr> rows;
    // Each row's own list as copied (the put-back test) and its sorted copy.
    std::vector<QList<FileInfoPtr>> copied;
    std::vector<QList<FileInfoPtr>> sorted;
    // What a row counts: its engine group's list and total.
    std::vector<QList<FileInfoPtr>> counted;
    std::vector<uint64_t> totals;
    // The bytes each row shows, measured off the main thread.
    std::vector<uint64_t> sizes;
    int remembered = 0;
};

LeftLargeFileViewController::LeftLargeFileViewController(QWidget* parent)
    : ViewController(parent)
    , ui_(std::make_unique<Ui::LeftLargeFileViewController>())
{
    static const bool registered = [] {
        registerCellNib<LeftDataTableCellView>();
        return true;
    }();
    Q_UNUSED(registered);
    ui_->setupUi(this);
    setObjectName(QStringLiteral("LeftLargeFileViewController"));
    initConfig();
}

LeftLargeFileViewController::~LeftLargeFileViewController()
{
    host_->setDelegate(nullptr);
    cells_->setProvider(nullptr);
    ui_->leftBtnLabel->setMouseDelegate(nullptr);
    ui_->rightBtnLabel->setMouseDelegate(nullptr);
    ui_->sortPopButton->setDelegate(nullptr);
}

RYTButton* LeftLargeFileViewController::leftBtn() const { return ui_->leftBtn; }
RYTButton* LeftLargeFileViewController::rightBtn() const { return ui_->rightBtn; }
MouseUpTextField* LeftLargeFileViewController::leftBtnLabel() const { return ui_->leftBtnLabel; }
MouseUpTextField* LeftLargeFileViewController::rightBtnLabel() const { return ui_->rightBtnLabel; }
QFrame* LeftLargeFileViewController::tableViewBox() const { return ui_->tableViewBox; }
QAbstractScrollArea* LeftLargeFileViewController::scrollView() const { return ui_->tableView; }
RYTableView* LeftLargeFileViewController::tableView() const { return ui_->tableView; }
SortPopButton* LeftLargeFileViewController::sortPopButton() const { return ui_->sortPopButton; }

std::vector<LeftLargeDataRowPtr>& LeftLargeFileViewController::allList(FunctionType type)
{
    switch (type) {
    case FunctionType::size: return typeArray_;
    case FunctionType::date: return timeTypeArray_;
    case FunctionType::type: break;
    }
    return dataTypeArray_;
}

std::vector<LeftLargeDataRowPtr>& LeftLargeFileViewController::selectList(FunctionType type)
{
    switch (type) {
    case FunctionType::size: return selectTypeArray_;
    case FunctionType::date: return selectTimeTypeArray_;
    case FunctionType::type: break;
    }
    return selectDataTypeArray_;
}

const std::vector<LeftLargeDataRowPtr>& LeftLargeFileViewController::allRows(FunctionType type) const
{
    return const_cast<LeftLargeFileViewController*>(this)->allList(type);
}

const std::vector<LeftLargeDataRowPtr>& LeftLargeFileViewController::selectedRows(FunctionType type) const
{
    return const_cast<LeftLargeFileViewController*>(this)->selectList(type);
}

const std::vector<LeftLargeDataRowPtr>& LeftLargeFileViewController::shownRows() const
{
    return isSelectedView_ ? selectedRows(functionType_) : allRows(functionType_);
}

DuplicateFilesPtr LeftLargeFileViewController::groupAt(int row) const
{
    const std::vector<LeftLargeDataRowPtr>& rows = shownRows();
    if (row < 0 || row >= int(rows.size())) {
        return nullptr;
    }
    return rows[size_t(row)]->files();
}

int LeftLargeFileViewController::rowCount() const
{
    return shownRows_;
}

// ---------------------------------------------------------------------------
// Looks

void LeftLargeFileViewController::initConfig()
{
    CellLooks::paintWhiteRoundedBox(ui_->tableViewBox, 8);
    ui_->tableViewBox->setLineWidth(0);

    RYTableView* table = ui_->tableView;
    model_ = new RowCountModel([this] { return shownRows_; }, this);
    table->setModel(model_);
    CellLooks::setUpCategoryTable(table, rowHeight);
    cells_ = new CellViewDelegate(table, this);
    host_ = new RYTableRowViewHost(table, this);
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &LeftLargeFileViewController::tableViewSelectionDidChange);
    ResultListKeys::attach(table, 8);

    CellLooks::setUpFilterButtons(ui_->leftBtn, ui_->rightBtn, ui_->leftBtnLabel, ui_->rightBtnLabel, this);
    connect(ui_->leftBtn, &QAbstractButton::clicked, this, &LeftLargeFileViewController::allFileViewAction);
    connect(ui_->rightBtn, &QAbstractButton::clicked, this, &LeftLargeFileViewController::selectFileViewAction);

    setSortTitle();
    ui_->sortPopButton->setDelegate(this);
    updateBtnTitleColor();
    updateViewSelected();
}

void LeftLargeFileViewController::setSortTitle()
{
    const QString code = languageCode();
    if (code.isEmpty()) {
        ui_->sortPopButton->setTitle(localized("By") + localized("Size"));
        return;
    }
    // Japanese names the kind first; only this first title does.
    ui_->sortPopButton->setTitle(code == QLatin1String("ja") ? localized("Size") + localized("By")
                                                             : localized("By") + localized("Size"));
}

void LeftLargeFileViewController::updateViewSelected()
{
    const QColor white(Qt::white);
    const QColor blue = CellLooks::lightColor(QStringLiteral("ButtonTitleNormalBlueColor"));
    const QColor offFill = CellLooks::lightColor(QStringLiteral("LeftDataButtonBgDisSelectColor"));
    const QColor offTitle = CellLooks::lightColor(QStringLiteral("LeftDataButtonTitleSelectColor"));
    RYTButton* chosen = isSelectedView_ ? ui_->rightBtn : ui_->leftBtn;
    RYTButton* other = isSelectedView_ ? ui_->leftBtn : ui_->rightBtn;
    CellLooks::setFilterButtonLook(chosen, white, blue);
    CellLooks::setFilterButtonLook(other, offFill, offTitle);
}

void LeftLargeFileViewController::updateBtnTitleColor()
{
    const QColor on = CellLooks::lightColor(QStringLiteral("ButtonTitleNormalBlueColor"));
    const QColor off = CellLooks::lightColor(QStringLiteral("TitleLabelColor"));
    CellLooks::setCaptionColor(ui_->leftBtnLabel, ui_->leftBtn->isChecked() ? on : off);
    CellLooks::setCaptionColor(ui_->rightBtnLabel, ui_->rightBtn->isChecked() ? on : off);
}

// ---------------------------------------------------------------------------
// Lists

void LeftLargeFileViewController::setDataArray(std::function<void()> completed)
{
    // The lists come back in the "All" view (after a removal too): the
    // switches, their captions and the screen follow the view shown.
    const bool wasSelectedView = isSelectedView_;
    isSelectedView_ = false;
    ui_->leftBtn->setChecked(true);
    ui_->rightBtn->setChecked(false);
    updateViewSelected();
    updateBtnTitleColor();
    if (wasSelectedView && delegate_) {
        delegate_->leftDataViewUpdateViewSelected(false);
    }
    typeArray_ = makeRows<LeftLargeDataListStyle>(allLeftLargeDataTypes, false);
    selectTypeArray_ = makeRows<LeftLargeDataListStyle>(allLeftLargeDataTypes, true);
    timeTypeArray_ = makeRows<LeftLargeDataTimeStyle>(allLeftLargeTimeDataTypes, false);
    selectTimeTypeArray_ = makeRows<LeftLargeDataTimeStyle>(allLeftLargeTimeDataTypes, true);
    dataTypeArray_ = makeRows<LeftLargeDataTypeStyle>(allLeftDataTypes, false);
    selectDataTypeArray_ = makeRows<LeftLargeDataTypeStyle>(allLeftDataTypes, true);
    completionHandler_ = completed;
    reloadData(typeArray_, true, [] {});
    reloadTimeData(timeTypeArray_, true, completed);
    reloadTypeData(dataTypeArray_, true, completed);
}

void LeftLargeFileViewController::clearDataArray()
{
    typeArray_.clear();
    defaultNotDataTableView_ = true;
    DispatchQueue::main().async(this, [this] { tableReload(); });
}

void LeftLargeFileViewController::reloadData(const std::vector<LeftLargeDataRowPtr>& tempArray, bool sort,
                                             std::function<void()> completed)
{
    reloadPass(FunctionType::size, tempArray, sort, std::move(completed));
}

void LeftLargeFileViewController::reloadTimeData(const std::vector<LeftLargeDataRowPtr>& tempArray, bool sort,
                                                 std::function<void()> completed)
{
    reloadPass(FunctionType::date, tempArray, sort, std::move(completed));
}

void LeftLargeFileViewController::reloadTypeData(const std::vector<LeftLargeDataRowPtr>& tempArray, bool sort,
                                                 std::function<void()> completed)
{
    reloadPass(FunctionType::type, tempArray, sort, std::move(completed));
}

void LeftLargeFileViewController::reloadPass(FunctionType type, const std::vector<LeftLargeDataRowPtr>& tempArray,
                                             bool sort, std::function<void()> completed)
{
    if (tempArray.empty()) {
        setDataArray(std::move(completed));
        return;
    }
    auto job = std::make_shared<ReloadJob>();
    job->type = type;
    job->sort = sort;
    job->rows = tempArray;
    const int selected = selectedRow();
    job->remembered = selected >= 0 && selected < int(tempArray.size()) ? selected : 0;
    // Copies taken here, on the main thread: the worker reads and sorts
    // nothing that anyone else holds.
    const DuplicateFilesList engine = LargeFilesManager::default_().allFiles();
    for (const LeftLargeDataRowPtr& row : tempArray) {
        job->copied.push_back(row->files()->infos());
        const int slot = row->slot();
        const bool held = slot >= 0 && slot < engine.size() && engine.at(slot);
        job->counted.push_back(held ? engine.at(slot)->infos() : QList<FileInfoPtr>());
        job->totals.push_back(held ? engine.at(slot)->totalSize() : 0);
    }
    job->sorted = job->copied;
    ++reloadsInFlight_;

    QPointer<LeftLargeFileViewController> self(this);
    DispatchQueue::global().async([self, job, completed = std::move(completed)] {
        for (size_t i = 0; i < job->rows.size(); ++i) {
            const bool selectedOnly = job->rows[i]->isSelectView();
            job->sizes.push_back(selectedOnly ? LeftLargeDataRow::sizeOf(job->counted[i], true) : job->totals[i]);
        }
        if (job->sort) {
            TSLOG(QStringLiteral("开始排序"));
            printKPL(QStringLiteral("开始排序"), "LeftLargeFileViewController", __LINE__, __func__);
            for (QList<FileInfoPtr>& files : job->sorted) {
                std::stable_sort(files.begin(), files.end(), [](const FileInfoPtr& a, const FileInfoPtr& b) {
                    return a->size() > b->size();
                });
            }
        }
        TSLOG(QStringLiteral("排序结束"));
        printKPL(QStringLiteral("排序结束"), "LeftLargeFileViewController", __LINE__, __func__);
        DispatchQueue::main().async([self, job, completed] {
            if (self) {
                self->finishReload(job, completed);
            }
        });
    });
}

void LeftLargeFileViewController::finishReload(const std::shared_ptr<ReloadJob>& job,
                                               const std::function<void()>& completed)
{
    --reloadsInFlight_;
    if (job->sort) {
        for (size_t i = 0; i < job->rows.size(); ++i) {
            DuplicateFiles& group = *job->rows[i]->files();
            // Another pass (or a filtering) may have replaced the list since
            // it was copied; its newer list wins.
            if (holdsList(group, job->copied[i])) {
                group.setInfos(job->sorted[i]);
            }
        }
    }
    // Text is measured here: fonts are not for several threads at once, and
    // six texts take no time.
    for (const uint64_t size : job->sizes) {
        filesCountStringWidth_ =
            LeftDataTableCellView::widenedSizeColumn(filesCountStringWidth_, transformedFileSize(size, true, true));
    }
    defaultNotDataTableView_ = false;
    tableReload();
    int row = job->remembered;
    if (!defaultSelect_) {
        row = 0;
    }
    selectRowQuietly(row);
    // The selected row's group goes to the right table even when the row
    // was selected before: the grouping or the groups may have changed under
    // it.
    if (row < shownRows_) {
        currentRow_ = row;
        chooseRow(row);
    }
    defaultSelect_ = true;
    TSLOG(QStringLiteral("数据更新完成"));
    printKPL(QStringLiteral("数据更新完成"), this, __LINE__, __func__);
    if (completed) {
        completed();
    }
}

void LeftLargeFileViewController::tableReload()
{
    const int rows = int(shownRows().size());
    const int selected = selectedRow();
    selectingQuietly_ = true;
    model_->reload([this, rows] { shownRows_ = rows; });
    if (selected >= 0 && selected < rows) {
        const QModelIndex index = model_->index(selected, 0);
        ui_->tableView->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    selectingQuietly_ = false;
    ui_->tableView->viewport()->update();
}

void LeftLargeFileViewController::selectRowQuietly(int row)
{
    if (row < 0 || row >= shownRows_) {
        return;
    }
    selectingQuietly_ = true;
    const QModelIndex index = model_->index(row, 0);
    QItemSelectionModel* selection = ui_->tableView->selectionModel();
    selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    selection->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    selectingQuietly_ = false;
}

int LeftLargeFileViewController::selectedRow() const
{
    const QModelIndexList rows = ui_->tableView->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void LeftLargeFileViewController::defaultSelectFirst()
{
    if (shownRows_ == 0) {
        return;
    }
    selectRowQuietly(0);
    currentRow_ = 0;
    chooseRow(0);
}

void LeftLargeFileViewController::filterData()
{
    const std::vector<LeftLargeDataRowPtr>& all = allList(functionType_);
    std::vector<LeftLargeDataRowPtr>& selected = selectList(functionType_);
    for (const LeftLargeDataRowPtr& row : selected) {
        row->files()->setInfos({});
    }
    for (size_t i = 0; i < all.size() && i < selected.size(); ++i) {
        QList<FileInfoPtr> checked;
        for (const FileInfoPtr& file : all[i]->files()->infos()) {
            if (file->selected()) {
                checked.append(file);
            }
        }
        selected[i]->files()->setInfos(std::move(checked));
    }
}

// ---------------------------------------------------------------------------
// Controls

void LeftLargeFileViewController::allFileViewAction()
{
    ui_->leftBtn->setChecked(true);
    ui_->rightBtn->setChecked(false);
    defaultSelect_ = false;
    isSelectedView_ = false;
    updateViewSelected();
    if (LargeFilesManager::default_().allFiles().isEmpty()) {
        isNotData_ = true;
    }
    if (delegate_) {
        delegate_->leftDataViewUpdateViewSelected(false);
    }
    updateBtnTitleColor();
    setDataArray([] {});
}

void LeftLargeFileViewController::selectFileViewAction()
{
    ui_->rightBtn->setChecked(true);
    ui_->leftBtn->setChecked(false);
    defaultSelect_ = false;
    isSelectedView_ = true;
    updateViewSelected();
    if (selectTypeArray_.empty() || selectTypeArray_.front()->files()->infos().isEmpty()) {
        isNotData_ = true;
    }
    if (delegate_) {
        delegate_->leftDataViewUpdateViewSelected(true);
    }
    updateBtnTitleColor();
    filterData();
    const std::function<void()> completed = completionHandler_ ? completionHandler_ : [] {};
    reloadPass(functionType_, selectList(functionType_), true, completed);
}

void LeftLargeFileViewController::mouseUp(MouseUpTextField* textField)
{
    if (textField == ui_->leftBtnLabel) {
        ui_->leftBtn->click();
    } else {
        ui_->rightBtn->click();
    }
}

void LeftLargeFileViewController::sortData(int tag)
{
    QString kind;
    if (tag == 2) {
        functionType_ = FunctionType::date;
        kind = localized("Date");
    } else if (tag == 1) {
        functionType_ = FunctionType::size;
        kind = localized("Size");
    } else {
        functionType_ = FunctionType::type;
        kind = localized("Type");
    }
    ui_->sortPopButton->setTitle(localized("By") + kind);
    const std::function<void()> completed = completionHandler_ ? completionHandler_ : [] {};
    reloadPass(functionType_, allList(functionType_), false, completed);
    if (!delegate_) {
        return;
    }
    if (!isSelectedView_) {
        delegate_->setRightLargeDataFiles(LeftLargeDataRow::engineGroup(0));
    } else {
        filterData();
        const std::vector<LeftLargeDataRowPtr>& rows = selectList(functionType_);
        delegate_->setRightLargeDataFiles(rows.empty() ? nullptr : rows.front()->files());
    }
    delegate_->displayRightDataView();
}

// ---------------------------------------------------------------------------
// Choosing a row

void LeftLargeFileViewController::tableViewSelectionDidChange()
{
    if (selectingQuietly_) {
        return;
    }
    const int row = selectedRow();
    if (row < 0 || row >= int(shownRows().size())) {
        return;
    }
    currentRow_ = row;
    chooseRow(row);
}

void LeftLargeFileViewController::chooseRow(int row)
{
    if (!delegate_) {
        return;
    }
    const std::vector<LeftLargeDataRowPtr>& rows = shownRows();
    if (row < 0 || row >= int(rows.size())) {
        return;
    }
    if (!isSelectedView_) {
        const DuplicateFilesPtr group = LeftLargeDataRow::engineGroup(rows[size_t(row)]->slot());
        // An empty group leaves the right table as it is.
        if (group->infos().isEmpty()) {
            return;
        }
        showGroup(group);
        return;
    }
    showGroup(rows[size_t(row)]->files());
}

void LeftLargeFileViewController::showGroup(const DuplicateFilesPtr& group)
{
    delegate_->setRightLargeDataFiles(group);
    delegate_->displayRightDataView();
}

// ---------------------------------------------------------------------------
// Cells

int LeftLargeFileViewController::heightOfRow(const QModelIndex&) const
{
    return rowHeight;
}

RYTableRowView* LeftLargeFileViewController::rowViewForRow(RYTableRowViewHost* host, int row)
{
    return ResultRowViews::rowView(host, row, QMarginsF(16, 4, 16, 4), 8, this);
}

QWidget* LeftLargeFileViewController::cellViewForIndex(CellViewDelegate* delegate, const QModelIndex& index)
{
    const std::vector<LeftLargeDataRowPtr>& rows = shownRows();
    const int row = index.row();
    if (row < 0 || row >= int(rows.size())) {
        return nullptr;
    }
    LeftDataTableCellView* cell = LeftDataTableCellView::dequeue(delegate);
    if (!cell) {
        return nullptr;
    }
    const LeftLargeDataRow& style = *rows[size_t(row)];
    // The band titles ("500 MB  to 1 GB") are longer than the kind names
    // the shared cell was laid out for: tighter margins, still inside the
    // row look's insets, leave them room.
    cell->layout()->setContentsMargins(cellLeftMargin, 0, cellRightMargin, 0);
    cell->layout()->setSpacing(cellSpacing);
    QLabel* title = cell->fileTypeLabel();
    title->setMinimumWidth(0);
    title->setSizePolicy(QSizePolicy::Ignored, title->sizePolicy().verticalPolicy());
    // A wide size (many terabytes) narrows the title: it ends in "…"
    // rather than being cut off mid-letter.
    const int iconWidth = cell->iconImageView()->maximumWidth();
    const int titleWidth = ui_->tableView->viewport()->width() - cellLeftMargin - cellRightMargin - iconWidth -
                           2 * cellSpacing - qRound(filesCountStringWidth_);
    cell->showCategory(style.iconName(),
                       title->fontMetrics().elidedText(style.displayTitle(), Qt::ElideRight, qMax(0, titleWidth)),
                       style.progressColor(), filesCountStringWidth_);
    RYTProgress* bar = cell->progressView();
    if (defaultNotDataTableView_) {
        bar->setProgressValue(0);
        cell->filesCountLabel()->setText(transformedFileSize(0, true, true));
        cell->setToolTip(isEnabledSelect_ ? QStringLiteral("0") : QString());
        cell->setProperty(CellViewDelegate::alphaProperty, 0.4);
    } else {
        const uint64_t size = style.filesSize();
        const int count = style.filesCount();
        // Every bar is a share of the list's first row as it stands now, so
        // it never depends on which row was drawn first.
        const uint64_t total = rows.front()->filesSize();
        const double share = size == 0 || total == 0 ? 0.0 : std::clamp(double(size) / double(total), 0.0, 1.0);
        bar->setProgressValue(share);
        cell->filesCountLabel()->setText(transformedFileSize(size, true, true));
        cell->setToolTip(isEnabledSelect_ ? QString::number(count) : QString());
        cell->setProperty(CellViewDelegate::alphaProperty, count == 0 ? 0.4 : 1.0);
    }
    const bool lit = row == selectedRow() || row == hoveredRow_;
    cell->setCellSelected(row == selectedRow());
    cell->setHighlight(row == hoveredRow_);
    cell->updateProgressView(lit);
    return cell;
}

void LeftLargeFileViewController::tableRowViewSelectedDidChange(KPLLeftDataTableRowView*)
{
    ui_->tableView->viewport()->update();
}

void LeftLargeFileViewController::tableRowViewEntered(KPLLeftDataTableRowView* rowView, QMouseEvent*)
{
    hoveredRow_ = rowView->row();
    ui_->tableView->viewport()->update();
}

void LeftLargeFileViewController::tableRowViewExited(KPLLeftDataTableRowView* rowView, QMouseEvent*)
{
    if (hoveredRow_ == rowView->row()) {
        hoveredRow_ = -1;
    }
    ui_->tableView->viewport()->update();
}
