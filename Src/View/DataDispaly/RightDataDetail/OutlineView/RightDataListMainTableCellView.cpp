#include "RightDataListMainTableCellView.h"

#include "ui_RightDataListMainTableCellView.h"

#include "DuplicateSelectionRules.h"
#include "Main/Utilities.h"
#include "QVLibrary/RYTCheckBox.h"
#include "QVLibrary/RYTImage.h"
#include "RightDataListArrowButton.h"
#include "View/DataDispaly/CellLooks.h"

#include <QVariantAnimation>

#include <numbers>

RightDataListMainTableCellView::RightDataListMainTableCellView(QWidget* parent)
    : QWidget(parent)
    , ui_(std::make_unique<Ui::RightDataListMainTableCellView>())
{
    ui_->setupUi(this);
    connect(ui_->checkBox, &QAbstractButton::clicked, this, &RightDataListMainTableCellView::checkBoxAction);
    connect(ui_->arrowButton, &QAbstractButton::clicked, this, &RightDataListMainTableCellView::arrowAction);
}

RightDataListMainTableCellView::~RightDataListMainTableCellView()
{
    for (const QPointer<QVariantAnimation>& animation : std::as_const(arrowAnimations_)) {
        delete animation.data();
    }
}

RightDataListArrowButton* RightDataListMainTableCellView::arrowButton() const { return ui_->arrowButton; }
QLabel* RightDataListMainTableCellView::errorImageView() const { return ui_->errorImageView; }
RYTCheckBox* RightDataListMainTableCellView::checkBox() const { return ui_->checkBox; }
QLabel* RightDataListMainTableCellView::iconImageView() const { return ui_->iconImageView; }
QLabel* RightDataListMainTableCellView::fileNameLabel() const { return ui_->fileNameLabel; }
QLabel* RightDataListMainTableCellView::sizeLabel() const { return ui_->sizeLabel; }
QLabel* RightDataListMainTableCellView::selectCountLabel() const { return ui_->selectCountLabel; }

void RightDataListMainTableCellView::initConfig()
{
    CellLooks::setUpCheckBox(ui_->checkBox);
    CellLooks::setLabel(ui_->fileNameLabel, 12, true, QStringLiteral("TitleLabelColor"));
    CellLooks::setLabel(ui_->sizeLabel, 12, true, QStringLiteral("ButtonTitleNormalBlueColor"));
    CellLooks::setLabel(ui_->selectCountLabel, 12, false, QStringLiteral("TitleLabelColor"));
    CellLooks::setUpErrorImage(ui_->errorImageView);
}

void RightDataListMainTableCellView::setModel(const DuplicateFilesPtr& model)
{
    model_ = model;
    QVariantAnimation* running = arrowAnimation(model.get());
    ui_->arrowButton->setRotation(running ? running->currentValue().toDouble() : 0.0);
}

void RightDataListMainTableCellView::updateArrowButtonImage(bool expand)
{
    ui_->arrowButton->setState(expand);
    ui_->arrowButton->setImage(RYTImage::named(expand ? QStringLiteral("arrow_down") : QStringLiteral("arrow_left")));
}

QVariantAnimation* RightDataListMainTableCellView::arrowAnimation(const DuplicateFiles* group) const
{
    const QPointer<QVariantAnimation> animation = arrowAnimations_.value(group);
    return animation && animation->state() == QAbstractAnimation::Running ? animation.data() : nullptr;
}

void RightDataListMainTableCellView::animationArrowButton(bool expand)
{
    const DuplicateFiles* group = model_.get();
    // A new turn replaces the one running under the same key.
    if (QPointer<QVariantAnimation> old = arrowAnimations_.take(group)) {
        old->stop();
        old->deleteLater();
    }
    auto* animation = new QVariantAnimation(this);
    animation->setObjectName(QString::fromLatin1(arrowAnimationKey));
    animation->setStartValue(expand ? std::numbers::pi / 2.0 : -std::numbers::pi / 2.0);
    animation->setEndValue(0.0);
    animation->setDuration(200);
    animation->setLoopCount(1);
    connect(animation, &QVariantAnimation::valueChanged, this, [this, group](const QVariant& value) {
        if (model_.get() == group) {
            ui_->arrowButton->setRotation(value.toDouble());
        }
        if (arrowStep_) {
            arrowStep_(group);
        }
    });
    connect(animation, &QAbstractAnimation::finished, this, [this, group, animation] {
        if (arrowAnimations_.value(group) == animation) {
            arrowAnimations_.remove(group);
        }
        animation->deleteLater();
        if (model_.get() == group) {
            ui_->arrowButton->setRotation(0.0);
        }
        if (arrowStep_) {
            arrowStep_(group);
        }
    });
    arrowAnimations_.insert(group, animation);
    ui_->arrowButton->setRotation(animation->startValue().toDouble());
    animation->start();
}

void RightDataListMainTableCellView::checkBoxAction()
{
    if (!model_) {
        return;
    }
    const int countBefore = model_->selectedCount();
    const uint64_t sizeBefore = model_->selectedSize();
    // The box has moved on already: mixed stays, anything else is off.
    const ControlState state = DuplicateSelectionRules::applyGroupBox(*model_, ui_->checkBox->state());
    ui_->checkBox->setState(int(state));
    if (delegate_) {
        const int changeCount = model_->selectedCount() - countBefore;
        const int64_t changeSize = int64_t(model_->selectedSize()) - int64_t(sizeBefore);
        delegate_->rightDataListMainTableCellViewCheckBoxClick(model_, changeCount, changeSize);
    }
}

void RightDataListMainTableCellView::arrowAction()
{
    const bool expand = ui_->arrowButton->state();
    animationArrowButton(expand);
    updateArrowButtonImage(expand);
    if (delegate_ && model_) {
        delegate_->rightDataListMainTableCellViewArrowClick(model_, expand);
    }
}
