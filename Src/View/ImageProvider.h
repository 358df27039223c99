#pragma once

#include <QHash>
#include <QImage>
#include <QString>
#include <QUrl>

#include "Lottie/AnimationImageProvider.h"

// Serves an animation's images from a folder of the resource folder. Every
// regular file under the folder (at any depth) that decodes as an image is
// read once, when the provider is made, and kept under its path relative to
// the folder ("a.png", "sub/b.png"). An asset gets the image stored under its
// file name, provided a file of that name lies in the folder or in the
// asset's own sub-folder of it; so an image that lies only in a sub-folder is
// never served, since it is stored under its relative path. A folder that is
// missing or holds no images gives a provider that answers no image.
class ImageProvider : public Lottie::AnimationImageProvider {
public:
    explicit ImageProvider(const QString& filepath);

    QImage imageForAsset(const Lottie::ImageAsset& asset) override;

    QUrl filepath() const { return filepath_; }
    const QHash<QString, QImage>& images() const { return images_; }

private:
    QUrl filepath_;
    QHash<QString, QImage> images_;
};
