#include "ImageGrouper.h"

#include <algorithm>
#include <cmath>

namespace simagex {

int allowedDistance(double threshold)
{
    const double t = std::clamp(threshold, 0.0, 100.0);
    // A hair of slack keeps 85 -> 9.6 -> 9 stable against rounding.
    const int bits = int(std::floor(64.0 * (100.0 - t) / 100.0 + 1e-9));
    return std::min(16, bits);
}

namespace {

double colourDifference(const ImageHash& a, const ImageHash& b)
{
    double worst = 0;
    for (size_t i = 0; i < 3; ++i) {
        worst = std::max(worst, std::fabs(a.meanColour[i] - b.meanColour[i]));
    }
    return worst;
}

// Largest difference of the colour shares (channel / sum of channels), which
// a change of brightness leaves alone.
double tintDifference(const ImageHash& a, const ImageHash& b)
{
    const double sa = a.meanColour[0] + a.meanColour[1] + a.meanColour[2] + 1e-6;
    const double sb = b.meanColour[0] + b.meanColour[1] + b.meanColour[2] + 1e-6;
    double worst = 0;
    for (size_t i = 0; i < 3; ++i) {
        worst = std::max(worst, std::fabs(a.meanColour[i] / sa - b.meanColour[i] / sb));
    }
    return worst;
}

}  // namespace

ImageGrouper::ImageGrouper(double threshold)
    : limit_(allowedDistance(threshold))
    // Flat images carry no shape; they match when every mean colour channel
    // lies within a quarter of the threshold's share of the 0 ... 255 range
    // (85 allows about 9.6 levels, 100 only equal means).
    , flatTolerance_(255.0 * (100.0 - std::clamp(threshold, 0.0, 100.0)) / 400.0)
    // Pictures of one layout in other colours are not alike to a person:
    // the overall tint may move by 0.04 at 85 (recompression and brightening
    // stay far below), more at lower thresholds.
    , relativeTolerance_(0.8 * (100.0 - std::clamp(threshold, 0.0, 100.0)) / 100.0)
    , tintTolerance_(std::max(0.01, 0.25 * (100.0 - std::clamp(threshold, 0.0, 100.0)) / 100.0))
{
}

double ImageGrouper::similarity(const ImageHash& a, const ImageHash& b) const
{
    if (a.flat && b.flat) {
        return 100.0 * (1.0 - colourDifference(a, b) / 255.0);
    }
    const int d = hammingDistance(a.dct, b.dct) + hammingDistance(a.gradient, b.gradient);
    return 100.0 * (1.0 - d / 128.0);
}

bool ImageGrouper::matches(const ImageHash& a, const ImageHash& b) const
{
    if (a.flat != b.flat) {
        return false;
    }
    if (a.flat) {
        // One colour each: the same tint, and a brightness within the
        // allowance (absolute for dark colours, relative for bright ones, so
        // a 10 % brighter copy still matches at 85).
        const double ga = (a.meanColour[0] + a.meanColour[1] + a.meanColour[2]) / 3;
        const double gb = (b.meanColour[0] + b.meanColour[1] + b.meanColour[2]) / 3;
        const double brightness = std::max(flatTolerance_, relativeTolerance_ * std::max(ga, gb));
        return tintDifference(a, b) <= tintTolerance_ + 1e-9 && std::fabs(ga - gb) <= brightness + 1e-9;
    }
    // The two hashes share the allowance (their average distance counts): a
    // picture whose detail lies above the DCT hash's eight low frequencies
    // (smooth ramps, fine textures) flips many near-median bits under
    // recompression while its gradient hash stays put, and the reverse
    // happens too. Measured over generated sets this finds far more of the
    // altered copies than requiring each hash on its own to stay within the
    // allowance, and with the tint check it reports no more false pairs.
    const int d1 = hammingDistance(a.dct, b.dct);
    const int d2 = hammingDistance(a.gradient, b.gradient);
    return d1 + d2 <= 2 * limit_ && tintDifference(a, b) <= tintTolerance_;
}

std::optional<ImageGrouper::Join> ImageGrouper::add(const ImageHash& hash)
{
    const size_t index = added_++;
    std::vector<Source>& pool = hash.flat ? flatSources_ : sources_;
    Source* best = nullptr;
    double bestScore = 0;
    for (Source& source : pool) {
        if (!matches(hash, source.hash)) {
            continue;
        }
        const double score = hash.flat
            ? colourDifference(hash, source.hash)
            : double(hammingDistance(hash.dct, source.hash.dct) + hammingDistance(hash.gradient, source.hash.gradient));
        // Sources sit in the order they were made, so the first of equal
        // scores is the earliest.
        if (!best || score < bestScore) {
            best = &source;
            bestScore = score;
        }
    }
    if (!best) {
        pool.push_back(Source{hash, index, 0});
        return std::nullopt;
    }
    ++best->members;
    return Join{best->index, similarity(hash, best->hash), best->members == 1};
}

}  // namespace simagex
