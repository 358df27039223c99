// Removal of the chosen images: Trash, folder, permanent; failures and stop.
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include "Foundation/FileManager.h"
#include "Foundation/Trash.h"
#include "GA/QVDAEventObserver.h"
#include "Main/GACollectionManager.h"
#include "QVBaseLib/Helper.h"
#include "ScanImagesRemoveFixture.h"
#include "ScanImagesTestSupport.h"
#include "TestSupport.h"
#include "WindowsNamesVolume.h"

namespace {

// A folder swapped for a link after the search never leads a removal to the
// image that stays, in any mode; a file swapped for a link is refused too.
TEST_F(ScanImagesRemoveTest, aFolderOrFileSwappedForALinkIsNeverRemovedThrough)
{
    const QString dest = scratch() + "/dest";
    QDir().mkpath(dest);
    const QString r = scratch() + "/R";
    for (uint mode : {0u, 1u, 2u, 3u}) {
        SCOPED_TRACE(mode);
        const QString kept = writeFile("R/A/y.png", QByteArray(100, 'x'));
        const QString chosen = writeFile("R/B/y.png", QByteArray(100, 'x'));
        copyTimes(kept, chosen);
        ScriptedLibrary::script = [&](FoundDupCallback found, ProgressCallback progress) {
            sendFound(found, kept, {kept, chosen});
            sendProgress(progress, 1, 1, 0, QString());
            return kOk;
        };
        manager_->findDuplicateImages({QFile::encodeName(r)});
        const auto groups = manager_->dupImages();
        ASSERT_EQ(groups.size(), 1);
        select(groups, {});
        ScanImagesItemPtr item;
        for (const auto& i : groups[0]->dupImageItems()) {
            if (i->imagePath() == chosen) {
                item = i;
            }
        }
        ASSERT_TRUE(item);
        item->setIsSelect(true);
        if (mode == 3) {
            // The file itself became a link to the one that stays.
            ASSERT_TRUE(QFile::remove(chosen));
            ASSERT_TRUE(QFile::link(kept, chosen));
        } else {
            ASSERT_TRUE(QDir(r).rename("B", "B.moved"));
            ASSERT_TRUE(QFile::link(r + "/A", r + "/B"));
        }
        const auto before = treeSnapshot(r);
        manager_->setRemoveType(mode == 3 ? 1 : mode);
        manager_->setRemovePath(QFile::encodeName(dest));
        removeAndWait(groups);

        EXPECT_EQ(treeSnapshot(r), before);
        EXPECT_TRUE(QDir(dest).isEmpty());
        EXPECT_TRUE(QDir(QFile::decodeName(Trash::filesFolder())).isEmpty());
        EXPECT_EQ(manager_->removeImagesSuccessCount(), 0);
        EXPECT_TRUE(item->isRemoveFailed());
        ASSERT_TRUE(item->removeError().has_value());
        EXPECT_EQ(item->removeError()->localizedDescription(), "The file has changed since the scan.");
        QDir(r).removeRecursively();
    }
}

TEST_F(ScanImagesRemoveTest, toTheTrashWithInformationAndGroupsThatKeepTwo)
{
    QVDAEventRecorder recorder;
    auto groups = search({{"a.png", "b.png", "c.png"}, {"d.png", "e.png", "f.png"}});
    select(groups, {"a.png", "b.png", "d.png"});
    manager_->setRemoveType(0);
    removeAndWait(groups);

    EXPECT_EQ(delegate_.events().mid(delegate_.events().indexOf("removeStart")), (QStringList{"removeStart", "removeFinish"}));
    EXPECT_EQ(manager_->scanState(), 8u);
    EXPECT_EQ(manager_->removeImagesTotalCount(), 3);
    EXPECT_EQ(manager_->removeImagesSuccessCount(), 3);
    EXPECT_EQ(manager_->removeImagesSuccessSize(), 300);
    EXPECT_EQ(delegate_.progress(), (std::vector<double>{1.0 / 3, 2.0 / 3, 1.0}));
    EXPECT_TRUE(QFile::exists(QFile::decodeName(Trash::filesFolder()) + "/a.png"));
    EXPECT_TRUE(QFile::exists(QFile::decodeName(Trash::infoFolder()) + "/a.png.trashinfo"));
    EXPECT_FALSE(QFile::exists(scratch() + "/pics/a.png"));

    // The group left with one image is gone; the other keeps two, unselected.
    const auto left = manager_->dupImages();
    ASSERT_EQ(left.size(), 1);
    EXPECT_EQ(names(left), (QStringList{"e.png", "f.png"}));
    EXPECT_EQ(left[0]->groupName(), "Group 1");
    EXPECT_EQ(left[0]->groupCount(), 2);
    EXPECT_EQ(left[0]->groupSize(), 200);
    EXPECT_EQ(left[0]->isSelect(), 0);
    EXPECT_TRUE(recorder.contains("AfterDeleter", "SuccessRemove", "3_3_Image"));

    // A second removal adds to the counts; a new search clears them.
    select(left, {"e.png"});
    removeAndWait(left);
    EXPECT_EQ(manager_->removeImagesSuccessCount(), 4);
    search({{"g.png", "h.png"}});
    EXPECT_EQ(manager_->removeImagesSuccessCount(), 0);
}

TEST_F(ScanImagesRemoveTest, toAFolderNeverReplacingAndPermanently)
{
    auto groups = search({{"a.png", "b.png", "c.png"}});
    const QString dest = scratch() + "/dest";
    QDir().mkpath(dest);
    QFile taken(dest + "/a.png");
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    taken.write("keep me");
    taken.close();
    select(groups, {"a.png"});
    manager_->setRemoveType(2);
    manager_->setRemovePath(QFile::encodeName(dest));
    removeAndWait(groups);
    QStringList inDest = QDir(dest).entryList(QDir::Files);
    inDest.sort();
    ASSERT_EQ(inDest.size(), 2);
    EXPECT_EQ(inDest[1], "a.png");
    EXPECT_TRUE(QRegularExpression(R"(^a \d{4}-\d\d-\d\d \d\d:\d\d:\d\d:\d{3}\.png$)").match(inDest[0]).hasMatch()) << inDest[0].toStdString();
    QFile kept(dest + "/a.png");
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "keep me");

