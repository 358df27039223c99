#include <atomic>
#include <condition_variable>
#include <mutex>
#include <future>
#include <thread>

#include <QTemporaryDir>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "Manager/DiskInfo.h"
#include "ScanFixture.h"

namespace {

using ScanManagerTest = ScanFixture;

// The report sequence every scan keeps: start first, finished last and once,
// progress never going back.
void expectWellFormed(const RecordingDelegate& delegate)
{
    const auto events = delegate.eventList();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front(), "start");
    EXPECT_EQ(events.back(), "finished");
    EXPECT_EQ(delegate.count("finished"), 1);
    const auto progress = delegate.progressList();
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
}

}  // namespace

TEST_F(ScanManagerTest, EqualContentMakesOneGroupSortedByPath)
{
    writeFile("b/copy.txt", "same content");
    writeFile("a/Orig.txt", "same content");
    writeFile("a/other.txt", "diff content");  // same size, other content
    writeFile("solo.txt", "x");
    writeFile("pic.png", "0123456789abcdefghij");
    settings({});
    scan({scratch()});
    expectWellFormed(delegate);
    EXPECT_EQ(groups(), std::vector<QStringList>({{"a/Orig.txt", "b/copy.txt"}}));
    EXPECT_EQ(engine().totalFilesCount(), 2);
    EXPECT_EQ(engine().totalFilesSize(), 24u);
    EXPECT_EQ(engine().documentFiles().size(), 1);
    EXPECT_EQ(engine().documentFilesCount(), 2);
    EXPECT_EQ(engine().otherFiles().size(), 0);
    EXPECT_TRUE(engine().scanFinished());
    EXPECT_FALSE(engine().scaning());
    EXPECT_DOUBLE_EQ(engine().scanningProgress(), 1.0);
    // Three distinct sizes: 1/3, 2/3 and 1 in some order that keeps rising.
    EXPECT_EQ(delegate.progressList().size(), 3u);
    EXPECT_EQ(delegate.pathList().size(), 3u);  // only the shared size was read
    expectConsistentResults();
}

TEST_F(ScanManagerTest, OneSizeWithTwoPairsMakesTwoGroups)
{
    writeFile("1", "aaaa");
    writeFile("2", "aaaa");
    writeFile("3", "bbbb");
    writeFile("4", "bbbb");
    writeFile("5", "cccc");
    settings({});
    scan({scratch()});
    EXPECT_EQ(groups(), std::vector<QStringList>({{"1", "2"}, {"3", "4"}}));
}

TEST_F(ScanManagerTest, NothingToScanStillEndsCleanly)
{
    settings({});
    scan(QStringList{});
    EXPECT_EQ(delegate.eventList(), std::vector<QString>({"start", "finished"}));
    EXPECT_TRUE(delegate.progressList().empty());
    EXPECT_TRUE(engine().totalFiles().isEmpty());

    writeFile("a", "1");
    writeFile("b", "12");
    delegate.events.clear();
    scan({scratch()});
    EXPECT_TRUE(delegate.pathList().empty());
    EXPECT_TRUE(engine().totalFiles().isEmpty());
    EXPECT_DOUBLE_EQ(engine().scanningProgress(), 1.0);
}

TEST_F(ScanManagerTest, IdleOnlyOnceTheLastReportHasReturned)
{
    // A screen that waits for idle before it goes away must never be called
    // afterwards, so idle comes after the finished report, not before it.
    writeFile("a", "same");
    writeFile("b", "same");
    settings({});
    std::promise<void> gate;
    std::shared_future<void> opened = gate.get_future().share();
    delegate.onFinished = [opened] { opened.wait(); };
    engine().setFolderList({QFile::encodeName(scratch())});
    engine().scanDuplicateFile();
    ASSERT_TRUE(waitUntil([&] { return delegate.count("finished") == 1; }, std::chrono::seconds(60)));
    EXPECT_FALSE(engine().waitUntilIdle(50));
    engine().scanDuplicateFile();  // a second start while the first is winding down is ignored
    gate.set_value();
    EXPECT_TRUE(engine().waitUntilIdle(10000));
    EXPECT_EQ(delegate.count("start"), 1);
    delegate.onFinished = nullptr;
}

