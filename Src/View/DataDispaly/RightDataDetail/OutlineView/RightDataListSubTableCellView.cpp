#include "RightDataListSubTableCellView.h"

#include "ui_RemoveRightDataListSubTableCellView.h"
#include "ui_RightDataListSubTableCellView.h"

#include "DuplicateSelectionRules.h"
#include "Main/Utilities.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTCheckBox.h"
#include "QVLibrary/RYTImage.h"
#include "View/DataDispaly/CellLooks.h"

RightDataListSubTableCellView::RightDataListSubTableCellView(bool remove, QWidget* parent)
    : QWidget(parent)
    , remove_(remove)
{
    // Both layouts hold the same outlets; the removal one shows the error icon.
    if (remove) {
        removeUi_ = std::make_unique<Ui::RemoveRightDataListSubTableCellView>();
        removeUi_->setupUi(this);
        errorImageView_ = removeUi_->errorImageView;
        checkBox_ = removeUi_->checkBox;
        iconImageView_ = removeUi_->iconImageView;
        fileNameLabel_ = removeUi_->fileNameLabel;
        sizeLabel_ = removeUi_->sizeLabel;
        openFileButton_ = removeUi_->openFileButton;
    } else {
        ui_ = std::make_unique<Ui::RightDataListSubTableCellView>();
        ui_->setupUi(this);
        errorImageView_ = ui_->errorImageView;
        checkBox_ = ui_->checkBox;
        iconImageView_ = ui_->iconImageView;
        fileNameLabel_ = ui_->fileNameLabel;
        sizeLabel_ = ui_->sizeLabel;
        openFileButton_ = ui_->openFileButton;
    }
    connect(checkBox_, &QAbstractButton::clicked, this, &RightDataListSubTableCellView::checkBoxAction);
    connect(openFileButton_, &QAbstractButton::clicked, this, &RightDataListSubTableCellView::openFileAction);
}

RightDataListSubTableCellView::~RightDataListSubTableCellView() = default;

void RightDataListSubTableCellView::initConfig()
{
    CellLooks::setUpCheckBox(checkBox_);
    CellLooks::setLabel(fileNameLabel_, 12, false, QStringLiteral("TitleLabelColor"));
    CellLooks::setLabel(sizeLabel_, 12, false, QStringLiteral("TitleLabelColor"));
    CellLooks::setUpOpenFileButton(openFileButton_);
    CellLooks::setUpErrorImage(errorImageView_);
}

void RightDataListSubTableCellView::checkBoxAction()
{
    if (!model_ || !files_) {
        return;
    }
    const DuplicateFilesPtr group = files_;
    const FileInfoPtr file = model_;
    const bool on = checkBox_->state() == RYTCheckBox::stateOn;
    DuplicateSelectionRules::applyFileBox(group, file, on, this, [this, group, file](bool applied) {
        if (applied) {
            if (delegate_) {
                delegate_->rightDataListSubTableCellViewCheckBoxClick(group, file);
            }
            return;
        }
        if (model_ == file) {
            checkBox_->setState(RYTCheckBox::stateOff);
        }
        emit selectionUndone(group, file);
    });
}

void RightDataListSubTableCellView::openFileAction()
{
    if (delegate_) {
        delegate_->rightDataListSubTableCellViewOpenFileClick(files_, model_);
    }
}
