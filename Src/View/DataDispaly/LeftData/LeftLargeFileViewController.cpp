#include "LeftLargeFileViewController.h"

#include "ui_LeftLargeFileViewController.h"

#include "Foundation/Bundle.h"
#include "Foundation/Dispatch.h"
#include "Manager/LargeFilesManager.h"
#include "View/DataDispaly/LeftData/LeftDataViewDelegate.h"
#include "View/Extension/KPLExtension.h"
#include "View/Extension/ScanScreenLook.h"

#include <QHeaderView>
#include <QStyle>
#include <QItemSelectionModel>
#include <QPainter>
#include <QStandardItemModel>
#include <QTableView>

using namespace ScanScreenLook;

namespace {

struct Band {
    int slot;
    const char* title;
};

// The size bands, in the order the list shows them.
const Band kBands[] = {
    {LargeFilesManager::allGroup, "All files"},
    {LargeFilesManager::size5GB, "Over 5GB"},
    {LargeFilesManager::size1GB, "1 GB to 5GB"},
    {LargeFilesManager::size500MB, "500 MB  to 1 GB"},
    {LargeFilesManager::size10MB, "10 MB to 500 MB"},
};

}  // namespace

LeftLargeFileViewController::LeftLargeFileViewController(QWidget* parent)
    : ViewController(parent), ui_(std::make_unique<Ui::LeftLargeFileViewController>())
{
    ui_->setupUi(this);
    setObjectName(QStringLiteral("LeftLargeFileViewController"));
    model_ = new QStandardItemModel(this);
    model_->setColumnCount(2);
    QTableView* table = ui_->tableView;
    table->setModel(model_);
    table->horizontalHeader()->hide();
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(44);
    table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    table->setShowGrid(false);
    table->setFrameShape(QFrame::NoFrame);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The table lies on a white card in both appearances.
    QPalette palette = table->style()->standardPalette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, surfaceColor(QStringLiteral("TitleLabelColor")));
    palette.setColor(QPalette::Highlight, surfaceColor(QStringLiteral("LeftDataRowViewSelectColor")));
    palette.setColor(QPalette::HighlightedText, surfaceColor(QStringLiteral("TitleLabelColor")));
    table->setPalette(palette);
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &LeftLargeFileViewController::selectionChanged);

    QFont title = font();
    title.setPixelSize(15);
    title.setBold(true);
    ui_->titleLabel->setFont(title);
    setTextColor(ui_->titleLabel, surfaceColor(QStringLiteral("TitleLabelColor")));
    ui_->titleLabel->setText(localized("Large Files"));
}

LeftLargeFileViewController::~LeftLargeFileViewController() = default;

QTableView* LeftLargeFileViewController::tableView() const { return ui_->tableView; }
QLabel* LeftLargeFileViewController::titleLabel() const { return ui_->titleLabel; }

int LeftLargeFileViewController::rowCount() const
{
    return static_cast<int>(groups_.size());
}

DuplicateFilesPtr LeftLargeFileViewController::groupAt(int row) const
{
    return row >= 0 && row < groups_.size() ? groups_.at(row) : nullptr;
}

void LeftLargeFileViewController::clearDataArray()
{
    groups_.clear();
    model_->removeRows(0, model_->rowCount());
}

void LeftLargeFileViewController::setDataArray(std::function<void()> completed)
{
    clearDataArray();
    const DuplicateFilesList all = LargeFilesManager::default_().allFiles();
    for (const Band& band : kBands) {
        const DuplicateFilesPtr group = band.slot < all.size() ? all.at(band.slot) : nullptr;
        if (!group) {
            continue;
        }
        groups_.append(group);
        auto* name = new QStandardItem(localized(band.title));
        name->setToolTip(localized("%1 files").arg(group->fileCount()));
        auto* size = new QStandardItem(transformedFileSize(group->totalSize(), false, true));
        size->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        model_->appendRow({name, size});
    }
    QPointer<LeftLargeFileViewController> self(this);
    DispatchQueue::main().async(this, [self, completed = std::move(completed)] {
        if (self && completed) {
            completed();
        }
    });
}

void LeftLargeFileViewController::selectionChanged()
{
    const QModelIndexList rows = ui_->tableView->selectionModel()->selectedRows();
    // The table takes no clicks while it is disabled; a row chosen by the
    // screen itself is reported like any other.
    if (rows.isEmpty() || !delegate_) {
        return;
    }
    delegate_->setRightLargeDataFiles(groupAt(rows.first().row()));
    delegate_->displayRightDataView();
}

void LeftLargeFileViewController::paintEvent(QPaintEvent*)
{
    // A white card, like the scan screen's other boxes, in both appearances.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(rect()), 8, 8);
}
