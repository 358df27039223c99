#pragma once

#include <QImage>
#include <QString>

namespace Lottie {

// One image asset of an animation: the file it names (its folder "u" and its
// name "p", as written in the animation) and its size in the animation.
struct ImageAsset {
    QString id;
    QString name;       // "p", e.g. "img_0.png"
    QString directory;  // "u", e.g. "images/"
    int width = 0;
    int height = 0;
};

// Supplies the bitmaps of an animation's image assets. Called on the thread
// that builds the view's renderer (the main thread for views).
class AnimationImageProvider {
public:
    virtual ~AnimationImageProvider() = default;
    // The image for the asset; a null image when there is none.
    virtual QImage imageForAsset(const ImageAsset& asset) = 0;
};

}  // namespace Lottie
