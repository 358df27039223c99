#pragma once

#include <QPainter>
#include <QSlider>

#include "QVLibrary/RYTButton.h"

// The slider of the grid's thumbnail size. Tab reaches it (a click does not
// leave it holding the keyboard, as with the buttons beside it), the arrows
// move it, and it draws the program's focus ring while it has the focus.
class ThumbnailSizeSlider : public QSlider {
public:
    explicit ThumbnailSizeSlider(QWidget* parent = nullptr)
        : QSlider(parent)
    {
        setFocusPolicy(Qt::TabFocus);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QSlider::paintEvent(event);
        if (hasFocus()) {
            QPainter painter(this);
            RYTButton::paintFocusMark(painter, QRectF(rect()), 4);
        }
    }
};
