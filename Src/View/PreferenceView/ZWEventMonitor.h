#pragma once

#include <functional>

#include <QObject>
#include <QPointer>

class QEvent;
class QWidget;

// Which monitors start() installs: the program's own events, events of other
// programs, or both.
enum ZWEventMonitorType {
    ZWEventMonitorTypeLocal = 0,
    ZWEventMonitorTypeGlobal = 1,
    ZWEventMonitorTypeBoth = 2,
};

// Watches input events of the whole program before they reach their target,
// and hands each watched event to a handler without ever holding it back.
//
// The mask names the events watched, one bit per kind (the bit values below).
// Local monitoring is an application-wide event filter; it sees each event
// once, at the widget it is first delivered to (the handler gets that widget
// and the event in the widget's coordinates). Events of other programs
// cannot be watched on this system: a global monitor installs nothing and
// says so in the log.
//
// start() may be called again (it stops first); stop() removes what is
// installed. A monitor that goes away stops watching with it.
class ZWEventMonitor : public QObject {
    Q_OBJECT
public:
    enum Mask : quint64 {
        leftMouseDown = 1ull << 1,
        leftMouseUp = 1ull << 2,
        rightMouseDown = 1ull << 3,
        rightMouseUp = 1ull << 4,
        mouseMoved = 1ull << 5,
        leftMouseDragged = 1ull << 6,
        rightMouseDragged = 1ull << 7,
        keyDown = 1ull << 10,
        keyUp = 1ull << 11,
        scrollWheel = 1ull << 22,
        otherMouseDown = 1ull << 25,
        otherMouseUp = 1ull << 26,
        otherMouseDragged = 1ull << 27,
    };

    using Handler = std::function<void(QWidget* target, QEvent* event)>;

    ZWEventMonitor(ZWEventMonitorType type, quint64 mask, Handler handler, QObject* parent = nullptr);
    ~ZWEventMonitor() override;

    ZWEventMonitorType type() const { return type_; }
    quint64 mask() const { return mask_; }

    // The installed monitors, null when none.
    QObject* localMonitor() const { return localMonitor_; }
    QObject* globalMonitor() const { return nullptr; }

    void start();
    void stop();

    // The mask bit of an event, 0 for events no mask names.
    static quint64 maskOf(const QEvent* event);

private:
    friend class ZWLocalMonitor;
    void deliver(QWidget* target, QEvent* event);

    ZWEventMonitorType type_;
    quint64 mask_;
    Handler handler_;
    QPointer<QObject> localMonitor_;
};
