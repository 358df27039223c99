// The library end to end through its C interface, over generated images.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "DecoderGate.h"
#include "ImageHash.h"
#include "ImageSet.h"
#include "SearchRecorder.h"
#include "Simagex.h"
#include "SimagexTesting.h"
#include "TestSupport.h"

using imageset::Kind;

namespace {

const cv::Size kSize(640, 480);

std::string stem(const std::string& name)
{
    return name.substr(0, name.find('_'));
}

class SimagexSetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new QTemporaryDir();
        root_ = dir_->path().toStdString();
        const Kind kinds[] = {Kind::gradient, Kind::shapes, Kind::noise, Kind::texture, Kind::photo};
        const char* names[] = {"gradient", "shapes", "noise", "texture", "photo"};
        for (int k = 0; k < 5; ++k) {
            for (unsigned seed = 1; seed <= 2; ++seed) {
                const cv::Mat base = imageset::makeBase(kinds[k], seed, kSize);
                const std::string s = root_ + "/" + names[k] + std::to_string(seed);
                ASSERT_TRUE(imageset::write(s + "_base.png", base));
                ASSERT_TRUE(imageset::write(s + "_half.jpg", imageset::resized(base, 0.5), 90));
                ASSERT_TRUE(imageset::write(s + "_q40.jpg", base, 40));
                ASSERT_TRUE(imageset::write(s + "_bright.png", imageset::brightened(base, 1.1)));
                ASSERT_TRUE(imageset::write(s + "_copy.webp", base));
                ASSERT_TRUE(imageset::write(s + "_copy.tiff", base));
                ASSERT_TRUE(imageset::write(s + "_copy.BMP", base));
                // Unrelated images of the same kind.
                ASSERT_TRUE(imageset::write(root_ + "/" + names[k] + std::to_string(seed + 10) + "_alone.jpg",
                                            imageset::makeBase(kinds[k], seed + 10, kSize), 90));
            }
        }
        ASSERT_TRUE(imageset::write(root_ + "/flatgrey_a.png", imageset::makeFlat({128, 128, 128}, kSize)));
        ASSERT_TRUE(imageset::write(root_ + "/flatgrey_b.jpg", imageset::makeFlat({131, 131, 131}, {320, 240}), 90));
        ASSERT_TRUE(imageset::write(root_ + "/flatred_a.png", imageset::makeFlat({0, 0, 200}, kSize)));
        ASSERT_TRUE(imageset::write(root_ + "/flatblue_a.png", imageset::makeFlat({200, 60, 0}, kSize)));
    }
    static void TearDownTestSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }

    static QTemporaryDir* dir_;
    static std::string root_;
};

QTemporaryDir* SimagexSetTest::dir_ = nullptr;
std::string SimagexSetTest::root_;

TEST_F(SimagexSetTest, variantsOfABaseFormOneGroupAndUnrelatedImagesNone)
{
    SearchSetup setup;
    setup.folders = {root_};
    const SearchRecord record = runSearch(setup);
    ASSERT_EQ(record.code, kOk);
    EXPECT_FALSE(record.badJson);

    std::set<std::set<std::string>> expected;
    for (const char* name : {"gradient", "shapes", "noise", "texture", "photo"}) {
        for (int seed = 1; seed <= 2; ++seed) {
            const std::string s = name + std::to_string(seed);
            expected.insert({s + "_base.png", s + "_bright.png", s + "_copy.BMP", s + "_copy.tiff", s + "_copy.webp",
                             s + "_half.jpg", s + "_q40.jpg"});
        }
    }
    expected.insert({"flatgrey_a.png", "flatgrey_b.jpg"});
    EXPECT_EQ(record.nameGroups(), expected);

    // The source is listed among its own members, and nothing twice.
    for (const auto& [source, members] : record.groups) {
        EXPECT_EQ(members.front(), source);
    }
    std::vector<std::string> order = record.reportedOrder;
    std::sort(order.begin(), order.end());
    EXPECT_EQ(std::adjacent_find(order.begin(), order.end()), order.end());
}

