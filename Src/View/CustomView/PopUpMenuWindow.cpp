#include "PopUpMenuWindow.h"

#include "PopUpButton.h"
#include "Main/Utilities.h"
#include "View/PreferenceView/ZWEventMonitor.h"
#include "Window/ModalOverlay.h"
#include "ui_PopUpMenuWindow.h"

#include <QApplication>
#include <QGraphicsDropShadowEffect>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

PopUpMenuWindow::PopUpMenuWindow(PopUpButton* button)
    : popUpButton_(button)
{
}

PopUpMenuWindow::~PopUpMenuWindow() = default;

QWidget* PopUpMenuWindow::window()
{
    if (!isWindowLoaded()) {
        ui_ = std::make_unique<Ui::PopUpMenuWindow>();
        auto* panel = new QWidget;
        ui_->setupUi(panel);
        setWindow(panel);
        windowDidLoad();
    }
    return WindowController::window();
}

bool PopUpMenuWindow::isShown() const
{
    const QWidget* panel = WindowController::window();
    return panel && host_ && panel->parentWidget() == host_ && panel->isVisible();
}

void PopUpMenuWindow::windowDidLoad()
{
    QWidget* panel = WindowController::window();
    // White with rounded corners, drawn by the filter; a soft shadow lifts it
    // off the window below.
    panel->setAttribute(Qt::WA_NoSystemBackground);
    panel->installEventFilter(this);
    auto* shadow = new QGraphicsDropShadowEffect(panel);
    shadow->setBlurRadius(14);
    shadow->setOffset(0, 2);
    shadow->setColor(QColor(0, 0, 0, 60));
    panel->setGraphicsEffect(shadow);
    setupView();

    // A left click anywhere else closes the menu. Clicks inside the menu
    // belong to its rows; clicks on the owning button toggle the menu there.
    QPointer<PopUpMenuWindow> weak(this);
    monitor_ = std::make_unique<ZWEventMonitor>(
        ZWEventMonitorTypeLocal, ZWEventMonitor::leftMouseDown, [weak](QWidget* target, QEvent*) {
            if (!weak || !weak->isShown()) {
                return;
            }
            QWidget* panel = weak->WindowController::window();
            if (target == panel || panel->isAncestorOf(target)) {
                return;
            }
            PopUpButton* button = weak->popUpButton_;
            if (button && (target == button || button->isAncestorOf(target))) {
                return;
            }
            if (button) {
                button->closePopupWindow();
            }
        });
    monitor_->start();
}

void PopUpMenuWindow::setupView()
{
    QWidget* panel = WindowController::window();
    QPointer<PopUpMenuWindow> weak(this);
    for (const QString& title : std::as_const(itemTitles_)) {
        auto* row = new MenuItemView(panel);
        row->iconView()->setVisible(false);
        row->setSelected(false);
        row->title()->setText(title);
        row->title()->setToolTip(plainToolTip(title));
        row->setClickedBlock([weak](const QString& clicked) {
            if (!weak || !weak->popUpButton_) {
                return;
            }
            // Closes the open menu first, then selects.
            weak->popUpButton_->showPopupWindow();
            if (weak) {
                weak->selectItem(clicked);
            }
        });
        ui_->contentLayout->addWidget(row);
        itemViews_.append(row);
        // The pointer coming onto a row takes over from the keyboard's row.
        row->installEventFilter(this);
    }
    if (popUpButton_) {
        selectItemAt(popUpButton_->selectedIndex());
    }
}

void PopUpMenuWindow::selectItemAt(int index)
{
    for (int i = 0; i < itemViews_.size(); ++i) {
        MenuItemView* row = itemViews_[i];
        const bool chosen = i == index;
        row->iconView()->setVisible(chosen);
        row->setSelected(chosen);
        if (chosen && popUpButton_) {
            popUpButton_->setSelectedIndex(index);
            popUpButton_->selectedTitle()->setText(row->title()->text());
            popUpButton_->selectedTitle()->setToolTip(plainToolTip(row->title()->text()));
        }
    }
}

void PopUpMenuWindow::selectItem(const QString& title)
{
    QPointer<PopUpButton> button = popUpButton_;
    for (int i = 0; i < itemViews_.size(); ++i) {
        MenuItemView* row = itemViews_[i];
        const bool chosen = row->title()->text() == title;
        row->iconView()->setVisible(chosen);
        row->setSelected(chosen);
        if (chosen && button) {
            button->setSelectedIndex(i);
            button->selectedTitle()->setText(title);
            button->selectedTitle()->setToolTip(plainToolTip(title));
        }
    }
    // Without built rows the titles decide; with equal titles the last wins.
    for (int j = 0; j < itemTitles_.size(); ++j) {
        if (itemTitles_[j] == title && button) {
            button->setSelectedIndex(j);
            button->selectedTitle()->setText(title);
            button->selectedTitle()->setToolTip(plainToolTip(title));
        }
    }
    if (button && button->delegate()) {
        button->delegate()->popupButtonSelect(button, title);
    }
    // The delegate may have replaced this controller or removed the button.
    if (button) {
        button->updatePopUpButtonWidth();
    }
}

