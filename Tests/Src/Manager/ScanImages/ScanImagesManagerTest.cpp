// The similar-image search: what the engine hands the library, and how it
// turns the library's reports into groups and delegate calls.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QVariantMap>

#include <map>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "Foundation/PropertyList.h"
#include "HoldPoint.h"
#include "Foundation/ResourceValues.h"
#include "ImageSet.h"
#include "Manager/DiskInfo.h"
#include "QVBaseLib/Helper.h"
#include "ScanImagesTestSupport.h"
#include "TestSupport.h"

namespace {

class ScanImagesSearchTest : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        ScriptedLibrary::reset();
        manager_ = std::make_unique<ScanImagesManager>(ScriptedLibrary::functions());
        manager_->setDelegate(&delegate_);
        manager_->setThumbnailsEnabledForTesting(false);
    }
    void TearDown() override
    {
        manager_.reset();
        ScriptedLibrary::reset();
        TempHomeTest::TearDown();
    }
    void writeSettings(const QVariantMap& settings)
    {
        ASSERT_TRUE(PropertyList::writeFile(Helper::appSuportWithBundleIdentifier() + "/PreferenceInfo.plist", settings));
    }

    RecordingDelegate delegate_;
    std::unique_ptr<ScanImagesManager> manager_;
};

TEST_F(ScanImagesSearchTest, folderMergeComparesWholeComponents)
{
    manager_->isContainFolder("/Users/a/Pictures");
    manager_->isContainFolder("/Users/a");
    EXPECT_EQ(manager_->scanFolderList(), QByteArrayList{"/Users/a"});

    manager_->findDuplicateImages({"/Users/a", "/Users/a/Pictures"});
    EXPECT_EQ(manager_->scanFolderList(), QByteArrayList{"/Users/a"});

    manager_->findDuplicateImages({"/home/a", "/home/ab", "/data/photos", "/photos", "/home/a/"});
    EXPECT_EQ(manager_->scanFolderList(), (QByteArrayList{"/home/a", "/home/ab", "/data/photos", "/photos"}));
}

TEST_F(ScanImagesSearchTest, settingsReachTheLibraryRecord)
{
    writeSettings({{"threshold", "10"},
                   {"similarImageMaxSelect", true}, {"similarImageMaxFileSize", "5"}, {"similarImageMaxSizeType", "GB"},
                   {"similarImageMinSelect", true}, {"similarImageMinFileSize", "20"}, {"similarImageMinSizeType", "KB"},
                   {"DupImagesWhiteListPath", QVariantList{"/w/one", "/w/two"}},
                   {"hiddenFile", true}});
    manager_->findDuplicateImages({"/pics"});
    ASSERT_EQ(ScriptedLibrary::calls.size(), 1u);
    const auto& call = ScriptedLibrary::calls[0];
    EXPECT_EQ(call.paths, (QStringList{"/pics/", "/w/one/", "/w/two/"}));
    EXPECT_EQ(call.whiteList, (QStringList{"/w/one/", "/w/two/"}));
    EXPECT_DOUBLE_EQ(call.options.threshold, 20.0);
    EXPECT_EQ(call.options.maxFileSize, 2147483647);  // 5 GB does not fit: the largest that does
    EXPECT_EQ(call.options.minFileSize, 20000);
    EXPECT_EQ(call.options.extensionCount, 18);
    EXPECT_EQ(call.options.skipHidden, 1);
    EXPECT_EQ(call.options.flag, 0);

    writeSettings({{"threshold", "150"}, {"similarImageMaxSelect", false}, {"similarImageMaxFileSize", "5"}});
    manager_->findDuplicateImages({"/"});
    const auto& second = ScriptedLibrary::calls[1];
    EXPECT_DOUBLE_EQ(second.options.threshold, 100.0);
    EXPECT_EQ(second.options.maxFileSize, 0);
    EXPECT_EQ(second.options.skipHidden, 0);
    EXPECT_EQ(second.paths, QStringList{DiskInfo::customHomeDirectory() + "/"});

    QFile::remove(Helper::appSuportWithBundleIdentifier() + "/PreferenceInfo.plist");
    const QString users = QDir(DiskInfo::customHomeDirectory()).absolutePath().section('/', 0, -2);
    manager_->findDuplicateImages({QFile::encodeName(users)});
    EXPECT_DOUBLE_EQ(ScriptedLibrary::calls[2].options.threshold, 85.0);
    EXPECT_EQ(ScriptedLibrary::calls[2].paths, QStringList{DiskInfo::customHomeDirectory() + "/"});
}

