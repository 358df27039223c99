// What the library says each image was when it read it: the identity the
// removal later checks, taken before the bytes were read and found again
// after, so that the pixels compared are those of that very file.
#include <atomic>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "ImageSet.h"
#include "SearchRecorder.h"
#include "Simagex.h"
#include "SimagexTesting.h"

using imageset::Kind;

namespace {

std::string bytesOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Writes over the file where it is: same inode, new bytes.
void overwrite(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Rewrites one image each time a decoder is about to decode it, up to a
// number of times, alternating two contents.
struct Rewriter {
    std::mutex mutex;
    std::string target;
    std::string contents[2];
    int rewrites = 0;
    int calls = 0;

    static void hook(const char* path, void* context)
    {
        auto* self = static_cast<Rewriter*>(context);
        std::lock_guard<std::mutex> lock(self->mutex);
        if (path != self->target) {
            return;
        }
        if (self->calls++ < self->rewrites) {
            overwrite(self->target, self->contents[self->calls % 2]);
        }
    }
};

class SimagexIdentityTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = dir_.path().toStdString() + "/images";
        ASSERT_EQ(::mkdir(root_.c_str(), 0755), 0);
        ASSERT_EQ(InitImageDuplicate((dir_.path() + "/logs").toUtf8().constData(), ""), kOk);
    }
    void TearDown() override { SimagexSetDecodeHookForTesting(nullptr, nullptr); }

    std::string put(const std::string& name, const cv::Mat& image)
    {
        const std::string path = root_ + "/" + name;
        EXPECT_TRUE(imageset::write(path, image));
        return path;
    }
    SearchRecord search()
    {
        SearchSetup setup;
        setup.folders = {root_};
        return runSearch(setup);
    }
    std::string log() const
    {
        QFile file(dir_.path() + "/logs/SimagexSDK.log");
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    }
    static std::map<std::string, std::string> lstatOf(const std::string& path)
    {
        struct stat st {};
        EXPECT_EQ(::lstat(path.c_str(), &st), 0);
        const auto ns = [](const struct timespec& t) { return std::to_string(int64_t(t.tv_sec) * 1000000000 + t.tv_nsec); };
        return {{"device", std::to_string(st.st_dev)},    {"inode", std::to_string(st.st_ino)},
                {"size", std::to_string(st.st_size)},     {"mtime_ns", ns(st.st_mtim)},
                {"ctime_ns", ns(st.st_ctim)}};
    }

    QTemporaryDir dir_;
    std::string root_;
    const cv::Mat photo_ = imageset::makeBase(Kind::photo, 3, {240, 180});
    const cv::Mat shapes_ = imageset::makeBase(Kind::shapes, 5, {240, 180});
};

TEST_F(SimagexIdentityTest, everyImageIsReportedAsItWasWhenItWasRead)
{
    const std::string a = put("a.png", photo_);
    const std::string b = put("b.jpg", photo_);
    const SearchRecord record = search();
    ASSERT_EQ(record.groups.size(), 1u);
    ASSERT_EQ(record.identities.size(), 2u);
    EXPECT_EQ(record.identities.at(a), lstatOf(a));
    EXPECT_EQ(record.identities.at(b), lstatOf(b));
}

// Rewritten after its identity was taken and before its pixels were in: read
// again, it joins the images it now looks like, reported as it is now.
TEST_F(SimagexIdentityTest, anImageRewrittenAsItIsReadIsReadAgainAndGroupedByWhatItHoldsNow)
{
    const std::string a = put("a.png", shapes_);
    const std::string x = put("x.png", photo_);
    const std::string y = put("y.png", shapes_);
    Rewriter rewriter;
    rewriter.target = x;
    rewriter.contents[1] = bytesOf(a);
    rewriter.rewrites = 1;
    SimagexSetDecodeHookForTesting(&Rewriter::hook, &rewriter);

    const SearchRecord record = search();

    EXPECT_EQ(rewriter.calls, 2);
    EXPECT_EQ(record.nameGroups(), (std::set<std::set<std::string>>{{"a.png", "x.png", "y.png"}}));
    ASSERT_TRUE(record.identities.count(x));
    EXPECT_EQ(record.identities.at(x), lstatOf(x));
}

// One that changes at every reading is given up after a few: it is in no
// group, and the search ends as usual.
TEST_F(SimagexIdentityTest, anImageThatChangesAtEveryReadingIsLeftOut)
{
    const std::string a = put("a.png", photo_);
    const std::string x = put("x.png", photo_);
    put("y.png", photo_);
    Rewriter rewriter;
    rewriter.target = x;
    rewriter.contents[0] = bytesOf(a);
    rewriter.contents[1] = bytesOf(put("other.png", shapes_));
    rewriter.rewrites = 1000;
    SimagexSetDecodeHookForTesting(&Rewriter::hook, &rewriter);

    const SearchRecord record = search();

    EXPECT_EQ(record.code, kOk);
    EXPECT_EQ(record.finals, 1);
    EXPECT_EQ(rewriter.calls, 3);
    EXPECT_EQ(record.nameGroups(), (std::set<std::set<std::string>>{{"a.png", "y.png"}}));
    EXPECT_NE(log().find("changed while read: " + x), std::string::npos);
}

}  // namespace
