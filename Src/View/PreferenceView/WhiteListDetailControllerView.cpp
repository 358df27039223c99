#include "WhiteListDetailControllerView.h"

#include "ui_WhiteListDetailControllerView.h"

#include "ListViewCell.h"
#include "Foundation/ResourceValues.h"
#include "Main/Utilities.h"
#include "Model/PerferenceInfo.h"
#include "QVLibrary/RYTDarkMode.h"

#include <QFile>
#include <QLabel>

WhiteListDetailControllerView::WhiteListDetailControllerView(QWidget* parent)
    : ViewController(parent)
    , ui_(std::make_unique<Ui::WhiteListDetailControllerView>())
{
    ui_->setupUi(this);
    viewDidLoad();
}

WhiteListDetailControllerView::~WhiteListDetailControllerView()
{
    ui_->listView->setDelegate(nullptr);
    ui_->listView->setDataSource(nullptr);
}

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
    // Stored as an array of strings, the one shape the readers accept.
    QVariantList stored;
    stored.reserve(paths.size());
    for (const QString& path : paths) {
        stored.append(path);
    }
    settings.dataDict().insert(settingsKey(category), stored);
}

void WhiteListDetailControllerView::configureList(RYListView* list)
{
    list->setStyle(0);
    list->setMinimumInteritemSpacing(1.0);
    list->setAllowsHighlight(true);
    list->setEnableDoubleClick(false);
}

RYListView* WhiteListDetailControllerView::listView() const
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

void WhiteListDetailControllerView::viewDidLoad()
{
    preferenceInfo_ = std::make_shared<PerferenceInfo>();
    configureList(ui_->listView);
    // The rows lie on a white surface in either appearance.
    QPalette palette = ui_->listView->viewport()->palette();
    palette.setColor(QPalette::Window, Qt::white);
    ui_->listView->viewport()->setPalette(palette);
    ui_->listView->viewport()->setAutoFillBackground(true);
    ui_->listView->widget()->setAutoFillBackground(false);
    ui_->listView->registerClass<ListViewCell>(QStringLiteral("listView"));
    ui_->listView->setDelegate(this);
    ui_->listView->setDataSource(this);
    ui_->listView->reloadData();
}

QStringList WhiteListDetailControllerView::shownPaths()
{
    return paths(*preferenceInfo(), whiteListTypeIndex_);
}

int WhiteListDetailControllerView::numberOfItemsInListView(RYListView*)
{
    if (whiteListTypeIndex_ < 0 || whiteListTypeIndex_ >= categoryCount) {
        return 1;
    }
    return int(shownPaths().size());
}

RYListViewCell* WhiteListDetailControllerView::listViewCellForItemAt(RYListView* listView, int index)
{
    auto* cell = static_cast<ListViewCell*>(listView->dequeueReusableCell(QStringLiteral("listView"), index));
    if (!cell) {
        return cell;
    }
    const QStringList list = shownPaths();
    // An entry whose name is not UTF-8 is stored as its file URL; it shows as
    // the name it stands for.
    cell->setPath(index >= 0 && index < list.size()
                      ? QFile::decodeName(FilePath::fromStoredText(list.at(index)))
                      : QString());
    const bool chosen = index == selectIndex_;
    // The rows are a fixed white surface, so their text keeps its light look.
    QPalette palette = cell->whiteListPath()->palette();
    palette.setColor(QPalette::WindowText,
                     chosen ? QColor(Qt::white) : RYTDarkMode::colorNamed(QStringLiteral("PreferenceDefaultColor"), false));
    cell->whiteListPath()->setPalette(palette);
    QColor hover = assetColor(QStringLiteral("PreferenceSelectedColor"));
    // A tint, so a row under the mouse never looks selected.
    hover.setAlphaF(0.16);
    cell->setHighlightedColor(hover);
    cell->setSelected(chosen);
    cell->setSelectable(true);
    cell->setSelectedColor(assetColor(QStringLiteral("PreferenceSelectedColor")));
    cell->setBackgroundColor(index % 2 == 1 ? RYTDarkMode::colorNamed(QStringLiteral("WhiteListBackgroundColor"))
                                            : QColor(Qt::white));
    return cell;
}

double WhiteListDetailControllerView::listViewHeightOfRow(RYListView*, int)
{
    return 24.0;
}

void WhiteListDetailControllerView::listViewDidClickItemAt(RYListView* listView, int index)
{
    selectIndex_ = index;
    listView->reloadData();
    if (clickBlock) {
        const auto block = clickBlock;
        block();
    }
}
