#include "QLPreviewWork.h"

#include "Foundation/Dispatch.h"

namespace QuickLook {

void runPreviewWork(std::function<void()> work)
{
    DispatchQueue::global(DispatchQueue::QoS::userInitiated).async(std::move(work));
}

}  // namespace QuickLook
