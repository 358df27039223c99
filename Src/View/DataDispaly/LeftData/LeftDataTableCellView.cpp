#include "LeftDataTableCellView.h"

#include "ui_LeftDataTableCellView.h"

#include "QVLibrary/RYTImage.h"
#include "QVLibrary/RYTProgress.h"
#include "View/DataDispaly/CellLooks.h"
#include <QAbstractItemView>
#include <QFontMetricsF>

#include "View/DataDispaly/CellViewDelegate.h"
#include "View/Extension/KPLExtensionView.h"

void LabelWidthConstraint::setConstant(double width)
{
    constant_ = width;
    if (target_) {
        target_->setFixedWidth(qMax(0, qRound(width)));
    }
}

LeftDataTableCellView::LeftDataTableCellView(QWidget* parent)
    : QWidget(parent)
    , ui_(std::make_unique<Ui::LeftDataTableCellView>())
{
    ui_->setupUi(this);
    filesCountLabelWidthConstraint_ = LabelWidthConstraint(ui_->filesCountLabel);
    filesCountLabelWidthConstraint_.setConstant(50.0);
}

LeftDataTableCellView::~LeftDataTableCellView() = default;

QLabel* LeftDataTableCellView::iconImageView() const { return ui_->iconImageView; }
QLabel* LeftDataTableCellView::fileTypeLabel() const { return ui_->fileTypeLabel; }
RYTProgress* LeftDataTableCellView::progressView() const { return ui_->progressView; }
QLabel* LeftDataTableCellView::filesCountLabel() const { return ui_->filesCountLabel; }

LeftDataTableCellView* LeftDataTableCellView::dequeue(CellViewDelegate* delegate)
{
    const QString identifier = QStringLiteral("LeftDataTableCellView");
    auto* cell = qobject_cast<LeftDataTableCellView*>(delegate->makeView(identifier));
    if (cell) {
        return cell;
    }
    cell = createFromNib<LeftDataTableCellView>();
    if (!cell) {
        return nullptr;
    }
    CellLooks::setLabel(cell->fileTypeLabel(), 13, false, QStringLiteral("TitleLabelColor"));
    CellLooks::setLabel(cell->filesCountLabel(), 12, false, QStringLiteral("TitleLabelColor"));
    delegate->registerView(cell, identifier);
    return cell;
}

void LeftDataTableCellView::showCategory(const QString& iconName, const QString& title, const QColor& barColor,
                                         double sizeColumnWidth)
{
    RYTProgress* bar = ui_->progressView;
    bar->setMaxValue(1.0);
    bar->setMinValue(0.0);
    bar->setCornerRadius(2.0f);
    bar->setBackgroundColor(Qt::transparent);
    bar->setProgressColor(barColor);
    setImageName(iconName);
    CellLooks::setIcon(ui_->iconImageView, RYTImage::named(iconName));
    ui_->fileTypeLabel->setText(title);
    filesCountLabelWidthConstraint_.setConstant(sizeColumnWidth);
}

double LeftDataTableCellView::widenedSizeColumn(double current, const QString& sizeText)
{
    QFont font;
    font.setPixelSize(12);
    const double width =
        QFontMetricsF(font).boundingRect(QRectF(0, 0, 9999, 30), Qt::AlignLeft | Qt::AlignTop, sizeText).width();
    return width > current ? width + 5 : current;
}

void LeftDataTableCellView::updateProgressView(bool select)
{
    RYTProgress* bar = ui_->progressView;
    bar->setBackgroundColor(Qt::transparent);
    bar->setProgressValue(bar->progressValue());
    const QString plain = QStringLiteral("left_");
    const QString chosen = QStringLiteral("left_on_");
    if (select) {
        if (!imageName_.contains(QStringLiteral("left_on"))) {
            imageName_.replace(plain, chosen);
        }
    } else if (imageName_.contains(QStringLiteral("left_on"))) {
        imageName_.replace(chosen, plain);
    }
    CellLooks::setIcon(ui_->iconImageView, RYTImage::named(imageName_));
}
