#include "PopUpButton.h"

#include "Main/Utilities.h"
#include "View/Extension/KPLExtensionView.h"
#include "PopUpMenuWindow.h"
#include "QVLibrary/RYTButton.h"

#include <QEnterEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kMaxWidth = 550;
constexpr int kTitleAllowance = 38;
const char* const kLabelColor = "LabelColor";

QFont titleFont()
{
    return systemFont(12);
}

}  // namespace

KPLHoverFillView::KPLHoverFillView(QWidget* parent)
    : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover);
}

void KPLHoverFillView::setHovered(bool hovered)
{
    // A disabled control still hears the pointer come and go, but offers
    // nothing to click: it keeps its plain look.
    hovered = hovered && isEnabled();
    hovered_ = hovered;
    hoverChanged(hovered);
    update();
}

void KPLHoverFillView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange && hovered_ != (isEnabled() && underMouse())) {
        setHovered(isEnabled() && underMouse());
    }
    QWidget::changeEvent(event);
}

void KPLHoverFillView::paintEvent(QPaintEvent*)
{
    if (!hovered_) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), 4, 4);
    painter.fillPath(path, hoverFillColor());
}

void KPLHoverFillView::enterEvent(QEnterEvent* event)
{
    setHovered(true);
    QWidget::enterEvent(event);
}

void KPLHoverFillView::leaveEvent(QEvent* event)
{
    setHovered(false);
    QWidget::leaveEvent(event);
}

PopUpButton::PopUpButton(QWidget* parent)
    : KPLHoverFillView(parent)
{
    menuWindow_ = new PopUpMenuWindow(this);
    setupView();
    setFocusPolicy(Qt::TabFocus);
}

PopUpButton::~PopUpButton()
{
    // The controller may be busy further up the stack (a delegate that
    // removes the button): it goes later.
    if (menuWindow_) {
        menuWindow_->retire();
    }
}

void PopUpButton::setupView()
{
    iconView_ = new IconView(this);
    iconView_->setImageNamed(QStringLiteral("PopUpButton"));
    iconView_->setFixedSize(16, 16);

    selectedTitle_ = new TruncatingLabel(this);
    selectedTitle_->setFont(titleFont());
    selectedTitle_->setElideMode(Qt::ElideMiddle);
    selectedTitle_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    selectedTitle_->setTextColorName(QString::fromLatin1(kLabelColor));
    selectedTitle_->setAttribute(Qt::WA_TransparentForMouseEvents);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 0, 4, 0);
    layout->setSpacing(6);
    layout->addWidget(selectedTitle_, 1, Qt::AlignVCenter);
    layout->addWidget(iconView_, 0, Qt::AlignVCenter);

    menuWindow_->setPopUpButton(this);
}

QStringList PopUpButton::itemTitles() const
{
    return menuWindow_ ? menuWindow_->itemTitles() : QStringList();
}

void PopUpButton::addItem(const QString& title)
{
    addItems({title});
}

void PopUpButton::addItems(const QStringList& titles)
{
    if (titles.isEmpty()) {
        return;
    }
    menuWindow_->setItemTitles(menuWindow_->itemTitles() + titles);
    selectedTitle_->setText(titles.first());
    selectedTitle_->setToolTip(plainToolTip(titles.first()));
    updatePopUpButtonWidth();
}

void PopUpButton::updateIndexTitle(int index, const QString& title)
{
    const QList<MenuItemView*> rows = menuWindow_->itemViews();
    if (index >= 0 && index < rows.size()) {
        rows[index]->title()->setText(title);
        rows[index]->title()->setToolTip(plainToolTip(title));
    }
    // The title is kept whether or not the menu was ever built, so a rename
    // made before the first opening is not lost.
    QStringList titles = menuWindow_->itemTitles();
    if (index >= 0 && index < titles.size()) {
        titles[index] = title;
        menuWindow_->setItemTitles(titles);
    }
    updatePopUpButtonWidth();
}

int PopUpButton::widthForTitleWidth(double textWidth)
{
    return qMin(int(std::ceil(textWidth)) + kTitleAllowance, kMaxWidth);
}

void PopUpButton::updatePopUpButtonWidth()
{
    auto* fresh = new PopUpMenuWindow(this);
    fresh->setItemTitles(menuWindow_ ? menuWindow_->itemTitles() : QStringList());

    fitWidthToTitle();

    // The old controller may be the one whose row is being clicked right
    // now: it is closed here and deleted later, never inside this call.
    PopUpMenuWindow* old = menuWindow_;
    menuWindow_ = fresh;
    if (old) {
        old->retire();
    }
}

