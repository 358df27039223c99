#include "QLPreviewWork.h"

#include "Foundation/Dispatch.h"

#include <QCoreApplication>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {
std::mutex workMutex;
std::condition_variable workDone;
int inFlight = 0;
}  // namespace

namespace QuickLook {

void runPreviewWork(std::function<void()> work)
{
    static std::once_flag once;
    std::call_once(once, [] {
        qAddPostRoutine([] {
            std::unique_lock lock(workMutex);
            workDone.wait_for(lock, std::chrono::seconds(10), [] { return inFlight == 0; });
        });
    });
    {
        std::lock_guard lock(workMutex);
        ++inFlight;
    }
    DispatchQueue::global(DispatchQueue::QoS::userInitiated).async([work = std::move(work)] {
        work();
        {
            std::lock_guard lock(workMutex);
            --inFlight;
        }
        workDone.notify_all();
    });
}

int previewWorkInFlight()
{
    std::lock_guard lock(workMutex);
    return inFlight;
}

}  // namespace QuickLook
