#include "Progress.h"

Progress::Progress(qint64 totalUnitCount, QObject* parent)
    : QObject(parent)
    , total_(totalUnitCount)
{
}

Progress::Snapshot Progress::snapshotLocked() const
{
    if (total_ <= 0) {
        return {0.0, false};
    }
    const qint64 done = qBound<qint64>(0, completed_, total_);
    return {static_cast<double>(done) / static_cast<double>(total_), completed_ >= total_};
}

qint64 Progress::totalUnitCount() const
{
    std::lock_guard lock(mutex_);
    return total_;
}

void Progress::setTotalUnitCount(qint64 count)
{
    change([this, count] { total_ = count; });
}

qint64 Progress::completedUnitCount() const
{
    std::lock_guard lock(mutex_);
    return completed_;
}

void Progress::setCompletedUnitCount(qint64 count)
{
    change([this, count] { completed_ = count; });
}

void Progress::change(const std::function<void()>& apply)
{
    Snapshot before{};
    Snapshot after{};
    {
        std::lock_guard lock(mutex_);
        before = snapshotLocked();
        apply();
        after = snapshotLocked();
    }
    if (after.fraction != before.fraction) {
        emit fractionCompletedChanged(after.fraction);
    }
    if (after.finished != before.finished) {
        emit finishedChanged(after.finished);
    }
}

double Progress::fractionCompleted() const
{
    std::lock_guard lock(mutex_);
    return snapshotLocked().fraction;
}

bool Progress::isFinished() const
{
    std::lock_guard lock(mutex_);
    return snapshotLocked().finished;
}

bool Progress::isCancellable() const
{
    std::lock_guard lock(mutex_);
    return cancellable_;
}

void Progress::setCancellable(bool cancellable)
{
    std::lock_guard lock(mutex_);
    cancellable_ = cancellable;
}

bool Progress::isCancelled() const
{
    std::lock_guard lock(mutex_);
    return cancelled_;
}

void Progress::cancel()
{
    {
        std::lock_guard lock(mutex_);
        if (cancelled_) {
            return;
        }
        cancelled_ = true;
    }
    emit cancelledChanged(true);
}