    const QString stamped = manager_->setRemoveDestPath(dest, "a.png");
    EXPECT_TRUE(stamped.startsWith(dest + "/a ")) << stamped.toStdString();
    QFile bare(dest + "/a");
    ASSERT_TRUE(bare.open(QIODevice::WriteOnly));
    // A name without an extension takes the stamp and no dot.
    EXPECT_TRUE(QRegularExpression(R"(/a \d{4}-\d\d-\d\d \d\d:\d\d:\d\d:\d{3}$)")
                    .match(manager_->setRemoveDestPath(dest, "a"))
                    .hasMatch());

    groups = manager_->dupImages();
    select(groups, {"b.png"});
    manager_->setRemoveType(1);
    removeAndWait(groups);
    EXPECT_FALSE(QFile::exists(scratch() + "/pics/b.png"));
    EXPECT_EQ(QDir(QFile::decodeName(Trash::filesFolder())).entryList(QDir::Files).size(), 0);
}

TEST_F(ScanImagesRemoveTest, missingFilesFailingMovesAndUnknownModesCountAsFailed)
{
    QVDAEventRecorder recorder;
    auto groups = search({{"a.png", "b.png", "c.png"}});
    select(groups, {"a.png", "b.png", "c.png"});
    QFile::remove(scratch() + "/pics/a.png");
    FileManagerFaults faults;
    faults.fail = [](FileStep step, const QByteArray& path) {
        return step == FileStep::rename && path.endsWith("b.png") ? EACCES : 0;
    };
    FileManager::setFaults(faults);
    ScanImagesItemPtr a, b, c;
    for (const auto& item : groups[0]->dupImageItems()) {
        (item->imageName() == "a.png" ? a : item->imageName() == "b.png" ? b : c) = item;
    }
    manager_->setRemoveType(0);
    removeAndWait(groups);

    EXPECT_TRUE(a->isRemoveFailed());
    EXPECT_FALSE(a->isSelect());
    ASSERT_TRUE(a->removeError().has_value());
    EXPECT_EQ(a->removeError()->domain, "file path does not exist.");
    EXPECT_EQ(a->removeError()->code, 1);
    EXPECT_TRUE(b->isRemoveFailed());
    EXPECT_TRUE(b->removeError().has_value());
    EXPECT_TRUE(QFile::exists(scratch() + "/pics/b.png"));
    EXPECT_FALSE(c->isRemoveFailed());
    EXPECT_EQ(recorder.count("AfterDeleter", "Fail"), 2);
    EXPECT_EQ(delegate_.events().back(), "removeFinish");
    // Failed images stay in their group; the removed one leaves it.
    EXPECT_EQ(names(manager_->dupImages()), (QStringList{"a.png", "b.png"}));

    FileManager::clearFaults();
    groups = search({{"x.png", "y.png"}});
    select(groups, {"x.png"});
    const auto items = groups[0]->dupImageItems();
    manager_->setRemoveType(7);
    removeAndWait(groups);
    EXPECT_TRUE(QFile::exists(scratch() + "/pics/x.png"));
    EXPECT_EQ(manager_->removeImagesSuccessCount(), 0);
    EXPECT_TRUE(items[0]->isRemoveFailed() || items[1]->isRemoveFailed());
    EXPECT_EQ(delegate_.progress().back(), 0.0);
}

