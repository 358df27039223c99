#include "RightDataPreviewMainTableCellView.h"

#include "ui_RemoveRightDataPreviewMainTableCellView.h"
#include "ui_RightDataPreviewMainTableCellView.h"

#include "QVLibrary/RYTCheckBox.h"
#include "View/DataDispaly/CellLooks.h"

namespace {

template <typename Form, typename Cell>
void take(Form& form, Cell* cell, QLabel*& error, RYTCheckBox*& box, QLabel*& icon, QLabel*& name, QLabel*& count,
          QLabel*& size, QLabel*& selected)
{
    form.setupUi(cell);
    error = form.errorImageView;
    box = form.checkBox;
    icon = form.iconImageView;
    name = form.fileNameLabel;
    count = form.filesCountLabel;
    size = form.sizeLabel;
    selected = form.selectCountLabel;
}

}  // namespace

RightDataPreviewMainTableCellView::RightDataPreviewMainTableCellView(bool remove, QWidget* parent)
    : QWidget(parent)
    , remove_(remove)
{
    if (remove) {
        removeUi_ = std::make_unique<Ui::RemoveRightDataPreviewMainTableCellView>();
        take(*removeUi_, this, errorImageView_, checkBox_, iconImageView_, fileNameLabel_, filesCountLabel_,
             sizeLabel_, selectCountLabel_);
    } else {
        ui_ = std::make_unique<Ui::RightDataPreviewMainTableCellView>();
        take(*ui_, this, errorImageView_, checkBox_, iconImageView_, fileNameLabel_, filesCountLabel_, sizeLabel_,
             selectCountLabel_);
    }
}

RightDataPreviewMainTableCellView::~RightDataPreviewMainTableCellView() = default;

void RightDataPreviewMainTableCellView::initConfig()
{
    CellLooks::setUpCheckBox(checkBox_);
    CellLooks::setLabel(fileNameLabel_, 12, false, QStringLiteral("TitleLabelColor"));
    CellLooks::setLabel(filesCountLabel_, 11, false, QStringLiteral("TitleLabelColor"), 0.7);
    CellLooks::setLabel(sizeLabel_, 11, false, QStringLiteral("ButtonTitleNormalBlueColor"));
    CellLooks::setLabel(selectCountLabel_, 11, false, QStringLiteral("TitleLabelColor"));
    CellLooks::setUpErrorImage(errorImageView_);
}
