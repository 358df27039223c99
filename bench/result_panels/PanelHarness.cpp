#include "PanelHarness.h"

#include <QHBoxLayout>

PanelHarness::PanelHarness(bool mode)
    : previewMode(mode)
{
    // The scan screen's fixed light background.
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(237, 240, 245));
    setPalette(palette);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(16, 16, 16, 16);
    row->setSpacing(16);
    left = new LeftDataViewController(this);
    left->setFixedWidth(250);
    left->setDelegate(this);
    row->addWidget(left);
    right_ = new QStackedWidget(this);
    list = new RightDataListViewController(right_);
    preview = new RightDataPreviewViewController(right_);
    list->setDelegate(this);
    preview->setDelegate(this);
    right_->addWidget(list);
    right_->addWidget(preview);
    right_->setCurrentWidget(previewMode ? static_cast<QWidget*>(preview) : list);
    row->addWidget(right_, 1);
}

PanelHarness::~PanelHarness()
{
    left->setDelegate(nullptr);
    list->setDelegate(nullptr);
    preview->setDelegate(nullptr);
}

void PanelHarness::leftDataViewUpdateViewSelected(bool viewSelected)
{
    if (viewSelected) {
        left->setDataArray(nullptr);
    } else {
        left->reloadData(false, nullptr);
    }
}

void PanelHarness::leftDataViewShowFiles(const DuplicateFilesList& files)
{
    rightDataFilesArray = files;
    if (left->isClearRightViewSelect()) {
        list->initSelect();
        preview->initSelect();
    } else {
        left->setIsClearRightViewSelect(true);
    }
    displayRightDataView();
}

void PanelHarness::displayRightDataView()
{
    if (previewMode) {
        preview->setDataArray(rightDataFilesArray);
    } else {
        list->setDataArray(rightDataFilesArray);
    }
}

void PanelHarness::leftDataViewCtrReloadData(bool sort)
{
    if (left->viewSelected()) {
        left->reloadData(sort, [this] {
            if (onLeftReloaded) {
                onLeftReloaded();
            }
        });
    } else if (onLeftReloaded) {
        onLeftReloaded();
    }
}