void PopUpButton::selectItemAt(int index)
{
    selectedIndex_ = index;
    menuWindow_->selectItemAt(index);
    // The menu builds its rows only when it is first shown: the button shows
    // the chosen title all the same.
    const QStringList titles = itemTitles();
    if (index >= 0 && index < titles.size()) {
        selectedTitle_->setText(titles.at(index));
        selectedTitle_->setToolTip(plainToolTip(titles.at(index)));
    }
    // A screen that opens with a remembered choice shows it whole, not in
    // the width of the first title.
    fitWidthToTitle();
}

void PopUpButton::fitWidthToTitle()
{
    const double textWidth = QFontMetricsF(selectedTitle_->font()).horizontalAdvance(selectedTitle_->text());
    setFixedWidth(widthForTitleWidth(textWidth));
}

void PopUpButton::selectItemAtTitle(const QString& title)
{
    menuWindow_->selectItem(title);
}

bool PopUpButton::isPopupWindowOpen() const
{
    return menuWindow_ && menuWindow_->isShown();
}

void PopUpButton::closePopupWindow()
{
    if (window() && menuWindow_ && menuWindow_->isShown()) {
        menuWindow_->closeMenu();
    }
}

void PopUpButton::showPopupWindow()
{
    if (!isEnabled() || !window() || !menuWindow_) {
        return;
    }
    if (menuWindow_->isShown()) {
        menuWindow_->closeMenu();
        return;
    }
    menuWindow_->showMenu();
}

QSize PopUpButton::sizeHint() const
{
    return QSize(width() > 0 ? width() : kTitleAllowance, 22);
}

QColor PopUpButton::hoverFillColor() const
{
    return color256(255, 255, 255);
}

void PopUpButton::hoverChanged(bool hovered)
{
    // The hover fill stays light in either appearance; so does the title on it.
    selectedTitle_->setOnLightSurface(hovered);
}

void PopUpButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        KPLHoverFillView::mousePressEvent(event);
        return;
    }
    showPopupWindow();
}

void PopUpButton::keyPressEvent(QKeyEvent* event)
{
    if (!RYTButton::isOpenKey(event) || !isVisible()) {
        KPLHoverFillView::keyPressEvent(event);
        return;
    }
    event->accept();
    if (event->isAutoRepeat() || isPopupWindowOpen()) {
        return;
    }
    showPopupWindow();
    if (isPopupWindowOpen()) {
        // Opened from the keyboard: the chosen row is where the arrows start.
        menuWindow_->setCurrentRow(selectedIndex_);
    }
}

void PopUpButton::paintEvent(QPaintEvent* event)
{
    KPLHoverFillView::paintEvent(event);
    if (hasFocus()) {
        QPainter painter(this);
        RYTButton::paintFocusMark(painter, QRectF(rect()), 4);
    }
}

// ---- MenuItemView -----------------------------------------------------------

MenuItemView::MenuItemView(QWidget* parent)
    : KPLHoverFillView(parent)
{
    setUpView();
}

QColor MenuItemView::hoverColor()
{
    return color256(76, 110, 236);
}

void MenuItemView::setUpView()
{
    iconView_ = new IconView(this);
    iconView_->setImageNamed(QStringLiteral("hook_normal"));
    iconView_->setFixedSize(11, 16);
    // The mark's place stays when the mark is hidden, so every title of the
    // menu starts in the same column.
    QSizePolicy keepPlace = iconView_->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    iconView_->setSizePolicy(keepPlace);

    title_ = new TruncatingLabel(this);
    title_->setFont(titleFont());
    title_->setElideMode(Qt::ElideMiddle);
    title_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The menu is white in either appearance, so its text keeps its light value.
    title_->setTextColorName(QStringLiteral("LabelColor"));
    title_->setOnLightSurface(true);
    title_->setAttribute(Qt::WA_TransparentForMouseEvents);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(5, 0, 7, 0);
    layout->setSpacing(2);
    layout->addWidget(iconView_, 0, Qt::AlignVCenter);
    layout->addWidget(title_, 1, Qt::AlignVCenter);
    setFixedHeight(22);
    setMaximumWidth(550);
}

void MenuItemView::hoverChanged(bool hovered)
{
    title_->setTextColor(hovered ? QColor(Qt::white) : QColor());
    iconView_->setImageNamed(hovered ? QStringLiteral("hook_hover") : QStringLiteral("hook_normal"));
}

void MenuItemView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        KPLHoverFillView::mousePressEvent(event);
        return;
    }
    if (clickedBlock_) {
        // A copy: the block may end up replacing this row's menu.
        const auto block = clickedBlock_;
        block(title_->text());
    }
}
