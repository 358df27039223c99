#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace cv {
class Mat;
}

namespace simagex {

// The perceptual fingerprint of one image.
struct ImageHash {
    uint64_t dct = 0;       // 8x8 low frequencies of a 32x32 DCT against their median
    uint64_t gradient = 0;  // left/right brightness steps of a 9x8 copy
    bool flat = false;      // nearly one colour: the hashes carry no shape
    std::array<double, 3> meanColour{};  // B, G, R means
};

// Grey standard deviation below which an image counts as flat.
inline constexpr double kFlatDeviation = 2.0;

// Where an image has transparency it is hashed as it shows over this
// opaque background (white, 0 ... 1), the way viewers and a flattened copy
// show it.
inline constexpr double kTransparencyBackground = 1.0;

// Hashes of an 8-bit grey image (any size above zero).
ImageHash hashGrey(const cv::Mat& grey);

// Hashes and mean colour of an 8-bit (or deeper) BGR or grey image.
ImageHash hashColour(const cv::Mat& image);

// Decodes the file (reduced where the format allows) and hashes it; nullopt
// when it cannot be read as an image. A PNG or WebP with transparency is
// hashed as it shows over the background above.
std::optional<ImageHash> hashFile(const std::string& path);

// Width and height from a JPEG's frame header, without decoding; nullopt
// when the file is not a JPEG or the header is damaged.
std::optional<std::pair<int, int>> jpegDimensions(const std::string& path);

int hammingDistance(uint64_t a, uint64_t b);

}  // namespace simagex
