#include "SortPopButton.h"

#include "Foundation/Bundle.h"
#include "Main/Utilities.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTImage.h"

#include "View/Extension/KPLExtensionView.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>

namespace {

QFont titleFont()
{
    return systemFont(12);
}

// The menu's own look: white, a thin grey frame, rows of 24 with a pale
// fill under the mouse, texts in the row colour but the ones left plain.
class SortMenuStyle final : public QProxyStyle {
public:
    QStringList plainRows;

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (element != CE_MenuItem || !item) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        painter->save();
        painter->fillRect(item->rect, Qt::white);
        if (item->state & State_Selected) {
            painter->setRenderHint(QPainter::Antialiasing);
            painter->setPen(Qt::NoPen);
            painter->setBrush(QColor(0xE3, 0xEE, 0xFD));
            painter->drawRoundedRect(QRectF(item->rect).adjusted(2, 1, -2, -1), 4, 4);
        }
        painter->setFont(item->font);
        painter->setPen(plainRows.contains(item->text) ? QColor(0x1F, 0x23, 0x29) : SortPopButton::rowColor());
        painter->drawText(item->rect.adjusted(12, 0, -12, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          item->text);
        painter->restore();
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        if (element == PE_PanelMenu) {
            painter->fillRect(option->rect, Qt::white);
            return;
        }
        if (element == PE_FrameMenu) {
            painter->save();
            painter->setPen(QColor(0xD9, 0xDC, 0xE1));
            painter->drawRect(QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5));
            painter->restore();
            return;
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override
    {
        if (type == CT_MenuItem) {
            if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
                return QSize(QFontMetrics(item->font).horizontalAdvance(item->text) + 24, 24);
            }
        }
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    }

    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        switch (metric) {
        case PM_MenuPanelWidth:
            return 1;
        case PM_MenuHMargin:
        case PM_MenuVMargin:
            return 3;
        default:
            return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }
};

// The light look, whatever the program's appearance.
QPalette lightPalette()
{
    QPalette palette;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Window, QColor(0xFF, 0xFF, 0xFF));
        palette.setColor(group, QPalette::Base, QColor(0xFF, 0xFF, 0xFF));
        palette.setColor(group, QPalette::WindowText, QColor(0x1F, 0x23, 0x29));
        palette.setColor(group, QPalette::Text, QColor(0x1F, 0x23, 0x29));
        palette.setColor(group, QPalette::ButtonText, QColor(0x1F, 0x23, 0x29));
        palette.setColor(group, QPalette::Highlight, QColor(0xE3, 0xEE, 0xFD));
        palette.setColor(group, QPalette::HighlightedText, QColor(0x1F, 0x23, 0x29));
    }
    return palette;
}

}  // namespace

SortPopButton::SortPopButton(QWidget* parent)
    : QAbstractButton(parent)
{
    setFont(titleFont());
    setFocusPolicy(Qt::TabFocus);
}

QColor SortPopButton::rowColor()
{
    return color256(54, 78, 101);
}

int SortPopButton::widthForTitleWidth(double textWidth)
{
    return int(std::ceil(textWidth)) + 26;
}

QStringList SortPopButton::rowTitles()
{
    const QString by = localized("By");
    const QString size = localized("Size");
    // Japanese puts the kind first.
    const bool japanese = QLocale().language() == QLocale::Japanese;
    return {japanese ? size + by : by + size, by + localized("Date"), by + localized("Type")};
}

void SortPopButton::setTitle(const QString& title)
{
    setText(title);
    fitWidth();
}

void SortPopButton::fitWidth()
{
    setFixedWidth(sizeHint().width());
    update();
}

void SortPopButton::changeEvent(QEvent* event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        fitWidth();
    }
}

QSize SortPopButton::sizeHint() const
{
    return QSize(widthForTitleWidth(QFontMetricsF(titleFont()).horizontalAdvance(text())) + 2 * ringRoom, 20);
}

void SortPopButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const double textWidth = QFontMetricsF(titleFont()).horizontalAdvance(text());
    painter.setFont(titleFont());
    painter.setPen(rowColor());
    painter.drawText(QRectF(ringRoom, 2, textWidth + 4, 16), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     text());
    const double arrowX = ringRoom + std::ceil(textWidth) + 3;
    RYTImage::named(QStringLiteral("leftPopButton")).paint(&painter, QRect(int(arrowX), (height() - 6) / 2, 8, 6));
    if (hasFocus()) {
        RYTButton::paintFocusMark(painter, QRectF(rect()), 4);
    }
}

void SortPopButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        showMenu(false);
    }
}

void SortPopButton::keyPressEvent(QKeyEvent* event)
{
    if (!RYTButton::isOpenKey(event) || !isVisible()) {
        QAbstractButton::keyPressEvent(event);
        return;
    }
    event->accept();
    if (!event->isAutoRepeat() && !menu_) {
        showMenu(true);
    }
}

void SortPopButton::showMenu(bool fromKeyboard)
{
    if (!window()) {
        return;
    }
    if (menu_) {
        menu_->close();
    }
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    auto* style = new SortMenuStyle;
    style->setParent(menu);
    // A locale without a language keeps the size row plain.
    const QStringList titles = rowTitles();
    if (QLocale().language() == QLocale::C || QLocale().language() == QLocale::AnyLanguage) {
        style->plainRows << titles.first();
    }
    menu->setStyle(style);
    menu->setPalette(lightPalette());
    menu->setFont(titleFont());
    for (int tag = 1; tag <= 3; ++tag) {
        QAction* action = menu->addAction(titles.at(tag - 1));
        action->setData(tag);
        connect(action, &QAction::triggered, this, [this, tag] { menuItemClicked(tag); });
    }
    menu_ = menu;
    // Opened and left: the choice comes back through the actions.
    menu->popup(mapToGlobal(QPoint(ringRoom - 2, height() + 4)));
    if (fromKeyboard) {
        // The ordering shown is where the arrows start.
        for (QAction* action : menu->actions()) {
            if (action->text() == text()) {
                menu->setActiveAction(action);
            }
        }
    }
}

void SortPopButton::menuItemClicked(int tag)
{
    if (delegate_) {
        delegate_->sortData(tag);
    }
}
