#include "Error.h"

Error Error::make(const QString& domain, int code, const QString& description, const QString& failureReason)
{
    Error e;
    e.domain = domain;
    e.code = code;
    if (!description.isEmpty()) {
        e.userInfo.insert(QLatin1String(descriptionKey), description);
    }
    if (!failureReason.isEmpty()) {
        e.userInfo.insert(QLatin1String(failureReasonKey), failureReason);
    }
    return e;
}

QString Error::localizedDescription() const
{
    const QString text = userInfo.value(QLatin1String(descriptionKey)).toString();
    if (!text.isEmpty()) {
        return text;
    }
    return QStringLiteral("The operation couldn\u2019t be completed. (%1 error %2.)").arg(domain).arg(code);
}

QString Error::localizedFailureReason() const
{
    return userInfo.value(QLatin1String(failureReasonKey)).toString();
}