TEST_F(ScanImagesRemoveTest, aStopTakesRemovedImagesOutBeforeItIsReported)
{
    auto groups = search({{"a.png", "b.png"}, {"c.png", "d.png", "e.png"}});
    select(groups, {"a.png", "c.png", "d.png"});
    delegate_.onRemoveProgress = [&](double) { manager_->stopRemove(); };
    manager_->setRemoveType(1);
    removeAndWait(groups);
    EXPECT_EQ(delegate_.events().back(), "removeStop");
    EXPECT_EQ(delegate_.events().filter("removeFinish").size(), 0);
    EXPECT_EQ(manager_->scanState(), 7u);
    EXPECT_EQ(manager_->removeImagesSuccessCount(), 1);
    // Whichever went first is no longer listed; the others stay selected.
    const auto left = manager_->dupImages();
    const QStringList listed = names(left);
    EXPECT_EQ(listed.size() + 1 + (left.size() < 2 ? 1 : 0), 5);
    for (const auto& g : left) {
        EXPECT_GE(g->groupCount(), 2);
        for (const auto& item : g->dupImageItems()) {
            EXPECT_TRUE(QFile::exists(QFile::decodeName(item->rawPath())));
        }
    }
}

// The result events are counted on a worker while the removal rewrites the
// very groups they were given: the events work on their own copy.
TEST_F(ScanImagesRemoveTest, resultEventsCountTheGroupsAsGivenWhileARemovalRewritesThem)
{
    QVDAEventRecorder recorder;
    QList<QStringList> sets;
    for (int g = 0; g < 8; ++g) {
        QStringList names;
        for (int i = 0; i < 12; ++i) {
            names << QStringLiteral("g%1_%2.%3").arg(g).arg(i).arg(g % 2 ? "png" : "jpg");
        }
        sets << names;
    }
    sets << QStringList{"r1.ras", "r2.ras"};
    const auto groups = search(sets);
    ASSERT_EQ(groups.size(), 9);
    QStringList chosen{"r1.ras", "r2.ras"};
    for (int g = 0; g < 8; ++g) {
        for (int i = 6; i < 12; ++i) {
            chosen << QStringLiteral("g%1_%2.%3").arg(g).arg(i).arg(g % 2 ? "png" : "jpg");
        }
    }
    select(groups, chosen);
    manager_->setRemoveType(1);

    GACollectionManager::default_().collectionResultGA(groups, *manager_);
    removeAndWait(groups);
    ASSERT_TRUE(waitUntil([&] { return recorder.contains("Result", "unsupport"); }));
    // As the groups were when the events were asked for, the removed
    // group of two unsupported images included.
    EXPECT_TRUE(recorder.contains("Result", "unsupport", "1_2"));
    EXPECT_TRUE(recorder.contains("Result", "FormatSN", "jpg_1"));
    EXPECT_TRUE(recorder.contains("Result", "FormatSN", "png_2"));
    EXPECT_TRUE(recorder.contains("Result", "FormatSN", "ras_3"));
    EXPECT_EQ(names(manager_->dupImages()).size(), 8 * 6);
}

