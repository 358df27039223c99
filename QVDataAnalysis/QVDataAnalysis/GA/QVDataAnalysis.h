#pragma once

// The analytics library's interface for the program's screens and engines.
//
//   RYAsyncGALog("Scan", "Done", "12")      one event, label list {"12"}
//   RYSyncGALog(...)                        the same; returns as soon as the
//                                           frame is queued (never waits)
//   AsyncGA4Log(category, action, labels)   labels: QStringList, QVariantList,
//                                           PlistDict/QVariantMap or QString
//   AsyncCoreFuncReport(type, name, step, category, action, labels)
//   RYGALogManager::shared()                configuration and termination status
//
// Every send drops the event when the network is unreachable
// (Helper::isConnectNetwork) and otherwise hands it to the helper program.
// None of them reports failures to the caller.
//
// Tests: QVDAEventRecorder (QVDAEventObserver.h) sees every call of these
// functions and keeps the events away from the link while it lives.

#include <QString>
#include <QVariant>

#include "GAEvent.h"
#include "RYGALogManager.h"

GAEvent CreateGAEvent(const QString& category, const QString& action, const QVariant& labels);
GAEvent CreateCoreFuncEvent(const QString& eventType, const QString& coreFuncName, qint64 coreFuncStep,
                            const QString& category, const QString& action, const QVariant& labels);

// The label goes into a list of its own; an empty label gives an empty list.
void RYAsyncGALog(const QString& category, const QString& action, const QString& label);
void RYSyncGALog(const QString& category, const QString& action, const QString& label);

void AsyncGA4Log(const QString& category, const QString& action, const QVariant& labels);
void SyncGA4Log(const QString& category, const QString& action, const QVariant& labels);
void AsyncReportGA4(const QString& category, const QString& action, const QVariant& labels);
void SyncReportGA4(const QString& category, const QString& action, const QVariant& labels);
void AsyncDataReport(const QString& category, const QString& action, const QVariant& labels);
void SyncDataReport(const QString& category, const QString& action, const QVariant& labels);

void AsyncCoreFuncReport(const QString& eventType, const QString& coreFuncName, qint64 coreFuncStep,
                         const QString& category, const QString& action, const QVariant& labels);
void SyncCoreFuncReport(const QString& eventType, const QString& coreFuncName, qint64 coreFuncStep,
                        const QString& category, const QString& action, const QVariant& labels);
void AsyncCoreFuncDataReport(const QString& eventType, const QString& coreFuncName, qint64 coreFuncStep,
                             const QString& category, const QString& action, const QVariant& labels);
void SyncCoreFuncDataReport(const QString& eventType, const QString& coreFuncName, qint64 coreFuncStep,
                            const QString& category, const QString& action, const QVariant& labels);
