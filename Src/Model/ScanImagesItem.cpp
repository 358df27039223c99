#include "ScanImagesItem.h"

std::optional<Error> ScanImagesItem::removeError() const
{
    std::lock_guard<std::mutex> lock(errorMutex_);
    return removeError_;
}

void ScanImagesItem::setRemoveError(std::optional<Error> error)
{
    std::lock_guard<std::mutex> lock(errorMutex_);
    removeError_ = std::move(error);
}
