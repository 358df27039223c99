#pragma once

#include <list>
#include <memory>
#include <mutex>

#include <QHash>
#include <QString>

namespace Lottie {

class Animation;

// Keeps the most recently used animations by key (their file path), so an
// animation file shown again is not parsed again. Safe from any thread.
class LRUAnimationCache {
public:
    explicit LRUAnimationCache(int cacheSize = 100);

    // The program's shared cache.
    static LRUAnimationCache& sharedCache();

    // The animation stored under `key`, made the most recent; null when none.
    std::shared_ptr<const Animation> animation(const QString& key);
    // Stores the animation; the least recently used one goes when full.
    void setAnimation(std::shared_ptr<const Animation> animation, const QString& key);
    void clearCache();

    int count() const;
    int cacheSize() const { return cacheSize_; }

private:
    struct Entry {
        QString key;
        std::shared_ptr<const Animation> animation;
    };

    mutable std::mutex mutex_;
    int cacheSize_;
    std::list<Entry> entries_;  // most recent first
    QHash<QString, std::list<Entry>::iterator> index_;
};

}  // namespace Lottie
