#include "ZWEventMonitor.h"

#include "Main/Utilities.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

// The event filter a local monitor installs on the application.
class ZWLocalMonitor final : public QObject {
public:
    explicit ZWLocalMonitor(ZWEventMonitor* owner)
        : owner_(owner)
    {
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const quint64 bit = ZWEventMonitor::maskOf(event);
        if (bit == 0) {
            return false;
        }
        auto* target = qobject_cast<QWidget*>(watched);
        // Window-level copies of input are handed on to a widget right
        // after; the widget's copy is the one watched.
        if (!target || isPropagatedCopy(event)) {
            return false;
        }
        if (owner_ && (owner_->mask() & bit) != 0) {
            owner_->deliver(target, event);
        }
        // Never held back: the event goes on to its target.
        return false;
    }

private:
    // Input the target ignores travels up through its parents, as the same
    // event or as copies with the same time stamp and place; only the first
    // delivery counts.
    bool isPropagatedCopy(const QEvent* event)
    {
        const auto* input = static_cast<const QInputEvent*>(event);
        Seen seen{event->type(), input->timestamp(), {}, {}, 0};
        if (const auto* point = dynamic_cast<const QSinglePointEvent*>(event)) {
            seen.global = point->globalPosition();
            seen.buttons = point->buttons();
        } else if (const auto* key = dynamic_cast<const QKeyEvent*>(event)) {
            seen.key = key->key();
        }
        if (seen == last_) {
            return true;
        }
        last_ = seen;
        return false;
    }

    struct Seen {
        QEvent::Type type = QEvent::None;
        quint64 timestamp = 0;
        QPointF global;
        Qt::MouseButtons buttons;
        int key = 0;
        bool operator==(const Seen& other) const
        {
            return type == other.type && timestamp == other.timestamp && global == other.global &&
                   buttons == other.buttons && key == other.key;
        }
    };

    QPointer<ZWEventMonitor> owner_;
    Seen last_;
};

ZWEventMonitor::ZWEventMonitor(ZWEventMonitorType type, quint64 mask, Handler handler, QObject* parent)
    : QObject(parent)
    , type_(type)
    , mask_(mask)
    , handler_(std::move(handler))
{
}

ZWEventMonitor::~ZWEventMonitor()
{
    stop();
}

void ZWEventMonitor::start()
{
    stop();
    if (type_ == ZWEventMonitorTypeLocal || type_ == ZWEventMonitorTypeBoth) {
        auto* monitor = new ZWLocalMonitor(this);
        if (qApp) {
            qApp->installEventFilter(monitor);
        }
        localMonitor_ = monitor;
    }
    if (type_ == ZWEventMonitorTypeGlobal || type_ == ZWEventMonitorTypeBoth) {
        TSLOG("Events of other applications cannot be watched on this system; no global monitor installed");
    }
}

void ZWEventMonitor::stop()
{
    if (localMonitor_) {
        if (qApp) {
            qApp->removeEventFilter(localMonitor_);
        }
        delete localMonitor_.data();
        localMonitor_ = nullptr;
    }
}

void ZWEventMonitor::deliver(QWidget* target, QEvent* event)
{
    if (handler_) {
        handler_(target, event);
    }
}

quint64 ZWEventMonitor::maskOf(const QEvent* event)
{
    switch (event->type()) {
    // The second press of a double click reaches the widgets as the
    // double-click event alone: it is a press like the first.
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<const QMouseEvent*>(event);
        const bool down = event->type() != QEvent::MouseButtonRelease;
        switch (mouse->button()) {
        case Qt::LeftButton:
            return down ? leftMouseDown : leftMouseUp;
        case Qt::RightButton:
            return down ? rightMouseDown : rightMouseUp;
        default:
            return down ? otherMouseDown : otherMouseUp;
        }
    }
    case QEvent::MouseMove: {
        const Qt::MouseButtons buttons = static_cast<const QMouseEvent*>(event)->buttons();
        if (buttons & Qt::LeftButton) {
            return leftMouseDragged;
        }
        if (buttons & Qt::RightButton) {
            return rightMouseDragged;
        }
        return buttons == Qt::NoButton ? mouseMoved : otherMouseDragged;
    }
    case QEvent::KeyPress:
        return keyDown;
    case QEvent::KeyRelease:
        return keyUp;
    case QEvent::Wheel:
        return scrollWheel;
    default:
        return 0;
    }
}
