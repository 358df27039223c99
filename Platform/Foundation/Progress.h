#pragma once

#include <functional>
#include <mutex>

#include <QObject>

// The progress of a piece of work, shared between the thread doing it and a
// view showing it: completed units out of a total, finished once every unit
// is done, and a cancel request. Safe from any thread; each signal is emitted
// on the thread that made the change, after the change, and only when the
// value really changed.
class Progress : public QObject {
    Q_OBJECT
public:
    explicit Progress(qint64 totalUnitCount = 100, QObject* parent = nullptr);

    qint64 totalUnitCount() const;
    void setTotalUnitCount(qint64 count);
    qint64 completedUnitCount() const;
    void setCompletedUnitCount(qint64 count);

    // completed / total, 0 to 1; 0 while the total is not above 0.
    double fractionCompleted() const;
    // Every unit is done (a total above 0, all of it completed).
    bool isFinished() const;

    // Whether the work may be cancelled (a hint for whoever shows it).
    bool isCancellable() const;
    void setCancellable(bool cancellable);
    bool isCancelled() const;
    // Marks the work cancelled; the worker polls isCancelled().
    void cancel();

signals:
    void fractionCompletedChanged(double fractionCompleted);
    void finishedChanged(bool finished);
    void cancelledChanged(bool cancelled);

private:
    struct Snapshot {
        double fraction;
        bool finished;
    };
    Snapshot snapshotLocked() const;
    // Applies a change of the units under the lock, then signals what changed.
    void change(const std::function<void()>& apply);

    mutable std::mutex mutex_;
    qint64 total_;
    qint64 completed_ = 0;
    bool cancellable_ = true;
    bool cancelled_ = false;
};