TEST_F(SimagexSetTest, thresholdHundredGroupsOnlyIdenticalHashes)
{
    SearchSetup setup;
    setup.folders = {root_};
    setup.threshold = 100;
    const SearchRecord record = runSearch(setup);
    ASSERT_EQ(record.code, kOk);
    ASSERT_FALSE(record.groups.empty());
    for (const auto& [source, members] : record.groups) {
        const auto sourceHash = simagex::hashFile(source);
        ASSERT_TRUE(sourceHash);
        for (const auto& member : members) {
            const auto hash = simagex::hashFile(member);
            ASSERT_TRUE(hash);
            EXPECT_EQ(hash->dct, sourceHash->dct) << member;
            EXPECT_EQ(hash->gradient, sourceHash->gradient) << member;
            EXPECT_EQ(stem(member.substr(member.rfind('/') + 1)), stem(source.substr(source.rfind('/') + 1)));
        }
    }
    // Lossless copies decode to the same pixels, so they stay together.
    bool found = false;
    for (const auto& g : record.nameGroups()) {
        found = found || (g.count("photo1_base.png") && g.count("photo1_copy.tiff") && g.count("photo1_copy.BMP"));
    }
    EXPECT_TRUE(found);
}

TEST_F(SimagexSetTest, groupsAreTheSameOverTenRuns)
{
    SearchSetup setup;
    setup.folders = {root_};
    const SearchRecord first = runSearch(setup);
    for (int run = 0; run < 9; ++run) {
        const SearchRecord again = runSearch(setup);
        ASSERT_EQ(again.groups, first.groups) << "run " << run + 2;
        ASSERT_EQ(again.reportedOrder, first.reportedOrder);
    }
}

TEST_F(SimagexSetTest, progressNeverGoesBackAndEndsWithOneFinish)
{
    SearchSetup setup;
    setup.folders = {root_};
    const SearchRecord record = runSearch(setup);
    ASSERT_FALSE(record.progress.empty());
    EXPECT_EQ(record.finals, 1);
    EXPECT_EQ(record.progress.back().type, kProgressFinished);
    EXPECT_DOUBLE_EQ(record.progress.back().ratio, 1.0);
    EXPECT_EQ(record.progress.back().total, 84);
    for (size_t i = 1; i < record.progress.size(); ++i) {
        EXPECT_GE(record.progress[i].ratio, record.progress[i - 1].ratio);
    }
}

TEST_F(SimagexSetTest, stopEndsWithOneStoppedReport)
{
    SearchSetup setup;
    setup.folders = {root_};
    setup.onProgress = [](const SearchRecord::Progress& p) {
        if (p.type == kProgressRunning) {
            StopFindDuplicates(10);
        }
    };
    // Stop from the first report on; a search that beat it is not an error.
    const SearchRecord record = runSearch(setup);
    EXPECT_EQ(record.finals, 1);
    if (record.code == kStoped) {
        EXPECT_EQ(record.progress.back().type, kProgressStopped);
    } else {
        EXPECT_EQ(record.code, kOk);
    }

    // A stop asked while nothing runs does not touch the next search.
    StopFindDuplicates(10);
    SearchSetup plain;
    plain.folders = {root_};
    const SearchRecord next = runSearch(plain);
    EXPECT_EQ(next.code, kOk);
    EXPECT_EQ(next.progress.back().type, kProgressFinished);
}

