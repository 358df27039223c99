#include "RemovalStepGate.h"

#include "Foundation/FileManager.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>

#include <condition_variable>
#include <mutex>

struct RemovalStepGate::State {
    QSet<QByteArray> paths;
    QList<int> holdAt;
    mutable std::mutex mutex;
    std::condition_variable cv;
    QSet<QByteArray> seen;
    int opened = 0;  // hold points let go so far
    bool held = false;
    bool closing = false;
};

RemovalStepGate::RemovalStepGate(QSet<QByteArray> paths, QList<int> holdAt) : state_(std::make_shared<State>())
{
    state_->paths = std::move(paths);
    state_->holdAt = std::move(holdAt);
    FileManagerFaults faults;
    faults.fail = [state = state_](FileStep step, const QByteArray& path) {
        if (step != FileStep::rename && step != FileStep::remove) {
            return 0;
        }
        std::unique_lock lock(state->mutex);
        if (!state->paths.contains(path) || state->seen.contains(path)) {
            return 0;
        }
        state->seen.insert(path);
        const int point = int(state->holdAt.indexOf(int(state->seen.size())));
        if (point < 0) {
            return 0;
        }
        state->held = true;
        state->cv.notify_all();
        state->cv.wait(lock, [&] { return state->closing || state->opened > point; });
        state->held = false;
        return 0;
    };
    FileManager::setFaults(faults);
}

RemovalStepGate::~RemovalStepGate()
{
    {
        std::lock_guard lock(state_->mutex);
        state_->closing = true;
    }
    state_->cv.notify_all();
    FileManager::clearFaults();
}

bool RemovalStepGate::holding() const
{
    std::lock_guard lock(state_->mutex);
    return state_->held;
}

void RemovalStepGate::open()
{
    {
        std::lock_guard lock(state_->mutex);
        ++state_->opened;
    }
    state_->cv.notify_all();
}

int RemovalStepGate::reached() const
{
    std::lock_guard lock(state_->mutex);
    return int(state_->seen.size());
}

bool holdsAfterTheFileInHand(RemovalStepGate& gate, const std::function<int()>& left, int leftAfter,
                             const std::function<double()>& clock, const std::function<bool()>& asking,
                             std::chrono::milliseconds aWhile)
{
    const double before = clock();
    gate.open();
    if (!waitUntil([&] { return left() == leftAfter; })) {
        ADD_FAILURE() << "the file in hand did not go: " << left() << " left, not " << leftAfter;
        return false;
    }
    if (waitUntil([&] { return left() != leftAfter || clock() != before || !asking(); }, aWhile)) {
        ADD_FAILURE() << "while asked: " << left() << " files left (" << leftAfter << " before), clock "
                      << clock() << " (" << before << " before), asking " << asking();
        return false;
    }
    return true;
}

QSet<QByteArray> pathsIn(const QString& folder)
{
    QSet<QByteArray> paths;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        paths.insert(QFile::encodeName(folder + QLatin1Char('/') + name));
    }
    return paths;
}

int filesIn(const QString& folder)
{
    return int(QDir(folder).entryList(QDir::Files | QDir::Hidden).size());
}
