#include "RightLargeFileDataViewController.h"

#include "ui_RightLargeFileDataViewController.h"


#include "Foundation/Bundle.h"
#include "Foundation/Dispatch.h"
#include "Foundation/ResourceValues.h"
#include "LargeFileDates.h"
#include "Main/Utilities.h"
#include "QVLibrary/RYTableView.h"
#include "RightLargeFileTableCellView.h"
#include "RightLargeFileTableModel.h"
#include "View/CustomView/KPLScrollView.h"
#include "View/DataDispaly/CellLooks.h"
#include "View/DataDispaly/ElidedLabel.h"
#include "View/DataDispaly/ResultListKeys.h"
#include "View/DataDispaly/ResultRowViews.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/FilePreviewView.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/KPLSplitView.h"
#include "View/DataDispaly/RightDataDetail/PreviewView/RightDataPreviewViewDelegate.h"
#include "View/Extension/KPLExtension.h"

#include <QEvent>
#include <QFile>
#include <QHeaderView>
#include <QStyle>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cstdio>

namespace {

void setText(QLabel* label, int pixels, bool bold, const QColor& color)
{
    QFont font;
    font.setPixelSize(pixels);
    font.setBold(bold);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

bool holdsList(const DuplicateFiles& group, const QList<FileInfoPtr>& list)
{
    const QList<FileInfoPtr>& held = group.infos();
    return held.size() == list.size() && held.constData() == list.constData();
}

void printError(const QString& description)
{
    const QByteArray line = QStringLiteral("Error: %1\n").arg(description).toLocal8Bit();
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fflush(stdout);
}

}  // namespace

RightLargeFileDataViewController::RightLargeFileDataViewController(QWidget* parent)
    : ViewController(parent)
    , ui_(std::make_unique<Ui::RightLargeFileDataViewController>())
{
    ui_->setupUi(this);
    setObjectName(QStringLiteral("RightLargeFileDataViewController"));
    initConfig();
}

RightLargeFileDataViewController::~RightLargeFileDataViewController()
{
    host_->setDelegate(nullptr);
}

RYTableView* RightLargeFileDataViewController::mainTableView() const { return ui_->mainTableView; }
QLabel* RightLargeFileDataViewController::iconImage() const { return ui_->iconImage; }
ElidedLabel* RightLargeFileDataViewController::fileName() const { return ui_->fileName; }
ElidedLabel* RightLargeFileDataViewController::filePath() const { return ui_->filePath; }
QLabel* RightLargeFileDataViewController::fileInfo() const { return ui_->fileInfo; }
QLabel* RightLargeFileDataViewController::information() const { return ui_->information; }
QLabel* RightLargeFileDataViewController::creatTimeTextLabel() const { return ui_->creatTimeTextLabel; }
QLabel* RightLargeFileDataViewController::updateTimeTextLable() const { return ui_->updateTimeTextLable; }
QLabel* RightLargeFileDataViewController::lastOpenTimeTextLable() const { return ui_->lastOpenTimeTextLable; }
QLabel* RightLargeFileDataViewController::creatTimeLable() const { return ui_->creatTimeLable; }
QLabel* RightLargeFileDataViewController::updateTimeLabel() const { return ui_->updateTimeLabel; }
QLabel* RightLargeFileDataViewController::lastOpenTimeLable() const { return ui_->lastOpenTimeLable; }
KPLSplitView* RightLargeFileDataViewController::insideSplitView() const { return ui_->insideSplitView; }
FilePreviewView* RightLargeFileDataViewController::filePreviewView() const { return ui_->filePreviewView; }
QWidget* RightLargeFileDataViewController::rightView() const { return ui_->rightView; }

void RightLargeFileDataViewController::initConfig()
{
    // The panel lies on a white surface in both appearances.
    setAutoFillBackground(true);
    QPalette surface = palette();
    surface.setColor(QPalette::Window, Qt::white);
    surface.setColor(QPalette::Base, Qt::white);
    setPalette(surface);

    for (QFrame* line : {ui_->lineViewFirst, ui_->lineViewSecond}) {
        line->setFrameShape(QFrame::NoFrame);
        line->setAutoFillBackground(true);
        QPalette fill = line->palette();
        fill.setColor(QPalette::Window, color256(221, 221, 221, 0.5));
        line->setPalette(fill);
    }

    RYTableView* table = ui_->mainTableView;
    model_ = new RightLargeFileTableModel(this);
    table->setModel(model_);
    cells_ = new RightLargeFileTableCellView(table, model_);
    cells_->setOnCheckBoxClick([this](int row) { mainCheckBoxAction(row); });
    table->horizontalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setMinimumSectionSize(1);
    table->verticalHeader()->setDefaultSectionSize(RightLargeFileTableCellView::rowHeight);
    table->setShowGrid(false);
    CellLooks::setUpResultList(table);
    // Space ticks the chosen file as its box does; nothing opens from here.
    ResultListKeys::attach(table, 0, [this](const QModelIndex& chosen, bool open) {
        if (!open && cells_->checkIsEnabled()) {
            mainCheckBoxAction(chosen.row());
        }
    });
    // Nothing is opened from here: a double click only selects.
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QPalette tablePalette = table->viewport()->palette();
    tablePalette.setColor(QPalette::Base, Qt::white);
    table->viewport()->setPalette(tablePalette);
    // The program's own scroller: a grey knob on a pale track. The style's
    // bar drew its handle white and the rest of its groove grey, which on
    // this white surface read as a handle at the wrong end of the list.
    KPLScrollViewLook::applyTo(table)->setFillColor(QColor(Qt::white));
    host_ = new RYTableRowViewHost(table, this);
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &RightLargeFileDataViewController::tableViewSelectionDidChange);

