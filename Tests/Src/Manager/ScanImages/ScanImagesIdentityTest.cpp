// The real engine and library, then the removal in every mode: an image goes
// only while it, and an image left unpicked in its group, are what the
// library read, whatever happened between the reading and the report.
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <fstream>
#include <mutex>
#include <set>
#include <string>

#include "Foundation/Trash.h"
#include "ImageSet.h"
#include "ScanImagesTestSupport.h"
#include "SimagexTesting.h"
#include "TestSupport.h"

namespace {

// Writes other bytes over chosen images, in place, once each, as a decoder
// finishes reading them: after the reading, before the report.
struct AfterReading {
    std::mutex mutex;
    std::set<std::string> targets;
    std::string bytes;

    static void hook(const char* path, void* context)
    {
        auto* self = static_cast<AfterReading*>(context);
        std::lock_guard<std::mutex> lock(self->mutex);
        if (self->targets.erase(path) > 0) {
            std::ofstream(path, std::ios::binary | std::ios::trunc) << self->bytes;
        }
    }
};

class ScanImagesIdentityTest : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        engine().setDelegate(&delegate_);
        engine().setRemoveDelegate(&delegate_);
        engine().setThumbnailsEnabledForTesting(false);
    }
    void TearDown() override
    {
        SimagexSetDecodedHookForTesting(nullptr, nullptr);
        engine().setThumbnailsEnabledForTesting(true);
        engine().setRemoveDelegate(nullptr);
        engine().setDelegate(nullptr);
        TempHomeTest::TearDown();
    }
    static ScanImagesManager& engine() { return ScanImagesManager::shared(); }

    // Two copies of one picture per group name, in a folder of their own:
    // "<name>-keep.png" and "<name>-pick.png".
    QString makeGroups(const QString& folder, const QStringList& names)
    {
        const QString root = scratch() + "/" + folder;
        EXPECT_TRUE(QDir().mkpath(root));
        unsigned seed = 20;
        for (const QString& name : names) {
            const cv::Mat picture = imageset::makeBase(imageset::Kind::photo, seed++, {240, 180});
            for (const char* side : {"-keep.png", "-pick.png"}) {
                EXPECT_TRUE(imageset::write((root + "/" + name + side).toStdString(), picture));
            }
        }
        return root;
    }
    // Searches `root` with the real library, picks every "-pick" image and
    // removes in `mode`, after `beforeRemoval` had its go.
    ScanImagesGroupList searchAndRemovePicked(const QString& root, uint mode, int groups,
                                              const std::function<void()>& beforeRemoval = {})
    {
        engine().findDuplicateImages({QFile::encodeName(root)});
        const ScanImagesGroupList found = engine().dupImages();
        EXPECT_EQ(found.size(), groups);
        for (const auto& group : found) {
            for (const auto& item : group->dupImageItems()) {
                item->setIsSelect(item->imageName().endsWith("-pick.png"));
            }
        }
        if (beforeRemoval) {
            beforeRemoval();
        }
        const QString dest = root + "-dest";
        QDir().mkpath(dest);
        engine().setRemoveType(mode);
        engine().setRemovePath(QFile::encodeName(dest));
        engine().removeDuplicatesImages(found);
        engine().waitForRemoval();
        return found;
    }
    static ScanImagesItemPtr itemNamed(const ScanImagesGroupList& groups, const QString& name)
    {
        for (const auto& group : groups) {
            for (const auto& item : group->dupImageItems()) {
                if (item->imageName() == name) {
                    return item;
                }
            }
        }
        return nullptr;
    }
    // The picked image is still there, marked with why.
    static void expectStayed(const ScanImagesGroupList& groups, const QString& root, const QString& name,
                             const QString& why)
    {
        SCOPED_TRACE(name.toStdString());
        EXPECT_TRUE(QFile::exists(root + "/" + name));
        const ScanImagesItemPtr item = itemNamed(groups, name);
        ASSERT_TRUE(item);
        EXPECT_TRUE(item->isRemoveFailed());
        ASSERT_TRUE(item->removeError().has_value());
        EXPECT_EQ(item->removeError()->localizedDescription(), why);
    }
    static QStringList namesIn(const QString& folder)
    {
        return QDir(folder).entryList(QDir::Files);
    }

    static constexpr const char* keptChanged = "The copy you kept has changed or is gone since the scan.";
    static constexpr const char* itselfChanged = "The file has changed since the scan.";
    RecordingDelegate delegate_;
};

