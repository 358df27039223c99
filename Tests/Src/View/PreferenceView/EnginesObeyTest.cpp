// What is set through the window is what the real engines do next.
#include "PreferenceFixture.h"

#include "Manager/LargeFilesManager.h"
#include "Manager/ScanImagesManager.h"
#include "Manager/ScanManager.h"
#include "Manager/ScanManagerProtocol.h"
#include "Model/DuplicateFiles.h"
#include "Model/FileInfo.h"
#include "QVLibrary/RYListView.h"
#include "QVLibrary/RYTButton.h"
#include "View/PreferenceView/ImageSlider.h"
#include "View/PreferenceView/PreferenceViewController.h"
#include "View/PreferenceView/WhiteListTypeControllerView.h"

#include <atomic>
#include <future>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

namespace {

class QuietDelegate : public ScanManagerProtocol {
public:
    std::function<void()> onStart;
    std::atomic<int> finished{0};
    void startScan() override
    {
        if (onStart) {
            onStart();
        }
    }
    void stopScan() override {}
    void scaningPath(const QString&) override {}
    void scanProgress(double) override {}
    void scanFinished() override { ++finished; }
    void startRemove() override {}
    void stopRemove() override {}
    void removeFinished() override {}
};

class ImageDelegate : public ScanImagesManagerDelegate {
public:
    void scanImageManagerDidStart(ScanImagesManager*) override {}
    void scanImagesManagerProgressDidChanged(ScanImagesManager*, double, qint64, const QString&) override {}
    void scanImagesManagerScanData(ScanImagesManager*, const ScanImagesGroupList&) override {}
    void scanImagesManagerScanDidFinished(ScanImagesManager*, int) override {}
    void scanImagesManagerScanDidStop(ScanImagesManager*, int) override {}
};

class EnginesObeyTest : public PreferenceTest {
protected:
    void SetUp() override
    {
        PreferenceTest::SetUp();
        ScanManager::default_().setDelegate(&delegate);
        LargeFilesManager::default_().setDelegate(&delegate);
        PreferenceViewController::setPathChooserForTesting(
            [this](QWidget*, std::function<void(bool, const QStringList&)> answer) { answer(true, chosen); });
    }
    void TearDown() override
    {
        EXPECT_TRUE(waitUntil([] { return !ScanManager::default_().scaning(); }, std::chrono::seconds(60)));
        EXPECT_TRUE(ScanManager::default_().waitUntilIdle(60000));
        ScanManager::default_().setDelegate(nullptr);
        LargeFilesManager::default_().setDelegate(nullptr);
        QCoreApplication::processEvents();
        PreferenceTest::TearDown();
    }

    QString sparse(const QString& relative, qint64 size)
    {
        const QString path = scratch() + "/" + relative;
        QDir().mkpath(QFileInfo(path).absolutePath());
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(::ftruncate(fd, size), 0);
        ::close(fd);
        return path;
    }
    void addToWhiteList(int category, const QStringList& paths)
    {
        chooseTab("whiteListSelectView");
        RYListView* categories = controller().whiteListFileTypeView()->listView();
        QTest::mouseClick(categories->cellAt(category), Qt::LeftButton, {}, QPoint(5, 5));
        chosen = paths;
        QTest::mouseClick(child<RYTButton>("addFileButton"), Qt::LeftButton, {}, QPoint(5, 5));
    }
    // The groups of a duplicate scan, as sorted names relative to scratch().
    QList<QStringList> duplicateScan(const QString& root)
    {
        const int before = delegate.finished;
        ScanManager& engine = ScanManager::default_();
        engine.setFolderList({QFile::encodeName(root)});
        engine.scanDuplicateFile();
        EXPECT_TRUE(waitUntil([&] { return delegate.finished > before && !engine.scaning(); },
                              std::chrono::seconds(60)));
        EXPECT_TRUE(engine.waitUntilIdle(60000));
        QList<QStringList> groups;
        for (const DuplicateFilesPtr& group : engine.totalFiles()) {
            QStringList names;
            for (const FileInfoPtr& info : group->infos()) {
                names << info->displayPath().mid(scratch().size() + 1);
            }
            names.sort();
            groups << names;
        }
        std::sort(groups.begin(), groups.end());
        return groups;
    }
    QStringList largeFileScan(const QString& root)
    {
        LargeFilesManager& engine = LargeFilesManager::default_();
        engine.setFolderList({QFile::encodeName(root)});
        engine.scanLargeFile();
        QCoreApplication::processEvents();
        QStringList names;
        const DuplicateFilesList groups = engine.allFiles();
        if (!groups.isEmpty()) {
            for (const FileInfoPtr& info : groups[LargeFilesManager::allGroup]->infos()) {
                names << info->displayPath().mid(scratch().size() + 1);
            }
        }
        names.sort();
        return names;
    }

