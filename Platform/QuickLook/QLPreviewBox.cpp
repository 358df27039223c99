#include "QLPreviewBox.h"

#include <QEvent>

#include <algorithm>

QLPreviewBox::QLPreviewBox(QWidget* parent)
    : QWidget(parent)
{
}

QSize QLPreviewBox::sizeHint() const
{
    int widest = 0;
    for (const QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow() && child->maximumWidth() < QWIDGETSIZE_MAX) {
            widest = std::max(widest, child->maximumWidth());
        }
    }
    return {widest, maximumHeight() < QWIDGETSIZE_MAX ? maximumHeight() : minimumHeight()};
}

QSize QLPreviewBox::minimumSizeHint() const
{
    // Any width: a child wider than the box is scaled down with the rest.
    return {0, minimumHeight()};
}

QRect QLPreviewBox::placement(QSize full, QSize box)
{
    const bool wide = full.width() >= QWIDGETSIZE_MAX;
    const bool tall = full.height() >= QWIDGETSIZE_MAX;
    if (box.isEmpty() || (!wide && full.width() <= 0) || (!tall && full.height() <= 0)) {
        return {};
    }
    double scale = 1.0;
    if (!wide) {
        scale = std::min(scale, double(box.width()) / full.width());
    }
    if (!tall) {
        scale = std::min(scale, double(box.height()) / full.height());
    }
    const QSize size(wide ? box.width() : qRound(full.width() * scale),
                     tall ? box.height() : qRound(full.height() * scale));
    return {QPoint((box.width() - size.width()) / 2, (box.height() - size.height()) / 2), size};
}

void QLPreviewBox::placeChildren()
{
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow()) {
            child->setGeometry(placement(child->maximumSize(), size()));
        }
    }
}

bool QLPreviewBox::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    switch (event->type()) {
    case QEvent::Resize:
    case QEvent::ChildPolished:
    case QEvent::LayoutRequest:
        placeChildren();
        break;
    default:
        break;
    }
    return handled;
}
