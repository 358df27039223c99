#pragma once

#include <optional>

#include <QByteArray>
#include <QImage>
#include <QSize>

// Thumbnails and pixel sizes of image files. Paths are the bytes the system
// gave, so names that are not UTF-8 work too. Qt's readers come first (with
// scaled decoding); OpenCV reads what Qt cannot (JPEG 2000, Radiance, Sun
// raster, ...).
namespace QuickLook {

// An image no larger than `maxSize` points at `scale` pixels per point,
// keeping the aspect ratio; a null image when the file cannot be read.
QImage thumbnailImage(const QByteArray& path, const QSize& maxSize, qreal scale = 1.0);

// Width and height in pixels; nullopt when the file is not a readable image.
std::optional<QSize> imageDimensions(const QByteArray& path);

}  // namespace QuickLook
