#include "WhiteListTypeControllerView.h"

#include "ui_WhiteListTypeControllerView.h"

#include "Foundation/Bundle.h"
#include "Main/Utilities.h"
#include "QVLibrary/RYTAppearanceFollower.h"
#include "WhiteListTypeListViewCell.h"

#include <QLabel>

WhiteListTypeControllerView::WhiteListTypeControllerView(QWidget* parent)
    : ViewController(parent)
    , ui_(std::make_unique<Ui::WhiteListTypeControllerView>())
    , whiteListType_{localized("Duplicate Files"), localized("Similar images"), localized("Large Files")}
{
    ui_->setupUi(this);
    viewDidLoad();
}

WhiteListTypeControllerView::~WhiteListTypeControllerView()
{
    ui_->listView->setDelegate(nullptr);
    ui_->listView->setDataSource(nullptr);
}

RYListView* WhiteListTypeControllerView::listView() const
{
    return ui_->listView;
}

void WhiteListTypeControllerView::viewDidLoad()
{
    ui_->listView->setStyle(0);
    ui_->listView->setMinimumInteritemSpacing(1.0);
    ui_->listView->setAllowsHighlight(true);
    ui_->listView->setEnableDoubleClick(false);
    // The categories lie on the page itself.
    ui_->listView->viewport()->setAutoFillBackground(false);
    ui_->listView->widget()->setAutoFillBackground(false);
    ui_->listView->setStyleSheet(QStringLiteral("QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }"));
    ui_->listView->registerClass<WhiteListTypeListViewCell>(QStringLiteral("listView"));
    ui_->listView->setDelegate(this);
    ui_->listView->setDataSource(this);
    // Up and Down choose the category above or below, as a click on it.
    ui_->listView->setFocusPolicy(Qt::TabFocus);
    // The rows take their colours as they are filled; under the list's style
    // sheet nothing else tells them of a new appearance.
    RYTAppearanceFollower::follow(this, [this] { ui_->listView->reloadData(); });
}

int WhiteListTypeControllerView::numberOfItemsInListView(RYListView*)
{
    return int(whiteListType_.size());
}

RYListViewCell* WhiteListTypeControllerView::listViewCellForItemAt(RYListView* listView, int index)
{
    auto* cell = static_cast<WhiteListTypeListViewCell*>(listView->dequeueReusableCell(QStringLiteral("listView"), index));
    if (!cell || index < 0 || index >= whiteListType_.size()) {
        return cell;
    }
    const bool chosen = index == selectIndex_;
    cell->typeNameLabel()->setText(whiteListType_.at(index));
    QPalette palette = cell->typeNameLabel()->palette();
    palette.setColor(QPalette::WindowText,
                     chosen ? QColor(Qt::white) : assetColor(QStringLiteral("PreferenceDefaultColor")));
    cell->typeNameLabel()->setPalette(palette);
    cell->setImageName(chosen ? QStringLiteral("DuplicateFile_1") : QStringLiteral("DuplicateFile"));
    cell->setSelected(chosen);
    cell->setSelectable(true);
    cell->setSelectedColor(chosen ? assetColor(QStringLiteral("PreferenceSelectedColor")) : QColor());
    return cell;
}

double WhiteListTypeControllerView::listViewHeightOfRow(RYListView*, int)
{
    return 35.0;
}

void WhiteListTypeControllerView::listViewDidClickItemAt(RYListView* listView, int index)
{
    selectIndex_ = index;
    listView->reloadData();
    if (clickBlock) {
        const auto block = clickBlock;
        block();
    }
}