    ui_->iconImage->setScaledContents(true);
    ui_->iconImage->hide();
    ui_->fileName->setElideMode(Qt::ElideMiddle);
    const QColor dark = color256(51, 51, 51);
    const QColor grey = color256(102, 102, 102);
    setText(ui_->fileName, 14, true, dark);
    setText(ui_->fileInfo, 12, false, grey);
    setText(ui_->filePath, 12, false, grey);
    setText(ui_->information, 14, true, dark);
    ui_->information->setText(localized("Information"));
    for (QLabel* value : {ui_->creatTimeLable, ui_->updateTimeLabel, ui_->lastOpenTimeLable}) {
        setText(value, 11, true, dark);
    }
    for (QLabel* caption : {ui_->creatTimeTextLabel, ui_->updateTimeTextLable, ui_->lastOpenTimeTextLable}) {
        setText(caption, 11, false, grey);
    }
    ui_->creatTimeTextLabel->setText(localized("Created"));
    ui_->updateTimeTextLable->setText(localized("Modified"));
    ui_->lastOpenTimeTextLable->setText(localized("Last opened"));

    KPLSplitView* split = ui_->insideSplitView;
    split->setHandleWidth(1);
    split->installEventFilter(this);
    if (QSplitterHandle* handle = split->handle(1)) {
        handle->setEnabled(false);
    }
    connect(split, &QSplitter::splitterMoved, this, [this] { pinDivider(); });
    pinDivider();
}

// ---------------------------------------------------------------------------
// The divider

int RightLargeFileDataViewController::pinnedDividerPosition(Qt::LayoutDirection direction)
{
    return direction == Qt::RightToLeft ? 308 : 380;
}

int RightLargeFileDataViewController::dividerPosition() const
{
    const QSplitterHandle* handle = ui_->insideSplitView->handle(1);
    return handle ? handle->geometry().x() : -1;
}

void RightLargeFileDataViewController::pinDivider()
{
    if (pinning_) {
        return;
    }
    pinning_ = true;
    KPLSplitView* split = ui_->insideSplitView;
    const int total = split->width();
    const int handle = split->handleWidth();
    const int at = pinnedDividerPosition(split->layoutDirection());
    // Right to left, the list (the first pane) lies on the right. The
    // splitter may take a little for its own frame: correct by what it did.
    const bool rightToLeft = split->layoutDirection() == Qt::RightToLeft;
    QList<int> sizes = rightToLeft ? QList<int>{qMax(0, total - at - handle), at}
                                   : QList<int>{at, qMax(0, total - at - handle)};
    for (int attempt = 0; attempt < 2; ++attempt) {
        split->setSizes(sizes);
        const int off = at - dividerPosition();
        if (off == 0 || dividerPosition() < 0) {
            break;
        }
        sizes[rightToLeft ? 1 : 0] += off;
        sizes[rightToLeft ? 0 : 1] -= off;
    }
    pinning_ = false;
}

bool RightLargeFileDataViewController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui_->insideSplitView &&
        (event->type() == QEvent::Resize || event->type() == QEvent::LayoutDirectionChange ||
         event->type() == QEvent::Show)) {
        pinDivider();
    }
    return ViewController::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// The group and its order

void RightLargeFileDataViewController::setCheckIsEnabled(bool enabled)
{
    checkIsEnabled_ = enabled;
    cells_->setCheckIsEnabled(enabled);
}

const QList<FileInfoPtr>& RightLargeFileDataViewController::shownFiles() const
{
    return model_->files();
}

