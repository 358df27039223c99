#include "QLColumnView.h"

#include <QEvent>
#include <QLayout>

#include <algorithm>

QLColumnView::QLColumnView(QWidget* parent)
    : QWidget(parent)
{
}

QWidget* QLColumnView::column() const
{
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow()) {
            return child;
        }
    }
    return nullptr;
}

int QLColumnView::neededHeight(int width) const
{
    const QWidget* parts = column();
    if (!parts) {
        return 0;
    }
    // A part that wraps its text needs more height the narrower it is.
    const QLayout* layout = parts->layout();
    const int least = layout && layout->hasHeightForWidth() ? layout->totalMinimumHeightForWidth(width)
                                                            : parts->minimumSizeHint().height();
    return std::max(least, parts->minimumHeight());
}

QSize QLColumnView::sizeHint() const
{
    const QWidget* parts = column();
    return parts ? parts->sizeHint() : QWidget::sizeHint();
}

QSize QLColumnView::minimumSizeHint() const
{
    const QWidget* parts = column();
    return {parts ? std::max(parts->minimumSizeHint().width(), parts->minimumWidth()) : 0, 0};
}

void QLColumnView::placeColumn()
{
    if (QWidget* parts = column()) {
        parts->setGeometry(0, 0, width(), std::max(height(), neededHeight(width())));
    }
}

bool QLColumnView::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    switch (event->type()) {
    case QEvent::Resize:
    case QEvent::ChildPolished:
        placeColumn();
        break;
    case QEvent::LayoutRequest:
        // The column's parts changed what they need.
        placeColumn();
        updateGeometry();
        break;
    default:
        break;
    }
    return handled;
}