TEST_F(ScanImagesSearchTest, progressIsThrottledButTheEndAlwaysArrives)
{
    double clock = 1000.0;
    manager_->setClockForTesting([&] { return clock; });
    ScriptedLibrary::script = [&](FoundDupCallback, ProgressCallback progress) {
        sendProgress(progress, 0, 0.1, 10, "/a.png");
        clock += 0.1;
        sendProgress(progress, 0, 0.2, 10, "/b.png");  // dropped
        clock += 0.15;
        sendProgress(progress, 0, 0.3, 10, "/c.png");
        clock += 0.01;
        sendProgress(progress, 1, 1.0, 10, "/c.png");
        return kOk;
    };
    manager_->findDuplicateImages({"/pics"});
    EXPECT_EQ(delegate_.events(), (QStringList{"start", "progress 0.1 10 /a.png", "progress 0.3 10 /c.png", "finished 1"}));
}

TEST_F(ScanImagesSearchTest, reportsOfOneSourceMergeAndGroupsAreSortedAndNamed)
{
    const QString a = writeFile("a.png", QByteArray(300, 'a'));
    const QString b = writeFile("b.png", QByteArray(100, 'b'));
    const QString c = writeFile("c.png", QByteArray(100, 'c'));
    const QString d = writeFile("d.png", QByteArray(250, 'd'));
    const QString e = writeFile("e.png", QByteArray(250, 'e'));
    double clock = 1000.0;
    manager_->setClockForTesting([&] { return clock; });
    ScriptedLibrary::script = [&](FoundDupCallback found, ProgressCallback progress) {
        sendFound(found, c, {c, b});
        sendFound(found, d, {d, e});
        clock += 2.5;  // the second report of c's group passes the 2 s delivery throttle
        sendFound(found, c, {a});
        sendProgress(progress, 1, 1, 5, QString());
        return kOk;
    };
    manager_->findDuplicateImages({QFile::encodeName(scratch())});
    EXPECT_EQ(delegate_.events(), (QStringList{"start", "data 2", "finished 1"}));
    const ScanImagesGroupList groups = manager_->dupImages();
    ASSERT_EQ(groups.size(), 2);
    // 500 bytes in three images before 500 bytes in two.
    EXPECT_EQ(groups[0]->sourceImagePath(), c);
    EXPECT_EQ(groups[0]->groupCount(), 3);
    EXPECT_EQ(groups[0]->groupSize(), 500);
    EXPECT_EQ(groups[0]->groupName(), "Group 1");
    EXPECT_EQ(groups[1]->groupName(), "Group 2");
    // By size, then by path.
    EXPECT_EQ(groups[0]->dupImageItems()[0]->imagePath(), a);
    EXPECT_EQ(groups[0]->dupImageItems()[1]->imagePath(), b);
    EXPECT_EQ(groups[0]->dupImageItems()[2]->imagePath(), c);
    const auto item = groups[0]->dupImageItems()[0];
    EXPECT_EQ(item->imageName(), "a.png");
    EXPECT_EQ(item->pathExtension(), "png");
    EXPECT_TRUE(item->medifiedDate().has_value());
    EXPECT_FALSE(item->dimension().has_value());  // not an image
    EXPECT_FALSE(item->isSelect());
}

TEST_F(ScanImagesSearchTest, aVanishedFileAndBrokenJsonDoNoHarm)
{
    ScriptedLibrary::script = [&](FoundDupCallback found, ProgressCallback progress) {
        const QByteArray junk = "{not json";
        found(JsonData{junk.constData(), uint32_t(junk.size())});
        progress(0, JsonData{junk.constData(), uint32_t(junk.size())});
        sendFound(found, "/gone/x.png", {"/gone/x.png", "/gone/y.png"});
        sendProgress(progress, 2, 0.5, 2, QString());
        return kStoped;
    };
    manager_->findDuplicateImages({"/gone"});
    EXPECT_EQ(delegate_.events(), (QStringList{"start", "progress 0 0 ", "stopped 3"}));
    const auto groups = manager_->dupImages();
    ASSERT_EQ(groups.size(), 1);
    EXPECT_EQ(groups[0]->dupImageItems()[0]->imageSize(), 0);
    EXPECT_FALSE(groups[0]->dupImageItems()[0]->medifiedDate().has_value());
}

