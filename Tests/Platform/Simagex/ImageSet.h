#pragma once

#include <string>
#include <vector>

#include <opencv2/core.hpp>

// Generated test images: every base image is made from a seed, so a set can
// be rebuilt exactly; the variants are the changes a person still calls
// "the same picture".
namespace imageset {

enum class Kind { gradient, shapes, noise, texture, photo };

// A colour image of the kind; different seeds give unrelated images.
cv::Mat makeBase(Kind kind, unsigned seed, cv::Size size);
// One colour all over.
cv::Mat makeFlat(cv::Scalar colour, cv::Size size);

cv::Mat resized(const cv::Mat& image, double factor);
cv::Mat brightened(const cv::Mat& image, double factor);

// Writes with OpenCV; JPEG quality applies to .jpg only. False on failure.
bool write(const std::string& path, const cv::Mat& image, int jpegQuality = 95);

}  // namespace imageset
