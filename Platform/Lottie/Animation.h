#pragma once

#include <memory>
#include <mutex>

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QSize>
#include <QString>

#include "Lottie/AnimationImageProvider.h"

namespace rlottie {
class Animation;
}

namespace Lottie {

class LRUAnimationCache;
class AnimationRenderer;

// A parsed animation file. Immutable once loaded, so one parse can be shared
// by any number of views (and threads).
class Animation {
public:
    // Loads the animation at `path`. With a cache, an animation already
    // loaded from that path is returned as it is, and a new one is stored in
    // it. Null for an empty path, a missing file, a file that is not a
    // regular file or not a valid animation.
    static std::shared_ptr<const Animation> filepath(const QString& path, LRUAnimationCache* animationCache = nullptr);

    QString path() const { return path_; }
    // The folder the file lies in; asset files are looked up under it.
    QString directory() const { return directory_; }

    double startFrame() const { return startFrame_; }
    double endFrame() const { return endFrame_; }
    double framerate() const { return framerate_; }
    // Seconds from the first frame to the last.
    double duration() const { return (endFrame_ - startFrame_) / framerate_; }
    // The animation's own size (its "w" and "h").
    QSize size() const { return size_; }
    const QList<ImageAsset>& imageAssets() const { return imageAssets_; }

    // A renderer of this animation whose images come from `provider`, or
    // from the animation's folder when there is no provider. Without a
    // provider the renderer is made once and shared; null when rlottie
    // cannot load the animation.
    std::shared_ptr<AnimationRenderer> makeRenderer(AnimationImageProvider* provider) const;

private:
    struct JsonSpan {
        qsizetype start;
        qsizetype end;
    };
    // Where each element of the top-level "assets" array lies in the text.
    static QList<JsonSpan> assetSpans(const QByteArray& json);

    Animation() = default;
    QByteArray embeddedJson(AnimationImageProvider* provider) const;
    QImage folderImage(const ImageAsset& asset) const;

    QString path_;
    QString directory_;
    QByteArray json_;
    double startFrame_ = 0;
    double endFrame_ = 0;
    double framerate_ = 30;
    QSize size_;
    QList<ImageAsset> imageAssets_;

    mutable std::mutex mutex_;
    mutable std::shared_ptr<AnimationRenderer> folderRenderer_;
};

// Draws frames of one loaded animation into images. One renderer is used by
// one thread at a time.
class AnimationRenderer {
public:
    ~AnimationRenderer();
    AnimationRenderer(const AnimationRenderer&) = delete;
    AnimationRenderer& operator=(const AnimationRenderer&) = delete;

    // Frames are counted from the animation's first frame: 0 to totalFrame() - 1.
    size_t totalFrame() const;
    // The frame shown at a progress of 0 to 1 (clamped).
    size_t frameAtProgress(double progress) const;
    // The frame drawn into a transparent image of `pixelSize`, scaled to fit
    // and centred; a null image for an empty size.
    QImage render(size_t frame, QSize pixelSize) const;
    // Draws into an image of the right format (ARGB32 premultiplied).
    void renderInto(size_t frame, QImage& image) const;

private:
    friend class Animation;
    explicit AnimationRenderer(std::unique_ptr<rlottie::Animation> animation);
    std::unique_ptr<rlottie::Animation> animation_;
    size_t totalFrame_ = 0;
};

}  // namespace Lottie