// The identity an image is reported with is what the library read, every
// digit of it (JSON numbers would round an inode or a time in nanoseconds);
// a report that names none leaves the file to be looked at as it is.
TEST_F(ScanImagesSearchTest, theIdentityReportedIsKeptWholeAndANameWithoutOneIsLookedAt)
{
    const QString a = writeFile("a.png", QByteArray(100, 'a'));
    const QString b = writeFile("b.png", QByteArray(100, 'b'));
    ScriptedLibrary::script = [&](FoundDupCallback found, ProgressCallback progress) {
        const QJsonObject read{{"device", "2049"},
                               {"inode", "18446744073709551557"},
                               {"size", "100"},
                               {"mtime_ns", "-86400000000001"},
                               {"ctime_ns", "1700000000987654321"}};
        const QJsonArray infos{QJsonObject{{"path", a}, {"similarity", 100.0}, {"identity", read}},
                               QJsonObject{{"path", b}, {"similarity", 90.0}}};
        const QByteArray json =
            QJsonDocument(QJsonArray{QJsonObject{{"path", a}, {"similar_img_infos", infos}}}).toJson();
        found(JsonData{json.constData(), uint32_t(json.size())});
        sendProgress(progress, 1, 1, 2, QString());
        return kOk;
    };
    manager_->findDuplicateImages({QFile::encodeName(scratch())});
    const auto groups = manager_->dupImages();
    ASSERT_EQ(groups.size(), 1);
    std::map<QString, ItemIdentity> identities;
    for (const auto& item : groups[0]->dupImageItems()) {
        identities[item->imageName()] = item->identity();
    }
    const ItemIdentity reported = identities["a.png"];
    EXPECT_EQ(reported.device, dev_t(2049));
    EXPECT_EQ(reported.inode, ino_t(18446744073709551557ULL));
    EXPECT_EQ(reported.type, mode_t(S_IFREG));
    EXPECT_EQ(reported.size, 100);
    EXPECT_EQ(reported.modificationTimeNs, -86400000000001LL);
    EXPECT_EQ(reported.statusChangeTimeNs, 1700000000987654321LL);
    struct stat st {};
    ASSERT_EQ(::lstat(QFile::encodeName(b).constData(), &st), 0);
    EXPECT_TRUE(identities["b.png"].matches(st));
    EXPECT_EQ(identities["b.png"].statusChangeTimeNs, int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec);
}

TEST_F(ScanImagesSearchTest, aLibraryThatEndsWithoutItsReportStillEndsTheScan)
{
    ScriptedLibrary::script = [](FoundDupCallback, ProgressCallback) { return kCrashed; };
    manager_->findDuplicateImages({"/pics"});
    EXPECT_EQ(delegate_.events(), (QStringList{"start", "stopped 3"}));

    ScriptedLibrary::script = [](FoundDupCallback, ProgressCallback progress) {
        sendProgress(progress, 1, 1, 0, QString());
        return kOk;
    };
    manager_->findDuplicateImages({"/pics"});
    EXPECT_EQ(delegate_.events().mid(2), (QStringList{"start", "finished 1"}));
}

TEST_F(ScanImagesSearchTest, stopAsksTheLibraryAndAgainWhileItRuns)
{
    ScriptedLibrary::script = [&](FoundDupCallback, ProgressCallback progress) {
        manager_->stop();
        EXPECT_TRUE(waitUntil([] { return ScriptedLibrary::stops >= 1; }));
        sendProgress(progress, 0, 0.5, 2, QString());  // the engine repeats a stop asked earlier
        sendProgress(progress, 2, 0.5, 2, QString());
        return kStoped;
    };
    manager_->findDuplicateImages({"/pics"});
    EXPECT_EQ(manager_->scanState(), 3u);
    EXPECT_GE(ScriptedLibrary::stops, 2);
    EXPECT_EQ(delegate_.events().back(), "stopped 3");
}

