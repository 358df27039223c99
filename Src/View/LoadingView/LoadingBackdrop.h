#pragma once

#include <QImage>

class QWidget;

// The frosted background of the loading overlay. Qt cannot filter what lies
// beneath a widget, so the overlay takes a picture of the view it covers
// (without itself), then saturates and blurs it and paints that.
namespace LoadingBackdrop {

inline constexpr double saturation = 2.0;
inline constexpr double blurRadius = 2.0;

// The covered view as it looks now, with its children but without
// `excluded`, at the view's device-pixel ratio.
QImage snapshot(QWidget* covered, const QWidget* excluded);
// Saturation scaled by `saturation` (1 keeps the colours, 0 makes grey),
// then a Gaussian blur whose radius (standard deviation) is `radius` points;
// the image's device-pixel ratio turns points into pixels.
QImage applyFilters(const QImage& image, double saturation = LoadingBackdrop::saturation,
                    double radius = LoadingBackdrop::blurRadius);

}  // namespace LoadingBackdrop
