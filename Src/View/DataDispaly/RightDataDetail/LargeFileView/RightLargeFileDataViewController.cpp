#include "RightLargeFileDataViewController.h"

#include "ui_RightLargeFileDataViewController.h"

#include "LargeFileTableModel.h"
#include "Foundation/Dispatch.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/RightDataPreviewViewDelegate.h"
#include "View/Extension/ScanScreenLook.h"

#include <QHeaderView>
#include <QStyle>
#include <QTableView>

#include <algorithm>

namespace {

// Up to this many files are sorted at once; more go to a worker thread.
constexpr qsizetype kSortInPlace = 5000;

}  // namespace

RightLargeFileDataViewController::RightLargeFileDataViewController(QWidget* parent)
    : ViewController(parent), ui_(std::make_unique<Ui::RightLargeFileDataViewController>())
{
    ui_->setupUi(this);
    setObjectName(QStringLiteral("RightLargeFileDataViewController"));
    model_ = new LargeFileTableModel(this);
    model_->setOnCheck([this](int) { reportSelection(); });
    QTableView* table = ui_->mainTableView;
    table->setModel(model_);
    table->horizontalHeader()->hide();
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(36);
    table->setShowGrid(false);
    table->setFrameShape(QFrame::NoFrame);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    table->setTextElideMode(Qt::ElideMiddle);
    table->horizontalHeader()->setSectionResizeMode(LargeFileTableModel::checkColumn, QHeaderView::Fixed);
    table->horizontalHeader()->setSectionResizeMode(LargeFileTableModel::nameColumn, QHeaderView::Stretch);
    table->horizontalHeader()->setSectionResizeMode(LargeFileTableModel::sizeColumn, QHeaderView::Fixed);
    table->setColumnWidth(LargeFileTableModel::checkColumn, 40);
    table->setColumnWidth(LargeFileTableModel::sizeColumn, 110);
    // The table lies on a white card in both appearances.
    QPalette palette = table->style()->standardPalette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, ScanScreenLook::surfaceColor(QStringLiteral("TitleLabelColor")));
    palette.setColor(QPalette::Highlight, ScanScreenLook::surfaceColor(QStringLiteral("LeftDataRowViewSelectColor")));
    palette.setColor(QPalette::HighlightedText, ScanScreenLook::surfaceColor(QStringLiteral("TitleLabelColor")));
    table->setPalette(palette);
}

RightLargeFileDataViewController::~RightLargeFileDataViewController() = default;

QTableView* RightLargeFileDataViewController::mainTableView() const
{
    return ui_->mainTableView;
}

void RightLargeFileDataViewController::reloadData()
{
    model_->refreshChecks();
}

const QList<FileInfoPtr>& RightLargeFileDataViewController::shownFiles() const
{
    return model_->files();
}

void RightLargeFileDataViewController::setCheckIsEnabled(bool enabled)
{
    checkIsEnabled_ = enabled;
    model_->setCheckable(enabled);
}

void RightLargeFileDataViewController::setData(const DuplicateFilesPtr& send, SortType sortType)
{
    files_ = send;
    sortType_ = sortType;
    if (!send) {
        ++generation_;
        model_->setFiles({});
        if (delegate_) {
            delegate_->updateRightDataBox(true);
        }
        return;
    }
    if (delegate_) {
        delegate_->updateRightDataBox(false);
    }
    applySort(sortType);
}

void RightLargeFileDataViewController::sortFilesOfName(bool isSort, bool isUpSort)
{
    applySort(isSort ? (isUpSort ? SortType::nameUp : SortType::nameDown) : SortType::defaultSort);
}

void RightLargeFileDataViewController::sortFilesOfSize(bool isSort, bool isUpSort)
{
    applySort(isSort ? (isUpSort ? SortType::sizeUp : SortType::sizeDown) : SortType::defaultSort);
}

QList<FileInfoPtr> RightLargeFileDataViewController::sorted(QList<FileInfoPtr> files, SortType type)
{
    struct Keyed {
        FileInfoPtr file;
        QString name;
        uint64_t size;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(static_cast<size_t>(files.size()));
    for (const FileInfoPtr& file : files) {
        keyed.push_back({file, type == SortType::nameUp || type == SortType::nameDown ? file->name() : QString(),
                         file->size()});
    }
    const auto byName = [](const Keyed& a, const Keyed& b) {
        const int order = a.name.compare(b.name, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a.file->path() < b.file->path();
    };
    switch (type) {
    case SortType::nameUp:
        std::stable_sort(keyed.begin(), keyed.end(), byName);
        break;
    case SortType::nameDown:
        std::stable_sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) { return byName(b, a); });
        break;
    case SortType::sizeUp:
        std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) { return a.size < b.size; });
        break;
    case SortType::sizeDown:
    case SortType::defaultSort:
        std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) { return a.size > b.size; });
        break;
    }
    QList<FileInfoPtr> result;
    result.reserve(files.size());
    for (Keyed& entry : keyed) {
        result.append(std::move(entry.file));
    }
    return result;
}

void RightLargeFileDataViewController::applySort(SortType type)
{
    sortType_ = type;
    const quint64 generation = ++generation_;
    if (!files_) {
        return;
    }
    QList<FileInfoPtr> files = files_->infos();
    if (files.size() <= kSortInPlace) {
        model_->setFiles(sorted(std::move(files), type));
        reportSelection();
        return;
    }
    ++sortsInFlight_;
    QPointer<RightLargeFileDataViewController> self(this);
    DispatchQueue::global().async([self, files = std::move(files), type, generation]() mutable {
        QList<FileInfoPtr> result = sorted(std::move(files), type);
        DispatchQueue::main().async([self, result = std::move(result), generation]() mutable {
            if (!self) {
                return;
            }
            --self->sortsInFlight_;
            if (generation != self->generation_) {
                return;
            }
            self->model_->setFiles(std::move(result));
            self->reportSelection();
        });
    });
}

void RightLargeFileDataViewController::checkBoxClick(int row)
{
    const QModelIndex index = model_->index(row, LargeFileTableModel::checkColumn);
    const bool on = model_->data(index, Qt::CheckStateRole).toInt() == Qt::Checked;
    model_->setData(index, on ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}

SelectType RightLargeFileDataViewController::selectType() const
{
    if (!files_) {
        return SelectType::typeOff;
    }
    int selected = 0;
    const QList<FileInfoPtr>& infos = files_->infos();
    for (const FileInfoPtr& file : infos) {
        selected += file->selected() ? 1 : 0;
    }
    if (selected == 0) {
        return SelectType::typeOff;
    }
    return selected == infos.size() ? SelectType::typeOn : SelectType::typeMix;
}

void RightLargeFileDataViewController::reportSelection()
{
    if (checkBoxDelegate_) {
        checkBoxDelegate_->updateCountLable(true);
        checkBoxDelegate_->updateSelectedState(selectType());
    }
}