// On a large library minutes pass between an image's reading and the report
// of its group. A picked image replaced by another picture in that window is
// not the one found alike; a kept one so replaced no longer keeps the picture.
TEST_F(ScanImagesIdentityTest, anImageRewrittenBetweenItsReadingAndTheReportIsNotTheOneFound)
{
    ASSERT_TRUE(QDir().mkpath(scratch()));
    const cv::Mat unrelated = imageset::makeBase(imageset::Kind::shapes, 77, {320, 240});
    ASSERT_TRUE(imageset::write((scratch() + "/unrelated.png").toStdString(), unrelated));
    QFile source(scratch() + "/unrelated.png");
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    AfterReading rewriter;
    rewriter.bytes = source.readAll().toStdString();
    for (uint mode : {0u, 1u, 2u}) {
        SCOPED_TRACE(mode);
        const QString root = makeGroups(QStringLiteral("m%1").arg(mode), {"picked", "kept", "same"});
        {
            std::lock_guard<std::mutex> lock(rewriter.mutex);
            rewriter.targets = {(root + "/picked-pick.png").toStdString(), (root + "/kept-keep.png").toStdString()};
        }
        SimagexSetDecodedHookForTesting(&AfterReading::hook, &rewriter);

        const ScanImagesGroupList groups = searchAndRemovePicked(root, mode, 3);
        SimagexSetDecodedHookForTesting(nullptr, nullptr);

        EXPECT_TRUE(rewriter.targets.empty());
        expectStayed(groups, root, "picked-pick.png", itselfChanged);
        expectStayed(groups, root, "kept-pick.png", keptChanged);
        QFile picked(root + "/picked-pick.png");
        ASSERT_TRUE(picked.open(QIODevice::ReadOnly));
        EXPECT_EQ(picked.readAll().toStdString(), rewriter.bytes);
        EXPECT_FALSE(QFile::exists(root + "/same-pick.png"));
        EXPECT_EQ(engine().removeImagesSuccessCount(), 1);  // counted from the search on
    }
    EXPECT_EQ(namesIn(QFile::decodeName(Trash::filesFolder())), QStringList{"same-pick.png"});
    EXPECT_EQ(namesIn(scratch() + "/m2-dest"), QStringList{"same-pick.png"});
}

// Rewritten in place after the search, the size kept and the modification
// time set back: the status-change time the library reported still tells.
TEST_F(ScanImagesIdentityTest, imagesRewrittenInPlaceWithTheirTimesSetBackAreNotAsFound)
{
    for (uint mode : {0u, 1u, 2u}) {
        SCOPED_TRACE(mode);
        const QString root = makeGroups(QStringLiteral("t%1").arg(mode), {"picked", "kept", "same"});

        const ScanImagesGroupList groups = searchAndRemovePicked(root, mode, 3, [&] {
            EXPECT_TRUE(rewriteInPlaceKeepingTimes(QFile::encodeName(root + "/picked-pick.png"), QByteArray(64, 'p')));
            EXPECT_TRUE(rewriteInPlaceKeepingTimes(QFile::encodeName(root + "/kept-keep.png"), QByteArray(64, 'k')));
        });

        expectStayed(groups, root, "picked-pick.png", itselfChanged);
        expectStayed(groups, root, "kept-pick.png", keptChanged);
        EXPECT_FALSE(QFile::exists(root + "/same-pick.png"));
        EXPECT_EQ(engine().removeImagesSuccessCount(), 1);  // counted from the search on
    }
    EXPECT_EQ(namesIn(QFile::decodeName(Trash::filesFolder())), QStringList{"same-pick.png"});
    EXPECT_EQ(namesIn(scratch() + "/t2-dest"), QStringList{"same-pick.png"});
}

}  // namespace