// A stop does not wait for the image being decoded (a large one takes
// seconds, and the codec cannot be interrupted): the search ends with its
// stopped report while that decoder is still busy, and the decoder, left to
// end by itself, touches neither the next search nor its results.
TEST_F(SimagexSetTest, aStopEndsTheSearchWhileAnImageIsStillBeingDecoded)
{
    SearchSetup setup;
    setup.folders = {root_};
    const SearchRecord undisturbed = runSearch(setup);
    ASSERT_EQ(undisturbed.code, kOk);

    DecoderGate gate([](const std::string& path) { return path.find("/photo1_base.png") != std::string::npos; });
    auto search = std::async(std::launch::async, [&] { return runSearch(setup); });
    ASSERT_TRUE(gate.waitUntilHolding());
    StopFindDuplicates(10);
    const bool ended = search.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    EXPECT_TRUE(ended) << "the stopped search waited for the image in hand";
    EXPECT_TRUE(gate.isHolding());
    EXPECT_GE(SimagexDecodersRunning(), 1);
    if (!ended) {
        gate.release();
    }
    const SearchRecord stopped = search.get();
    EXPECT_EQ(stopped.code, kStoped);
    EXPECT_EQ(stopped.finals, 1);
    EXPECT_EQ(stopped.progress.back().type, kProgressStopped);

    // The next search runs while the old decoder is still held, and it is
    // let go half-way (with the new search's own decoder of that image,
    // held there too): the groups are those of an undisturbed search.
    std::atomic<bool> letGo{false};
    setup.onProgress = [&](const SearchRecord::Progress& p) {
        if (p.ratio > 0.3 && !letGo.exchange(true)) {
            gate.release();
        }
    };
    const SearchRecord next = runSearch(setup);
    gate.release();
    EXPECT_EQ(next.code, kOk);
    EXPECT_EQ(next.finals, 1);
    EXPECT_EQ(next.nameGroups(), undisturbed.nameGroups());
    EXPECT_TRUE(waitUntil([] { return SimagexDecodersRunning() == 0; }));
}

TEST_F(SimagexSetTest, optionsAreReadAtTheDocumentedByteOffsets)
{
    const std::string grey = root_ + "/flatgrey_a.png";
    const auto size = int32_t(std::filesystem::file_size(grey));
    std::vector<std::string> ext{".PNG", ".jpg"};
    const char* extPtrs[] = {ext[0].c_str(), ext[1].c_str()};
    unsigned char raw[45] = {};
    const double threshold = 100;
    const int32_t minSize = size;  // drops every smaller file
    const int32_t count = 2;
    const char* const* extArray = extPtrs;
    const char* const* whiteArray = nullptr;
    std::memcpy(raw + 4, &threshold, 8);
    std::memcpy(raw + 16, &minSize, 4);
    std::memcpy(raw + 20, &whiteArray, 8);
    std::memcpy(raw + 32, &extArray, 8);
    std::memcpy(raw + 40, &count, 4);
    raw[44] = 1;
    SearchSetup setup;
    setup.folders = {root_};
    const SearchRecord record = runSearchRaw(setup, raw);
    ASSERT_EQ(record.code, kOk);
    // Only .png and .jpg files of at least the flat PNG's size took part.
    size_t expected = 0;
    for (const auto& entry : std::filesystem::directory_iterator(root_)) {
        const std::string e = entry.path().extension().string();
        if ((e == ".png" || e == ".jpg") && int64_t(entry.file_size()) >= size) {
            ++expected;
        }
    }
    EXPECT_EQ(record.progress.back().total, (long long)expected);
}

TEST_F(SimagexSetTest, textsOfTheCallerAreNotReadAfterTheStart)
{
    // The caller scribbles over its texts once the search runs; the search
    // still uses what it was given.
    std::vector<std::string> ext{".png"};
    std::vector<char*> texts{strdup(".png")};
    std::vector<char*> white{strdup((root_ + "/nothing-here/").c_str())};
    FindOptions options{};
    options.threshold = 85;
    options.extensions = texts.data();
    options.extensionCount = 1;
    options.whiteList = white.data();
    options.whiteListCount = 1;
    SearchSetup setup;
    setup.folders = {root_};
    setup.onProgress = [&](const SearchRecord::Progress&) {
        std::strcpy(texts[0], ".xyz");
        white[0][0] = '\0';
    };
    // runSearch builds its own record; go through the raw path instead.
    const SearchRecord record = runSearchRaw(setup, reinterpret_cast<const unsigned char*>(&options));
    free(texts[0]);
    free(white[0]);
    size_t pngs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(root_)) {
        pngs += entry.path().extension() == ".png";
    }
    EXPECT_EQ(record.progress.back().total, (long long)pngs);
}

