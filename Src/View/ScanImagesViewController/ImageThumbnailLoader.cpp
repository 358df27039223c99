#include "ImageThumbnailLoader.h"

#include "Foundation/Dispatch.h"
#include "QuickLook/QLThumbnail.h"
#include "ScanImagesCellPainting.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

ImageThumbnailLoader& ImageThumbnailLoader::shared()
{
    // Never destroyed, but its workers are done before the application
    // object goes: a decode (the image libraries, a painter) still running
    // while the program's libraries tear themselves down crashes the end.
    static auto* loader = [] {
        auto* made = new ImageThumbnailLoader();
        qAddPostRoutine([] { shared().finishWork(); });
        return made;
    }();
    return *loader;
}

ImageThumbnailLoader::ImageThumbnailLoader(int threads, qint64 cacheBytes)
    : alive_(std::make_shared<std::atomic<bool>>(true))
{
    pool_.setMaxThreadCount(std::max(1, threads));
    pool_.setExpiryTimeout(2000);
    cache_.setMaxCost(qsizetype(cacheBytes));
}

ImageThumbnailLoader::~ImageThumbnailLoader()
{
    finishWork();
}

void ImageThumbnailLoader::finishWork()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        finished_ = true;
        dropped_ += qint64(jobs_.size());
        jobs_.clear();
    }
    alive_->store(false);
    pool_.waitForDone();
}

QByteArray ImageThumbnailLoader::keyOf(const QByteArray& path, const QSize& pixels, int cornerPixels)
{
    QByteArray key = path + '\0' + QByteArray::number(pixels.width()) + 'x' + QByteArray::number(pixels.height());
    if (cornerPixels > 0) {
        key += 'r' + QByteArray::number(cornerPixels);
    }
    return key;
}

QImage ImageThumbnailLoader::thumbnail(const QByteArray& path, const QSize& pixels, const void* owner,
                                       int cornerPixels)
{
    if (path.isEmpty() || pixels.isEmpty()) {
        return {};
    }
    const QByteArray key = keyOf(path, pixels, cornerPixels);
    if (const QImage* cached = cache_.object(key)) {
        return *cached;
    }
    if (failed_.contains(key)) {
        return {};
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (finished_) {
            return {};
        }
        wanted_[owner].insert(key);
        if (queued_.contains(key)) {
            return {};
        }
        queued_.insert(key);
        jobs_.push_back(Job{key, path, pixels, cornerPixels});
    }
    pool_.start([this] { runOne(); });
    return {};
}

void ImageThumbnailLoader::setWanted(const void* owner, const QSet<QByteArray>& keys)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (keys.isEmpty()) {
        wanted_.remove(owner);
    } else {
        wanted_.insert(owner, keys);
    }
}

void ImageThumbnailLoader::forget(const void* owner)
{
    setWanted(owner, {});
}

bool ImageThumbnailLoader::isWantedLocked(const QByteArray& key) const
{
    for (auto it = wanted_.cbegin(); it != wanted_.cend(); ++it) {
        if (it.value().contains(key)) {
            return true;
        }
    }
    return false;
}

int ImageThumbnailLoader::pendingCount() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return int(jobs_.size()) + running_;
}

void ImageThumbnailLoader::runOne()
{
    Job job;
    Decoder decoder;
    QList<QByteArray> droppedKeys;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        // The newest request first: it belongs to what shows now.
        bool found = false;
        while (!jobs_.empty()) {
            Job next = std::move(jobs_.back());
            jobs_.pop_back();
            if (isWantedLocked(next.key)) {
                job = std::move(next);
                found = true;
                break;
            }
            droppedKeys.append(next.key);
            dropped_ += 1;
        }
        if (!found) {
            if (!droppedKeys.isEmpty()) {
                auto alive = alive_;
                DispatchQueue::main().async([this, alive, droppedKeys] {
                    if (alive->load()) {
                        for (const QByteArray& key : droppedKeys) {
                            queued_.remove(key);
                            // A view that shows it again asks anew.
                            emit thumbnailReady(key);
                        }
                    }
                });
            }
            return;
        }
        ++running_;
        decoder = decoder_;
    }
    QImage image;
    if (decoder) {
        image = decoder(job.path, job.pixels);
    } else {
        image = QuickLook::thumbnailImage(job.path, job.pixels, 1.0);
    }
    if (job.cornerPixels > 0) {
        image = ScanImagesCellPainting::roundedCopy(image, job.cornerPixels);
    }
    decoded_ += 1;
    auto alive = alive_;
    const QByteArray key = job.key;
    DispatchQueue::main().async([this, alive, key, image, droppedKeys] {
        if (!alive->load()) {
            return;
        }
        for (const QByteArray& dropped : droppedKeys) {
            queued_.remove(dropped);
        }
        delivered(key, image);
    });
    std::lock_guard<std::mutex> lock(mutex_);
    --running_;
}

void ImageThumbnailLoader::delivered(const QByteArray& key, const QImage& image)
{
    queued_.remove(key);
    if (image.isNull()) {
        failed_.insert(key);
    } else {
        cache_.insert(key, new QImage(image), qsizetype(image.sizeInBytes()));
    }
    emit thumbnailReady(key);
}

bool ImageThumbnailLoader::waitForIdle(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::lock_guard<std::mutex> lock(mutex_);
        if (jobs_.empty() && running_ == 0 && queued_.isEmpty()) {
            return true;
        }
    }
    return false;
}

void ImageThumbnailLoader::clear()
{
    cache_.clear();
    failed_.clear();
}

void ImageThumbnailLoader::setDecoderForTesting(Decoder decoder)
{
    std::lock_guard<std::mutex> lock(mutex_);
    decoder_ = std::move(decoder);
}
