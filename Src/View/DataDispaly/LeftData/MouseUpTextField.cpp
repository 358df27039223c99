#include "MouseUpTextField.h"

#include <QMouseEvent>

MouseUpTextField::MouseUpTextField(QWidget* parent)
    : QLabel(parent)
{
}

void MouseUpTextField::mousePressEvent(QMouseEvent* event)
{
    QLabel::mousePressEvent(event);
    // Keep the press here, so the release comes back to this field.
    event->accept();
}

void MouseUpTextField::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (mouseDelegate_) {
        mouseDelegate_->mouseUp(this);
    }
}
