// Hashes, the threshold mapping and the grouping rules, without files.
#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include "ImageGrouper.h"
#include "ImageHash.h"
#include "ImageSet.h"
#include "JsonText.h"

using simagex::ImageGrouper;
using simagex::ImageHash;

namespace {

ImageHash hashOf(uint64_t dct, uint64_t gradient)
{
    ImageHash h;
    h.dct = dct;
    h.gradient = gradient;
    return h;
}

uint64_t flip(int bits)
{
    return bits >= 64 ? ~uint64_t(0) : (uint64_t(1) << bits) - 1;
}

TEST(ImageGrouperTest, allowedDistanceFollowsTheThresholdAndNeverRises)
{
    EXPECT_EQ(simagex::allowedDistance(100), 0);
    EXPECT_EQ(simagex::allowedDistance(85), 9);
    EXPECT_EQ(simagex::allowedDistance(80), 12);
    EXPECT_EQ(simagex::allowedDistance(20), 16);
    int previous = 64;
    for (double t = 20; t <= 100; t += 0.5) {
        const int d = simagex::allowedDistance(t);
        EXPECT_LE(d, previous) << t;
        previous = d;
    }
}

TEST(ImageGrouperTest, imagesJoinTheNearestSourceWithoutChaining)
{
    ImageGrouper grouper(85);  // 9 bits on average, 18 over both hashes
    EXPECT_FALSE(grouper.add(hashOf(0, 0)));                  // 0: source A
    auto b = grouper.add(hashOf(flip(8), 0));                 // 1: joins A (8 bits)
    ASSERT_TRUE(b);
    EXPECT_EQ(b->source, 0u);
    EXPECT_TRUE(b->groupFormed);
    // 2: 11 bits from B but 19 from A; B is no source, so it starts its own.
    EXPECT_FALSE(grouper.add(hashOf(flip(19), 0)));
    auto again = grouper.add(hashOf(flip(1), 0));             // 3: joins A, not a new group
    ASSERT_TRUE(again);
    EXPECT_EQ(again->source, 0u);
    EXPECT_FALSE(again->groupFormed);
}

TEST(ImageGrouperTest, tiesGoToTheEarliestSourceAndTheHashesShareTheAllowance)
{
    ImageGrouper grouper(85);
    EXPECT_FALSE(grouper.add(hashOf(flip(10), 0)));               // source 0
    EXPECT_FALSE(grouper.add(hashOf(flip(20) & ~flip(10), 0)));   // source 1, 20 bits from source 0
    const auto tie = grouper.add(hashOf(0, 0));                   // 10 bits from each
    ASSERT_TRUE(tie);
    EXPECT_EQ(tie->source, 0u);
    // 10 + 14 bits is beyond the shared allowance; 3 + 9 is within it.
    EXPECT_FALSE(grouper.add(hashOf(0, flip(14))));
    EXPECT_TRUE(grouper.add(hashOf(flip(7), flip(9))));
    // Same layout, another tint: no match.
    ImageHash red = hashOf(flip(10), 0);
    red.meanColour = {20, 20, 200};
    EXPECT_FALSE(grouper.add(red));
}

TEST(ImageGrouperTest, flatImagesMatchOnlyFlatImagesOfCloseColour)
{
    ImageGrouper grouper(85);
    const auto flat = [](double b, double g, double r) {
        ImageHash h;
        h.flat = true;
        h.meanColour = {b, g, r};
        return h;
    };
    EXPECT_FALSE(grouper.add(flat(100, 100, 100)));
    EXPECT_FALSE(grouper.add(hashOf(0, 0)));  // a detailed image with an all-zero hash
    const auto near = grouper.add(flat(105, 100, 98));
    ASSERT_TRUE(near);
    EXPECT_EQ(near->source, 0u);
    EXPECT_FALSE(grouper.add(flat(140, 100, 100)));
    // A 10 % brighter copy of a bright colour still matches.
    EXPECT_TRUE(grouper.add(flat(110, 110, 110)));
}

TEST(ImageHashTest, flatnessAndStabilityUnderSmallChanges)
{
    const cv::Mat base = imageset::makeBase(imageset::Kind::photo, 3, {400, 300});
    cv::Mat grey;
    cv::cvtColor(base, grey, cv::COLOR_BGR2GRAY);
    const ImageHash h = simagex::hashGrey(grey);
    EXPECT_FALSE(h.flat);
    cv::Mat small;
    cv::resize(grey, small, {}, 0.5, 0.5, cv::INTER_AREA);
    const ImageHash s = simagex::hashGrey(small);
    EXPECT_LE(simagex::hammingDistance(h.dct, s.dct), 4);
    EXPECT_LE(simagex::hammingDistance(h.gradient, s.gradient), 4);

    cv::Mat flat(100, 100, CV_8U, cv::Scalar(90));
    cv::randu(flat, cv::Scalar(89), cv::Scalar(92));
    EXPECT_TRUE(simagex::hashGrey(flat).flat);
}

TEST(JsonTextTest, escapesControlsQuotesAndBrokenUtf8)
{
    std::string out;
    simagex::appendJsonString(out, std::string("a\"b\\c\n\x01\xc3\xa9\xff", 10));
    EXPECT_EQ(out, "\"a\\\"b\\\\c\\n\\u0001\xc3\xa9\\udcff\"");
    out.clear();
    simagex::appendJsonNumber(out, 0.5);
    EXPECT_EQ(out, "0.500000");
}

}  // namespace