// The images of a reported group are made (facts and thumbnail) off the
// library's thread: its progress goes on while a slow thumbnail is made, and
// a stop ends the search at once with the groups made so far, the group in
// hand given up whole.
TEST_F(ScanImagesSearchTest, progressGoesOnWhileImagesAreMadeAndAStopDoesNotWaitForThem)
{
    const QString a = writeFile("a.png", QByteArray(300, 'a'));
    const QString b = writeFile("b.png", QByteArray(200, 'b'));
    const QString c = writeFile("c.png", QByteArray(100, 'c'));
    const QString d = writeFile("d.png", QByteArray(100, 'd'));
    HoldPoint slowThumbnail;
    manager_->setThumbnailMakerForTesting([&](const QByteArray& path) {
        if (path == QFile::encodeName(d)) {
            slowThumbnail.wait();
        }
        return QImage();
    });
    bool progressWhileHeld = false;
    delegate_.onScanProgress = [&](double) { progressWhileHeld = slowThumbnail.isHolding(); };
    ScriptedLibrary::script = [&](FoundDupCallback found, ProgressCallback progress) {
        sendFound(found, a, {a, b});
        sendFound(found, c, {c, d});
        EXPECT_TRUE(slowThumbnail.waitUntilHolding());
        sendProgress(progress, 0, 0.5, 4, "/p.png");
        EXPECT_TRUE(progressWhileHeld);
        manager_->stop();
        EXPECT_EQ(delegate_.events().back().toStdString(), "stopped 3");
        EXPECT_TRUE(slowThumbnail.isHolding());
        slowThumbnail.release();
        sendFound(found, a, {QStringLiteral("/late.png")});
        sendProgress(progress, 0, 0.7, 4, "/q.png");
        sendProgress(progress, 2, 0.7, 4, QString());
        return kStoped;
    };
    manager_->findDuplicateImages({QFile::encodeName(scratch())});
    EXPECT_FALSE(manager_->isSearching());
    // One end, nothing after it, and only the group made before the stop.
    EXPECT_EQ(delegate_.events(), (QStringList{"start", "progress 0.5 4 /p.png", "stopped 3"}));
    const ScanImagesGroupList groups = manager_->dupImages();
    ASSERT_EQ(groups.size(), 1);
    EXPECT_EQ(groups[0]->sourceImagePath(), a);
    EXPECT_EQ(groups[0]->groupCount(), 2);
    EXPECT_EQ(groups[0]->groupName(), "Group 1");
}

// The real library, end to end, over generated images.
TEST_F(ScanImagesSearchTest, realLibraryFindsTheVariantsAndStopsOnRequest)
{
    ScanImagesManager& real = ScanImagesManager::shared();
    RecordingDelegate delegate;
    real.setDelegate(&delegate);
    const std::string root = (scratch() + "/set").toStdString();
    QDir().mkpath(QString::fromStdString(root));
    for (unsigned seed = 1; seed <= 3; ++seed) {
        const cv::Mat base = imageset::makeBase(imageset::Kind::photo, seed, {320, 240});
        ASSERT_TRUE(imageset::write(root + "/p" + std::to_string(seed) + ".png", base));
        ASSERT_TRUE(imageset::write(root + "/p" + std::to_string(seed) + "_small.jpg", imageset::resized(base, 0.5), 60));
    }
    ASSERT_TRUE(imageset::write(root + "/alone.png", imageset::makeBase(imageset::Kind::shapes, 9, {320, 240})));
    real.findDuplicateImages({QByteArray::fromStdString(root)});
    EXPECT_EQ(delegate.events().back(), "finished 1");
    const auto groups = real.dupImages();
    ASSERT_EQ(groups.size(), 3);
    for (const auto& group : groups) {
        EXPECT_EQ(group->groupCount(), 2);
        EXPECT_TRUE(group->dupImageItems()[0]->dimension().has_value());
        EXPECT_FALSE(group->dupImageItems()[0]->thumImage().isNull());
        EXPECT_LE(group->dupImageItems()[0]->thumImage().width(), 60 * 4);
    }

    // Stop during decoding: the search ends with the stopped report.
    for (int i = 0; i < 250; ++i) {
        ASSERT_TRUE(imageset::write(root + "/n" + std::to_string(i) + ".png",
                                    imageset::makeBase(imageset::Kind::noise, unsigned(100 + i), {320, 240})));
    }
    delegate.onScanProgress = [&](double) { real.stop(); };
    real.findDuplicateImages({QByteArray::fromStdString(root)});
    const QString end = delegate.events().back();
    EXPECT_TRUE(end == "stopped 3" || end == "finished 1") << end.toStdString();
    EXPECT_EQ(delegate.events().filter("stopped").size() + delegate.events().filter("finished").size(), 2);
    real.setDelegate(nullptr);
}

}  // namespace

// A chosen folder whose name is not UTF-8 reaches the library as its bytes,
// and so does a white-list entry that the settings keep as its URL text.
TEST_F(ScanImagesSearchTest, aRootWhoseNameIsNotUtf8IsSearchedAndWhiteListedByItsBytes)
{
    ScanImagesManager& real = ScanImagesManager::shared();
    RecordingDelegate delegate;
    real.setDelegate(&delegate);
    real.setThumbnailsEnabledForTesting(false);
    const QByteArray root = QFile::encodeName(scratch()) + "/R/r\xff\xfeoot";
    ASSERT_TRUE(writeFileBytes(root + "/inner/notes.txt", "not an image"));
    const cv::Mat base = imageset::makeBase(imageset::Kind::photo, 4, {320, 240});
    ASSERT_TRUE(imageset::write((root + "/a.png").toStdString(), base));
    ASSERT_TRUE(imageset::write((root + "/inner/b.png").toStdString(), base));

    real.findDuplicateImages({root});
    EXPECT_EQ(delegate.events().back(), "finished 1");
    const auto groups = real.dupImages();
    ASSERT_EQ(groups.size(), 1);
    QByteArrayList paths;
    for (const auto& item : groups[0]->dupImageItems()) {
        paths << item->rawPath();
    }
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (QByteArrayList{root + "/a.png", root + "/inner/b.png"}));

    writeSettings({{"DupImagesWhiteListPath", QVariantList{FilePath::storedText(root + "/inner")}}});
    real.findDuplicateImages({root});
    EXPECT_TRUE(real.dupImages().isEmpty());
    real.setThumbnailsEnabledForTesting(true);
    real.setDelegate(nullptr);
}

