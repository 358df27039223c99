#include "Foundation/Bundle.h"
#include "ScanImagesCellPainting.h"

#include "ImageThumbnailLoader.h"
#include "Foundation/UserDefaults.h"
#include "Main/Utilities.h"
#include "QVLibrary/RYTDarkMode.h"
#include "QVLibrary/RYTImage.h"
#include "Window/FinishWindowController.h"

#include <QAbstractItemView>
#include <QFile>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace ScanImagesCellPainting {

QSizeF fitSize(const QSizeF& image, const QSizeF& box)
{
    if (image.width() <= 0 || image.height() <= 0 || box.width() <= 0 || box.height() <= 0) {
        return {};
    }
    if (image.width() / image.height() >= box.width() / box.height()) {
        return {box.width(), image.height() * box.width() / image.width()};
    }
    return {image.width() * box.height() / image.height(), box.height()};
}

QRectF centred(const QSizeF& size, const QRectF& rect)
{
    return QRectF(rect.center().x() - size.width() / 2, rect.center().y() - size.height() / 2, size.width(),
                  size.height());
}

QRect listRow(const QRect& itemRect, const QWidget* view)
{
    QRect row = itemRect;
    if (const auto* list = qobject_cast<const QAbstractItemView*>(view)) {
        row.setLeft(0);
        row.setWidth(list->viewport()->width());
    }
    return row;
}

QImage thumbnailFor(const ScanImagesItem& item, const QSizeF& points, qreal ratio, const void* owner,
                    QByteArray* requestedKey)
{
    const QImage engine = item.thumImage();
    const QSize pixels(qMax(1, qRound(points.width() * ratio)), qMax(1, qRound(points.height() * ratio)));
    // The engine's thumbnail serves as long as it is not drawn enlarged.
    if (!engine.isNull() && engine.width() >= pixels.width() - 1 && engine.height() >= pixels.height() - 1) {
        return engine;
    }
    const QByteArray path = item.rawPath().isEmpty() ? QFile::encodeName(item.imagePath()) : item.rawPath();
    const int corner = qRound(thumbnailCornerRadius * ratio);
    const QImage decoded = ImageThumbnailLoader::shared().thumbnail(path, pixels, owner, corner);
    if (requestedKey) {
        *requestedKey = ImageThumbnailLoader::keyOf(path, pixels, corner);
    }
    return decoded.isNull() ? engine : decoded;
}

QImage roundedCopy(const QImage& image, int cornerPixels)
{
    if (image.isNull() || cornerPixels <= 0) {
        return image;
    }
    QImage rounded(image.size(), QImage::Format_ARGB32_Premultiplied);
    rounded.fill(Qt::transparent);
    {
        QPainter painter(&rounded);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath clip;
        clip.addRoundedRect(QRectF(QPointF(), QSizeF(image.size())), cornerPixels, cornerPixels);
        painter.setClipPath(clip);
        painter.drawImage(0, 0, image);
    }
    rounded.setDevicePixelRatio(image.devicePixelRatio());
    rounded.setText(QStringLiteral("cornerPixels"), QString::number(cornerPixels));
    return rounded;
}

QRectF onPixelGrid(const QRectF& rect, const QSize& imagePixels, qreal ratio, const QPointF& offset)
{
    if (ratio <= 0) {
        return rect;
    }
    const auto snap = [ratio](double at, double shift) { return std::round((at + shift) * ratio) / ratio - shift; };
    QSizeF size = rect.size();
    if (std::abs(imagePixels.width() - rect.width() * ratio) <= 1.0 &&
        std::abs(imagePixels.height() - rect.height() * ratio) <= 1.0) {
        size = QSizeF(imagePixels) / ratio;
    }
    return QRectF(QPointF(snap(rect.x(), offset.x()), snap(rect.y(), offset.y())), size);
}

void drawThumbnail(QPainter* painter, const QRectF& given, const QImage& image, double radius)
{
    // Copied pixel for pixel where the painter only moves: resampling every
    // thumbnail on each repaint costs twice as much on a large screen.
    QRectF rect = given;
    bool copied = false;
    if (!image.isNull() && painter->device() && painter->worldTransform().type() <= QTransform::TxTranslate) {
        const QTransform& moved = painter->worldTransform();
        const qreal ratio = painter->device()->devicePixelRatioF();
        rect = onPixelGrid(given, image.size(), ratio, QPointF(moved.dx(), moved.dy()));
        // Its corners already cut to this radius, at this size: copied as it
        // is, without the clip that would cut them on every repaint.
        copied = image.text(QStringLiteral("cornerPixels")).toInt() == qRound(radius * ratio) &&
                 qRound(rect.width() * ratio) == image.width() && qRound(rect.height() * ratio) == image.height();
    }
    if (copied) {
        painter->drawImage(rect, image);
        return;
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath clip;
    clip.addRoundedRect(rect, radius, radius);
    if (image.isNull()) {
        painter->fillPath(clip, color256(237, 240, 245));
    } else {
        painter->setClipPath(clip);
        painter->drawImage(rect, image);
    }
    painter->restore();
}

void drawMask(QPainter* painter, const QRectF& rect, double radius)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    painter->fillPath(path, QColor(0, 0, 0, 51));
    painter->restore();
}

void drawIcon(QPainter* painter, const QRectF& rect, const QString& name)
{
    const QIcon icon = RYTImage::named(name);
    if (!icon.isNull()) {
        icon.paint(painter, rect.toAlignedRect());
    }
}

QColor lightColor(const QString& name, double alpha)
{
    QColor color = RYTDarkMode::colorNamed(name, false);
    if (!color.isValid()) {
        color = Qt::red;
    }
    color.setAlphaF(float(color.alphaF() * alpha));
    return color;
}

QString removeFailedIconName()
{
    const QStringList languages = FinishWindowController::preferredLanguages();
    if (!languages.isEmpty() && languages.first().startsWith(QLatin1String("ar"))) {
        TSLOG(QStringLiteral("<<<< current language is "), languages.first());
        return QStringLiteral("removeFailedIcon_ar");
    }
    return QStringLiteral("removeFailedIcon");
}

}  // namespace ScanImagesCellPainting