// Icons drawn the way symbolic icons are made: one colour in every pixel,
// the shape only in the alpha channel.
class SimagexTransparencyTest : public ::testing::Test {
protected:
    void SetUp() override { root_ = dir_.path().toStdString(); }

    static cv::Mat icon(const std::function<void(cv::Mat&)>& draw, cv::Scalar colour, int side)
    {
        cv::Mat alpha(64, 64, CV_8U, cv::Scalar(0));
        draw(alpha);
        if (side != 64) {
            cv::resize(alpha, alpha, {side, side}, 0, 0, cv::INTER_AREA);
        }
        cv::Mat bgr(alpha.size(), CV_8UC3, colour);
        std::vector<cv::Mat> channels;
        cv::split(bgr, channels);
        channels.push_back(alpha);
        cv::Mat out;
        cv::merge(channels, out);
        return out;
    }
    // Over white, the way a flattened copy is made.
    static cv::Mat flattened(const cv::Mat& bgra)
    {
        cv::Mat out(bgra.size(), CV_8UC3);
        for (int y = 0; y < bgra.rows; ++y) {
            for (int x = 0; x < bgra.cols; ++x) {
                const cv::Vec4b p = bgra.at<cv::Vec4b>(y, x);
                for (int c = 0; c < 3; ++c) {
                    out.at<cv::Vec3b>(y, x)[c] = cv::saturate_cast<uchar>((p[c] * p[3] + 255.0 * (255 - p[3])) / 255.0);
                }
            }
        }
        return out;
    }
    std::string path(const std::string& name) const { return root_ + "/" + name; }

    QTemporaryDir dir_;
    std::string root_;
};

