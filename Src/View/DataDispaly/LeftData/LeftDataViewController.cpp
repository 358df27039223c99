#include "LeftDataViewController.h"

#include "ui_LeftDataViewController.h"

#include "Foundation/Bundle.h"
#include "Foundation/Dispatch.h"
#include "LeftDataTableCellView.h"
#include "Main/Utilities.h"
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

#include <algorithm>
#include <mutex>
#include <numeric>

namespace {


struct CategoryRow {
    LeftDataType type;
    const char* title;
    const char* icon;
    const char* color;
    const char* analytics;
};

constexpr CategoryRow kCategories[] = {
    {LeftDataType::all, "All files", "left_All Files", "LeftDataProgressAllColor", "all"},
    {LeftDataType::video, "Video", "left_Video", "LeftDataProgressVideoColor", "video"},
    {LeftDataType::audio, "Audio", "left_Audio", "LeftDataProgressAudioColor", "audio"},
    {LeftDataType::picture, "Image", "left_Photos", "LeftDataProgressPhotosColor", "image"},
    {LeftDataType::document, "Document", "left_Document", "LeftDataProgressDocumentColor", "document"},
    {LeftDataType::other, "Others", "left_Others", "LeftDataProgressOtherColor", "other"},
};

DuplicateFilesList engineList(LeftDataType type)
{
    ScanManager& engine = ScanManager::default_();
    switch (type) {
    case LeftDataType::all: return engine.totalFiles();
    case LeftDataType::video: return engine.videoFiles();
    case LeftDataType::audio: return engine.audioFiles();
    case LeftDataType::picture: return engine.pictureFiles();
    case LeftDataType::document: return engine.documentFiles();
    case LeftDataType::other: return engine.otherFiles();
    }
    return {};
}

int engineCount(const ScanManager::Results& results, LeftDataType type)
{
    switch (type) {
    case LeftDataType::all: return results.totalFilesCount;
    case LeftDataType::video: return results.videoFilesCount;
    case LeftDataType::audio: return results.audioFilesCount;
    case LeftDataType::picture: return results.pictureFilesCount;
    case LeftDataType::document: return results.documentFilesCount;
    case LeftDataType::other: return results.otherFilesCount;
    }
    return 0;
}

uint64_t engineSize(const ScanManager::Results& results, LeftDataType type)
{
    switch (type) {
    case LeftDataType::all: return results.totalFilesSize;
    case LeftDataType::video: return results.videoFilesSize;
    case LeftDataType::audio: return results.audioFilesSize;
    case LeftDataType::picture: return results.pictureFilesSize;
    case LeftDataType::document: return results.documentFilesSize;
    case LeftDataType::other: return results.otherFilesSize;
    }
    return 0;
}

void sortBySizeDescending(DuplicateFilesList& groups)
{
    std::stable_sort(groups.begin(), groups.end(), [](const DuplicateFilesPtr& a, const DuplicateFilesPtr& b) {
        return a->totalSize() > b->totalSize();
    });
}

// The sorted groups of each category, kept with the engine list they came
// from: the copy shares the engine's list until the engine changes it, so a
// changed result is seen by its data pointer and size.
struct SortedGroups {
    std::mutex mutex;
    struct Entry {
        DuplicateFilesList source;
        DuplicateFilesList sorted;
        bool valid = false;
    };
    Entry entries[6];
};

SortedGroups& sortedGroups()
{
    static SortedGroups cache;
    return cache;
}

uint64_t selectedSizeOf(const DuplicateFilesList& groups)
{
    uint64_t sum = 0;
    for (const DuplicateFilesPtr& group : groups) {
        sum += group->selectedSize();
    }
    return sum;
}

int fileCountOf(const DuplicateFilesList& groups)
{
    int count = 0;
    for (const DuplicateFilesPtr& group : groups) {
        count += group->fileCount();
    }
    return count;
}

DuplicateFilesList withoutUnselected(const DuplicateFilesList& groups)
{
    DuplicateFilesList kept;
    for (const DuplicateFilesPtr& group : groups) {
        if (group->selectState() != ControlState::off) {
            kept.append(group);
        }
    }
    return kept;
}

}  // namespace

