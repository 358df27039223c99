#include "KPLSwitchButton.h"

#include "QVLibrary/RYTButton.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

KPLSwitchButton::KPLSwitchButton(QWidget* parent) : QAbstractButton(parent)
{
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

QSize KPLSwitchButton::sizeHint() const
{
    return trackSize().grownBy(QMargins(ringRoom, ringRoom, ringRoom, ringRoom));
}

void KPLSwitchButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (hasFocus()) {
        RYTButton::paintFocusMark(painter, QRectF(rect()), height() / 2.0);
    }
    if (!isEnabled()) {
        painter.setOpacity(0.4);
    }
    const QRectF track = QRectF(rect()).adjusted(ringRoom + 0.5, ringRoom + 0.5, -ringRoom - 0.5, -ringRoom - 0.5);
    const double radius = track.height() / 2.0;
    // Fixed colours: the switch sits on the scan screen's white box.
    const QColor on(47, 128, 237);
    const QColor off(205, 211, 222);
    painter.setPen(Qt::NoPen);
    painter.setBrush(isChecked() ? on : off);
    painter.drawRoundedRect(track, radius, radius);
    const double knob = track.height() - 4.0;
    const double x = isChecked() ? track.right() - 2.0 - knob : track.left() + 2.0;
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(x, track.top() + 2.0, knob, knob));
}

void KPLSwitchButton::keyPressEvent(QKeyEvent* event)
{
    if (!RYTButton::handlePressKey(this, event, false)) {
        QAbstractButton::keyPressEvent(event);
    }
}

void KPLSwitchButton::keyReleaseEvent(QKeyEvent* event)
{
    if (!RYTButton::handlePressKey(this, event, true)) {
        QAbstractButton::keyReleaseEvent(event);
    }
}