TEST_F(SimagexTransparencyTest, distinctIconsStayApartAndAFlattenedCopyStillMatches)
{
    const auto aa = cv::LINE_AA;
    const cv::Scalar on(255);
    using Points = std::vector<cv::Point>;
    const std::vector<std::pair<std::string, std::function<void(cv::Mat&)>>> shapes = {
        {"go-next", [&](cv::Mat& a) { cv::fillPoly(a, std::vector<Points>{{{12, 26}, {36, 26}, {36, 12}, {56, 32}, {36, 52}, {36, 38}, {12, 38}}}, on, aa); }},
        {"go-up", [&](cv::Mat& a) { cv::fillPoly(a, std::vector<Points>{{{32, 6}, {54, 30}, {40, 30}, {40, 58}, {24, 58}, {24, 30}, {10, 30}}}, on, aa); }},
        {"ring", [&](cv::Mat& a) { cv::circle(a, {32, 32}, 22, on, 6, aa); }},
        {"close", [&](cv::Mat& a) { cv::line(a, {14, 14}, {50, 50}, on, 8, aa); cv::line(a, {50, 14}, {14, 50}, on, 8, aa); }},
        {"menu", [&](cv::Mat& a) { for (int y : {14, 30, 46}) cv::rectangle(a, cv::Rect(8, y, 48, 6), on, cv::FILLED, aa); }},
        {"search", [&](cv::Mat& a) { cv::circle(a, {26, 26}, 15, on, 6, aa); cv::line(a, {37, 37}, {56, 56}, on, 8, aa); }},
        {"check", [&](cv::Mat& a) { cv::polylines(a, std::vector<Points>{{{10, 34}, {26, 50}, {54, 16}}}, false, on, 8, aa); }},
        {"triangle", [&](cv::Mat& a) { cv::fillPoly(a, std::vector<Points>{{{6, 56}, {32, 8}, {58, 56}}}, on, aa); }},
        {"dot-corner", [&](cv::Mat& a) { cv::circle(a, {18, 18}, 12, on, cv::FILLED, aa); }},
        {"bar-side", [&](cv::Mat& a) { cv::rectangle(a, cv::Rect(44, 4, 14, 56), on, cv::FILLED, aa); }},
        {"list-add", [&](cv::Mat& a) { cv::rectangle(a, cv::Rect(28, 8, 8, 48), on, cv::FILLED, aa); cv::rectangle(a, cv::Rect(8, 28, 48, 8), on, cv::FILLED, aa); }},
        {"window", [&](cv::Mat& a) { cv::rectangle(a, cv::Rect(6, 10, 52, 44), on, 4, aa); cv::rectangle(a, cv::Rect(6, 10, 52, 12), on, cv::FILLED, aa); }},
        {"pause", [&](cv::Mat& a) { cv::rectangle(a, cv::Rect(14, 10, 12, 44), on, cv::FILLED, aa); cv::rectangle(a, cv::Rect(38, 10, 12, 44), on, cv::FILLED, aa); }},
        {"media-play", [&](cv::Mat& a) { cv::fillPoly(a, std::vector<Points>{{{16, 8}, {56, 32}, {16, 56}}}, on, aa); }},
        {"palette", [&](cv::Mat& a) {
             cv::circle(a, {32, 32}, 26, on, cv::FILLED, aa);
             for (const cv::Point p : {cv::Point(20, 22), cv::Point(34, 16), cv::Point(46, 28)}) {
                 cv::circle(a, p, 5, cv::Scalar(0), cv::FILLED, aa);
             }
             cv::circle(a, {36, 44}, 8, cv::Scalar(0), cv::FILLED, aa);
         }},
    };
    // Grey (the usual symbolic colour), dark, and white: white on the
    // white background shows nothing, and only the outline is left. Each
    // shape once, in one colour and size: no two files show one icon.
    const cv::Scalar colours[] = {cv::Scalar(190, 190, 190), cv::Scalar(54, 52, 46), cv::Scalar(255, 255, 255)};
    const int sides[] = {16, 32, 64, 24};
    for (size_t i = 0; i < shapes.size(); ++i) {
        ASSERT_TRUE(imageset::write(path(shapes[i].first + ".png"), icon(shapes[i].second, colours[i % 3], sides[i % 4])));
    }
    const int made = int(shapes.size());

    // A picture with a soft transparent edge, its copy flattened onto
    // white as a JPEG, and transparent WebP copies (lossless and lossy).
    const cv::Mat photo = imageset::makeBase(Kind::photo, 5, {240, 180});
    cv::Mat mask(photo.size(), CV_8U, cv::Scalar(0));
    cv::ellipse(mask, {120, 90}, {100, 75}, 0, 0, 360, cv::Scalar(255), cv::FILLED, cv::LINE_AA);
    cv::GaussianBlur(mask, mask, {21, 21}, 0);
    std::vector<cv::Mat> channels;
    cv::split(photo, channels);
    channels.push_back(mask);
    cv::Mat cutOut;
    cv::merge(channels, cutOut);
    ASSERT_TRUE(imageset::write(path("cutout.png"), cutOut));
    ASSERT_TRUE(imageset::write(path("cutout-flat.jpg"), flattened(cutOut), 90));
    ASSERT_TRUE(imageset::write(path("cutout.webp"), cutOut));
    ASSERT_TRUE(cv::imwrite(path("cutout-lossy.webp"), cutOut, {cv::IMWRITE_WEBP_QUALITY, 90}));

    SearchSetup setup;
    setup.folders = {root_};
    const SearchRecord record = runSearch(setup);
    ASSERT_EQ(record.code, kOk);
    EXPECT_EQ(record.progress.back().total, made + 4);
    EXPECT_EQ(record.nameGroups(), (std::set<std::set<std::string>>{
                                       {"cutout.png", "cutout-flat.jpg", "cutout.webp", "cutout-lossy.webp"}}));
}

