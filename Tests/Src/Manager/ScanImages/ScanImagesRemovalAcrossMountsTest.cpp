// Removal of the chosen images where one image has more than one name: a
// FUSE view searched with its folder, an image with a second hard link, an
// image on a mount that stopped answering.
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <tuple>

#include <unistd.h>

#include "Foundation/FileManager.h"
#include "Foundation/Trash.h"
#include "Manager/RemoveOperation.h"
#include "QVBaseLib/Helper.h"
#include "FuseView.h"
#include "TwoNameMount.h"
#include "ScanImagesRemoveFixture.h"
#include "TestSupport.h"

#ifdef TWINSWEEP_HAVE_FUSE
#include "StalledFileSystem.h"
#include "StalledRemoval.h"
#endif

namespace {

class ScanImagesAcrossMountsTest : public ScanImagesRemoveTest {
protected:
    QString dest() const { return scratch() + "/dest"; }

    // A search of `root` that reports each list of paths as one group.
    ScanImagesGroupList searchPaths(const QString& root, const QList<QStringList>& groups)
    {
        ScriptedLibrary::script = [groups](FoundDupCallback found, ProgressCallback progress) {
            for (const auto& g : groups) {
                sendFound(found, g.first(), g);
            }
            sendProgress(progress, 1, 1, 0, QString());
            return kOk;
        };
        manager_->findDuplicateImages({QFile::encodeName(root)});
        return manager_->dupImages();
    }
    // Picks the images whose path passes `pick`; gives them.
    static QList<ScanImagesItemPtr> pick(const ScanImagesGroupList& groups, const std::function<bool(const QString&)>& pick)
    {
        QList<ScanImagesItemPtr> picked;
        for (const auto& g : groups) {
            for (const auto& item : g->dupImageItems()) {
                item->setIsSelect(pick(item->imagePath()));
                if (item->isSelect()) {
                    picked.append(item);
                }
            }
        }
        return picked;
    }
    void removeAs(const ScanImagesGroupList& groups, uint mode)
    {
        QDir().mkpath(dest());
        manager_->setRemoveType(mode);
        manager_->setRemovePath(QFile::encodeName(dest()));
        removeAndWait(groups);
    }
    QStringList arrived() const
    {
        return QDir(dest()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot) +
               QDir(QFile::decodeName(Trash::filesFolder())).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
};

std::string modeName(uint mode)
{
    return mode == 0 ? "Trash" : mode == 1 ? "Permanently" : "Folder";
}

// R/photos and a FUSE view of it at R/view, searched as R: each picture is a
// group of its two names. The names picked on one side would take the kept
// ones with them: none goes, in any mode, and each says why.
class ScanImagesFuseViewTest : public ScanImagesAcrossMountsTest,
                               public ::testing::WithParamInterface<std::tuple<FuseView::Kind, uint, bool>> {};

TEST_P(ScanImagesFuseViewTest, NoPickedNameTakesTheKeptImageWithIt)
{
    const auto [kind, mode, keptInView] = GetParam();
    writeFile("R/photos/a.png", QByteArray(3000, 'a'));
    writeFile("R/photos/b.png", QByteArray(3000, 'b'));
    const QString photos = scratch() + "/R/photos";
    FuseView view(kind, photos, scratch() + "/R/view");
    if (!view.mounted()) {
        GTEST_SKIP() << FuseView::name(kind) << " cannot mount here";
    }
    const auto before = treeSnapshot(photos);
    const QString v = view.path();
    const auto groups = searchPaths(scratch() + "/R", {{photos + "/a.png", v + "/a.png"}, {photos + "/b.png", v + "/b.png"}});
    ASSERT_EQ(groups.size(), 2);
    const auto picked = pick(groups, [&](const QString& path) { return path.startsWith(v + "/") != keptInView; });
    ASSERT_EQ(picked.size(), 2);

    removeAs(groups, mode);

    EXPECT_TRUE(treeSnapshot(photos) == before);
    EXPECT_EQ(treeSnapshot(photos).keys(), before.keys());
    EXPECT_TRUE(arrived().isEmpty()) << arrived().join(", ").toStdString();
    for (const auto& item : picked) {
        EXPECT_TRUE(item->isRemoveFailed());
        ASSERT_TRUE(item->removeError().has_value());
        EXPECT_EQ(item->removeError()->localizedDescription().toStdString(),
                  "This is the copy you kept, reached through another mount.");
    }
    EXPECT_EQ(manager_->removeImagesSuccessCount(), 0);
    EXPECT_EQ(manager_->removeImagesSuccessSize(), 0);
    EXPECT_EQ(manager_->dupImages().size(), 2);
}

INSTANTIATE_TEST_SUITE_P(EachViewModeAndSide, ScanImagesFuseViewTest,
                         ::testing::Combine(::testing::Values(FuseView::Kind::bindfs, FuseView::Kind::mergerfs),
                                            ::testing::Values(0u, 1u, 2u), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(FuseView::name(std::get<0>(info.param))) + modeName(std::get<1>(info.param)) +
                                    (std::get<2>(info.param) ? "KeptInView" : "PickedInView");
                         });

// Images with two names through a mount that answers for a file it no
// longer reaches, or that reaches them twice (see TwoNameMount): the names
// picked would take the kept ones with them. None goes, in any mode.
class ScanImagesTwoNameTest : public ScanImagesAcrossMountsTest,
                              public ::testing::WithParamInterface<std::tuple<TwoNameMount::Kind, uint>> {};

TEST_P(ScanImagesTwoNameTest, NoPickedNameTakesTheKeptImageWithIt)
{
    const auto [kind, mode] = GetParam();
    TwoNameMount mount(kind, scratch(), {{"a.png", QByteArray(3000, 'a')}, {"b.png", QByteArray(3000, 'b')}});
    if (!mount.mounted()) {
        GTEST_SKIP() << mount.why().toStdString();
    }
    const auto before = treeSnapshot(mount.files());
    const auto groups = searchPaths(mount.root(), {{mount.kept("a.png"), mount.chosen("a.png")},
                                                   {mount.kept("b.png"), mount.chosen("b.png")}});
    ASSERT_EQ(groups.size(), 2);
    const auto picked = pick(groups, [&](const QString& path) { return path.startsWith(mount.chosen("")); });
    ASSERT_EQ(picked.size(), 2);

    removeAs(groups, mode);

    EXPECT_TRUE(treeSnapshot(mount.files()) == before);
    EXPECT_TRUE(arrived().isEmpty()) << arrived().join(", ").toStdString();
    for (const auto& item : picked) {
        ASSERT_TRUE(item->removeError().has_value());
        EXPECT_EQ(item->removeError()->localizedDescription().toStdString(),
                  "This is the copy you kept, reached through another mount.");
    }
    EXPECT_EQ(manager_->removeImagesSuccessCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    EachMountAndMode, ScanImagesTwoNameTest,
    ::testing::Combine(::testing::ValuesIn(TwoNameMount::kinds),
                       ::testing::Values(0u, 1u, 2u)),
    [](const auto& info) { return std::string(TwoNameMount::name(std::get<0>(info.param))) + modeName(std::get<1>(info.param)); });

// An image with a second link outside the search frees nothing when it goes;
// it still counts as removed.
TEST_F(ScanImagesAcrossMountsTest, AnImageWithAnotherLinkFreesNothing)
{
    for (uint mode : {0u, 1u, 2u}) {
        SCOPED_TRACE(mode);
        const QString linked = writeFile("pics/linked.png", QByteArray(5000, 'l'));
        writeFile("pics/linked-keep.png", QByteArray(5000, 'l'));
        const QString single = writeFile("pics/single.png", QByteArray(3000, 's'));
        writeFile("pics/single-keep.png", QByteArray(3000, 's'));
        QDir().mkpath(scratch() + "/outside");
        ASSERT_EQ(::link(QFile::encodeName(linked).constData(),
                         QFile::encodeName(scratch() + "/outside/linked.png").constData()),
                  0);
        const QString p = scratch() + "/pics/";
        auto groups = searchPaths(scratch() + "/pics", {{p + "linked-keep.png", linked}, {p + "single-keep.png", single}});
        pick(groups, [&](const QString& path) { return path == linked || path == single; });
        const qint64 sizeBefore = manager_->removeImagesSuccessSize();
        const qint64 countBefore = manager_->removeImagesSuccessCount();

        removeAs(groups, mode);

        EXPECT_FALSE(QFile::exists(linked));
        EXPECT_FALSE(QFile::exists(single));
        EXPECT_TRUE(QFile::exists(scratch() + "/outside/linked.png"));
        EXPECT_EQ(manager_->removeImagesSuccessCount() - countBefore, 2);
        EXPECT_EQ(manager_->removeImagesSuccessSize() - sizeBefore, 3000);
        QDir(scratch() + "/pics").removeRecursively();
        QDir(scratch() + "/outside").removeRecursively();
    }
}

// The picked image lies on a mount that stopped answering, so its move to
// the Trash waits on a read. A stop ends the removal at once all the same,
// and the late outcome, when the mount answers, is reported nowhere.
TEST_F(ScanImagesAcrossMountsTest, AStopEndsTheRemovalWhileAnImageWaitsOnAStalledMount)
{
#ifndef TWINSWEEP_HAVE_FUSE
    GTEST_SKIP() << "built without FUSE";
#else
    const QByteArray body(20'001, 'p');
    StalledRemoval stalled(scratch() + "/mount", {{"keep.png", body}, {"stuck.png", body}}, "stuck.png");
    StalledFileSystem& mount = stalled.mount();
    if (!mount.mounted()) {
        GTEST_SKIP() << "no FUSE file system could be mounted here";
    }
    const QString m = mount.path();
    const auto groups = searchPaths(m, {{m + "/keep.png", m + "/stuck.png"}});
    ASSERT_EQ(groups.size(), 1);
    const auto picked = pick(groups, [&](const QString& path) { return path == m + "/stuck.png"; });
    ASSERT_EQ(picked.size(), 1);

    manager_->setRemoveType(0);
    ASSERT_NO_FATAL_FAILURE(stalled.stopWhileInHand([&] { manager_->removeDuplicatesImages(groups); },
                                                    [&] { manager_->stopRemove(); },
                                                    [&] { return delegate_.events().contains("removeStop"); }));
    manager_->waitForRemoval();
    EXPECT_TRUE(mount.stalled());
    const QStringList events = delegate_.events();
    EXPECT_EQ(manager_->scanState(), 7u);
    EXPECT_EQ(manager_->removeImagesSuccessCount(), 0);
    EXPECT_FALSE(picked.first()->isRemoveFailed());

    ASSERT_NO_FATAL_FAILURE(stalled.answerLate());
    EXPECT_EQ(delegate_.events(), events);
    EXPECT_EQ(manager_->scanState(), 7u);
    EXPECT_EQ(manager_->removeImagesSuccessCount(), 0);
    EXPECT_FALSE(picked.first()->isRemoveFailed());
    EXPECT_EQ(manager_->dupImages().size(), 1);
    EXPECT_TRUE(QFile::exists(m + "/stuck.png"));
#endif
}

// The kept image lies on a mount that stopped answering, so the check that
// the picked one is not that very image waits on it. The removal is stopped
// and ends without it, and the next removal starts before the mount answers:
// the late check does not take the picked image, whose removal was stopped.
TEST_F(ScanImagesAcrossMountsTest, AStoppedRemovalRemovesNothingWhenItsCheckComesBackLate)
{
#ifndef TWINSWEEP_HAVE_FUSE
    GTEST_SKIP() << "built without FUSE";
#else
    const QByteArray body(20'001, 'k');
    // Opened twice by the search (its dimensions are read), then held.
    StalledFileSystem mount(scratch() + "/mount", {{"keep.png", body}}, "keep.png", 3);
    if (!mount.mounted()) {
        GTEST_SKIP() << "no FUSE file system could be mounted here";
    }
    const QString picked = writeFile("pics/pick.png", body);
    const auto groups = searchPaths(scratch(), {{mount.path() + "/keep.png", picked}});
    ASSERT_EQ(groups.size(), 1);
    ASSERT_EQ(pick(groups, [&](const QString& path) { return path == picked; }).size(), 1);
    const int64_t droppedBefore = RemoveRun::droppedOutcomes();

    manager_->setRemoveType(1);
    manager_->removeDuplicatesImages(groups);
    ASSERT_TRUE(mount.waitStalled());
    manager_->stopRemove();
    manager_->waitForRemoval();
    EXPECT_EQ(manager_->scanState(), 7u);
    removeAndWait({});
    ASSERT_FALSE(manager_->removalRuns());

    mount.release();
    ASSERT_TRUE(waitUntil([&] { return RemoveRun::droppedOutcomes() > droppedBefore; }));
    EXPECT_TRUE(QFile::exists(picked));
    EXPECT_EQ(manager_->removeImagesSuccessCount(), 0);
#endif
}

}  // namespace
