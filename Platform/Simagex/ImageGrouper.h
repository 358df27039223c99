#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "ImageHash.h"

namespace simagex {

// Hash bits two images may differ in, on average over the two hashes, and
// still meet the similarity threshold (percent):
// min(16, floor(64 * (100 - T) / 100)). Similarity is 100 * (1 - d / 64)
// with d that average distance.
int allowedDistance(double threshold);

// Groups images around sources without chaining: every image joins the
// nearest source within the threshold (ties to the earliest source) or
// becomes a source itself. Images must be added in a fixed order (the
// search uses path order) for the groups to come out the same every time.
class ImageGrouper {
public:
    explicit ImageGrouper(double threshold);

    struct Join {
        size_t source;      // index (order of addition) of the source joined
        double similarity;  // percent
        bool groupFormed;   // the source had no member before this one
    };

    // Adds the next image; says which group it joined, if any.
    std::optional<Join> add(const ImageHash& hash);

    double similarity(const ImageHash& a, const ImageHash& b) const;
    bool matches(const ImageHash& a, const ImageHash& b) const;

private:
    struct Source {
        ImageHash hash;
        size_t index;
        size_t members = 0;
    };
    int limit_;
    double flatTolerance_;
    double relativeTolerance_;
    double tintTolerance_;
    size_t added_ = 0;
    std::vector<Source> sources_;
    std::vector<Source> flatSources_;
};

}  // namespace simagex