TEST_F(SimagexTransparencyTest, anOpaqueAlphaChangesNothingAndAnEvenImageStaysFlat)
{
    // An alpha channel that is opaque everywhere hashes like the same
    // picture without one.
    const cv::Mat photo = imageset::makeBase(Kind::photo, 9, {160, 120});
    cv::Mat opaque;
    cv::cvtColor(photo, opaque, cv::COLOR_BGR2BGRA);
    ASSERT_TRUE(imageset::write(path("plain.png"), photo));
    ASSERT_TRUE(imageset::write(path("opaque-alpha.png"), opaque));
    const auto plain = simagex::hashFile(path("plain.png"));
    const auto withAlpha = simagex::hashFile(path("opaque-alpha.png"));
    ASSERT_TRUE(plain && withAlpha);
    EXPECT_EQ(withAlpha->dct, plain->dct);
    EXPECT_EQ(withAlpha->gradient, plain->gradient);
    EXPECT_EQ(withAlpha->meanColour, plain->meanColour);

    // Wholly transparent: the background alone, one flat colour.
    cv::Mat clear(40, 40, CV_8UC4, cv::Scalar(10, 200, 30, 0));
    ASSERT_TRUE(imageset::write(path("clear.png"), clear));
    const auto blank = simagex::hashFile(path("clear.png"));
    ASSERT_TRUE(blank);
    EXPECT_TRUE(blank->flat);
    EXPECT_NEAR(blank->meanColour[1], 255.0, 0.5);
}

class SimagexWalkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = dir_.path().toStdString();
        image_ = imageset::makeBase(Kind::photo, 7, {200, 150});
    }
    std::string put(const std::string& relative, const cv::Mat* image = nullptr)
    {
        const std::string path = root_ + "/" + relative;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        EXPECT_TRUE(imageset::write(path, image ? *image : image_));
        return path;
    }
    std::set<std::string> members(const SearchRecord& record)
    {
        std::set<std::string> out;
        for (const auto& [s, m] : record.groups) {
            for (const auto& p : m) {
                out.insert(p.substr(root_.size() + 1));
            }
        }
        return out;
    }
    QTemporaryDir dir_;
    std::string root_;
    cv::Mat image_;
};

TEST_F(SimagexWalkTest, linksHiddenFilesExtensionsAndHardLinks)
{
    put("a/one.png");
    put("a/TWO.JPG");
    put("a/.hidden.png");
    put(".secret/three.png");
    std::ofstream(root_ + "/a/skip.png.txt") << "text";
    std::filesystem::create_directory_symlink(root_ + "/a", root_ + "/linked");
    std::filesystem::create_symlink(root_ + "/a/one.png", root_ + "/a/link.png");
    std::filesystem::create_hard_link(root_ + "/a/one.png", root_ + "/a/hard.png");
    ::mkfifo((root_ + "/a/pipe.png").c_str(), 0600);

    SearchSetup setup;
    setup.folders = {root_};
    setup.skipHidden = true;
    const SearchRecord record = runSearch(setup);
    ASSERT_EQ(record.code, kOk);
    EXPECT_EQ(record.progress.back().total, 2);  // one.png (or its hard link) and TWO.JPG
    EXPECT_EQ(members(record).size(), 2u);

    setup.skipHidden = false;
    const SearchRecord all = runSearch(setup);
    EXPECT_EQ(all.progress.back().total, 4);
}

TEST_F(SimagexWalkTest, whiteListPathsOnlyExcludeAndMatchWholeComponents)
{
    put("keep/a.png");
    put("keep/b.png");
    put("skip/c.png");
    put("skipper/d.png");
    SearchSetup setup;
    setup.folders = {root_};
    setup.whiteList = {root_ + "/skip/"};
    SearchRecord record = runSearch(setup);
    EXPECT_EQ(members(record), (std::set<std::string>{"keep/a.png", "keep/b.png", "skipper/d.png"}));

    // A white-list folder outside the searched folders is not searched.
    put("other/e.png");
    setup.folders = {root_ + "/keep"};
    setup.whiteList = {root_ + "/other/"};
    record = runSearch(setup);
    EXPECT_EQ(members(record), (std::set<std::string>{"keep/a.png", "keep/b.png"}));
}

