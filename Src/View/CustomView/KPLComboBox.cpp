#include "KPLComboBox.h"

#include "View/Extension/KPLExtensionView.h"

#include <QLineEdit>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionComboBox>

namespace {

// The editing field lies in the cell's title rectangle and the strip opens
// the list, so what the box draws and where it reacts agree.
class KPLComboBoxStyle final : public QProxyStyle {
public:
    explicit KPLComboBoxStyle(const KPLComboBoxCell* cell)
        : cell_(cell)
    {
    }

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget) const override
    {
        if (control == CC_ComboBox) {
            const QRectF frame(option->rect);
            if (sub == SC_ComboBoxEditField) {
                const QRectF title = cell_->titleRectForFrame(frame);
                return QRectF(title.x(), frame.y() + 1, title.width(), frame.height() - 2).toRect();
            }
            if (sub == SC_ComboBoxArrow) {
                return cell_->buttonRectForFrame(frame).toRect();
            }
        }
        return QProxyStyle::subControlRect(control, option, sub, widget);
    }

private:
    const KPLComboBoxCell* cell_;
};

QColor calibrated(double red, double green, double blue)
{
    return QColor::fromRgbF(float(red), float(green), float(blue), 1.0f);
}

}  // namespace

KPLComboBox::KPLComboBox(QWidget* parent)
    : QComboBox(parent)
{
    configCell();
}

KPLComboBox::~KPLComboBox() = default;

KPLComboBoxCell* KPLComboBox::comboBoxCell()
{
    if (!cell_) {
        cell_ = std::make_unique<KPLComboBoxCell>();
        cell_->controlSize = size();
    }
    return cell_.get();
}

void KPLComboBox::configCell()
{
    KPLComboBoxCell* cell = comboBoxCell();
    auto* style = new KPLComboBoxStyle(cell);
    style->setParent(this);
    setStyle(style);
    setEditable(true);
    cell->editable = true;
    cell->controlSize = size();
    setTitleColor(calibrated(0, 0, 0));
    setTitleFont(systemFont(11));
    setFillColor(calibrated(1, 1, 1));
    setBorderColor(calibrated(0.43, 0.43, 0.43));
    setBorderWidth(0.5);
    setBorderRadius(2.0);
    setButtonColor(calibrated(0.02, 0.26, 0.76));
    setTriangleImageColor(calibrated(0.43, 0.43, 0.43));
}

void KPLComboBox::styleEditor()
{
    QLineEdit* editor = lineEdit();
    if (!editor) {
        return;
    }
    // The field shows the title in the cell's font and colour on the body.
    editor->setFrame(false);
    editor->setFont(cell_->titleFontFor(font()));
    QPalette palette = editor->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, cell_->titleColorToUse());
    editor->setPalette(palette);
    editor->setAutoFillBackground(false);
}

void KPLComboBox::redrawCell()
{
    styleEditor();
    update();
}

void KPLComboBox::setButtonColor(std::optional<QColor> color)
{
    buttonColor_ = color;
    comboBoxCell()->buttonColor = color;
    redrawCell();
}

void KPLComboBox::setButtonGradient(std::optional<QGradientStops> gradient)
{
    buttonGradient_ = gradient;
    comboBoxCell()->buttonGradient = std::move(gradient);
    redrawCell();
}

void KPLComboBox::setTriangleImageColor(std::optional<QColor> color)
{
    triangleImageColor_ = color;
    comboBoxCell()->triangleImageColor = color;
    redrawCell();
}

void KPLComboBox::setBordered(bool bordered)
{
    setFrame(bordered);
    comboBoxCell()->bordered = bordered;
    redrawCell();
}

QSize KPLComboBox::sizeHint() const
{
    QSize size = QComboBox::sizeHint();
    size.setHeight(qMax(22, size.height()));
    return size;
}

void KPLComboBox::paintEvent(QPaintEvent*)
{
    KPLComboBoxCell* cell = comboBoxCell();
    cell->font = font();
    cell->editable = isEditable();
    QPainter painter(this);
    const double inset = cell->borderWidth.value_or(0.5) / 2.0;
    const QRectF frame = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    // An editable box's field draws its own text.
    const QString title = currentText();
    cell->drawWithFrame(&painter, frame, isEditable() ? nullptr : &title);
}
