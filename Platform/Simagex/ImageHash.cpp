#include "ImageHash.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <memory>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace simagex {

namespace {

// The grey copy hashed is never made smaller than this on its short side, so
// a reduced JPEG decode keeps enough detail for a 32x32 DCT.
constexpr int kMinReducedSide = 128;

bool isJpegName(const std::string& path)
{
    const auto dot = path.rfind('.');
    if (dot == std::string::npos) {
        return false;
    }
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext == "jpg" || ext == "jpeg" || ext == "jpe";
}

cv::Mat toGrey8(const cv::Mat& image)
{
    cv::Mat grey;
    if (image.channels() == 1) {
        grey = image;
    } else if (image.channels() == 3) {
        cv::cvtColor(image, grey, cv::COLOR_BGR2GRAY);
    } else if (image.channels() == 4) {
        cv::cvtColor(image, grey, cv::COLOR_BGRA2GRAY);
    } else {
        return {};
    }
    if (grey.depth() == CV_8U) {
        return grey;
    }
    cv::Mat out;
    switch (grey.depth()) {
    case CV_16U:
        grey.convertTo(out, CV_8U, 1.0 / 257.0);
        break;
    case CV_32F:
    case CV_64F:
        // Radiance and floating-point images: 0 ... 1 is the visible range.
        grey.convertTo(out, CV_8U, 255.0);
        break;
    default:
        grey.convertTo(out, CV_8U);
        break;
    }
    return out;
}

int reducedMode(const std::string& path, bool colour)
{
    // Decoders turn colour into grey each their own way (libpng with other
    // weights than libjpeg), which would move the hash of one picture
    // between formats; everything decodes in colour and is converted once.
    if (!isJpegName(path)) {
        return cv::IMREAD_COLOR;
    }
    const auto dims = jpegDimensions(path);
    if (!dims) {
        return cv::IMREAD_COLOR;
    }
    const int shortSide = std::min(dims->first, dims->second);
    if (shortSide / 8 >= kMinReducedSide) {
        return colour ? cv::IMREAD_REDUCED_COLOR_8 : cv::IMREAD_REDUCED_GRAYSCALE_8;
    }
    if (shortSide / 4 >= kMinReducedSide) {
        return colour ? cv::IMREAD_REDUCED_COLOR_4 : cv::IMREAD_REDUCED_GRAYSCALE_4;
    }
    if (shortSide / 2 >= kMinReducedSide) {
        return colour ? cv::IMREAD_REDUCED_COLOR_2 : cv::IMREAD_REDUCED_GRAYSCALE_2;
    }
    return colour ? cv::IMREAD_COLOR : cv::IMREAD_GRAYSCALE;
}

}  // namespace

int hammingDistance(uint64_t a, uint64_t b)
{
    return std::popcount(a ^ b);
}

ImageHash hashGrey(const cv::Mat& grey)
{
    ImageHash hash;

    cv::Scalar mean;
    cv::Scalar deviation;
    cv::meanStdDev(grey, mean, deviation);
    hash.flat = deviation[0] < kFlatDeviation;
    hash.meanColour = {mean[0], mean[0], mean[0]};

    cv::Mat small;
    cv::resize(grey, small, cv::Size(32, 32), 0, 0, cv::INTER_AREA);
    cv::Mat floats;
    small.convertTo(floats, CV_32F);
    cv::Mat frequencies;
    cv::dct(floats, frequencies);
    std::array<float, 64> low{};
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            low[size_t(y * 8 + x)] = frequencies.at<float>(y, x);
        }
    }
    std::array<float, 64> sorted = low;
    std::nth_element(sorted.begin(), sorted.begin() + 32, sorted.end());
    const float upper = sorted[32];
    const float lower = *std::max_element(sorted.begin(), sorted.begin() + 32);
    const float median = (upper + lower) / 2.0f;
    for (size_t i = 0; i < 64; ++i) {
        if (low[i] > median) {
            hash.dct |= uint64_t(1) << i;
        }
    }

    cv::Mat steps;
    cv::resize(grey, steps, cv::Size(9, 8), 0, 0, cv::INTER_AREA);
    for (int y = 0; y < 8; ++y) {
        const uint8_t* row = steps.ptr<uint8_t>(y);
        for (int x = 0; x < 8; ++x) {
            if (row[x] < row[x + 1]) {
                hash.gradient |= uint64_t(1) << (y * 8 + x);
            }
        }
    }
    return hash;
}

ImageHash hashColour(const cv::Mat& image)
{
    const cv::Mat grey = toGrey8(image);
    ImageHash hash = hashGrey(grey);
    if (image.channels() < 3) {
        return hash;
    }
    cv::Mat eight = image;
    if (image.depth() != CV_8U) {
        image.convertTo(eight, CV_8U, image.depth() == CV_16U ? 1.0 / 257.0 : 255.0);
    }
    if (hash.flat) {
        // Even brightness is not yet one colour: a pattern of colours of equal
        // brightness is flat in grey. Such a picture is hashed on its liveliest
        // colour channel instead.
        std::vector<cv::Mat> channels;
        cv::split(eight, channels);
        double best = 0;
        size_t bestIndex = 0;
        for (size_t i = 0; i < 3 && i < channels.size(); ++i) {
            cv::Scalar m, d;
            cv::meanStdDev(channels[i], m, d);
            if (d[0] > best) {
                best = d[0];
                bestIndex = i;
            }
        }
        if (best >= kFlatDeviation) {
            hash = hashGrey(channels[bestIndex]);
            hash.flat = false;
        }
    }
    const cv::Scalar mean = cv::mean(eight);
    hash.meanColour = {mean[0], mean[1], mean[2]};
    return hash;
}

std::optional<ImageHash> hashFile(const std::string& path)
{
    try {
        // Colour is kept (at the reduced size it costs little) so that two
        // pictures of one layout but different colours stay apart.
        const cv::Mat decoded = cv::imread(path, reducedMode(path, true));
        if (decoded.empty() || decoded.cols <= 0 || decoded.rows <= 0) {
            return std::nullopt;
        }
        if (toGrey8(decoded).empty()) {
            return std::nullopt;
        }
        return hashColour(decoded);
    } catch (const cv::Exception&) {
        return std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<std::pair<int, int>> jpegDimensions(const std::string& path)
{
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        return std::nullopt;
    }
    FILE* f = file.get();
    if (std::fgetc(f) != 0xFF || std::fgetc(f) != 0xD8) {
        return std::nullopt;
    }
    // Walk the marker segments up to the first frame header.
    for (int segments = 0; segments < 4096; ++segments) {
        int c = std::fgetc(f);
        while (c == 0xFF) {
            c = std::fgetc(f);
        }
        if (c == EOF) {
            return std::nullopt;
        }
        const int marker = c;
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            continue;  // markers without a length
        }
        const int hi = std::fgetc(f);
        const int lo = std::fgetc(f);
        if (hi == EOF || lo == EOF) {
            return std::nullopt;
        }
        const int length = (hi << 8) | lo;
        if (length < 2) {
            return std::nullopt;
        }
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            unsigned char header[5];
            if (length < 7 || std::fread(header, 1, 5, f) != 5) {
                return std::nullopt;
            }
            const int height = (header[1] << 8) | header[2];
            const int width = (header[3] << 8) | header[4];
            if (width <= 0 || height <= 0) {
                return std::nullopt;
            }
            return std::make_pair(width, height);
        }
        if (marker == 0xD9 || marker == 0xDA) {
            return std::nullopt;  // end of image or scan data before any frame
        }
        if (std::fseek(f, length - 2, SEEK_CUR) != 0) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace simagex
