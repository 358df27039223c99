#pragma once

#include <functional>

#include <QMetaType>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

struct Notification {
    QString name;
    QPointer<QObject> object;
    QVariantMap userInfo;
};
Q_DECLARE_METATYPE(Notification)

// Posts named notifications to the observers of that name. An observer is
// tied to an owner object: it is removed when the owner goes away, and it
// runs in the owner's thread (at once when that is the posting thread).
class NotificationCenter : public QObject {
    Q_OBJECT
public:
    static NotificationCenter& defaultCenter();

    void post(const QString& name, QObject* object = nullptr, const QVariantMap& userInfo = {});
    QMetaObject::Connection addObserver(QObject* owner, const QString& name,
                                        std::function<void(const Notification&)> handler);
    void removeObserver(const QMetaObject::Connection& connection);

signals:
    void posted(const Notification& notification);

private:
    NotificationCenter();
};
