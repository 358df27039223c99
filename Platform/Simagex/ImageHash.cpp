#include "ImageHash.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

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

// Reads big-endian 32 bits.
uint32_t be32(const unsigned char* b)
{
    return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | uint32_t(b[3]);
}

// A PNG with an alpha channel (grey or colour with alpha) or a transparent
// colour (a tRNS chunk before the image data).
bool pngHasTransparency(FILE* f)
{
    unsigned char header[8 + 8 + 13];
    if (std::fread(header, 1, sizeof header, f) != sizeof header || std::memcmp(header, "\x89PNG\r\n\x1a\n", 8) != 0 ||
        std::memcmp(header + 12, "IHDR", 4) != 0) {
        return false;
    }
    const int colourType = header[16 + 9];
    if (colourType == 4 || colourType == 6) {
        return true;
    }
    // The IHDR's CRC, then chunk headers up to the first image data.
    if (std::fseek(f, 4, SEEK_CUR) != 0) {
        return false;
    }
    for (int chunks = 0; chunks < 1024; ++chunks) {
        unsigned char chunk[8];
        if (std::fread(chunk, 1, 8, f) != 8) {
            return false;
        }
        if (std::memcmp(chunk + 4, "tRNS", 4) == 0) {
            return true;
        }
        if (std::memcmp(chunk + 4, "IDAT", 4) == 0 || std::memcmp(chunk + 4, "IEND", 4) == 0) {
            return false;
        }
        const uint32_t length = be32(chunk);
        if (length > 0x7fffffffu || std::fseek(f, long(length) + 4, SEEK_CUR) != 0) {
            return false;
        }
    }
    return false;
}

// A WebP whose extended header announces alpha, or a lossless one whose
// header says alpha is used.
bool webpHasTransparency(FILE* f)
{
    unsigned char header[12 + 8 + 10];
    if (std::fread(header, 1, sizeof header, f) != sizeof header || std::memcmp(header, "RIFF", 4) != 0 ||
        std::memcmp(header + 8, "WEBP", 4) != 0) {
        return false;
    }
    const unsigned char* chunk = header + 12;
    if (std::memcmp(chunk, "VP8X", 4) == 0) {
        return (chunk[8] & 0x10) != 0;
    }
    if (std::memcmp(chunk, "VP8L", 4) == 0) {
        // Signature byte, then 14 bits of width - 1, 14 of height - 1 and
        // the alpha-is-used bit.
        return chunk[8] == 0x2f && (chunk[12] & 0x10) != 0;
    }
    return false;
}

// Whether the file may carry transparency, from its first bytes: only PNG
// and WebP are asked, the formats in which transparency is common and
// decoded reliably.
bool mayHoldTransparency(const std::string& path)
{
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        return false;
    }
    unsigned char magic[4];
    if (std::fread(magic, 1, 4, file.get()) != 4 || std::fseek(file.get(), 0, SEEK_SET) != 0) {
        return false;
    }
    if (magic[0] == 0x89 && magic[1] == 'P') {
        return pngHasTransparency(file.get());
    }
    if (std::memcmp(magic, "RIFF", 4) == 0) {
        return webpHasTransparency(file.get());
    }
    return false;
}

// Scales a channel of any depth OpenCV decodes PNG and WebP to (8 or 16
// bits) to floats 0 ... 1.
cv::Mat unitFloats(const cv::Mat& channel)
{
    cv::Mat out;
    channel.convertTo(out, CV_32F, channel.depth() == CV_16U ? 1.0 / 65535.0 : 1.0 / 255.0);
    return out;
}

// An image with an alpha channel hashed as it shows over the fixed
// background; nullopt when it is wholly opaque (then it is hashed like any
// other image, so its result does not change).
std::optional<ImageHash> hashTransparent(const cv::Mat& decoded)
{
    if (decoded.channels() != 2 && decoded.channels() != 4) {
        return std::nullopt;
    }
    std::vector<cv::Mat> channels;
    cv::split(decoded, channels);
    const cv::Mat alpha = unitFloats(channels.back());
    double lowest = 1.0;
    cv::minMaxLoc(alpha, &lowest);
    if (lowest >= 1.0) {
        return std::nullopt;
    }
    channels.pop_back();
    if (channels.size() == 1) {
        channels = {channels[0], channels[0], channels[0]};
    }
    const cv::Mat opaque(alpha.size(), CV_32F, cv::Scalar(1.0));
    const cv::Mat clear = opaque - alpha;
    std::vector<cv::Mat> shown;
    for (const cv::Mat& channel : channels) {
        const cv::Mat value = unitFloats(channel).mul(alpha) + clear * kTransparencyBackground;
        cv::Mat eight;
        value.convertTo(eight, CV_8U, 255.0);
        shown.push_back(eight);
    }
    cv::Mat composite;
    cv::merge(shown, composite);
    ImageHash hash = hashColour(composite);
    if (hash.flat) {
        // Nothing shows over the background (a shape in the background's own
        // colour), yet the image is not blank: its outline is hashed, as it
        // would show drawn dark on the background. A wholly even image,
        // outline included, stays flat.
        cv::Mat outline;
        alpha.convertTo(outline, CV_8U, -255.0, 255.0);
        cv::Scalar mean;
        cv::Scalar deviation;
        cv::meanStdDev(outline, mean, deviation);
        if (deviation[0] >= kFlatDeviation) {
            const std::array<double, 3> colour = hash.meanColour;
            hash = hashGrey(outline);
            hash.flat = false;
            hash.meanColour = colour;
        }
    }
    return hash;
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
        if (mayHoldTransparency(path)) {
            // What lies under transparent pixels is not part of the picture
            // (often one colour all over, or black): dropping the alpha made
            // every such icon the same blank image.
            const cv::Mat withAlpha = cv::imread(path, cv::IMREAD_UNCHANGED);
            if (!withAlpha.empty() && withAlpha.cols > 0 && withAlpha.rows > 0) {
                if (std::optional<ImageHash> hash = hashTransparent(withAlpha)) {
                    return hash;
                }
            }
        }
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
