#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include <QString>

#include "GAEvent.h"
#include "RYGALogManager.h"

class LWExportObj;

// Turns every usage event the helper receives into two reports, a GA4 query
// and a JSON data report, filled from the event and the configuration the
// program sent last, and hands them to the report object. Events are
// reported one at a time, in the order they arrive. Events waiting for their
// turn are bounded (maxQueuedEvents, or maxQueuedBytes of their texts): past
// that the oldest waiting event is dropped, counted and logged.
class QVDAGASender {
public:
    QVDAGASender();
    ~QVDAGASender();
    QVDAGASender(const QVDAGASender&) = delete;
    QVDAGASender& operator=(const QVDAGASender&) = delete;

    // Queues both reports of the event.
    void sendGAEvent(const GAEvent& event);
    void waitUntilAllOperationsAreFinished();

    static constexpr int maxQueuedEvents = 1000;
    static constexpr qsizetype maxQueuedBytes = 1024 * 1024;
    // Events dropped so far because the queue was full.
    qint64 droppedEventCount() const;
    // About how much memory an event holds (its texts and labels).
    static qsizetype approximateSize(const GAEvent& event);

    // Each returns the report object's status, -1 when nothing was attempted.
    int32_t dealGAEvent(const GAEvent& event);
    int32_t dealDataAnalysisEvent(const GAEvent& event);

    std::shared_ptr<RYGALogManager> gaManager() const;
    void setGaManager(std::shared_ptr<RYGALogManager> manager);
    QString logPath() const;
    void setLogPath(const QString& path);
    QString strSourceType() const;

    // The texts of the two reports. dataReport sets and then clears the start
    // marker of `config`, as a start event or isStart asks.
    static QString ga4Query(const GAEvent& event, const RYGALogManager& config);
    static QString dataReport(const GAEvent& event, RYGALogManager& config);
    static QString sourceTypeText(qint64 sourceType);

    // The report object of the process; tests may replace it (nullptr: none).
    static LWExportObj* webLog();
    static void setWebLog(LWExportObj* object);

private:
    void work();

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::pair<GAEvent, qsizetype>> queue_;
    qsizetype queuedBytes_ = 0;
    qint64 dropped_ = 0;
    bool busy_ = false;
    bool stopping_ = false;
    std::shared_ptr<RYGALogManager> gaManager_;
    QString logPath_;
    std::mutex reportMutex_;
    std::thread worker_;
};