void RightLargeFileDataViewController::setData(const DuplicateFilesPtr& send, SortType sortType)
{
    if (!send) {
        if (delegate_) {
            delegate_->updateRightDataBox(true);
        }
        return;
    }
    if (delegate_) {
        delegate_->updateRightDataBox(false);
    }
    // Another group starts at its top; the same group keeps its place.
    const bool otherGroup = send != files_;
    files_ = send;
    cells_->setCheckIsEnabled(checkIsEnabled_);
    if (otherGroup) {
        ui_->mainTableView->scrollToTop();
    }
    applySort(sortType);
    reportSelection();
}

void RightLargeFileDataViewController::sortFilesOfName(bool isSort, bool isUpSort)
{
    applySort(!isSort ? SortType::sizeDown : (isUpSort ? SortType::nameUp : SortType::nameDown));
}

void RightLargeFileDataViewController::sortFilesOfSize(bool isSort, bool isUpSort)
{
    applySort(isSort && isUpSort ? SortType::sizeUp : SortType::sizeDown);
}

void RightLargeFileDataViewController::reloadData()
{
    snapshot();
}

void RightLargeFileDataViewController::snapshot()
{
    // A reset forgets the highlighted row: the file the pane describes is
    // found again in the new rows, and where it was in view it keeps its
    // place, so the same file stays under the pointer.
    RYTableView* table = ui_->mainTableView;
    const int before = model_->rowOf(detailFile_);
    const QRect was = before >= 0 ? table->visualRect(model_->index(before)) : QRect();
    const bool inView = was.isValid() && was.intersects(table->viewport()->rect());
    model_->setToolTips(isEnabledSelect_);
    model_->setFiles(files_->infos());
    const int row = model_->rowOf(detailFile_);
    if (row < 0) {
        return;
    }
    const QModelIndex index = model_->index(row);
    restoringChoice_ = true;
    QItemSelectionModel* selection = table->selectionModel();
    selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    selection->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    restoringChoice_ = false;
    if (inView) {
        // The scroll range follows the new rows at once, not at the next
        // layout pass.
        table->doItemsLayout();
        QScrollBar* bar = table->verticalScrollBar();
        bar->setValue(bar->value() + table->rowViewportPosition(row) - was.top());
        table->scrollTo(index, QAbstractItemView::EnsureVisible);
    }
}

void RightLargeFileDataViewController::applySort(SortType type)
{
    sortType_ = type;
    const quint64 generation = ++sortGeneration_;
    // The order shown until the new one is ready.
    snapshot();
    if (type == SortType::defaultSort) {
        return;
    }
    const DuplicateFilesPtr group = files_;
    const QList<FileInfoPtr> copied = group->infos();
    ++sortsInFlight_;
    QPointer<RightLargeFileDataViewController> self(this);
    DispatchQueue::global().async([self, group, copied, type, generation] {
        QList<FileInfoPtr> ordered = sorted(copied, type);
        DispatchQueue::main().async([self, group, copied, ordered = std::move(ordered), type, generation] {
            if (!self) {
                return;
            }
            --self->sortsInFlight_;
            if (generation != self->sortGeneration_ || group != self->files_) {
                return;  // a newer order or another group was asked for since
            }
            if (!holdsList(*group, copied)) {
                // The list changed while it was sorted: sort what it holds now.
                self->applySort(type);
                return;
            }
            // Every holder of the group sees the new order.
            group->setInfos(ordered);
            self->snapshot();
        });
    });
}

QList<FileInfoPtr> RightLargeFileDataViewController::sorted(QList<FileInfoPtr> files, SortType type)
{
    switch (type) {
    case SortType::defaultSort: break;
    case SortType::nameUp:
    case SortType::nameDown: {
        // The keys are counted once, not at every comparison.
        std::vector<std::pair<int, FileInfoPtr>> keyed;
        keyed.reserve(size_t(files.size()));
        for (const FileInfoPtr& file : files) {
            keyed.emplace_back(nameLength(file->name()), file);
        }
        const bool up = type == SortType::nameUp;
        std::stable_sort(keyed.begin(), keyed.end(), [up](const auto& a, const auto& b) {
            return up ? a.first < b.first : a.first > b.first;
        });
        for (qsizetype i = 0; i < files.size(); ++i) {
            files[i] = std::move(keyed[size_t(i)].second);
        }
        break;
    }
    case SortType::sizeUp:
        std::stable_sort(files.begin(), files.end(),
                         [](const FileInfoPtr& a, const FileInfoPtr& b) { return a->size() < b->size(); });
        break;
    case SortType::sizeDown:
        std::stable_sort(files.begin(), files.end(),
                         [](const FileInfoPtr& a, const FileInfoPtr& b) { return a->size() > b->size(); });
        break;
    }
    return files;
}