TEST_F(ScanManagerTest, HostileTree)
{
    const QByteArray big(3 * 1048576, 'q');
    QByteArray bigOther = big;
    bigOther[bigOther.size() - 1] = 'r';
    writeFile("big/one", big);
    writeFile("big/two", big);
    writeFile("big/almost", bigOther);
    writeFile("names/with space", "same-same");
    writeFile("names/with\nnewline", "same-same");
    const QByteArray badName = bytesOf("names") + "/bad\xff\xfe";
    {
        FILE* f = fopen(badName.constData(), "w");
        ASSERT_NE(f, nullptr);
        fputs("same-same", f);
        fclose(f);
    }
    writeFile("strangers/a", "stranger1");
    writeFile("strangers/b", "stranger2");
    writeFile("hard/orig", "hardlinked");
    ASSERT_EQ(link(bytesOf("hard/orig").constData(), bytesOf("hard/alias").constData()), 0);
    ASSERT_TRUE(QDir().mkpath(scratch() + "/links"));
    ASSERT_EQ(symlink("../big/one", bytesOf("links/tofile").constData()), 0);
    ASSERT_EQ(symlink("../big", bytesOf("links/todir").constData()), 0);
    ASSERT_EQ(symlink("loopB", bytesOf("links/loopA").constData()), 0);
    ASSERT_EQ(symlink("loopA", bytesOf("links/loopB").constData()), 0);
    ASSERT_EQ(mkfifo(bytesOf("fifo").constData(), 0600), 0);
    writeFile(".hiddenDir/h1", "hidden-dup");
    writeFile(".hiddenDir/h2", "hidden-dup");
    writeFile("white/w1", "white-dup!");
    writeFile("white/w2", "white-dup!");
    writeFile("wfile1", "white-file");
    writeFile("wfile2", "white-file");
    writeFile("unreadable/u1", "unreadable");
    writeFile("unreadable/u2", "unreadable");
    writeFile("unreadable/u3", "unreadable");
    writeFile("vanish/v1", "vanishing!!");
    writeFile("vanish/v2", "vanishing!!");
    writeFile("vanish/v3", "vanishing!!");
    settings({{"whiteListPath", QVariantList{scratch() + "/white", scratch() + "/wfile1"}}});

    const QByteArray unreadable = bytesOf("unreadable/u2");
    const QByteArray vanishing = bytesOf("vanish/v3");
    setMd5ReadFailureForTesting([&](const QByteArray& path) {
        if (path == vanishing) {
            ::unlink(path.constData());  // gone between walk and read
        }
        return path == unreadable;
    });
    // Nested and repeated roots, one through a trailing slash.
    scan({scratch(), scratch() + "/big", scratch() + "/", scratch() + "/names"});
    expectWellFormed(delegate);
    EXPECT_EQ(groups(), std::vector<QStringList>({{"big/one", "big/two"},
                                                  {"names/bad\xef\xbf\xbd\xef\xbf\xbd", "names/with\nnewline",
                                                   "names/with space"},
                                                  {"unreadable/u1", "unreadable/u3"},
                                                  {"vanish/v1", "vanish/v2"}}))
        << [&] {
               QStringList all;
               for (const auto& g : groups()) all << g.join("|");
               return all.join("\n").toStdString();
           }();
    // The badly encoded name is kept as its bytes.
    bool sawBadBytes = false;
    for (const auto& group : engine().totalFiles()) {
        for (const auto& info : group->infos()) {
            sawBadBytes = sawBadBytes || info->path() == badName;
        }
    }
    EXPECT_TRUE(sawBadBytes);
    EXPECT_DOUBLE_EQ(engine().scanningProgress(), 1.0);
    expectConsistentResults();
}

TEST_F(ScanManagerTest, EqualBundlesGroupOnlyWhenFullyRead)
{
    writeFile("A.app/Contents/bin", "binary");
    writeFile("B.app/Contents/bin", "binary");
    writeFile("C.app/Contents/bin", "binary");
    settings({});
    const QByteArray inner = bytesOf("C.app/Contents/bin");
    setMd5ReadFailureForTesting([&](const QByteArray& path) { return path == inner; });
    scan({scratch()});
    ASSERT_EQ(groups(), std::vector<QStringList>({{"A.app", "B.app"}}));
    EXPECT_EQ(engine().totalFilesSize(), 12u);  // the bundles' contents, not their folder entries
}

TEST_F(ScanManagerTest, EmptyFilesFormOneGroupAndAFifoOrLinkBesideThemIsNeitherOpenedNorGrouped)
{
    writeFile("e1", "");
    writeFile("e2", "");
    ASSERT_EQ(mkfifo(bytesOf("fifo").constData(), 0600), 0);
    ASSERT_EQ(symlink("e1", bytesOf("link").constData()), 0);
    includeEverything();
    scan({scratch()});
    EXPECT_EQ(groups(), std::vector<QStringList>({{"e1", "e2"}}));
}

TEST_F(ScanManagerTest, StopBeforeTheWalkEndsWithEmptyResults)
{
    writeFile("a", "dup");
    writeFile("b", "dup");
    settings({});
    delegate.onStart = [] { ScanManager::default_().stopScan(); };
    scan({scratch()});
    expectWellFormed(delegate);
    EXPECT_EQ(delegate.eventList(), std::vector<QString>({"start", "stop", "finished"}));
    EXPECT_TRUE(engine().totalFiles().isEmpty());
    EXPECT_TRUE(engine().scanFinished());
}

