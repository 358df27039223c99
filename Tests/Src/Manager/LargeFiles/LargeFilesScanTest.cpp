#include <atomic>
#include <thread>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <unistd.h>

#include "LargeFilesSupport.h"
#include "Foundation/PropertyList.h"
#include "Foundation/UserDefaults.h"
#include "Manager/FileHelper.h"
#include "Manager/UserHomes.h"
#include "Model/FileTimeInfo.h"
#include "View/Extension/KPLExtension.h"

namespace {

// Noon UTC of a fixed day: "today" began 43,200 s before.
constexpr int64_t noon = 1'700'006'400 + 43'200;

using G = LargeFilesManager;

}  // namespace

TEST(LargeFilesToday, CountsFromMidnightUtc)
{
    EXPECT_EQ(getTodayTime(1'700'006'400.0), 0.0);
    EXPECT_EQ(getTodayTime(1'700'006'400.0 + 86'399.9), 86'399.0);
    EXPECT_EQ(getTodayTime(noon + 0.75), 43'200.0);
    const double today = getTodayTime();
    EXPECT_GE(today, 0.0);
    EXPECT_LT(today, 86'400.0);
}

TEST(LargeFilesGroups, BandsAndKindsByTheirBoundaries)
{
    EXPECT_EQ(G::sizeGroupIndex(5'000'000'000ULL), G::size5GB);
    EXPECT_EQ(G::sizeGroupIndex(4'999'999'999ULL), G::size1GB);
    EXPECT_EQ(G::sizeGroupIndex(1'000'000'000ULL), G::size1GB);
    EXPECT_EQ(G::sizeGroupIndex(999'999'999ULL), G::size500MB);
    EXPECT_EQ(G::sizeGroupIndex(500'000'000ULL), G::size500MB);
    EXPECT_EQ(G::sizeGroupIndex(499'999'999ULL), G::size10MB);

    EXPECT_EQ(G::kindGroupIndex(FileType::document), 10);
    EXPECT_EQ(G::kindGroupIndex(FileType::picture), 11);
    EXPECT_EQ(G::kindGroupIndex(FileType::audio), 12);
    EXPECT_EQ(G::kindGroupIndex(FileType::video), 13);
    EXPECT_EQ(G::kindGroupIndex(FileType::other), 14);
}

TEST(LargeFilesRoots, NestedRootsAreWalkedOnce)
{
    using L = QList<QByteArray>;
    EXPECT_EQ(G::deleteSonPath({"/a", "/a/b"}), L{"/a"});
    EXPECT_EQ(G::deleteSonPath({"/a/b", "/a"}), L{"/a"});
    EXPECT_EQ(G::deleteSonPath({"/a", "/ab"}), (L{"/a", "/ab"}));
    EXPECT_EQ(G::deleteSonPath({"/a", "/a"}), L{"/a"});
    // A trailing slash does not make a second root.
    EXPECT_EQ(G::deleteSonPath({"/a/", "/a"}), L{"/a"});
    EXPECT_EQ(G::deleteSonPath({"/a/", "/a/b/"}), L{"/a"});
    EXPECT_EQ(G::deleteSonPath({"/", "/home/x"}), L{"/"});

    EXPECT_EQ(G::isFatherPath("/a", "/a/b/c"), QByteArray("/a"));
    EXPECT_EQ(G::isFatherPath("/a/b/c", "/a/"), QByteArray("/a/"));
    EXPECT_EQ(G::isFatherPath("/a", "/ab"), QByteArray());
    EXPECT_EQ(G::isFatherPath("/a", "/a"), QByteArray());
    EXPECT_EQ(G::isFatherPathIndex("/a", "/a/b"), 1);
    EXPECT_EQ(G::isFatherPathIndex("/a/b", "/a"), 2);
    EXPECT_EQ(G::isFatherPathIndex("/a", "/b"), 0);
}

TEST_F(LargeFilesTest, FileHelperReadsStatAndLinks)
{
    const QString file = sparseFile(QStringLiteral("f.bin"), 12'345'678, noon - 10);
    const QByteArray native = QFile::encodeName(file);
    const std::optional<FileTimeData> data = FileHelper::fileTimeData(native);
    ASSERT_TRUE(data);
    EXPECT_EQ(data->size, 12'345'678u);
    EXPECT_EQ(data->timeMtimespec, static_cast<uint64_t>(noon - 10));
    EXPECT_FALSE(FileHelper::fileTimeData(native + "-missing"));

    const QByteArray link = QFile::encodeName(scratch() + QStringLiteral("/link"));
    ASSERT_EQ(::symlink(native.constData(), link.constData()), 0);
    EXPECT_TRUE(FileHelper::fileIsLink(link));
    EXPECT_FALSE(FileHelper::fileIsLink(native));
    EXPECT_FALSE(FileHelper::fileIsLink(link + "-missing"));
    // stat follows the link.
    EXPECT_EQ(FileHelper::fileTimeData(link)->size, 12'345'678u);

    // A time before 1970 does not wrap round to the far future.
    const QString old = sparseFile(QStringLiteral("old.bin"), 1, -86'400);
    EXPECT_EQ(FileHelper::fileTimeData(QFile::encodeName(old))->timeMtimespec, 0u);
}

TEST_F(LargeFilesTest, SizesAtTheBoundariesFallIntoTheirBands)
{
    sparseFile(QStringLiteral("t/exact10M.bin"), 10'000'000);
    sparseFile(QStringLiteral("t/under10M.bin"), 9'999'999);
    sparseFile(QStringLiteral("t/5G.bin"), 5'000'000'000ULL);
    sparseFile(QStringLiteral("t/5G-1.bin"), 4'999'999'999ULL);
    sparseFile(QStringLiteral("t/1G.bin"), 1'000'000'000ULL);
    sparseFile(QStringLiteral("t/1G-1.bin"), 999'999'999ULL);
    sparseFile(QStringLiteral("t/500M.bin"), 500'000'000ULL);
    sparseFile(QStringLiteral("t/500M-1.bin"), 499'999'999ULL);
    scan({scratch() + QStringLiteral("/t")});

    EXPECT_EQ(groupNames(G::size5GB), QStringList{"t/5G.bin"});
    EXPECT_EQ(groupNames(G::size1GB), (QStringList{"t/1G.bin", "t/5G-1.bin"}));
    EXPECT_EQ(groupNames(G::size500MB), (QStringList{"t/1G-1.bin", "t/500M.bin"}));
    EXPECT_EQ(groupNames(G::size10MB), (QStringList{"t/500M-1.bin", "t/exact10M.bin"}));
    EXPECT_EQ(groupNames(G::allGroup).size(), 7);
    EXPECT_FALSE(groupNames(G::allGroup).contains("t/under10M.bin"));

    // Every file in exactly four groups; group 15 empty; totals are the sums.
    const DuplicateFilesList groups = engine().allFiles();
    ASSERT_EQ(groups.size(), 16);
    EXPECT_EQ(groups[G::unusedGroup]->fileCount(), 0);
    QHash<QByteArray, int> memberships;
    for (const DuplicateFilesPtr& group : groups) {
        uint64_t sum = 0;
        for (const FileInfoPtr& file : group->infos()) {
            ++memberships[file->path()];
            sum += file->size();
        }
        EXPECT_EQ(group->totalSize(), sum);
    }
    EXPECT_EQ(memberships.size(), 7);
    for (auto it = memberships.cbegin(); it != memberships.cend(); ++it) {
        EXPECT_EQ(it.value(), 4) << it.key().toStdString();
    }
    EXPECT_EQ(groups[G::allGroup]->totalSize(), 5'000'000'000ULL + 4'999'999'999ULL + 1'000'000'000ULL +
                                                   999'999'999ULL + 500'000'000ULL + 499'999'999ULL + 10'000'000ULL);
    // The record keeps the stat values and never reads the size again.
    const auto record = std::dynamic_pointer_cast<FileTimeInfo>(groups[G::size5GB]->infos().at(0));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->stSize(), 5'000'000'000ULL);
    QFile::resize(scratch() + QStringLiteral("/t/5G.bin"), 1);
    EXPECT_EQ(record->size(), 5'000'000'000ULL);
}

TEST_F(LargeFilesTest, AgesCountFromNowAndFromMidnightUtc)
{
    engine().setClockForTesting([] { return static_cast<double>(noon); });
    const int64_t size = 10'000'000;
    sparseFile(QStringLiteral("a/minutes.bin"), size, noon - 100);
    sparseFile(QStringLiteral("a/future.bin"), size, noon + 1000);
    sparseFile(QStringLiteral("a/midnight.bin"), size, noon - 43'200);
    sparseFile(QStringLiteral("a/after-midnight.bin"), size, noon - 43'199);
    sparseFile(QStringLiteral("a/week.bin"), size, noon - 604'800);
    sparseFile(QStringLiteral("a/week-1.bin"), size, noon - 604'799);
    sparseFile(QStringLiteral("a/month.bin"), size, noon - 2'592'000);
    sparseFile(QStringLiteral("a/month-1.bin"), size, noon - 2'591'999);
    sparseFile(QStringLiteral("a/year.bin"), size, noon - 31'536'000);
    sparseFile(QStringLiteral("a/year-1.bin"), size, noon - 31'535'999);
    scan({scratch() + QStringLiteral("/a")});

    EXPECT_EQ(groupNames(G::today), (QStringList{"a/after-midnight.bin", "a/future.bin", "a/minutes.bin"}));
    EXPECT_EQ(groupNames(G::thisWeek), (QStringList{"a/midnight.bin", "a/week-1.bin"}));
    EXPECT_EQ(groupNames(G::olderThanAWeek), (QStringList{"a/month-1.bin", "a/week.bin"}));
    EXPECT_EQ(groupNames(G::olderThanAMonth), (QStringList{"a/month.bin", "a/year-1.bin"}));
    EXPECT_EQ(groupNames(G::olderThanAYear), QStringList{"a/year.bin"});
    EXPECT_EQ(groupNames(G::otherGroup).size(), 10);
}

TEST_F(LargeFilesTest, TodayBeginsAtMidnightUtcWhateverTheTimeZone)
{
    const QByteArray savedTz = qgetenv("TZ");
    qputenv("TZ", "EST5");
    tzset();
    // 10:00 UTC; the file was written at 23:30 yesterday local time, which
    // is 04:30 UTC today.
    const int64_t ten = 1'700'006'400 + 36'000;
    engine().setClockForTesting([ten] { return static_cast<double>(ten); });
    sparseFile(QStringLiteral("z/late.mov"), 10'000'000, 1'700'006'400 + 16'200);
    scan({scratch() + QStringLiteral("/z")});
    EXPECT_EQ(groupNames(G::today), QStringList{"z/late.mov"});
    EXPECT_EQ(groupNames(G::videoGroup), QStringList{"z/late.mov"});
    if (savedTz.isNull()) {
        qunsetenv("TZ");
    } else {
        qputenv("TZ", savedTz);
    }
    tzset();
}

TEST_F(LargeFilesTest, KindsFollowTheExtensionTables)
{
    for (const char* name : {"k/report.PDF", "k/photo.png", "k/song.mp3", "k/clip.MOV", "k/blob.bin", "k/noext"}) {
        sparseFile(QString::fromLatin1(name), 20'000'000);
    }
    scan({scratch() + QStringLiteral("/k")});
    EXPECT_EQ(groupNames(G::documentGroup), QStringList{"k/report.PDF"});
    EXPECT_EQ(groupNames(G::pictureGroup), QStringList{"k/photo.png"});
    EXPECT_EQ(groupNames(G::audioGroup), QStringList{"k/song.mp3"});
    EXPECT_EQ(groupNames(G::videoGroup), QStringList{"k/clip.MOV"});
    EXPECT_EQ(groupNames(G::otherGroup), (QStringList{"k/blob.bin", "k/noext"}));
    EXPECT_EQ(groupNames(G::unusedGroup), QStringList{});
}

TEST_F(LargeFilesTest, ExclusionsOfTheWalk)
{
    const int64_t big = 60'000'000;
    sparseFile(QStringLiteral("x/kept.bin"), big);
    sparseFile(QStringLiteral("x/.hidden-dir/inside.bin"), big);
    sparseFile(QStringLiteral("x/.hidden.bin"), big);
    sparseFile(QStringLiteral("x/settings.json"), big);
    sparseFile(QStringLiteral("x/NOTES.JSON"), big);
    sparseFile(QStringLiteral("x/white/inside.bin"), big);
    sparseFile(QStringLiteral("x/Tool.app/payload.bin"), big);
    sparseFile(QStringLiteral("outside/target.bin"), big);
    const QByteArray link = QFile::encodeName(scratch() + QStringLiteral("/x/link.bin"));
    ASSERT_EQ(::symlink(QFile::encodeName(scratch() + QStringLiteral("/outside/target.bin")).constData(),
                        link.constData()),
              0);
    settings()->setLargeFileWhiteListPath({QUrl::fromLocalFile(scratch() + QStringLiteral("/x/white"))});

    scan({scratch() + QStringLiteral("/x")});
    // Hidden folders and files, skipped extensions, the white list, links
    // (zero-byte files left out) and what lies in an application bundle.
    EXPECT_EQ(groupNames(G::allGroup), QStringList{"x/kept.bin"});

    // With zero-byte files taken in, a link to a large file counts with the
    // values of its target.
    settings()->setOmitZeroByteFile(false);
    scan({scratch() + QStringLiteral("/x")});
    EXPECT_EQ(groupNames(G::allGroup), (QStringList{"x/kept.bin", "x/link.bin"}));
    for (const FileInfoPtr& file : engine().allFiles()[G::allGroup]->infos()) {
        EXPECT_EQ(file->size(), static_cast<uint64_t>(big));
    }

    // A root inside a white-listed folder is not walked at all.
    scan({scratch() + QStringLiteral("/x/white")});
    EXPECT_EQ(groupNames(G::allGroup), QStringList{});
}

TEST_F(LargeFilesTest, OneFileOneRecord)
{
    sparseFile(QStringLiteral("r/one.bin"), 30'000'000);
    sparseFile(QStringLiteral("rb/two.bin"), 30'000'000);
    ASSERT_EQ(::link(QFile::encodeName(scratch() + QStringLiteral("/r/one.bin")).constData(),
                     QFile::encodeName(scratch() + QStringLiteral("/r/hard.bin")).constData()),
              0);
    // The same root twice (once with a trailing slash), a nested root and a
    // sibling whose name only starts like it.
    scan({scratch() + QStringLiteral("/r/"), scratch() + QStringLiteral("/r"), scratch() + QStringLiteral("/r/."),
          scratch() + QStringLiteral("/rb")});
    const QStringList all = groupNames(G::allGroup);
    ASSERT_EQ(all.size(), 2) << all.join(',').toStdString();
    EXPECT_TRUE(all.contains("rb/two.bin"));
    EXPECT_EQ(engine().allFiles()[G::allGroup]->totalSize(), 60'000'000u);
}

TEST_F(LargeFilesTest, EmptyFolderListGivesSixteenEmptyGroups)
{
    scan({});
    EXPECT_EQ(delegate.calls(), (QStringList{"startScan", "scanFinished"}));
    const DuplicateFilesList groups = engine().allFiles();
    ASSERT_EQ(groups.size(), 16);
    for (const DuplicateFilesPtr& group : groups) {
        EXPECT_EQ(group->fileCount(), 0);
        EXPECT_EQ(group->totalSize(), 0u);
        EXPECT_EQ(group->selectState(), ControlState::off);
    }
    EXPECT_TRUE(delegate.progress().isEmpty());
}

TEST_F(LargeFilesTest, ProgressCarriesTheCountAndIsThrottled)
{
    double clock = noon;
    engine().setClockForTesting([&clock] { return clock; });
    for (int i = 0; i < 5; ++i) {
        sparseFile(QStringLiteral("p/f%1.bin").arg(i), 10'000'000);
    }
    // A frozen clock: only the first file of the scan is reported.
    scan({scratch() + QStringLiteral("/p")});
    ASSERT_TRUE(waitUntil([&] { return !delegate.paths().isEmpty(); }));
    EXPECT_EQ(delegate.progress(), QList<double>{1.0});
    EXPECT_EQ(delegate.paths().size(), 1);
}

TEST_F(LargeFilesTest, StopDuringTheWalkFilesNothingAfterTheFinishReport)
{
    for (int i = 0; i < 3000; ++i) {
        sparseFile(QStringLiteral("s/d%1/f%2.bin").arg(i % 30).arg(i), 10'000'000);
    }
    engine().setFolderList({QFile::encodeName(scratch() + QStringLiteral("/s"))});
    std::atomic<bool> done{false};
    std::thread walker([&] {
        engine().scanLargeFile();
        done.store(true);
    });
    ASSERT_TRUE(waitUntil([&] { return !delegate.progress().isEmpty() || done.load(); }));
    engine().stopScanLargeFile();
    const int atStop = engine().allFiles()[G::allGroup]->fileCount();
    walker.join();
    QCoreApplication::processEvents();
    EXPECT_TRUE(engine().stopScanLargeFileFig());
    EXPECT_EQ(engine().allFiles()[G::allGroup]->fileCount(), atStop);
    EXPECT_EQ(delegate.count(QStringLiteral("scanFinished")), 2);
    EXPECT_EQ(delegate.calls().first(), QStringLiteral("startScan"));
}

TEST_F(LargeFilesTest, CompletionEventLabel)
{
    double clock = noon;
    engine().setClockForTesting([&clock] { return clock; });
    sparseFile(QStringLiteral("e/a.bin"), 500'000'000);
    sparseFile(QStringLiteral("e/b.bin"), 500'000'000);
    sparseFile(QStringLiteral("e/c.bin"), 500'000'000);
    UserDefaults::standardUserDefaults().setObject(QVariant::fromValue<quint64>(4), "LargeFileCompleteScanCount");
    scan({scratch() + QStringLiteral("/e")});
    clock += 12.2;
    engine().scanGA(1.0);
    const QString size = transformedFileSize(1'500'000'000ULL, false, true);
    EXPECT_TRUE(recorder.contains("Process", "CompleteScan", QStringLiteral("5_a_%1_3_13_100_Large").arg(size)))
        << recorder.events().value(0).label.toStdString();
    EXPECT_EQ(UserDefaults::standardUserDefaults().value<uint64_t>("LargeFileCompleteScanCount"), 5u);

    const QList<std::pair<double, QString>> percents = {
        {1.004, "100"}, {50, "100"}, {0.996, "100"}, {0.994, "99"}, {0.5, "50"}, {0, "0"}};
    for (const auto& [value, text] : percents) {
        recorder.clear();
        engine().scanGA(value);
        ASSERT_EQ(recorder.events().size(), 1);
        EXPECT_TRUE(recorder.events().at(0).label.endsWith("_" + text + "_Large"))
            << value << " " << recorder.events().at(0).label.toStdString();
    }

    engine().stopScanLargeFile();
    recorder.clear();
    engine().scanGA(0.5);
    EXPECT_TRUE(recorder.events().value(0).label.startsWith(QStringLiteral("12_b_%1_3_").arg(size)))
        << recorder.events().value(0).label.toStdString();
}

// A chosen folder whose name is not UTF-8 is walked through its bytes; the
// white list, kept as texts in the settings file, names it by its bytes too.
TEST_F(LargeFilesTest, ARootWhoseNameIsNotUtf8IsScannedAndWhiteListedByItsBytes)
{
    const QByteArray root = QFile::encodeName(scratch()) + "/R/r\xff\xfeoot";
    for (const char* name : {"/one.bin", "/two.bin", "/white/three.bin"}) {
        ASSERT_TRUE(writeFileBytes(root + name, "x"));
        ASSERT_EQ(::truncate((root + name).constData(), 20'000'000), 0);
    }
    engine().setFolderList({root});
    engine().scanLargeFile();
    QCoreApplication::processEvents();
    QByteArrayList found;
    for (const FileInfoPtr& file : engine().allFiles()[G::allGroup]->infos()) {
        found << file->path();
    }
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (QByteArrayList{root + "/one.bin", root + "/two.bin", root + "/white/three.bin"}));

    PlistDict dict = PerferenceInfo::defaultDictionary();
    dict.insert(QStringLiteral("LargeFileWhiteListPath"), QVariantList{FilePath::storedText(root + "/white")});
    ASSERT_TRUE(PropertyList::writeFile(PerferenceInfo::settingsPath(), QVariant::fromValue(dict)));
    engine().setSettingsReaderForTesting(nullptr);  // read from the file
    engine().scanLargeFile();
    QCoreApplication::processEvents();
    EXPECT_EQ(engine().allFiles()[G::allGroup]->fileCount(), 2);
}

TEST_F(LargeFilesTest, AFolderBesideTheHomeIsScannedAndAnotherUsersHomeIsNamedAsLeftOut)
{
    using Reason = LeftOutFolder::Reason;
    // Beside the home folder in use, as /home/shared lies beside /home/ann.
    QTemporaryDir beside(QFileInfo(home()).path() + QStringLiteral("/shared-XXXXXX"));
    ASSERT_TRUE(beside.isValid());
    const QString big = beside.path() + QStringLiteral("/film.mkv");
    {
        QFile file(big);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(40'000'000));
    }
    sparseFile(QStringLiteral("bob/backup.bin"), 40'000'000);
    const QByteArray bob = QFile::encodeName(scratch() + QStringLiteral("/bob"));
    UserHomes::setLookupForTesting([bob] { return std::vector<UserHomes::Account>{{1001, bob}}; });
    const std::shared_ptr<void> restore(nullptr, [](void*) { UserHomes::setLookupForTesting(nullptr); });

    scan({beside.path(), QFile::decodeName(bob), QStringLiteral("/System/Library")});
    const DuplicateFilesList groups = engine().allFiles();
    ASSERT_EQ(groups[G::allGroup]->fileCount(), 1);
    EXPECT_EQ(groups[G::allGroup]->infos()[0]->displayPath(), big);
    EXPECT_EQ(engine().leftOutFolders(),
              QList<LeftOutFolder>({{bob, Reason::otherUsersHome}, {"/System/Library", Reason::systemFolder}}));
    EXPECT_FALSE(engine().scannedNoFolder());

    // Every folder left out: the engine knows it walked none.
    scan({QFile::decodeName(bob) + QStringLiteral("/sub")});
    EXPECT_EQ(engine().allFiles()[G::allGroup]->fileCount(), 0);
    EXPECT_EQ(engine().leftOutFolders(), QList<LeftOutFolder>({{bob + "/sub", Reason::otherUsersHome}}));
    EXPECT_TRUE(engine().scannedNoFolder());
}

TEST_F(LargeFilesTest, TheTrashAndTheSystemsOwnFoldersAreNotScannedButTheUsersOwnMountsAre)
{
    using Reason = LeftOutFolder::Reason;
    // A large file in the Trash is one the user has already removed: moving
    // it into the Trash again would leave its first information file behind.
    sparseFile(QStringLiteral("../.local/share/Trash/files/old.iso"), 40'000'000);
    sparseFile(QStringLiteral("Videos/film.mkv"), 40'000'000);
    const QString trashFiles = dataHome() + QStringLiteral("/Trash/files");
    // Where a file manager mounts a network share or a phone.
    UserRuntimeFolder share;
    ASSERT_TRUE(share.valid());
    ASSERT_TRUE(writeFileBytes(share.path() + "/backup.iso", "x"));
    ASSERT_EQ(::truncate((share.path() + "/backup.iso").constData(), 40'000'000), 0);

    scan({home() + QStringLiteral("/.local"), scratch() + QStringLiteral("/Videos"), trashFiles,
          QStringLiteral("/etc"), QStringLiteral("/usr/share"), QFile::decodeName(share.path())});
    EXPECT_EQ(groupNames(G::allGroup),
              QStringList({QFile::decodeName(share.path() + "/backup.iso"), QStringLiteral("Videos/film.mkv")}));
    EXPECT_EQ(engine().leftOutFolders(), QList<LeftOutFolder>({{QFile::encodeName(trashFiles), Reason::trash},
                                                               {"/etc", Reason::systemFolder},
                                                               {"/usr/share", Reason::systemFolder}}));
    EXPECT_FALSE(engine().scannedNoFolder());
}