QWidget* PopUpMenuWindow::hostWidget() const
{
    if (!popUpButton_) {
        return nullptr;
    }
    // Inside a dialog's veil the menu joins the veil, which alone takes
    // input while the dialog runs; elsewhere it lies over the window.
    for (QWidget* widget = popUpButton_->parentWidget(); widget; widget = widget->parentWidget()) {
        if (qobject_cast<OverlayView*>(widget)) {
            return widget;
        }
        if (widget->isWindow()) {
            return widget;
        }
    }
    return nullptr;
}

void PopUpMenuWindow::updateWindowPosition()
{
    QWidget* host = hostWidget();
    QWidget* panel = window();
    if (!host || !panel || !popUpButton_) {
        return;
    }
    if (panel->parentWidget() != host) {
        panel->setParent(host);
    }
    if (host_ != host) {
        if (host_) {
            host_->removeEventFilter(this);
        }
        host_ = host;
        host->installEventFilter(this);
    }
    panel->adjustSize();
    const QSize size = panel->size();
    // The button's place in the host, through every parent between them.
    const QRect button(popUpButton_->mapTo(host, QPoint(0, 0)), popUpButton_->size());
    int y = button.bottom() + 1 + 5;
    if (y + size.height() > host->height()) {
        y = button.top() - 5 - size.height();
    }
    int x = button.right() + 1 - size.width();
    x = qBound(0, x, qMax(0, host->width() - size.width()));
    y = qMax(0, y);
    panel->move(x, y);
    selectItemAt(popUpButton_->selectedIndex());
}

void PopUpMenuWindow::windowDidResize()
{
    updateWindowPosition();
}

void PopUpMenuWindow::showMenu()
{
    QWidget* panel = window();
    updateWindowPosition();
    if (!host_ || panel->parentWidget() != host_) {
        return;
    }
    focusBefore_ = QApplication::focusWidget();
    panel->show();
    panel->raise();
    panel->setFocus(Qt::PopupFocusReason);
}

void PopUpMenuWindow::closeMenu()
{
    QWidget* panel = WindowController::window();
    if (!panel || !panel->isVisible()) {
        return;
    }
    setCurrentRow(-1);
    const bool hadFocus = panel->hasFocus() || panel->isAncestorOf(QApplication::focusWidget());
    panel->hide();
    if (hadFocus && focusBefore_) {
        focusBefore_->setFocus(Qt::PopupFocusReason);
    }
}

void PopUpMenuWindow::retire()
{
    closeMenu();
    if (monitor_) {
        monitor_->stop();
    }
    if (host_) {
        host_->removeEventFilter(this);
    }
    popUpButton_ = nullptr;
    deleteLater();
}

bool PopUpMenuWindow::eventFilter(QObject* watched, QEvent* event)
{
    QWidget* panel = WindowController::window();
    if (watched == panel) {
        if (event->type() == QEvent::Paint) {
            QPainter painter(panel);
            painter.setRenderHint(QPainter::Antialiasing);
            QPainterPath path;
            path.addRoundedRect(QRectF(panel->rect()), 8, 8);
            painter.fillPath(path, Qt::white);
        } else if (event->type() == QEvent::KeyPress &&
                   static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            if (popUpButton_) {
                popUpButton_->closePopupWindow();
            }
            return true;
        } else if (event->type() == QEvent::KeyPress && menuKey(static_cast<QKeyEvent*>(event))) {
            return true;
        } else if (event->type() == QEvent::LayoutRequest && isShown()) {
            windowDidResize();
        }
    } else if (watched == host_ && event->type() == QEvent::Resize && isShown()) {
        windowDidResize();
    } else if (event->type() == QEvent::Enter && currentRow_ >= 0) {
        const auto row = std::find(itemViews_.cbegin(), itemViews_.cend(), watched);
        if (row != itemViews_.cend() && row - itemViews_.cbegin() != currentRow_) {
            setCurrentRow(-1);
        }
    }
    return false;
}

void PopUpMenuWindow::setCurrentRow(int row)
{
    currentRow_ = row >= 0 && row < itemViews_.size() ? row : -1;
    for (int i = 0; i < itemViews_.size(); ++i) {
        itemViews_[i]->setCurrent(i == currentRow_);
    }
}

bool PopUpMenuWindow::menuKey(QKeyEvent* event)
{
    if (event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier)) {
        return false;
    }
    const int count = int(itemViews_.size());
    if (count == 0) {
        return false;
    }
    // The arrows go on from the row under the pointer when there is one.
    int from = currentRow_;
    for (int i = 0; i < count && from < 0; ++i) {
        if (itemViews_[i]->isHovered()) {
            from = i;
        }
    }
    switch (event->key()) {
    case Qt::Key_Down:
    case Qt::Key_Tab:
        setCurrentRow(from < 0 ? 0 : qMin(from + 1, count - 1));
        return true;
    case Qt::Key_Up:
    case Qt::Key_Backtab:
        setCurrentRow(from < 0 ? count - 1 : qMax(from - 1, 0));
        return true;
    case Qt::Key_Home:
        setCurrentRow(0);
        return true;
    case Qt::Key_End:
        setCurrentRow(count - 1);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space: {
        if (event->isAutoRepeat() || from < 0) {
            return true;
        }
        MenuItemView* row = itemViews_[from];
        // As a click on the row: it may replace this controller.
        if (const auto block = row->clickedBlock()) {
            block(row->title()->text());
        }
        return true;
    }
    default:
        return false;
    }
}
