#include "NotificationCenter.h"

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
    return connect(this, &NotificationCenter::posted, owner,
                   [name, handler = std::move(handler)](const Notification& n) {
                       if (n.name == name && handler) {
                           handler(n);
                       }
                   });
}

void NotificationCenter::removeObserver(const QMetaObject::Connection& connection)
{
    disconnect(connection);
}