// What lies in the Trash the user has already removed: an image there is
// never offered beside the one the user kept, and a Trash folder chosen to
// search is named as left out instead of handed to the library.
TEST_F(ScanImagesSearchTest, theTrashIsNeverSearched)
{
    const QByteArray trash = QFile::encodeName(dataHome()) + "/Trash";
    manager_->findDuplicateImages({"/pics", trash + "/files", trash + "/info/", "/pics2"});
    ASSERT_EQ(ScriptedLibrary::calls.size(), 1u);
    EXPECT_EQ(ScriptedLibrary::calls[0].paths, (QStringList{"/pics/", "/pics2/"}));
    EXPECT_EQ(manager_->leftOutFolders(), (QList<LeftOutFolder>{{trash + "/files", LeftOutFolder::Reason::trash},
                                                                {trash + "/info", LeftOutFolder::Reason::trash}}));
    manager_->findDuplicateImages({"/pics"});
    EXPECT_TRUE(manager_->leftOutFolders().isEmpty());

    // The real library does not enter the Trash below a folder it searches,
    // hidden folders searched or not.
    ScanImagesManager& real = ScanImagesManager::shared();
    RecordingDelegate delegate;
    real.setDelegate(&delegate);
    real.setThumbnailsEnabledForTesting(false);
    const cv::Mat kept = imageset::makeBase(imageset::Kind::photo, 5, {320, 240});
    const cv::Mat pair = imageset::makeBase(imageset::Kind::shapes, 6, {320, 240});
    const std::string pictures = (scratch() + "/Pictures").toStdString();
    QDir().mkpath(QString::fromStdString(pictures));
    QDir().mkpath(QFile::decodeName(trash + "/files"));
    ASSERT_TRUE(imageset::write(pictures + "/holiday.png", kept));
    ASSERT_TRUE(imageset::write((trash + "/files/holiday.png").toStdString(), kept));
    ASSERT_TRUE(imageset::write(pictures + "/a.png", pair));
    ASSERT_TRUE(imageset::write(pictures + "/a copy.png", pair));
    real.findDuplicateImages({QFile::encodeName(home()), QFile::encodeName(home()) + "/.local"});
    EXPECT_EQ(delegate.events().back(), "finished 1");
    const auto groups = real.dupImages();
    ASSERT_EQ(groups.size(), 1);
    for (const auto& item : groups[0]->dupImageItems()) {
        EXPECT_FALSE(FilePath::isSameOrBelow(item->rawPath(), trash)) << item->rawPath().toStdString();
    }
    EXPECT_TRUE(real.leftOutFolders().isEmpty());
    real.setThumbnailsEnabledForTesting(true);
    real.setDelegate(nullptr);
}

// Where a file manager mounts a network share or a phone, for its user.
TEST_F(ScanImagesSearchTest, aFolderTheDesktopMountedForItsUserIsSearched)
{
    UserRuntimeFolder share;
    ASSERT_TRUE(share.valid());
    const cv::Mat base = imageset::makeBase(imageset::Kind::photo, 7, {320, 240});
    ASSERT_TRUE(imageset::write((share.path() + "/a.png").toStdString(), base));
    ASSERT_TRUE(imageset::write((share.path() + "/b.png").toStdString(), base));
    ScanImagesManager& real = ScanImagesManager::shared();
    RecordingDelegate delegate;
    real.setDelegate(&delegate);
    real.setThumbnailsEnabledForTesting(false);
    real.findDuplicateImages({share.path()});
    real.setThumbnailsEnabledForTesting(true);
    real.setDelegate(nullptr);
    EXPECT_EQ(delegate.events().back(), "finished 1");
    EXPECT_TRUE(real.leftOutFolders().isEmpty());
    const auto groups = real.dupImages();
    ASSERT_EQ(groups.size(), 1);
    EXPECT_EQ(groups[0]->groupCount(), 2);
}
