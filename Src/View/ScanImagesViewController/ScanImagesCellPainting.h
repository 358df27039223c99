#pragma once

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include "Model/ScanImagesItem.h"

class QPainter;
class QWidget;

// What the similar-image cells share when they paint. The cells lie on
// surfaces that stay light in both appearances, so named colours are taken
// in their light values.
namespace ScanImagesCellPainting {

// The size of an image of `image` fitted into `box` at its own ratio: the
// full width when it is at least as wide as the box, else the full height
// (small images are enlarged). Empty for an image or box without size.
QSizeF fitSize(const QSizeF& image, const QSizeF& box);
// `size` centred in `rect`.
QRectF centred(const QSizeF& size, const QRectF& rect);
// The row of a list item at `itemRect` as the painter draws it and clicks
// find it: as wide as the list's viewport now. The item's own rectangle may
// keep a width from before the list's scroll bar showed.
QRect listRow(const QRect& itemRect, const QWidget* view);

// The best thumbnail of `item` for a cell drawing it `points` large at
// `ratio`: the engine's own thumbnail when that is large enough, else one
// decoded at the cell's pixel size once it is ready (the engine's meanwhile).
// `owner` is the view, for dropping what it no longer shows.
QImage thumbnailFor(const ScanImagesItem& item, const QSizeF& points, qreal ratio, const void* owner,
                    QByteArray* requestedKey = nullptr);

// The corner radius of every thumbnail the cells draw, in points.
constexpr double thumbnailCornerRadius = 4;
// `image` with its corners cut round to `cornerPixels` (transparent beyond,
// premultiplied), marked with that radius so drawThumbnail copies it as it is.
QImage roundedCopy(const QImage& image, int cornerPixels);

// The image drawn into `rect` with rounded corners; a light placeholder
// when there is none. On a painter that only moves, at `rect`'s place on the
// device's pixel grid (onPixelGrid).
void drawThumbnail(QPainter* painter, const QRectF& rect, const QImage& image, double radius);
// `rect` with its corner on the pixel grid of a device of `ratio` (the
// painter moved by `offset`) and, when an image of `imagePixels` fills it
// within a pixel, the image's own size: such an image is then copied, not
// resampled.
QRectF onPixelGrid(const QRectF& rect, const QSize& imagePixels, qreal ratio, const QPointF& offset = {});
// The selection veil over a thumbnail: black at 20 %.
void drawMask(QPainter* painter, const QRectF& rect, double radius);
// A named image drawn into `rect` (SVG, crisp at any scale).
void drawIcon(QPainter* painter, const QRectF& rect, const QString& name);

QColor lightColor(const QString& name, double alpha = 1.0);

// The failed-removal icon for the first preferred language: the mirrored
// one for Arabic.
QString removeFailedIconName();

}  // namespace ScanImagesCellPainting