TEST_F(SimagexWalkTest, sizeLimitsAndUnreadableImages)
{
    put("small.png", nullptr);
    const cv::Mat big = imageset::makeBase(Kind::photo, 7, {800, 600});
    put("big.png", &big);
    std::ofstream(root_ + "/broken.png") << "not an image at all";
    const int32_t smallSize = int32_t(std::filesystem::file_size(root_ + "/small.png"));

    const QString logFolder = dir_.path() + "/logs";
    ASSERT_EQ(InitImageDuplicate(logFolder.toUtf8().constData(), ""), kOk);
    SearchSetup setup;
    setup.folders = {root_};
    setup.maxSize = smallSize;
    SearchRecord record = runSearch(setup);
    EXPECT_EQ(record.progress.back().total, 2);  // small.png and broken.png
    EXPECT_TRUE(record.groups.empty());

    setup.maxSize = 0;
    setup.minSize = smallSize + 1;
    record = runSearch(setup);
    EXPECT_EQ(record.progress.back().total, 1);

    QFile log(logFolder + "/SimagexSDK.log");
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    EXPECT_TRUE(text.contains("[code 11] Read image failed: " + QByteArray(root_.c_str()) + "/broken.png"));
}

TEST_F(SimagexWalkTest, missingFoldersAndBadArgumentsStillEndTheSearch)
{
    SearchSetup setup;
    setup.folders = {root_ + "/does-not-exist"};
    SearchRecord record = runSearch(setup);
    EXPECT_EQ(record.code, kOk);
    EXPECT_EQ(record.finals, 1);

    int finals = 0;
    static int* counter = nullptr;
    counter = &finals;
    const auto progress = [](ProgressType type, JsonData) {
        if (type != kProgressRunning) {
            ++*counter;
        }
    };
    EXPECT_EQ(FindDuplicates(nullptr, 0, nullptr, [](JsonData) {}, progress), kParamInvaild);
    EXPECT_EQ(finals, 1);
}

TEST_F(SimagexWalkTest, namesThatAreNotUtf8ComeBackAsTheirBytes)
{
    const std::string odd = root_ + "/caf\xe9.png";  // Latin-1 byte, not UTF-8
    EXPECT_TRUE(imageset::write(odd, image_));
    put("plain.png");
    SearchSetup setup;
    setup.folders = {root_};
    const SearchRecord record = runSearch(setup);
    ASSERT_EQ(record.groups.size(), 1u);
    ASSERT_FALSE(record.badJson);
    // The reader sees U+DCE9 for the byte and maps it back to the name.
    std::set<std::string> names(record.groups.begin()->second.begin(), record.groups.begin()->second.end());
    EXPECT_TRUE(names.count(odd)) << "odd name lost";
}

}  // namespace

// The Trash holds what the user has already removed: the home Trash wherever
// it is met, and .Trash / .Trash-<uid> at the top of a volume, are never
// entered, also with hidden folders searched. The same names elsewhere are
// ordinary folders.
TEST_F(SimagexWalkTest, trashFoldersAreNotEntered)
{
    const QByteArray savedData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(root_ + "/data"));
    const std::shared_ptr<void> restore(nullptr, [&](void*) {
        if (savedData.isNull()) {
            qunsetenv("XDG_DATA_HOME");
        } else {
            qputenv("XDG_DATA_HOME", savedData);
        }
    });
    put("pictures/a.png");
    put("data/Trash/files/a.png");
    put("sub/.Trash-1000/files/a.png");
    SearchSetup setup;
    setup.folders = {root_, root_ + "/data/Trash/files"};
    EXPECT_EQ(members(runSearch(setup)), (std::set<std::string>{"pictures/a.png", "sub/.Trash-1000/files/a.png"}));

    SmallFileSystem volume(2048);
    if (!volume.mounted()) {
        GTEST_SKIP() << "mounting a file system needs root";
    }
    const std::string top = volume.path().toStdString();
    for (const std::string& folder : {top + "/.Trash-1000/files", top + "/.Trash/1000/files", top + "/kept"}) {
        std::filesystem::create_directories(folder);
        ASSERT_TRUE(imageset::write(folder + "/b.png", image_));
    }
    setup.folders = {root_ + "/pictures", top, top + "/.Trash-1000"};
    std::set<std::string> found;
    for (const auto& [source, members] : runSearch(setup).groups) {
        found.insert(members.begin(), members.end());
    }
    EXPECT_EQ(found, (std::set<std::string>{root_ + "/pictures/a.png", top + "/kept/b.png"}));
}
