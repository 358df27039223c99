#include "ClickWindow.h"

#include "ModalOverlay.h"

#include "Foundation/NotificationCenter.h"

#include <QApplication>
#include <QMouseEvent>

namespace {
int g_clickCount = 0;

// A press handed on from a child to its parents is one press: it keeps its
// time stamp and position on the way up.
struct PressStamp {
    quint64 timestamp = 0;
    QPointF globalPosition;
    bool valid = false;
};
PressStamp g_lastPress;
}  // namespace

ClickWindow::ClickWindow(QWidget* parent) : QWidget(parent)
{
    // Presses reach the children first; the application's filter sees each
    // one before it is dispatched, wherever in the window it lands.
    qApp->installEventFilter(this);
}

ClickWindow::~ClickWindow()
{
    qApp->removeEventFilter(this);
}

int ClickWindow::clickCount()
{
    return g_clickCount;
}

QString ClickWindow::clickNotification()
{
    return QStringLiteral("MyClickNotification");
}

void ClickWindow::countClick()
{
    ++g_clickCount;
    NotificationCenter::defaultCenter().post(clickNotification());
}

void ClickWindow::uncountClick()
{
    g_clickCount = qMax(0, g_clickCount - 1);
}

bool ClickWindow::isOurs(const QObject* receiver) const
{
    const auto* widget = qobject_cast<const QWidget*>(receiver);
    if (!widget || !isVisible()) {
        return false;
    }
    if (widget == this || isAncestorOf(widget)) {
        return true;
    }
    // The veil the window lies on belongs to it.
    return qobject_cast<const OverlayView*>(widget) && widget == parentWidget();
}

bool ClickWindow::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) && isOurs(watched)) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const bool same = g_lastPress.valid && g_lastPress.timestamp == mouse->timestamp()
                          && g_lastPress.globalPosition == mouse->globalPosition();
        if (mouse->button() == Qt::LeftButton && !same) {
            g_lastPress = {mouse->timestamp(), mouse->globalPosition(), true};
            countClick();
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool ClickWindow::focusNextPrevChild(bool next)
{
    // Tab stays in the guide while it shows: nothing beneath it may take
    // the focus.
    return isVisible() || QWidget::focusNextPrevChild(next);
}
