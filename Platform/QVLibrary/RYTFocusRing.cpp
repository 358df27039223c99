#include "RYTFocusRing.h"

#include "RYTButton.h"

#include <QEvent>
#include <QPainter>

RYTFocusRing* RYTFocusRing::attach(QWidget* control, double radius)
{
    if (!control) {
        return nullptr;
    }
    if (auto* ring = control->findChild<RYTFocusRing*>(QString(), Qt::FindDirectChildrenOnly)) {
        ring->radius_ = radius;
        return ring;
    }
    return new RYTFocusRing(control, radius);
}

RYTFocusRing::RYTFocusRing(QWidget* control, double radius)
    : QWidget(control)
    , control_(control)
    , radius_(radius)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    control->installEventFilter(this);
    follow();
}

void RYTFocusRing::follow()
{
    if (!control_) {
        return;
    }
    setGeometry(control_->rect());
    // Above whatever the control holds, also what it was given later.
    raise();
    setVisible(control_->hasFocus());
}

bool RYTFocusRing::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == control_) {
        switch (event->type()) {
        case QEvent::Resize:
        case QEvent::FocusIn:
        case QEvent::FocusOut:
        case QEvent::Show:
            follow();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void RYTFocusRing::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    RYTButton::paintFocusMark(painter, QRectF(rect()), radius_);
}
