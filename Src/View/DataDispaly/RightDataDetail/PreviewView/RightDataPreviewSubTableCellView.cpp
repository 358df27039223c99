#include "RightDataPreviewSubTableCellView.h"

#include "ui_RemoveRightDataPreviewSubTableCellView.h"
#include "ui_RightDataPreviewSubTableCellView.h"

#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTCheckBox.h"
#include "View/DataDispaly/CellLooks.h"

namespace {

template <typename Form, typename Cell>
void take(Form& form, Cell* cell, QLabel*& error, RYTCheckBox*& box, QLabel*& icon, QLabel*& name, QLabel*& size,
          RYTButton*& open)
{
    form.setupUi(cell);
    error = form.errorImageView;
    box = form.checkBox;
    icon = form.iconImageView;
    name = form.fileNameLabel;
    size = form.sizeLabel;
    open = form.openFileButton;
}

}  // namespace

RightDataPreviewSubTableCellView::RightDataPreviewSubTableCellView(bool remove, QWidget* parent)
    : QWidget(parent)
    , remove_(remove)
{
    if (remove) {
        removeUi_ = std::make_unique<Ui::RemoveRightDataPreviewSubTableCellView>();
        take(*removeUi_, this, errorImageView_, checkBox_, iconImageView_, fileNameLabel_, sizeLabel_, openFileButton_);
    } else {
        ui_ = std::make_unique<Ui::RightDataPreviewSubTableCellView>();
        take(*ui_, this, errorImageView_, checkBox_, iconImageView_, fileNameLabel_, sizeLabel_, openFileButton_);
    }
}

RightDataPreviewSubTableCellView::~RightDataPreviewSubTableCellView() = default;

void RightDataPreviewSubTableCellView::initConfig()
{
    CellLooks::setUpCheckBox(checkBox_);
    CellLooks::setLabel(fileNameLabel_, 12, false, QStringLiteral("TitleLabelColor"));
    CellLooks::setLabel(sizeLabel_, 12, false, QStringLiteral("TitleLabelColor"));
    CellLooks::setUpOpenFileButton(openFileButton_);
    CellLooks::setUpErrorImage(errorImageView_);
}
