#include "QLThumbnail.h"

#include "QLFile.h"

#include <QFile>
#include <QImageReader>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace QuickLook {

namespace {

QImage fromMat(const cv::Mat& decoded)
{
    cv::Mat rgb;
    if (decoded.empty()) {
        return {};
    }
    cv::Mat eight = decoded;
    if (decoded.depth() != CV_8U) {
        decoded.convertTo(eight, CV_8U, decoded.depth() == CV_16U ? 1.0 / 257.0 : 255.0);
    }
    switch (eight.channels()) {
    case 1: cv::cvtColor(eight, rgb, cv::COLOR_GRAY2RGB); break;
    case 4: cv::cvtColor(eight, rgb, cv::COLOR_BGRA2RGB); break;
    default: cv::cvtColor(eight, rgb, cv::COLOR_BGR2RGB); break;
    }
    return QImage(rgb.data, rgb.cols, rgb.rows, int(rgb.step), QImage::Format_RGB888).copy();
}

cv::Mat readWithOpenCV(const QByteArray& path, int flags)
{
    try {
        return cv::imread(path.toStdString(), flags);
    } catch (const cv::Exception&) {
        return {};
    }
}

}  // namespace

QImage thumbnailImage(const QByteArray& path, const QSize& maxSize, qreal scale)
{
    if (maxSize.isEmpty()) {
        return {};
    }
    const QSize box(qMax(1, qRound(maxSize.width() * scale)), qMax(1, qRound(maxSize.height() * scale)));
    QFile file;
    if (!openRegularFile(path, file)) {
        return {};  // missing, or not a regular file (a FIFO would block a decoder)
    }
    {
        QImageReader reader(&file);
        reader.setAutoTransform(true);
        const QSize full = reader.size();
        if (full.isValid() && !full.isEmpty()) {
            const QSize fitted = full.scaled(box, Qt::KeepAspectRatio).boundedTo(full);
            reader.setScaledSize(fitted.expandedTo(QSize(1, 1)));
        }
        QImage image = reader.read();
        if (!image.isNull()) {
            if (image.width() > box.width() || image.height() > box.height()) {
                image = image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            }
            image.setDevicePixelRatio(scale);
            return image;
        }
    }
    QImage image = fromMat(readWithOpenCV(path, cv::IMREAD_REDUCED_COLOR_2));
    if (image.isNull()) {
        image = fromMat(readWithOpenCV(path, cv::IMREAD_COLOR));
    }
    if (image.isNull()) {
        return {};
    }
    image = image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    image.setDevicePixelRatio(scale);
    return image;
}

std::optional<QSize> imageDimensions(const QByteArray& path)
{
    QFile file;
    if (!openRegularFile(path, file)) {
        return std::nullopt;
    }
    QImageReader reader(&file);
    reader.setAutoTransform(true);
    QSize size = reader.size();
    if (size.isValid() && !size.isEmpty()) {
        // The header is read; the orientation tag may swap the sides.
        if (reader.transformation() & QImageIOHandler::TransformationRotate90) {
            size.transpose();
        }
        return size;
    }
    const cv::Mat decoded = readWithOpenCV(path, cv::IMREAD_UNCHANGED);
    if (decoded.empty()) {
        return std::nullopt;
    }
    return QSize(decoded.cols, decoded.rows);
}

}  // namespace QuickLook