    // A picture of coloured blocks; equal seeds make equal pictures.
    void picture(const QString& relative, int seed, int side)
    {
        QImage image(side, side, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        for (int i = 0; i < 12; ++i) {
            painter.fillRect((seed * 37 + i * 53) % side, (seed * 17 + i * 29) % side, side / 4, side / 5,
                             QColor::fromHsv((seed * 40 + i * 30) % 360, 200, 200));
        }
        painter.end();
        save(image, relative);
    }
    void flat(const QString& relative, int grey)
    {
        QImage image(64, 64, QImage::Format_RGB32);
        image.fill(QColor(grey, grey, grey));
        save(image, relative);
    }
    void save(const QImage& image, const QString& relative)
    {
        const QString path = scratch() + "/" + relative;
        QDir().mkpath(QFileInfo(path).absolutePath());
        EXPECT_TRUE(image.save(path, "BMP"));
    }
    // The groups of a similar-image search, each as its sorted file names.
    QStringList similarSearch(const QString& relative)
    {
        ScanImagesManager& engine = ScanImagesManager::shared();
        ImageDelegate images;
        engine.setDelegate(&images);
        engine.findDuplicateImages({QFile::encodeName(scratch() + "/" + relative)});
        engine.setDelegate(nullptr);
        QStringList sources;
        for (const auto& group : engine.dupImages()) {
            QStringList members;
            for (const auto& item : group->dupImageItems()) {
                members << QFileInfo(item->imagePath()).fileName();
            }
            members.sort();
            sources << members.join(',');
        }
        sources.sort();
        return sources;
    }

    QuietDelegate delegate;
    QStringList chosen;
};

QByteArray content(char seed, int size)
{
    return QByteArray(size, seed);
}

}  // namespace

TEST_F(EnginesObeyTest, ADuplicateScanHonoursKindsHiddenZeroByteSizesAndItsWhiteList)
{
    for (const char* name : {"dup/v1.mp4", "dup/v2.mp4"}) writeFile(name, content('v', 500));
    for (const char* name : {"dup/a1.mp3", "dup/a2.mp3"}) writeFile(name, content('a', 600));
    for (const char* name : {"dup/d1.txt", "dup/d2.txt"}) writeFile(name, content('d', 700));
    for (const char* name : {"dup/.h1.txt", "dup/.h2.txt"}) writeFile(name, content('h', 800));
    for (const char* name : {"dup/z1.txt", "dup/z2.txt"}) writeFile(name, QByteArray());
    for (const char* name : {"dup/big1.bin", "dup/big2.bin"}) writeFile(name, content('b', 3000));
    for (const char* name : {"dup/skip/s1.txt", "dup/skip/s2.txt"}) writeFile(name, content('s', 900));
    // A folder whose name is not UTF-8, chosen through its decoded name.
    const QByteArray odd = QFile::encodeName(scratch()) + "/dup/n\xe4me";
    ASSERT_TRUE(writeFileBytes(odd + "/o1.txt", content('o', 950)));
    ASSERT_TRUE(writeFileBytes(odd + "/o2.txt", content('o', 950)));

    window();
    clickBox("hiddenFile");  // hidden files are taken in
    clickBox("maxSelectBox");
    chooseUnit("maxByteTypeBox", "KB");
    type("maxFileSize", "2");
    chooseTab("repeatFileSelectView");
    clickBox("video");
    addToWhiteList(0, {scratch() + "/dup/skip", QFile::decodeName(odd)});

    EXPECT_EQ(duplicateScan(scratch() + "/dup"),
              (QList<QStringList>{{"dup/.h1.txt", "dup/.h2.txt"}, {"dup/a1.mp3", "dup/a2.mp3"},
                                  {"dup/d1.txt", "dup/d2.txt"}}));

    // Zero-byte files are taken in once the switch is off; the minimum applies.
    chooseTab("generalSelectView");
    clickBox("zeroByteFile");
    clickBox("maxSelectBox");
    EXPECT_EQ(duplicateScan(scratch() + "/dup"),
              (QList<QStringList>{{"dup/.h1.txt", "dup/.h2.txt"}, {"dup/a1.mp3", "dup/a2.mp3"},
                                  {"dup/big1.bin", "dup/big2.bin"}, {"dup/d1.txt", "dup/d2.txt"},
                                  {"dup/z1.txt", "dup/z2.txt"}}));
    clickBox("minSelectBox");
    chooseUnit("minByteTypeBox", "KB");
    type("minFileSize", "1");
    EXPECT_EQ(duplicateScan(scratch() + "/dup"), (QList<QStringList>{{"dup/big1.bin", "dup/big2.bin"}}));
}

TEST_F(EnginesObeyTest, ALargeFileScanHonoursItsWhiteListAndTheSizeLimits)
{
    sparse("large/keep.bin", 11'000'000);
    sparse("large/huge.bin", 30'000'000);
    sparse("large/white/w1.bin", 12'000'000);
    window();
    addToWhiteList(2, {scratch() + "/large/white"});
    EXPECT_EQ(largeFileScan(scratch() + "/large"), (QStringList{"large/huge.bin", "large/keep.bin"}));
    chooseTab("generalSelectView");
    clickBox("maxSelectBox");
    type("maxFileSize", "20");
    EXPECT_EQ(largeFileScan(scratch() + "/large"), QStringList{"large/keep.bin"});
}

TEST_F(EnginesObeyTest, ASimilarImageSearchHonoursItsWhiteListAndSizeLimits)
{
    // Two pairs of equal pictures; one pair is large, one lies in a folder
    // to be left alone.
    picture("img/a1.bmp", 1, 64);
    picture("img/a2.bmp", 1, 64);
    picture("img/big1.bmp", 2, 400);
    picture("img/big2.bmp", 2, 400);
    picture("img/skip/s1.bmp", 3, 64);
    picture("img/skip/s2.bmp", 3, 64);

    window();
    EXPECT_EQ(similarSearch("img"), (QStringList{"a1.bmp,a2.bmp", "big1.bmp,big2.bmp", "s1.bmp,s2.bmp"}));
    addToWhiteList(1, {scratch() + "/img/skip"});
    EXPECT_EQ(similarSearch("img"), (QStringList{"a1.bmp,a2.bmp", "big1.bmp,big2.bmp"}));
    chooseTab("similarImageSelectView");
    clickBox("similarImageMinSelectBox");
    chooseUnit("similarImageMinByteTypeBox", "KB");
    type("similarImageMinFileSize", "100");
    EXPECT_EQ(similarSearch("img"), QStringList{"big1.bmp,big2.bmp"});
    clickBox("similarImageMinSelectBox");
    clickBox("similarImageMaxSelectBox");
    chooseUnit("similarImageMaxByteTypeBox", "KB");
    type("similarImageMaxFileSize", "100");
    EXPECT_EQ(similarSearch("img"), QStringList{"a1.bmp,a2.bmp"});
}

// The duplicate engine keeps the settings it started with until it ends; a
// large-file scan started afterwards still obeys what was saved meanwhile.
TEST_F(EnginesObeyTest, AWhiteListSavedDuringADuplicateScanReachesTheNextLargeFileScan)
{
    sparse("large/keep.bin", 11'000'000);
    for (const char* name : {"large/white/w1.bin", "large/white/w2.bin", "large/white/w3.bin"}) {
        sparse(name, 12'000'000);
    }
    window();
    std::promise<void> started;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    // Only the duplicate scan is held; the large-file scan starts freely.
    std::atomic<bool> first{true};
    delegate.onStart = [&started, &first, released] {
        if (first.exchange(false)) {
            started.set_value();
            released.wait();
        }
    };
    ScanManager::default_().setFolderList({QFile::encodeName(scratch() + "/large")});
    ScanManager::default_().scanDuplicateFile();
    started.get_future().wait();
    EXPECT_TRUE(ScanManager::default_().scaning());
    addToWhiteList(2, {scratch() + "/large/white"});
    EXPECT_EQ(file().value("LargeFileWhiteListPath").toList().size(), 1);
    release.set_value();
    ASSERT_TRUE(waitUntil([] { return !ScanManager::default_().scaning(); }, std::chrono::seconds(60)));

    EXPECT_EQ(largeFileScan(scratch() + "/large"), QStringList{"large/keep.bin"});
}

TEST_F(EnginesObeyTest, ASimilarImageSearchGroupsByTheThresholdSetOnTheSlider)
{
    flat("tint/grey128.bmp", 128);
    flat("tint/grey131.bmp", 131);
    flat("tint/grey160.bmp", 160);
    window();
    EXPECT_EQ(similarSearch("tint"), QStringList{"grey128.bmp,grey131.bmp"});

    chooseTab("similarImageSelectView");
    ImageSlider* slider = child<ImageSlider>("slider");
    const int middle = slider->height() / 2;
    // The right end of the track asks for equal pictures only.
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(slider->width() - 1, middle));
    ASSERT_EQ(file().value("threshold"), QString("100"));
    EXPECT_EQ(similarSearch("tint"), QStringList{});

    // The knob dragged to the left end takes far tints in.
    QTest::mousePress(slider, Qt::LeftButton, {}, slider->knobRect().center().toPoint());
    QTest::mouseMove(slider, QPoint(0, middle));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(0, middle));
    ASSERT_EQ(file().value("threshold"), QString("20"));
    EXPECT_EQ(similarSearch("tint"), QStringList{"grey128.bmp,grey131.bmp,grey160.bmp"});
}
