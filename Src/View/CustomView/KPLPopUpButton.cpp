#include "KPLPopUpButton.h"

#include "QVLibrary/RYTImage.h"

#include "View/Extension/KPLExtensionView.h"

#include <QPainter>

KPLPopUpButton::KPLPopUpButton(QWidget* parent)
    : QComboBox(parent)
{
    setEditable(false);
    configCell();
}

KPLPopUpButton::~KPLPopUpButton() = default;

KPLPopUpButtonCell* KPLPopUpButton::popUpButtonCell()
{
    if (!cell_) {
        cell_ = std::make_unique<KPLPopUpButtonCell>();
        cell_->title = QString();
        cell_->controlSize = size();
    }
    return cell_.get();
}

void KPLPopUpButton::configCell()
{
    popUpButtonCell();
    addItems({QStringLiteral("第十六届咖喱鸡规范啊分公司代理房管局老豆腐干"), QStringLiteral("Item2"), QStringLiteral("item3")});
    setCurrentIndex(0);
    setFont(systemFont(11));
    setTitleColor(QColor::fromRgbF(0, 0, 0, 1));
    setTitleFont(systemFont(11));
    setFillColor(QColor(Qt::white));
    setBorderColor(QColor(Qt::transparent));
    setBorderWidth(0.5);
    setBorderRadius(4.0);
    setArrowColor(QColor(Qt::red));
    setImage(RYTImage::named(QStringLiteral("PopUpButton")));
}

void KPLPopUpButton::setArrowColor(std::optional<QColor> color)
{
    arrowColor_ = color;
    popUpButtonCell()->arrowColor = color;
    update();
}

void KPLPopUpButton::setArrowGradient(std::optional<QGradientStops> gradient)
{
    arrowGradient_ = gradient;
    popUpButtonCell()->arrowGradient = std::move(gradient);
    update();
}

void KPLPopUpButton::setImage(const QIcon& image)
{
    image_ = image;
    popUpButtonCell()->image = image;
    update();
}

KPLImagePosition KPLPopUpButton::imagePosition() const
{
    return cell_ ? cell_->imagePosition : KPLImagePosition::imageRight;
}

void KPLPopUpButton::setImagePosition(KPLImagePosition position)
{
    popUpButtonCell()->imagePosition = position;
    update();
}

void KPLPopUpButton::setBordered(bool bordered)
{
    setFrame(bordered);
    popUpButtonCell()->bordered = bordered;
    update();
}

QSize KPLPopUpButton::sizeHint() const
{
    QSize size = QComboBox::sizeHint();
    size.setHeight(qMax(22, size.height()));
    return size;
}

void KPLPopUpButton::paintEvent(QPaintEvent*)
{
    KPLPopUpButtonCell* cell = popUpButtonCell();
    cell->title = currentText();
    cell->font = font();
    QPainter painter(this);
    // Half the outline lies outside the body's frame; keep it in sight.
    const double inset = cell->borderWidth.value_or(0.5) / 2.0;
    cell->drawWithFrame(&painter, QRectF(rect()).adjusted(inset, inset, -inset, -inset));
}