// ---------------------------------------------------------------------------
// Rows

LeftDataViewController::LeftDataListStyle::LeftDataListStyle(LeftDataType type)
    : dataType_(type)
{
    for (const CategoryRow& row : kCategories) {
        iconNameDic_.insert(row.type, QString::fromUtf8(row.icon));
        titleDic_.insert(row.type, QString::fromUtf8(row.title));
        progressColorNameDic_.insert(row.type, QString::fromUtf8(row.color));
        gALogTypeNameDic_.insert(row.type, QString::fromUtf8(row.analytics));
    }
}

void LeftDataViewController::LeftDataListStyle::setDictionaries(QHash<LeftDataType, QString> icons,
                                                                 QHash<LeftDataType, QString> titles,
                                                                 QHash<LeftDataType, QString> colors,
                                                                 QHash<LeftDataType, QString> names)
{
    iconNameDic_ = std::move(icons);
    titleDic_ = std::move(titles);
    progressColorNameDic_ = std::move(colors);
    gALogTypeNameDic_ = std::move(names);
}

QString LeftDataViewController::LeftDataListStyle::iconName() const
{
    return iconNameDic_.value(dataType_, QStringLiteral("Unknow"));
}

QString LeftDataViewController::LeftDataListStyle::titleName() const
{
    return titleDic_.value(dataType_, QStringLiteral("Unknow"));
}

QString LeftDataViewController::LeftDataListStyle::progressColorName() const
{
    return progressColorNameDic_.value(dataType_, QStringLiteral("Unknow"));
}

QString LeftDataViewController::LeftDataListStyle::gALogTypeName() const
{
    return gALogTypeNameDic_.value(dataType_, QStringLiteral("all"));
}

DuplicateFilesList LeftDataViewController::LeftDataListStyle::engineGroups(LeftDataType type)
{
    const DuplicateFilesList source = engineList(type);
    SortedGroups& cache = sortedGroups();
    SortedGroups::Entry& entry = cache.entries[int(type)];
    {
        std::lock_guard lock(cache.mutex);
        if (entry.valid && entry.source.constData() == source.constData() && entry.source.size() == source.size()) {
            return entry.sorted;
        }
    }
    DuplicateFilesList sorted = source;
    sortBySizeDescending(sorted);
    std::lock_guard lock(cache.mutex);
    entry.source = source;
    entry.sorted = sorted;
    entry.valid = true;
    return sorted;
}

void LeftDataViewController::LeftDataListStyle::forgetSortedGroups()
{
    SortedGroups& cache = sortedGroups();
    std::lock_guard lock(cache.mutex);
    for (SortedGroups::Entry& entry : cache.entries) {
        entry = SortedGroups::Entry();
    }
}

DuplicateFilesList LeftDataViewController::LeftDataListStyle::filesArray() const
{
    if (filterSelectedData_ && selectedArray_) {
        return *selectedArray_;
    }
    return engineGroups(dataType_);
}

int LeftDataViewController::LeftDataListStyle::filesCount() const
{
    if (!filterSelectedData_) {
        return engineCount(ScanManager::default_().results(), dataType_);
    }
    return fileCountOf(filesArray());
}

uint64_t LeftDataViewController::LeftDataListStyle::filesSize() const
{
    if (!filterSelectedData_) {
        return engineSize(ScanManager::default_().results(), dataType_);
    }
    return selectedSizeOf(filesArray());
}

// ---------------------------------------------------------------------------
// The table's selection: a user's proposal is reduced first.

class LeftDataViewController::SelectionModel : public QItemSelectionModel {
public:
    SelectionModel(QAbstractItemModel* model, LeftDataViewController* owner)
        : QItemSelectionModel(model, owner)
        , owner_(owner)
    {
    }