TEST_F(ScanManagerTest, StopWhileReadingTheFirstFileHandsOverNothing)
{
    writeFile("x1", "triple");
    writeFile("x2", "triple");
    writeFile("x3", "triple");
    settings({});
    std::atomic<bool> once{false};
    delegate.onPath = [&](const QString&) {
        if (!once.exchange(true)) {
            ScanManager::default_().stopScan();
        }
    };
    scan({scratch()});
    expectWellFormed(delegate);
    EXPECT_EQ(delegate.pathList().size(), 1u);
    EXPECT_TRUE(engine().totalFiles().isEmpty());
}

TEST_F(ScanManagerTest, StopInTheMiddleOfManyGroupsKeepsResultsConsistent)
{
    for (int i = 0; i < 300; ++i) {
        const QByteArray body(i + 1, static_cast<char>('a' + i % 26));
        writeFile(QString("p/%1a").arg(i), body);
        writeFile(QString("p/%1b").arg(i), body);
    }
    settings({});
    std::atomic<int> seen{0};
    delegate.onPath = [&](const QString&) {
        if (++seen == 100) {
            ScanManager::default_().stopScan();
        }
    };
    // Screens read while the scan runs.
    std::atomic<bool> reading{true};
    std::thread reader([&] {
        while (reading) {
            const auto r = ScanManager::default_().results();
            int files = 0;
            for (const auto& g : r.totalFiles) files += g->fileCount();
            EXPECT_EQ(files, r.totalFilesCount);
        }
    });
    scan({scratch()});
    reading = false;
    reader.join();
    expectWellFormed(delegate);
    EXPECT_GE(delegate.count("stop"), 1);
    EXPECT_LE(delegate.count("stop"), 2);
    EXPECT_LT(engine().totalFiles().size(), 300);
    expectConsistentResults();

    // The next scan starts afresh and completes.
    delegate.onPath = nullptr;
    delegate.events.clear();
    scan({scratch()});
    EXPECT_EQ(engine().totalFiles().size(), 300);
    EXPECT_DOUBLE_EQ(engine().scanningProgress(), 1.0);
    expectConsistentResults();
}

// A screen going away stops the scan and waits for it on the main thread,
// where the progress of the sizes held by one file is still queued: the
// stopped scan must end without that thread's help.
TEST_F(ScanManagerTest, AStoppedScanEndsWhileTheMainThreadWaitsForIt)
{
    for (int i = 1; i <= 300; ++i) {
        writeFile(QString("s/%1").arg(i), QByteArray(i, 's'));
    }
    writeFile("pair/a", QByteArray(1000, 'p'));
    writeFile("pair/b", QByteArray(1000, 'p'));
    settings({});
    std::mutex mutex;
    std::condition_variable changed;
    bool holding = false;
    // The pair, the last group, is read only once the scan is stopped; by
    // then every single-file size before it has queued its progress.
    setMd5ReadFailureForTesting([&](const QByteArray& path) {
        if (path.contains("/pair/")) {
            {
                std::lock_guard lock(mutex);
                holding = true;
            }
            changed.notify_all();
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            while (!ScanManager::default_().scanStop() && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::yield();
            }
        }
        return false;
    });
    engine().setFolderList({QFile::encodeName(scratch())});
    engine().scanDuplicateFile();
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(30), [&] { return holding; }));
    }
    // No event of this thread is handled from the start until here.
    engine().stopScan();
    EXPECT_TRUE(engine().waitUntilIdle(20000));
    EXPECT_EQ(delegate.count("finished"), 1);
    EXPECT_TRUE(engine().totalFiles().isEmpty());
    expectConsistentResults();

    // Progress given up by that scan, still queued here, does not reach the
    // next one.
    setMd5ReadFailureForTesting(nullptr);
    delegate.events.clear();
    delegate.progress.clear();
    scan({scratch()});
    EXPECT_EQ(delegate.progressList().size(), 301u);
    EXPECT_DOUBLE_EQ(engine().scanningProgress(), 1.0);
    EXPECT_EQ(engine().totalFiles().size(), 1);
}

