#include "WhiteListTypeListViewCell.h"

#include "ui_WhiteListTypeListViewCell.h"

#include "QVLibrary/RYTImage.h"

WhiteListTypeListViewCell::WhiteListTypeListViewCell(QWidget* parent)
    : RYListViewCell(parent)
    , ui_(std::make_unique<Ui::WhiteListTypeListViewCell>())
{
    ui_->setupUi(this);
}

WhiteListTypeListViewCell::~WhiteListTypeListViewCell() = default;

QLabel* WhiteListTypeListViewCell::typeImageName() const
{
    return ui_->typeImageName;
}

QLabel* WhiteListTypeListViewCell::typeNameLabel() const
{
    return ui_->typeNameLabel;
}

void WhiteListTypeListViewCell::setImageName(const QString& name)
{
    imageName_ = name;
    const QSize size = ui_->typeImageName->size();
    ui_->typeImageName->setPixmap(RYTImage::named(name).pixmap(size, devicePixelRatioF()));
}
