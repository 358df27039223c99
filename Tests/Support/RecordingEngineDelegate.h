#pragma once

#include <functional>
#include <mutex>

#include <QList>
#include <QString>
#include <QStringList>

#include "Manager/ScanManagerProtocol.h"

// Records every call the duplicate or the large-file engine makes on its
// delegate, in order, from whatever thread: the calls by name, the paths
// and the progress values of a scan.
class RecordingEngineDelegate : public ScanManagerProtocol {
public:
    void startScan() override { add(QStringLiteral("startScan")); }
    void stopScan() override { add(QStringLiteral("stopScan")); }
    void scaningPath(const QString& path) override
    {
        std::lock_guard lock(mutex_);
        paths_.append(path);
    }
    void scanProgress(double progress) override
    {
        std::lock_guard lock(mutex_);
        progress_.append(progress);
    }
    void scanFinished() override { add(QStringLiteral("scanFinished")); }
    void startRemove() override
    {
        add(QStringLiteral("startRemove"));
        if (onStartRemove) {
            onStartRemove();
        }
    }
    void stopRemove() override { add(QStringLiteral("stopRemove")); }
    void removeFinished() override { add(QStringLiteral("removeFinished")); }
    void removedAfterEnd() override { add(QStringLiteral("removedAfterEnd")); }

    // Copies with buffers of their own: a shared one would be read here
    // while the engine's thread appends to it.
    QStringList calls() const
    {
        std::lock_guard lock(mutex_);
        return {calls_.begin(), calls_.end()};
    }
    QList<double> progress() const
    {
        std::lock_guard lock(mutex_);
        return {progress_.begin(), progress_.end()};
    }
    QStringList paths() const
    {
        std::lock_guard lock(mutex_);
        return {paths_.begin(), paths_.end()};
    }
    bool has(const QString& call) const { return calls().contains(call); }
    int count(const QString& call) const { return static_cast<int>(calls().count(call)); }

    // Runs on the engine's thread as the removal starts.
    std::function<void()> onStartRemove;

private:
    void add(const QString& call)
    {
        std::lock_guard lock(mutex_);
        calls_.append(call);
    }

    mutable std::mutex mutex_;
    QStringList calls_;
    QList<double> progress_;
    QStringList paths_;
};