TEST_F(ScanManagerTest, SettingsSavedDuringAScanWaitForTheNextOne)
{
    writeFile("a", "dup");
    writeFile("b", "dup");
    settings({});
    std::atomic<bool> release{false};
    std::atomic<bool> started{false};
    delegate.onStart = [&] {
        started = true;
        while (!release) {
            std::this_thread::yield();
        }
    };
    engine().setFolderList({QFile::encodeName(scratch())});
    engine().scanDuplicateFile();
    ASSERT_TRUE(waitUntil([&] { return started.load(); }));
    const auto inForce = engine().scanSetupObj();
    PerferenceInfo saving;
    saving.dataDict().insert("video", false);
    EXPECT_TRUE(saving.setPerenceInfo());
    EXPECT_EQ(engine().scanSetupObj(), inForce);
    release = true;
    ASSERT_TRUE(waitUntil([&] { return delegate.count("finished") == 1 && !engine().scaning(); }));
    EXPECT_TRUE(engine().scanSetupObj()->omitVideo());
    PerferenceInfo idle;
    EXPECT_TRUE(idle.setPerenceInfo());
    EXPECT_NE(engine().scanSetupObj(), inForce);
}

// The medium of a root's volume comes from its disk, found by device number:
// two virtual disks without a model are told apart, and a relative root is
// resolved against the current folder before its volume is looked up.
TEST_F(ScanManagerTest, VolumesOnSolidStateDisksAreRecorded)
{
    writeFile("a", "dup");
    writeFile("b", "dup");
    settings({});
    QTemporaryDir sys;
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(scratch()).constData(), &st), 0);
    QDir().mkpath(sys.path() + "/block");
    QDir().mkpath(sys.path() + "/dev/block");
    // Neither disk has a model; the solid-state one holds the scratch folder,
    // the rotational one sorts after it.
    const auto fakeDisk = [&](const QString& name, const QByteArray& rotational) {
        const QString disk = sys.path() + "/devices/x/block/" + name;
        QDir().mkpath(disk + "/queue");
        QFile file(disk + "/queue/rotational");
        file.open(QIODevice::WriteOnly);
        file.write(rotational + "\n");
        file.close();
        EXPECT_EQ(symlink(QFile::encodeName(disk).constData(), QFile::encodeName(sys.path() + "/block/" + name).constData()), 0);
        return disk;
    };
    const QString solid = fakeDisk("vda", "0");
    fakeDisk("vdb", "1");
    const QString dev = QString("%1/dev/block/%2:%3").arg(sys.path()).arg(major(st.st_dev)).arg(minor(st.st_dev));
    ASSERT_EQ(symlink(QFile::encodeName(solid).constData(), QFile::encodeName(dev).constData()), 0);
    DiskInfo::setDefaultSysfsRootForTesting(sys.path());
    const QString current = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(home()));
    scan(QByteArrayList{"scratch"});
    ASSERT_TRUE(QDir::setCurrent(current));
    DiskInfo::setDefaultSysfsRootForTesting({});
    const auto volume = ResourceValues::read(QFile::encodeName(scratch()))->volumeURL;
    ASSERT_TRUE(volume);
    EXPECT_EQ(engine().volumeIsSolidState(*volume), true);
    EXPECT_EQ(groups().size(), 1u);
    EXPECT_EQ(engine().totalFiles()[0]->infos()[0]->path(), bytesOf("a"));
    EXPECT_FALSE(engine().volumeIsSolidState("/no/such/volume").has_value());
}

// A chosen folder whose name is not UTF-8 reaches the walk as its bytes, and
// a white-list entry naming it (kept in the settings as its URL text) is
// compared by its bytes too.
TEST_F(ScanManagerTest, ARootWhoseNameIsNotUtf8IsScannedAndWhiteListedByItsBytes)
{
    const QByteArray root = bytesOf("R") + "/r\xff\xfeoot";
    ASSERT_TRUE(writeFileBytes(root + "/a.txt", "the same words"));
    ASSERT_TRUE(writeFileBytes(root + "/inner/b.txt", "the same words"));
    ASSERT_TRUE(writeFileBytes(root + "/c.txt", "other  words!!"));
    // A sibling whose name decodes to the same text must not stand in for it.
    ASSERT_TRUE(writeFileBytes(bytesOf("R") + "/r\xef\xbf\xbd\xef\xbf\xbdoot/d.txt", "the same words"));

    scan(QByteArrayList{root});
    expectWellFormed(delegate);
    const DuplicateFilesList found = engine().totalFiles();
    ASSERT_EQ(found.size(), 1);
    ASSERT_EQ(found[0]->fileCount(), 2);
    EXPECT_EQ(found[0]->infos()[0]->path(), root + "/a.txt");
    EXPECT_EQ(found[0]->infos()[1]->path(), root + "/inner/b.txt");
    EXPECT_EQ(FilePath::fromFileUrl(found[0]->infos()[0]->url()), root + "/a.txt");

    settings({{"whiteListPath", QVariantList{FilePath::storedText(root + "/inner")}}});
    delegate.events.clear();
    scan(QByteArrayList{root});
    EXPECT_TRUE(engine().totalFiles().isEmpty());
}
