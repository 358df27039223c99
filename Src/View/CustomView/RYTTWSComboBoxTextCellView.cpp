#include "RYTTWSComboBoxTextCellView.h"

#include <QFontMetricsF>
#include <QPainter>

RYTTWSComboBoxTextCellView::RYTTWSComboBoxTextCellView(QWidget* parent)
    : RYTableCellView(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    imageView_ = new IconView(this);
    imageView_->hide();
    titleLabel_ = new TruncatingLabel(this);
    titleLabel_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    subtitleLabel_ = new TruncatingLabel(this);
    subtitleLabel_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void RYTTWSComboBoxTextCellView::setCenterYConstraint(double constant)
{
    centerY_ = constant;
    layoutLabels();
}

void RYTTWSComboBoxTextCellView::setTitleLabelLeadingConstraint(double constant)
{
    titleLeading_ = constant;
    layoutLabels();
}

void RYTTWSComboBoxTextCellView::setHasSubtitle(bool hasSubtitle)
{
    hasSubtitle_ = hasSubtitle;
    if (hasSubtitle) {
        setCenterYConstraint(-8.0);
    }
}

void RYTTWSComboBoxTextCellView::setImage(const QIcon& image)
{
    if (image.isNull()) {
        return;
    }
    imageView_->setImage(image);
    imageView_->show();
    setTitleLabelLeadingConstraint(30.0);
}

void RYTTWSComboBoxTextCellView::prepareForReuse()
{
    hasSubtitle_ = false;
    centerY_ = 0.0;
    titleLeading_ = 8.0;
    imageView_->setImage(QIcon());
    imageView_->hide();
    subtitleLabel_->clear();
    layoutLabels();
}

void RYTTWSComboBoxTextCellView::resizeEvent(QResizeEvent* event)
{
    RYTableCellView::resizeEvent(event);
    layoutLabels();
}

void RYTTWSComboBoxTextCellView::layoutLabels()
{
    const int titleHeight = qCeil(QFontMetricsF(titleLabel_->font()).height());
    const int subtitleHeight = qCeil(QFontMetricsF(subtitleLabel_->font()).height());
    const int leading = int(titleLeading_);
    const int trailing = 4;
    const int titleTop = int((height() - titleHeight) / 2.0 + centerY_);
    titleLabel_->setGeometry(leading, titleTop, qMax(0, width() - leading - trailing), titleHeight);
    subtitleLabel_->setGeometry(leading, titleTop + titleHeight, qMax(0, width() - leading - trailing), subtitleHeight);
    subtitleLabel_->setVisible(hasSubtitle_);
    imageView_->setGeometry(5, (height() - 20) / 2, 20, 20);
}

void RYTTWSComboBoxTextCellView::drawInRect(QPainter* painter, const QRect& rect)
{
    if (size() != rect.size()) {
        resize(rect.size());
    }
    layoutLabels();
    painter->save();
    painter->translate(rect.topLeft());
    painter->setClipRect(QRect(QPoint(0, 0), rect.size()));
    if (!imageView_->isHidden() && !imageView_->image().isNull()) {
        imageView_->image().paint(painter, imageView_->geometry(), Qt::AlignCenter);
    }
    const auto drawLabel = [painter](TruncatingLabel* label) {
        if (label->isHidden() || label->text().isEmpty()) {
            return;
        }
        painter->setFont(label->font());
        painter->setPen(label->effectiveTextColor());
        const QString shown = QFontMetricsF(label->font()).elidedText(label->text(), label->elideMode(),
                                                                      label->width());
        painter->drawText(label->geometry(), int(label->alignment()) | Qt::TextSingleLine, shown);
    };
    drawLabel(titleLabel_);
    drawLabel(subtitleLabel_);
    painter->restore();
}
