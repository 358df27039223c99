#pragma once

// How tests see the usage events that screens and engines send.
//
// Every event function of the library (RYAsyncGALog, RYSyncGALog,
// AsyncGA4Log, AsyncCoreFuncReport, ...) first offers its event to the
// installed observer, on the calling thread, before the network check.
// While an observer is installed the event goes no further: no log manager
// is created, no link server started and no helper program spawned, so a
// test of a screen or an engine stays self-contained.
//
// Typical use:
//
//   Helper::setNetworkReachableOverride(true);    // asyncGALog sends only when reachable
//   QVDAEventRecorder recorder;                   // installs itself, removes itself
//   ... drive the engine ...
//   EXPECT_TRUE(recorder.contains("Scan", "Done"));
//   EXPECT_EQ(recorder.events().at(0).label, "12");
//
// asyncGALog/syncGALog (Src/Main/Utilities.h) call RYAsyncGALog/RYSyncGALog
// only when Helper::isConnectNetwork() is true, so with the network
// reported unreachable the recorder sees nothing from them.

#include <functional>
#include <mutex>

#include <QList>
#include <QString>
#include <QVariant>

#include "GAEvent.h"

struct QVDAObservedEvent {
    QString function;  // "RYAsyncGALog", "RYSyncGALog", "AsyncGA4Log", "AsyncCoreFuncReport", ...
    QString category;
    QString action;
    QString label;  // the label given to RYAsyncGALog/RYSyncGALog; else the first text label or ""
    GAEvent event;  // the event as it would cross the link
};

using QVDAEventObserver = std::function<void(const QVDAObservedEvent&)>;

// Installs `observer` (an empty function removes it) and returns the one it replaces.
QVDAEventObserver QVDASetEventObserver(QVDAEventObserver observer);

// Records every observed event while it lives. Thread-safe.
class QVDAEventRecorder {
public:
    QVDAEventRecorder();
    ~QVDAEventRecorder();
    QVDAEventRecorder(const QVDAEventRecorder&) = delete;
    QVDAEventRecorder& operator=(const QVDAEventRecorder&) = delete;

    QList<QVDAObservedEvent> events() const;
    bool contains(const QString& category, const QString& action) const;
    bool contains(const QString& category, const QString& action, const QString& label) const;
    int count(const QString& category, const QString& action) const;
    void clear();

private:
    mutable std::mutex mutex_;
    QList<QVDAObservedEvent> events_;
    QVDAEventObserver previous_;
};