int RightLargeFileDataViewController::nameLength(const QString& name)
{
    bool simple = true;
    for (const QChar c : name) {
        // Below the combining marks every code unit is one character.
        if (c.unicode() >= 0x0300) {
            simple = false;
            break;
        }
    }
    if (simple) {
        return int(name.size());
    }
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, name);
    int count = 0;
    while (finder.toNextBoundary() > 0) {
        ++count;
    }
    return count;
}

// ---------------------------------------------------------------------------
// Ticks

SelectType RightLargeFileDataViewController::selectTypeOf(const QList<FileInfoPtr>& files)
{
    const auto selected = std::count_if(files.cbegin(), files.cend(), [](const FileInfoPtr& f) { return f->selected(); });
    if (selected == files.size()) {
        return SelectType::typeOn;
    }
    return selected == 0 ? SelectType::typeOff : SelectType::typeMix;
}

SelectType RightLargeFileDataViewController::selectType() const
{
    return selectTypeOf(files_->infos());
}

void RightLargeFileDataViewController::reportSelection()
{
    if (checkBoxDelegate_) {
        checkBoxDelegate_->updateSelectedState(selectType());
    }
}

void RightLargeFileDataViewController::mainCheckBoxAction(int row)
{
    const FileInfoPtr file = model_->fileAt(row);
    if (!file) {
        return;
    }
    const bool on = !file->selected();
    file->setSelected(on);
    files_->setSelectState(on ? ControlState::on : ControlState::off);
    model_->rowChanged(row);
    if (checkBoxDelegate_) {
        checkBoxDelegate_->updateCountLable(true);
    }
    reportSelection();
}

// ---------------------------------------------------------------------------
// Details

RYTableRowView* RightLargeFileDataViewController::rowViewForRow(RYTableRowViewHost* host, int row)
{
    return ResultRowViews::rowView(host, row, QMarginsF(6, 3, 4, 3), 4, this);
}

void RightLargeFileDataViewController::tableViewSelectionDidChange()
{
    if (restoringChoice_) {
        return;  // the same file, highlighted again after a reload
    }
    const QModelIndexList rows = ui_->mainTableView->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        return;
    }
    const FileInfoPtr file = model_->fileAt(rows.first().row());
    if (!file) {
        return;
    }
    if (file->fileType() == FileType::picture) {
        const QIcon icon = CellLooks::fileIcon(*file);
        ui_->iconImage->setPixmap(icon.pixmap(QSize(202, 202), devicePixelRatioF()));
        ui_->iconImage->show();
        ui_->filePreviewView->closePreview();
        ui_->filePreviewView->hide();
    } else {
        ui_->iconImage->hide();
        ui_->filePreviewView->show();
        ui_->filePreviewView->showPreView(*file);
    }
    setDetailView(file);
}

void RightLargeFileDataViewController::setDetailView(const FileInfoPtr& currentFile)
{
    if (!currentFile) {
        return;
    }
    detailFile_ = currentFile;
    // The name and the size are the record's own; only the dates need the
    // disk, and they are cleared until they are read, so no other file's
    // dates ever stand under this name.
    ui_->fileName->setText(currentFile->name());
    // Where it lies, cut at the front so that the folders nearest the file
    // stay in sight; the whole of it in the tool tip.
    const QString folder = QFile::decodeName(FilePath::parentFolder(currentFile->path()));
    ui_->filePath->setPath(folder);
    ui_->filePath->setToolTip(plainToolTip(folder));
    ui_->fileInfo->setTextFormat(Qt::PlainText);
    ui_->fileInfo->setText(currentFile->pathExtension() + QStringLiteral(" - ") +
                           transformedFileSize(currentFile->size(), true, true));
    for (QLabel* value : {ui_->creatTimeLable, ui_->updateTimeLabel, ui_->lastOpenTimeLable}) {
        value->clear();
    }
    ++datesInFlight_;
    QPointer<RightLargeFileDataViewController> self(this);
    const QByteArray path = currentFile->path();
    DispatchQueue::global().async([self, currentFile, path] {
        const LargeFileDates dates = LargeFileDates::read(path);
        DispatchQueue::main().async([self, currentFile, dates] {
            if (!self) {
                return;
            }
            --self->datesInFlight_;
            if (self->detailFile_ != currentFile) {
                return;  // another file is selected by now
            }
            if (dates.error) {
                printError(*dates.error);
                return;
            }
            const QLocale locale;
            self->ui_->creatTimeLable->setText(LargeFileDates::text(dates.created, locale));
            self->ui_->updateTimeLabel->setText(LargeFileDates::text(dates.modified, locale));
            self->ui_->lastOpenTimeLable->setText(LargeFileDates::text(dates.accessed, locale));
        });
    });
}