// An image the user picked goes only while one not picked in its group is
// still what the search saw, whatever the mode; a group picked whole goes.
TEST_F(ScanImagesRemoveTest, pickedImagesStayWhenNoImageLeftUnpickedIsAsFound)
{
    const QString dest = scratch() + "/dest";
    QDir().mkpath(dest);
    for (uint mode : {0u, 1u, 2u}) {
        SCOPED_TRACE(mode);
        const QString m = QString::number(mode);
        auto groups = search({{m + "del-keep.png", m + "del-pick.png"},
                              {m + "rew-keep.png", m + "rew-pick.png"},
                              {m + "gone-keep.png", m + "still-keep.png", m + "ok-pick.png"},
                              {m + "all-a.png", m + "all-b.png"}});
        select(groups, {m + "del-pick.png", m + "rew-pick.png", m + "ok-pick.png", m + "all-a.png", m + "all-b.png"});
        ASSERT_TRUE(QFile::remove(scratch() + "/pics/" + m + "del-keep.png"));
        writeFile("pics/" + m + "rew-keep.png", QByteArray(100, 'y'));
        const struct timespec times[2] = {{UTIME_OMIT, 0}, {1500000000, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(scratch() + "/pics/" + m + "rew-keep.png").constData(),
                              times, 0),
                  0);
        ASSERT_TRUE(QFile::remove(scratch() + "/pics/" + m + "gone-keep.png"));
        QList<ScanImagesItemPtr> refused;
        for (const auto& g : groups) {
            for (const auto& item : g->dupImageItems()) {
                if (item->imageName() == m + "del-pick.png" || item->imageName() == m + "rew-pick.png") {
                    refused.append(item);
                }
            }
        }
        const qint64 before = manager_->removeImagesSuccessCount();
        manager_->setRemoveType(mode);
        manager_->setRemovePath(QFile::encodeName(dest));

        removeAndWait(groups);

        EXPECT_EQ(manager_->removeImagesSuccessCount() - before, 3);
        ASSERT_EQ(refused.size(), 2);
        for (const auto& item : refused) {
            EXPECT_TRUE(QFile::exists(item->imagePath())) << item->imagePath().toStdString();
            EXPECT_TRUE(item->isRemoveFailed());
            EXPECT_FALSE(item->isSelect());
            ASSERT_TRUE(item->removeError().has_value());
            EXPECT_EQ(item->removeError()->localizedDescription(),
                      "The copy you kept has changed or is gone since the scan.");
        }
        for (const char* goneName : {"ok-pick.png", "all-a.png", "all-b.png"}) {
            EXPECT_FALSE(QFile::exists(scratch() + "/pics/" + m + goneName)) << goneName;
        }
        EXPECT_TRUE(QFile::exists(scratch() + "/pics/" + m + "still-keep.png"));
        // The refused images stay on show, with their marks.
        EXPECT_EQ(names(manager_->dupImages()).filter(QRegularExpression("^" + m + "(del|rew)-pick")).size(), 2);
    }
    EXPECT_EQ(QDir(dest).entryList(QDir::Files).size(), 3);
    EXPECT_EQ(QDir(QFile::decodeName(Trash::filesFolder())).entryList(QDir::Files).size(), 3);
}

// An NTFS folder with Windows' naming rules refuses a name holding '?':
// the image stays, marked with an error that says why.
TEST_F(ScanImagesRemoveTest, aNameTheFoldersDiskRefusesStaysAndSaysWhy)
{
    WindowsNamesVolume volume;
    if (!volume.mounted()) {
        GTEST_SKIP() << volume.why().toStdString();
    }
    const QString dest = volume.path() + "/dest";
    ASSERT_TRUE(QDir().mkpath(dest));
    auto groups = search({{"a.png", "b?.png", "c.png"}});
    select(groups, {"b?.png", "c.png"});
    manager_->setRemoveType(2);
    manager_->setRemovePath(QFile::encodeName(dest));

    removeAndWait(groups);

    EXPECT_TRUE(QFile::exists(scratch() + "/pics/b?.png"));
    EXPECT_FALSE(QFile::exists(scratch() + "/pics/c.png"));
    EXPECT_EQ(QDir(dest).entryList(QDir::Files | QDir::Hidden), QStringList{"c.png"});
    ScanImagesItemPtr refused;
    for (const auto& item : groups[0]->dupImageItems()) {
        refused = item->imageName() == "b?.png" ? item : refused;
    }
    ASSERT_TRUE(refused);
    EXPECT_TRUE(refused->isRemoveFailed());
    ASSERT_TRUE(refused->removeError().has_value());
    EXPECT_EQ(refused->removeError()->localizedDescription(),
              QString("\u201Cb?.png\u201D couldn\u2019t be moved to \u201C%1\u201D: its name is not allowed on the disk "
                      "\u201C%2\u201D.")
                  .arg(dest, volume.path()));
}

}  // namespace
