#include "NotificationCenter.h"

#include "Dispatch.h"

#include <QCoreApplication>
#include <QThread>

NotificationCenter::NotificationCenter()
{
    qRegisterMetaType<Notification>();
}

NotificationCenter& NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

void NotificationCenter::post(const QString& name, QObject* object, const QVariantMap& userInfo)
{
    emit posted(Notification{name, object, userInfo});
}

QMetaObject::Connection NotificationCenter::addObserver(QObject* owner, const QString& name,
                                                        std::function<void(const Notification&)> handler)
{
    // Delivered directly, then moved to the owner's thread by our own main
    // queue when the owner lives on the main thread.
    auto shared = std::make_shared<std::function<void(const Notification&)>>(std::move(handler));
    return connect(
        this, &NotificationCenter::posted, owner,
        [name, shared, owner](const Notification& n) {
            if (n.name != name || !*shared) {
                return;
            }
            QThread* ownerThread = owner->thread();
            if (ownerThread == QThread::currentThread()) {
                (*shared)(n);
            } else if (QCoreApplication::instance() && ownerThread == QCoreApplication::instance()->thread()) {
                DispatchQueue::main().async(owner, [shared, n] { (*shared)(n); });
            } else {
                QMetaObject::invokeMethod(owner, [shared, n] { (*shared)(n); }, Qt::QueuedConnection);
            }
        },
        Qt::DirectConnection);
}

void NotificationCenter::removeObserver(const QMetaObject::Connection& connection)
{
    disconnect(connection);
}
