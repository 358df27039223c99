#include "WhiteListDetailControllerView.h"

#include "ui_WhiteListDetailControllerView.h"

#include "ListViewCell.h"
#include "WhiteListPathModel.h"

#include "Model/PerferenceInfo.h"
#include "QVLibrary/RYTFocusRing.h"
#include "View/Extension/KPLExtensionView.h"

#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>

#include <algorithm>

WhiteListDetailControllerView::WhiteListDetailControllerView(QWidget* parent)
    : ViewController(parent)
    , ui_(std::make_unique<Ui::WhiteListDetailControllerView>())
{
    ui_->setupUi(this);
    viewDidLoad();
}

WhiteListDetailControllerView::~WhiteListDetailControllerView() = default;

QString WhiteListDetailControllerView::settingsKey(int category)
{
    switch (category) {
    case 0:
        return QStringLiteral("whiteListPath");
    case 1:
        return QStringLiteral("DupImagesWhiteListPath");
    case 2:
        return QStringLiteral("LargeFileWhiteListPath");
    default:
        return {};
    }
}

QStringList WhiteListDetailControllerView::paths(const PerferenceInfo& settings, int category)
{
    switch (category) {
    case 0:
        return settings.localWhiteList();
    case 1:
        return settings.dupImagesWhiteListPath();
    case 2:
        return settings.localLargeFileWhiteListPath();
    default:
        return {};
    }
}

void WhiteListDetailControllerView::setPaths(PerferenceInfo& settings, int category, const QStringList& paths)
{
    switch (category) {
    case 0:
        settings.setLocalWhiteList(paths);
        break;
    case 1:
        settings.setDupImagesWhiteListPath(paths);
        break;
    case 2:
        settings.setLocalLargeFileWhiteListPath(paths);
        break;
    default:
        return;
    }
    // The list of texts itself, shared rather than copied into a list of
    // variants: the file gets an array of strings from it, and every reader
    // takes it as one.
    settings.dataDict().insert(settingsKey(category), QVariant(paths));
}

QListView* WhiteListDetailControllerView::listView() const
{
    return ui_->listView;
}

std::shared_ptr<PerferenceInfo> WhiteListDetailControllerView::preferenceInfo()
{
    if (!preferenceInfo_) {
        preferenceInfo_ = std::make_shared<PerferenceInfo>();
    }
    return preferenceInfo_;
}

void WhiteListDetailControllerView::setPreferenceInfo(std::shared_ptr<PerferenceInfo> settings)
{
    preferenceInfo_ = std::move(settings);
}

void WhiteListDetailControllerView::setSelectIndex(int index)
{
    selectIndex_ = index;
    model_->setChosenRow(index);
}

void WhiteListDetailControllerView::viewDidLoad()
{
    QListView* list = ui_->listView;
    model_ = new WhiteListPathModel(this);
    cell_ = new ListViewCell(this);
    list->setModel(model_);
    list->setItemDelegate(cell_);
    // Up, Down, Page Up, Page Down, Home and End choose a row as a click on
    // it does; the list keeps no choice of its own beside the one it shows.
    list->setFocusPolicy(Qt::TabFocus);
    list->installEventFilter(this);
    RYTFocusRing::attach(list, 0.0);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Every row is as tall as the next (the cell's size ignores its row), so
    // a new list is laid out without asking each of thousands of rows.
    list->setUniformItemSizes(true);
    // Rows under the mouse are tinted.
    list->setMouseTracking(true);
    list->viewport()->setAttribute(Qt::WA_Hover);
    // The rows lie on a white surface in either appearance.
    QPalette palette = list->viewport()->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Window, Qt::white);
    list->viewport()->setPalette(palette);
    list->viewport()->setAutoFillBackground(true);
    // A left press chooses a row, as on the category list.
    list->viewport()->installEventFilter(this);
    // The rows come with the settings the owner hands over; reading the
    // file here too would parse a long list once more for nothing.
}

int WhiteListDetailControllerView::numberOfItems() const
{
    return model_->rowCount();
}

void WhiteListDetailControllerView::reloadData()
{
    if (whiteListTypeIndex_ < 0 || whiteListTypeIndex_ >= categoryCount) {
        // As the list always did: one empty row for a category it does not know.
        model_->setEntries(QStringList{QString()});
    } else {
        model_->setEntries(paths(*preferenceInfo(), whiteListTypeIndex_));
    }
    model_->setChosenRow(selectIndex_);
}

bool WhiteListDetailControllerView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui_->listView && event->type() == QEvent::KeyPress) {
        const QListView* list = ui_->listView;
        const int page = std::max(1, list->viewport()->height() / std::max(1, list->sizeHintForRow(0)));
        // A choice kept from another category may lie beyond this one's
        // rows: the keys go on from its last.
        const std::optional<int> row =
            rowForListKey(static_cast<QKeyEvent*>(event), selectIndex_, model_->rowCount(), page);
        if (!row) {
            return ViewController::eventFilter(watched, event);
        }
        if (*row >= 0 && *row != selectIndex_) {
            didClickItemAt(*row);
            ui_->listView->scrollTo(model_->index(*row, 0));
        }
        return true;
    }
    if (watched == ui_->listView->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            const QModelIndex index = ui_->listView->indexAt(mouse->position().toPoint());
            if (index.isValid()) {
                didClickItemAt(index.row());
            }
        }
    }
    return ViewController::eventFilter(watched, event);
}

void WhiteListDetailControllerView::didClickItemAt(int row)
{
    setSelectIndex(row);
    if (clickBlock) {
        const auto block = clickBlock;
        block();
    }
}
