#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include <QCache>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QSize>
#include <QThreadPool>

// Thumbnails of image files at the pixel size a cell draws them, decoded on
// a small pool of worker threads and kept in a cache bounded in bytes,
// keyed by path and size. A view asks while it paints; what is not decoded
// yet is queued (newest first) and the view hears when it is ready. Each
// view says which thumbnails its cells on screen show: a queued decode that
// no view wants any more (its cell scrolled away) is dropped unstarted. The
// main thread never decodes.
class ImageThumbnailLoader : public QObject {
    Q_OBJECT
public:
    using Decoder = std::function<QImage(const QByteArray& path, const QSize& pixels)>;

    static ImageThumbnailLoader& shared();
    explicit ImageThumbnailLoader(int threads = 2, qint64 cacheBytes = 192ll << 20);
    ~ImageThumbnailLoader() override;

    static QByteArray keyOf(const QByteArray& path, const QSize& pixels, int cornerPixels = 0);

    // The thumbnail of the file at `path` no larger than `pixels`, or a null
    // image while it is being decoded (or when the file cannot be read).
    // With `cornerPixels`, its corners come cut round to that radius by the
    // worker (roundedCopy), so the views copy it as it is.
    // Main thread only.
    QImage thumbnail(const QByteArray& path, const QSize& pixels, const void* owner, int cornerPixels = 0);
    // The keys of the cells `owner` shows now; the rest of its queue goes.
    void setWanted(const void* owner, const QSet<QByteArray>& keys);
    // The owner goes away: nothing it asked for is decoded any more.
    void forget(const void* owner);

    qint64 cacheBytes() const { return cache_.totalCost(); }
    qint64 decodedCount() const { return decoded_.load(); }
    qint64 droppedCount() const { return dropped_.load(); }
    int pendingCount() const;
    // Waits until no decode runs or waits (tests, benchmarks).
    bool waitForIdle(int timeoutMs);
    void clear();
    // Drops what waits, waits for the decodes running and starts none
    // after; the shared loader does so as the application object goes.
    void finishWork();

    // Tests slow the decoder down or count its calls.
    void setDecoderForTesting(Decoder decoder);

signals:
    void thumbnailReady(const QByteArray& key);

private:
    struct Job {
        QByteArray key;
        QByteArray path;
        QSize pixels;
        int cornerPixels = 0;
    };
    void runOne();
    void delivered(const QByteArray& key, const QImage& image);
    bool isWantedLocked(const QByteArray& key) const;

    QThreadPool pool_;
    QCache<QByteArray, QImage> cache_;
    QSet<QByteArray> failed_;
    QSet<QByteArray> queued_;  // main thread: asked and not delivered yet

    mutable std::mutex mutex_;  // guards what the workers share
    std::deque<Job> jobs_;
    QHash<const void*, QSet<QByteArray>> wanted_;
    Decoder decoder_;
    int running_ = 0;
    bool finished_ = false;

    std::atomic<qint64> decoded_{0};
    std::atomic<qint64> dropped_{0};
    std::shared_ptr<std::atomic<bool>> alive_;
};
