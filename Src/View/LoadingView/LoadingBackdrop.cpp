#include "LoadingBackdrop.h"

#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <vector>

namespace LoadingBackdrop {

QImage snapshot(QWidget* covered, const QWidget* excluded)
{
    if (!covered || covered->size().isEmpty()) {
        return {};
    }
    const qreal ratio = covered->devicePixelRatioF();
    QImage image(QSize(qRound(covered->width() * ratio), qRound(covered->height() * ratio)),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    covered->render(&painter, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    // Children in stacking order, bottom first.
    for (QObject* object : covered->children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (!child || child == excluded || child->isWindow() || !child->isVisibleTo(covered)) {
            continue;
        }
        child->render(&painter, child->pos(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }
    return image;
}

namespace {

void saturate(QImage& image, double factor)
{
    const int s = qRound(factor * 256.0);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = line[x];
            const int a = qAlpha(p);
            const int r = qRed(p);
            const int g = qGreen(p);
            const int b = qBlue(p);
            // Rec. 709 luma, in 1/256.
            const int luma = (54 * r + 183 * g + 19 * b) >> 8;
            // Premultiplied channels stay at or below alpha.
            const auto channel = [&](int c) { return std::clamp(luma + (((c - luma) * s) >> 8), 0, a); };
            line[x] = qRgba(channel(r), channel(g), channel(b), a);
        }
    }
}

// The blur along rows; pixels beyond the edge repeat the edge pixel.
void blurRows(const QImage& source, QImage& target, const std::vector<int>& kernel)
{
    const int radius = static_cast<int>(kernel.size() / 2);
    const int w = source.width();
    for (int y = 0; y < source.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(target.scanLine(y));
        for (int x = 0; x < w; ++x) {
            int a = 0;
            int r = 0;
            int g = 0;
            int b = 0;
            for (int k = -radius; k <= radius; ++k) {
                const QRgb p = in[std::clamp(x + k, 0, w - 1)];
                const int weight = kernel[static_cast<size_t>(k + radius)];
                a += qAlpha(p) * weight;
                r += qRed(p) * weight;
                g += qGreen(p) * weight;
                b += qBlue(p) * weight;
            }
            out[x] = qRgba(r >> 16, g >> 16, b >> 16, a >> 16);
        }
    }
}

// The blur along columns, a whole row at a time so memory is read in order.
void blurColumns(const QImage& source, QImage& target, const std::vector<int>& kernel)
{
    const int radius = static_cast<int>(kernel.size() / 2);
    const int w = source.width();
    const int h = source.height();
    std::vector<int> sums(static_cast<size_t>(w) * 4);
    for (int y = 0; y < h; ++y) {
        std::fill(sums.begin(), sums.end(), 0);
        for (int k = -radius; k <= radius; ++k) {
            const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(std::clamp(y + k, 0, h - 1)));
            const int weight = kernel[static_cast<size_t>(k + radius)];
            int* sum = sums.data();
            for (int x = 0; x < w; ++x, sum += 4) {
                const QRgb p = in[x];
                sum[0] += qAlpha(p) * weight;
                sum[1] += qRed(p) * weight;
                sum[2] += qGreen(p) * weight;
                sum[3] += qBlue(p) * weight;
            }
        }
        auto* out = reinterpret_cast<QRgb*>(target.scanLine(y));
        const int* sum = sums.data();
        for (int x = 0; x < w; ++x, sum += 4) {
            out[x] = qRgba(sum[1] >> 16, sum[2] >> 16, sum[3] >> 16, sum[0] >> 16);
        }
    }
}

std::vector<int> gaussianKernel(double sigma)
{
    const int kernelRadius = static_cast<int>(std::ceil(sigma * 3.0));
    std::vector<double> weights(static_cast<size_t>(2 * kernelRadius + 1));
    double sum = 0;
    for (int k = -kernelRadius; k <= kernelRadius; ++k) {
        const double weight = std::exp(-(k * k) / (2.0 * sigma * sigma));
        weights[static_cast<size_t>(k + kernelRadius)] = weight;
        sum += weight;
    }
    // Fixed-point weights that add up to exactly 65536.
    std::vector<int> kernel(weights.size());
    int total = 0;
    for (size_t i = 0; i < weights.size(); ++i) {
        kernel[i] = static_cast<int>(weights[i] / sum * 65536.0);
        total += kernel[i];
    }
    kernel[static_cast<size_t>(kernelRadius)] += 65536 - total;
    return kernel;
}

}  // namespace

QImage applyFilters(const QImage& image, double saturation, double radius)
{
    if (image.isNull()) {
        return {};
    }
    const qreal ratio = image.devicePixelRatio();
    const double sigma = radius * ratio;
    if (!(sigma > 0.1)) {
        QImage result = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        saturate(result, saturation);
        return result;
    }
    // A blur of a few pixels needs no full resolution: the picture is
    // shrunk by a whole factor, blurred there and stretched back, which
    // costs a fraction and looks the same. The shrinking (an average) and
    // the stretching (a linear blend) blur a little themselves, about a
    // quarter and two fifths of the factor, so the blur in between is made
    // that much smaller.
    const int factor = qMax(1, static_cast<int>(std::floor(sigma)));
    const double reduced = sigma / factor;
    const double inner = factor == 1 ? sigma : std::sqrt(qMax(0.0625, reduced * reduced - 0.25));
    const QSize full = image.size();
    QImage small = factor == 1 ? image.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                               : image.scaled((full.width() + factor - 1) / factor,
                                              (full.height() + factor - 1) / factor, Qt::IgnoreAspectRatio,
                                              Qt::SmoothTransformation)
                                     .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    saturate(small, saturation);
    const std::vector<int> kernel = gaussianKernel(inner);
    QImage across(small.size(), QImage::Format_ARGB32_Premultiplied);
    blurRows(small, across, kernel);
    blurColumns(across, small, kernel);
    QImage result = factor == 1 ? small
                                : small.scaled(full, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                      .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    result.setDevicePixelRatio(ratio);
    return result;
}

}  // namespace LoadingBackdrop
