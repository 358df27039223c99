#include "LRUAnimationCache.h"

#include "Animation.h"

namespace Lottie {

LRUAnimationCache::LRUAnimationCache(int cacheSize)
    : cacheSize_(qMax(1, cacheSize))
{
}

LRUAnimationCache& LRUAnimationCache::sharedCache()
{
    static LRUAnimationCache cache;
    return cache;
}

std::shared_ptr<const Animation> LRUAnimationCache::animation(const QString& key)
{
    std::lock_guard lock(mutex_);
    const auto found = index_.constFind(key);
    if (found == index_.constEnd()) {
        return nullptr;
    }
    entries_.splice(entries_.begin(), entries_, *found);
    return entries_.front().animation;
}

void LRUAnimationCache::setAnimation(std::shared_ptr<const Animation> animation, const QString& key)
{
    if (!animation) {
        return;
    }
    std::lock_guard lock(mutex_);
    const auto found = index_.constFind(key);
    if (found != index_.constEnd()) {
        entries_.erase(*found);
        index_.erase(found);
    }
    entries_.push_front(Entry{key, std::move(animation)});
    index_.insert(key, entries_.begin());
    while (static_cast<int>(entries_.size()) > cacheSize_) {
        index_.remove(entries_.back().key);
        entries_.pop_back();
    }
}

void LRUAnimationCache::clearCache()
{
    std::lock_guard lock(mutex_);
    index_.clear();
    entries_.clear();
}

int LRUAnimationCache::count() const
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(entries_.size());
}

}  // namespace Lottie