    using QItemSelectionModel::select;
    void select(const QItemSelection& selection, QItemSelectionModel::SelectionFlags command) override
    {
        if (owner_->selectingProgrammatically_ || command == QItemSelectionModel::NoUpdate) {
            QItemSelectionModel::select(selection, command);
            return;
        }
        QList<int> current;
        for (const QModelIndex& index : selectedRows()) {
            current.append(index.row());
        }
        QList<int> proposed = command.testFlag(QItemSelectionModel::Clear) ? QList<int>() : current;
        for (const QModelIndex& index : selection.indexes()) {
            const int row = index.row();
            if (command.testFlag(QItemSelectionModel::Toggle)) {
                if (!proposed.removeOne(row)) {
                    proposed.append(row);
                }
            } else if (command.testFlag(QItemSelectionModel::Deselect)) {
                proposed.removeAll(row);
            } else if (command.testFlag(QItemSelectionModel::Select) && !proposed.contains(row)) {
                proposed.append(row);
            }
        }
        std::sort(proposed.begin(), proposed.end());
        const QList<int> chosen = owner_->selectionIndexesForProposedSelection(proposed);
        if (chosen.isEmpty() || chosen == current) {
            return;
        }
        QItemSelection reduced;
        for (int row : chosen) {
            reduced.select(model()->index(row, 0), model()->index(row, 0));
        }
        QItemSelectionModel::select(reduced, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }

private:
    LeftDataViewController* owner_;
};

// ---------------------------------------------------------------------------

struct LeftDataViewController::ReloadJob {
    bool selectedView = false;
    bool sort = false;
    quint64 generation = 0;
    std::vector<LeftDataListStylePtr> rows;
    std::vector<std::optional<DuplicateFilesList>> selectedArrays;
    std::vector<uint64_t> sizes;
    std::vector<int> counts;
    std::vector<size_t> order;
    double width = 0;
    size_t remembered = 0;
    int newIndex = 0;
};

LeftDataViewController::LeftDataViewController(QWidget* parent)
    : ViewController(parent)
    , ui_(std::make_unique<Ui::LeftDataViewController>())
    , reloadQueue_(std::make_unique<DispatchQueue>(QStringLiteral("LeftDataViewController.reload")))
{
    static const bool registered = [] {
        registerCellNib<LeftDataTableCellView>();
        return true;
    }();
    Q_UNUSED(registered);
    ui_->setupUi(this);
    initConfig();
}

LeftDataViewController::~LeftDataViewController()
{
    host_->setDelegate(nullptr);
    cells_->setProvider(nullptr);
    ui_->leftBtnLabel->setMouseDelegate(nullptr);
    ui_->rightBtnLabel->setMouseDelegate(nullptr);
}

RYTButton* LeftDataViewController::leftBtn() const { return ui_->leftBtn; }
RYTButton* LeftDataViewController::rightBtn() const { return ui_->rightBtn; }
MouseUpTextField* LeftDataViewController::leftBtnLabel() const { return ui_->leftBtnLabel; }
MouseUpTextField* LeftDataViewController::rightBtnLabel() const { return ui_->rightBtnLabel; }
QFrame* LeftDataViewController::tableViewBox() const { return ui_->tableViewBox; }
QAbstractScrollArea* LeftDataViewController::scrollView() const { return ui_->tableView; }
RYTableView* LeftDataViewController::tableView() const { return ui_->tableView; }

const std::vector<LeftDataViewController::LeftDataListStylePtr>& LeftDataViewController::dataArray() const
{
    return viewSelected_ ? selectDataArray_ : allDataArray_;
}

std::vector<LeftDataViewController::LeftDataListStylePtr>& LeftDataViewController::mutableDataArray()
{
    return viewSelected_ ? selectDataArray_ : allDataArray_;
}

void LeftDataViewController::initConfig()
{
    CellLooks::paintWhiteRoundedBox(ui_->tableViewBox, 8);
    ui_->tableViewBox->setLineWidth(0);

    RYTableView* table = ui_->tableView;
    model_ = new RowCountModel([this] { return shownRows_; }, this);
    table->setModel(model_);
    selection_ = new SelectionModel(model_, this);
    QItemSelectionModel* old = table->selectionModel();
    table->setSelectionModel(selection_);
    delete old;
    CellLooks::setUpCategoryTable(table, rowHeight);
    cells_ = new CellViewDelegate(table, this);
    host_ = new RYTableRowViewHost(table, this);
    connect(selection_, &QItemSelectionModel::selectionChanged, this,
            &LeftDataViewController::tableViewSelectionDidChange);
    // A category without groups cannot be chosen by a click either.
    ResultListKeys::attach(table, 8, nullptr, [this](int row) {
        const std::vector<LeftDataListStylePtr>& rows = dataArray();
        return row >= 0 && row < int(rows.size()) && !rows[size_t(row)]->filesArray().isEmpty();
    });

    CellLooks::setUpFilterButtons(ui_->leftBtn, ui_->rightBtn, ui_->leftBtnLabel, ui_->rightBtnLabel, this);
    connect(ui_->leftBtn, &QAbstractButton::clicked, this, &LeftDataViewController::allAction);
    connect(ui_->rightBtn, &QAbstractButton::clicked, this, &LeftDataViewController::selectAction);
    updateBtnTitleColor();
    updateViewSelected();
}

void LeftDataViewController::updateViewSelected()
{
    const QColor white(Qt::white);
    const QColor blue = CellLooks::lightColor(QStringLiteral("ButtonTitleNormalBlueColor"));
    const QColor offFill = CellLooks::lightColor(QStringLiteral("LeftDataButtonBgDisSelectColor"));
    const QColor offTitle = CellLooks::lightColor(QStringLiteral("LeftDataButtonTitleSelectColor"));
    RYTButton* chosen = viewSelected_ ? ui_->rightBtn : ui_->leftBtn;
    RYTButton* other = viewSelected_ ? ui_->leftBtn : ui_->rightBtn;
    CellLooks::setFilterButtonLook(chosen, white, blue);
    CellLooks::setFilterButtonLook(other, offFill, offTitle);
}

void LeftDataViewController::updateBtnTitleColor()
{
    const QColor on = CellLooks::lightColor(QStringLiteral("ButtonTitleNormalBlueColor"));
    const QColor off = CellLooks::lightColor(QStringLiteral("TitleLabelColor"));
    CellLooks::setCaptionColor(ui_->leftBtnLabel, ui_->leftBtn->isChecked() ? on : off);
    CellLooks::setCaptionColor(ui_->rightBtnLabel, ui_->rightBtn->isChecked() ? on : off);
}

void LeftDataViewController::allAction()
{
    switchFilter(false);
}

void LeftDataViewController::selectAction()
{
    switchFilter(true);
}

void LeftDataViewController::switchFilter(bool selected)
{
    RYTButton* chosen = selected ? ui_->rightBtn : ui_->leftBtn;
    RYTButton* other = selected ? ui_->leftBtn : ui_->rightBtn;
    chosen->setChecked(true);  // a click on the shown filter changes nothing
    if (viewSelected_ == selected) {
        return;
    }
    other->setChecked(false);
    defaultSelect_ = false;
    viewSelected_ = selected;
    updateViewSelected();
    tableReload();
    if (delegate_) {
        delegate_->leftDataViewUpdateViewSelected(selected);
    }
    updateBtnTitleColor();
}

void LeftDataViewController::mouseUp(MouseUpTextField* textField)
{
    if (textField == ui_->leftBtnLabel) {
        ui_->leftBtn->click();
    } else {
        ui_->rightBtn->click();
    }
}

void LeftDataViewController::setIsEnabledSelect(bool enabled)
{
    isEnabledSelect_ = enabled;
}

void LeftDataViewController::tableReload()
{
    const int rows = int(dataArray().size());
    rowLooks_.resize(size_t(rows));
    if (rows != shownRows_) {
        model_->reload([this, rows] { shownRows_ = rows; });
    } else {
        for (int row = 0; row < rows; ++row) {
            model_->rowChanged(row);
        }
    }
    ui_->tableView->viewport()->update();
}

void LeftDataViewController::clearDataArray()
{
    allDataArray_.clear();
    selectDataArray_.clear();
    ++allGeneration_;
    ++selectGeneration_;
    defaultNotDataTableView_ = true;
    // A new result (after a removal) may change the groups' sizes in place.
    LeftDataListStyle::forgetSortedGroups();
    tableReload();
    DispatchQueue::main().async(this, [this] { tableReload(); });
}

void LeftDataViewController::setDataArray(std::function<void()> completed)
{
    selectDataArray_.clear();
    ++selectGeneration_;
    if (dataArray().empty()) {
        std::vector<LeftDataListStylePtr>& rows = mutableDataArray();
        for (LeftDataType type : allLeftDataTypes) {
            auto row = std::make_shared<LeftDataListStyle>(type);
            row->setFilterSelectedData(viewSelected_);
            rows.push_back(row);
        }
        if (viewSelected_) {
            ++selectGeneration_;
        } else {
            ++allGeneration_;
        }
    }
    tableReload();
    reloadData(true, std::move(completed));
}

void LeftDataViewController::reloadData(bool sort, std::function<void()> completed)
{
    if (dataArray().empty()) {
        setDataArray(std::move(completed));
        return;
    }
    auto job = std::make_shared<ReloadJob>();
    job->selectedView = viewSelected_;
    job->sort = sort;
    job->generation = viewSelected_ ? selectGeneration_ : allGeneration_;
    job->rows = dataArray();
    for (const LeftDataListStylePtr& row : job->rows) {
        job->selectedArrays.push_back(row->selectedArray());
    }
    job->width = filesCountStringWidth_;
    const int selected = selectedRow();
    job->remembered = size_t(qBound(0, selected >= 0 ? selected : 0, int(job->rows.size()) - 1));
    ++reloadsInFlight_;

    QPointer<LeftDataViewController> self(this);
    // One reload measures at a time and they finish in the order they were
    // asked for: a later reload's order is never replaced by an earlier one's.
    reloadQueue_->async([self, job, completed = std::move(completed)] {
        const ScanManager::Results results = ScanManager::default_().results();
        const size_t count = job->rows.size();
        job->sizes.resize(count);
        job->counts.resize(count);
        for (size_t i = 0; i < count; ++i) {
            const LeftDataListStylePtr& row = job->rows[i];
            // Sorting the category's groups here keeps it off the main thread
            // when the row is chosen.
            const DuplicateFilesList groups = LeftDataListStyle::engineGroups(row->dataType());
            if (job->selectedView && row->filterSelectedData()) {
                if (!job->selectedArrays[i]) {
                    job->selectedArrays[i] = withoutUnselected(groups);
                }
                job->sizes[i] = selectedSizeOf(*job->selectedArrays[i]);
                job->counts[i] = fileCountOf(*job->selectedArrays[i]);
            } else {
                job->sizes[i] = engineSize(results, row->dataType());
                job->counts[i] = engineCount(results, row->dataType());
            }
            job->width =
                LeftDataTableCellView::widenedSizeColumn(job->width, transformedFileSize(job->sizes[i], true, true));
        }
        job->order.resize(count);
        std::iota(job->order.begin(), job->order.end(), size_t(0));
        if (job->sort) {
            TSLOG(QStringLiteral("Left data: sorting categories by size"));
            std::stable_sort(job->order.begin(), job->order.end(),
                             [&job](size_t a, size_t b) { return job->sizes[a] > job->sizes[b]; });
        }
        TSLOG(QStringLiteral("Left data: sorting done"));
        job->newIndex = int(std::find(job->order.begin(), job->order.end(), job->remembered) - job->order.begin());
        DispatchQueue::main().async([self, job, completed] {
            if (self) {
                self->finishReload(job, completed);
            }
        });
    });
}

void LeftDataViewController::finishReload(const std::shared_ptr<ReloadJob>& job, const std::function<void()>& completed)
{
    --reloadsInFlight_;
    std::vector<LeftDataListStylePtr>& target = job->selectedView ? selectDataArray_ : allDataArray_;
    const quint64 generation = job->selectedView ? selectGeneration_ : allGeneration_;
    int index = job->newIndex;
    if (job->generation == generation) {
        // The rows are the ones measured: publish the sorted copy whole.
        std::vector<LeftDataListStylePtr> sorted;
        sorted.reserve(job->order.size());
        for (size_t at : job->order) {
            const LeftDataListStylePtr& row = job->rows[at];
            if (!row->selectedArray() && job->selectedArrays[at]) {
                row->setSelectedArray(job->selectedArrays[at]);
            }
            row->setMeasured(job->sizes[at], job->counts[at]);
            sorted.push_back(row);
        }
        target = std::move(sorted);
    }
    filesCountStringWidth_ = std::max(filesCountStringWidth_, job->width);
    defaultNotDataTableView_ = false;
    tableReload();
    if (!defaultSelect_) {
        index = 0;
    }
    isClearRightViewSelect_ = false;
    // The reload always hands the chosen category over, also when the row
    // was chosen already (the selection model then reports no change): a
    // filter switch must refresh the right side.
    const QModelIndexList before = selection_->selectedRows();
    const bool unchanged = before.size() == 1 && before.first().row() == index;
    selectRowProgrammatically(index);
    if (unchanged) {
        tableViewSelectionDidChange();
    }
    defaultSelect_ = true;
    TSLOG(QStringLiteral("Left data: update done"));
    if (completed) {
        completed();
    }
}

int LeftDataViewController::selectedRow() const
{
    const QModelIndexList rows = selection_->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void LeftDataViewController::selectRowProgrammatically(int row)
{
    if (row < 0 || row >= shownRows_) {
        return;
    }
    selectingProgrammatically_ = true;
    const QModelIndex index = model_->index(row, 0);
    selection_->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    selection_->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    selectingProgrammatically_ = false;
}

QList<int> LeftDataViewController::selectionIndexesForProposedSelection(const QList<int>& proposed)
{
    if (proposed.isEmpty()) {
        QList<int> current;
        for (const QModelIndex& index : selection_->selectedRows()) {
            current.append(index.row());
        }
        return current;
    }
    fileTypeClick_ = true;
    const std::vector<LeftDataListStylePtr>& rows = dataArray();
    QList<int> reduced;
    for (int row : proposed) {
        if (row >= 0 && row < int(rows.size()) && !rows[size_t(row)]->filesArray().isEmpty()) {
            reduced.append(row);
        }
    }
    if (reduced.contains(0)) {
        asyncGALog(QStringLiteral("BeforeDeleter"), QStringLiteral("FileType"), QStringLiteral("all"));
        return {0};
    }
    QString label;
    for (int row : reduced) {
        label = QStringLiteral("%1%2_").arg(label, rows[size_t(row)]->gALogTypeName());
    }
    if (!label.isEmpty()) {
        label.chop(1);
    }
    asyncGALog(QStringLiteral("BeforeDeleter"), QStringLiteral("FileType"), label);
    return reduced;
}

void LeftDataViewController::tableViewSelectionDidChange()
{
    QList<int> rows;
    for (const QModelIndex& index : selection_->selectedRows()) {
        rows.append(index.row());
    }
    if (rows.isEmpty()) {
        return;
    }
    std::sort(rows.begin(), rows.end());
    const std::vector<LeftDataListStylePtr>& data = dataArray();
    DuplicateFilesList groups;
    if (rows.size() == 1) {
        if (rows.first() < int(data.size())) {
            groups = data[size_t(rows.first())]->filesArray();
        }
    } else {
        for (int row : rows) {
            if (row < int(data.size())) {
                groups += data[size_t(row)]->filesArray();
            }
        }
        sortBySizeDescending(groups);
    }
    if (delegate_) {
        delegate_->leftDataViewShowFiles(groups);
    }
}

int LeftDataViewController::heightOfRow(const QModelIndex&) const
{
    return rowHeight;
}

RYTableRowView* LeftDataViewController::rowViewForRow(RYTableRowViewHost* host, int row)
{
    return ResultRowViews::rowView(host, row, QMarginsF(16, 4, 16, 4), 8, this);
}

QWidget* LeftDataViewController::cellViewForIndex(CellViewDelegate* delegate, const QModelIndex& index)
{
    const std::vector<LeftDataListStylePtr>& rows = dataArray();
    const int row = index.row();
    if (row < 0 || row >= int(rows.size())) {
        return nullptr;
    }
    LeftDataTableCellView* cell = LeftDataTableCellView::dequeue(delegate);
    if (!cell) {
        return nullptr;
    }
    const LeftDataListStyle& style = *rows[size_t(row)];
    cell->showCategory(style.iconName(), localized(style.titleName()), assetColor(style.progressColorName()),
                       filesCountStringWidth_);
    RYTProgress* bar = cell->progressView();
    // The measured figures come from the last reload. A row of the
    // "Selected" view that is not measured yet shows the empty look until
    // its reload lands: counting its selected files here would walk every
    // group on the main thread at each paint.
    const std::optional<uint64_t> measuredSize = style.measuredFilesSize();
    const std::optional<int> measuredCount = style.measuredFilesCount();
    const bool awaitingFigures = style.filterSelectedData() && !(measuredSize && measuredCount);
    if (defaultNotDataTableView_ || awaitingFigures) {
        bar->setProgressValue(0);
        cell->filesCountLabel()->setText(QStringLiteral("0 B"));
        cell->setToolTip(isEnabledSelect_ ? QStringLiteral("0") : QString());
        cell->setProperty(CellViewDelegate::alphaProperty, 0.4);
    } else {
        const uint64_t size = measuredSize ? *measuredSize : style.filesSize();
        const int count = measuredCount ? *measuredCount : style.filesCount();
        if (style.dataType() == LeftDataType::all) {
            totalFilesSize_ = size;
        }
        bar->setProgressValue(size == 0 || totalFilesSize_ == 0 ? 0.0 : double(size) / double(totalFilesSize_));
        cell->filesCountLabel()->setText(CellLooks::sizeText(size));
        cell->setToolTip(isEnabledSelect_ ? QString::number(count) : QString());
        const bool empty = style.filterSelectedData() && style.selectedArray() ? style.selectedArray()->isEmpty()
                                                                                : count == 0;
        cell->setProperty(CellViewDelegate::alphaProperty, empty ? 0.4 : 1.0);
    }
    // The row's selected and hover state, as its row view last reported it.
    const RowLook look = size_t(row) < rowLooks_.size() ? rowLooks_[size_t(row)] : RowLook();
    cell->setCellSelected(look.cellSelected);
    cell->setHighlight(look.highlight);
    cell->updateProgressView(look.cellSelected || look.highlight);
    return cell;
}

void LeftDataViewController::tableRowViewSelectedDidChange(KPLLeftDataTableRowView* rowView)
{
    if (rowView->numberOfColumns() == 0 || rowView->row() < 0) {
        return;
    }
    rowLooks_.resize(dataArray().size());
    const int selected = selectedRow();
    for (size_t row = 0; row < rowLooks_.size(); ++row) {
        RowLook& look = rowLooks_[row];
        if (int(row) == selected) {
            look.cellSelected = true;
        } else {
            look.highlight = false;
            look.cellSelected = false;
        }
    }
    ui_->tableView->viewport()->update();
}

void LeftDataViewController::tableRowViewEntered(KPLLeftDataTableRowView* rowView, QMouseEvent*)
{
    if (rowView->numberOfColumns() == 0 || rowView->row() < 0 || size_t(rowView->row()) >= rowLooks_.size()) {
        return;
    }
    rowLooks_[size_t(rowView->row())].highlight = true;
    ui_->tableView->viewport()->update();
}

void LeftDataViewController::tableRowViewExited(KPLLeftDataTableRowView* rowView, QMouseEvent*)
{
    if (rowView->numberOfColumns() == 0 || rowView->row() < 0 || size_t(rowView->row()) >= rowLooks_.size()) {
        return;
    }
    rowLooks_[size_t(rowView->row())].highlight = false;
    ui_->tableView->viewport()->update();
}
