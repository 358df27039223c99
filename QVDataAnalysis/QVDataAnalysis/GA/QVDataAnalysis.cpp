#include "QVDataAnalysis.h"

#include "QVDAEventObserver.h"

#include <QStringList>

#include <memory>
#include <mutex>

namespace {

std::mutex observerMutex;
std::shared_ptr<QVDAEventObserver> currentObserver;

QString firstTextLabel(const QVariant& labels)
{
    if (labels.metaType().id() == QMetaType::QString) {
        return labels.toString();
    }
    if (labels.metaType().id() == QMetaType::QStringList) {
        const QStringList list = labels.toStringList();
        return list.isEmpty() ? QString() : list.first();
    }
    if (labels.metaType().id() == QMetaType::QVariantList) {
        for (const QVariant& v : labels.toList()) {
            if (v.metaType().id() == QMetaType::QString) {
                return v.toString();
            }
        }
    }
    return {};
}

// True when an observer took the event (it then goes no further).
bool observed(const char* function, const GAEvent& event, const QString* label = nullptr)
{
    std::shared_ptr<QVDAEventObserver> observer;
    {
        std::lock_guard lock(observerMutex);
        observer = currentObserver;
    }
    if (!observer) {
        return false;
    }
    QVDAObservedEvent seen{QString::fromLatin1(function), event.category(), event.action(),
                           label ? *label : firstTextLabel(event.labels()), event};
    if (seen.label.isNull()) {
        seen.label = QStringLiteral("");
    }
    (*observer)(seen);
    return true;
}

QVariant labelList(const QString& label)
{
    return label.isEmpty() ? QStringList() : QStringList{label};
}

}  // namespace

QVDAEventObserver QVDASetEventObserver(QVDAEventObserver observer)
{
    std::lock_guard lock(observerMutex);
    QVDAEventObserver previous = currentObserver ? *currentObserver : QVDAEventObserver();
    currentObserver = observer ? std::make_shared<QVDAEventObserver>(std::move(observer)) : nullptr;
    return previous;
}

QVDAEventRecorder::QVDAEventRecorder()
{
    previous_ = QVDASetEventObserver([this](const QVDAObservedEvent& event) {
        std::lock_guard lock(mutex_);
        events_.append(event);
    });
}

QVDAEventRecorder::~QVDAEventRecorder()
{
    QVDASetEventObserver(std::move(previous_));
}

QList<QVDAObservedEvent> QVDAEventRecorder::events() const
{
    std::lock_guard lock(mutex_);
    // A copy with a buffer of its own: a shared one would be read by the
    // caller while a sender's thread appends to it.
    return {events_.begin(), events_.end()};
}

bool QVDAEventRecorder::contains(const QString& category, const QString& action) const
{
    return count(category, action) > 0;
}

bool QVDAEventRecorder::contains(const QString& category, const QString& action, const QString& label) const
{
    std::lock_guard lock(mutex_);
    for (const QVDAObservedEvent& e : events_) {
        if (e.category == category && e.action == action && e.label == label) {
            return true;
        }
    }
    return false;
}

int QVDAEventRecorder::count(const QString& category, const QString& action) const
{
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const QVDAObservedEvent& e : events_) {
        if (e.category == category && e.action == action) {
            ++n;
        }
    }
    return n;
}

void QVDAEventRecorder::clear()
{
    std::lock_guard lock(mutex_);
    events_.clear();
}

GAEvent CreateGAEvent(const QString& category, const QString& action, const QVariant& labels)
{
    return GAEvent::eventWithCategory(category, action, labels);
}

GAEvent CreateCoreFuncEvent(const QString& eventType, const QString& coreFuncName, qint64 coreFuncStep,
                            const QString& category, const QString& action, const QVariant& labels)
{
    return GAEvent::eventWithEventType(eventType, coreFuncName, coreFuncStep, category, action, labels);
}

void RYAsyncGALog(const QString& category, const QString& action, const QString& label)
{
    const GAEvent event = GAEvent::eventWithCategory(category, action, labelList(label));
    if (!observed("RYAsyncGALog", event, &label)) {
        RYGALogManager::shared().asyncSendAll(event);
    }
}

void RYSyncGALog(const QString& category, const QString& action, const QString& label)
{
    const GAEvent event = GAEvent::eventWithCategory(category, action, labelList(label));
    if (!observed("RYSyncGALog", event, &label)) {
        RYGALogManager::shared().syncSendAll(event);
    }
}

#define QVDA_SIMPLE_SENDER(name, operation)                                                                        \
    void name(const QString& category, const QString& action, const QVariant& labels)                             \
    {                                                                                                              \
        const GAEvent event = GAEvent::eventWithCategory(category, action, labels);                                \
        if (!observed(#name, event)) {                                                                             \
            RYGALogManager::shared().operation(event);                                                             \
        }                                                                                                          \
    }
QVDA_SIMPLE_SENDER(AsyncGA4Log, asyncSendAll)
QVDA_SIMPLE_SENDER(SyncGA4Log, syncSendAll)
QVDA_SIMPLE_SENDER(AsyncReportGA4, asyncSendGA4)
QVDA_SIMPLE_SENDER(SyncReportGA4, syncSendGA4)
QVDA_SIMPLE_SENDER(AsyncDataReport, asyncSendDataAnalysis)
QVDA_SIMPLE_SENDER(SyncDataReport, syncSendDataAnalysis)
#undef QVDA_SIMPLE_SENDER

#define QVDA_CORE_SENDER(name, operation)                                                                          \
    void name(const QString& eventType, const QString& coreFuncName, qint64 coreFuncStep, const QString& category, \
              const QString& action, const QVariant& labels)                                                       \
    {                                                                                                              \
        const GAEvent event =                                                                                      \
            GAEvent::eventWithEventType(eventType, coreFuncName, coreFuncStep, category, action, labels);          \
        if (!observed(#name, event)) {                                                                             \
            RYGALogManager::shared().operation(event);                                                             \
        }                                                                                                          \
    }
QVDA_CORE_SENDER(AsyncCoreFuncReport, asyncSendAll)
QVDA_CORE_SENDER(SyncCoreFuncReport, syncSendAll)
QVDA_CORE_SENDER(AsyncCoreFuncDataReport, asyncSendDataAnalysis)
QVDA_CORE_SENDER(SyncCoreFuncDataReport, syncSendDataAnalysis)
#undef QVDA_CORE_SENDER
