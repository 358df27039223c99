#include "LargeFilePanelSupport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Manager/ScanManager.h"
#include "QVBaseLib/Helper.h"
#include "View/DataDispaly/RightDataDetail/LargeFileView/RightLargeFileDataViewController.h"

void LargeFileScreen::leftDataViewUpdateViewSelected(bool viewSelected)
{
    calls << QStringLiteral("viewSelected %1").arg(viewSelected);
}

void LargeFileScreen::setRightLargeDataFiles(const DuplicateFilesPtr& files)
{
    rightLargeDataFiles = files;
}

void LargeFileScreen::displayRightDataView()
{
    calls << QStringLiteral("displayRightDataView");
    if (table) {
        table->setData(rightLargeDataFiles, sortType);
    }
}

void LargeFileScreen::updateRightDataBox(bool value)
{
    notData = value;
}

void LargeFileScreen::updateCountLable(bool)
{
    ++countUpdates;
}

void LargeFileScreen::updateSelectedState(SelectType selectType)
{
    lastSelectType = selectType;
}

void LargeFilePanelTest::SetUp()
{
    TempHomeTest::SetUp();
    QDir().mkpath(scratch());
    settings = std::make_shared<PerferenceInfo>();
    ScanManager::default_().setScanSetupObj(settings);
    engine().setDelegate(nullptr);
    engine().setClockForTesting(nullptr);
    engine().setFolderList({});
    Helper::setNetworkReachableOverride(false);
    window = std::make_unique<QMainWindow>();
    window->resize(1100, 640);
}

void LargeFilePanelTest::TearDown()
{
    EXPECT_TRUE(engine().waitUntilRemoveIdle(20000));
    engine().setRemoveProgressHandler(nullptr);
    // Work still queued for the panels finds them gone.
    window.reset();
    QCoreApplication::processEvents();
    engine().setFolderList({});
    Helper::setNetworkReachableOverride(std::nullopt);
    TempHomeTest::TearDown();
}

QByteArray LargeFilePanelTest::sparseFile(const QByteArray& relativePath, uint64_t size, int64_t age)
{
    const QByteArray path = QFile::encodeName(scratch()) + '/' + relativePath;
    QDir().mkpath(QFile::decodeName(path.left(path.lastIndexOf('/'))));
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    EXPECT_GE(fd, 0) << path.constData();
    if (fd >= 0) {
        EXPECT_EQ(::ftruncate(fd, off_t(size)), 0);
        ::close(fd);
    }
    struct timespec times[2];
    times[0].tv_sec = time_t(QDateTime::currentSecsSinceEpoch() - age);
    times[0].tv_nsec = 0;
    times[1] = times[0];
    EXPECT_EQ(::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW), 0);
    return path;
}

int64_t LargeFilePanelTest::secondsIntoToday()
{
    return QDateTime::currentSecsSinceEpoch() % 86400;
}

void LargeFilePanelTest::writeEveryBand()
{
    const int64_t day = 86400;
    // Size bands, each a different kind and age:
    sparseFile("huge.mkv", 6'000'000'000ULL, 400 * day);     // over 5 GB, a year ago, video
    sparseFile("big.iso", 2'000'000'000ULL, 40 * day);       // 1 to 5 GB, a month ago, other
    sparseFile("medium.mp3", 600'000'000ULL, 10 * day);      // 500 MB to 1 GB, a week ago, audio
    sparseFile("small.jpg", 20'000'000ULL, secondsIntoToday() + 3600);  // 10 to 500 MB, last week, picture
    sparseFile("paper.pdf", 30'000'000ULL, 0);               // 10 to 500 MB, today, document
    sparseFile("tiny.bin", 9'999'999ULL, 0);                 // under 10 MB: not a large file
}

void LargeFilePanelTest::scan()
{
    engine().setFolderList({QFile::encodeName(scratch())});
    engine().scanLargeFile();
    QCoreApplication::processEvents();
}

DuplicateFilesPtr LargeFilePanelTest::group(int slot) const
{
    const DuplicateFilesList groups = LargeFilesManager::default_().allFiles();
    return slot < groups.size() ? groups.at(slot) : nullptr;
}

QStringList LargeFilePanelTest::names(const QList<FileInfoPtr>& files)
{
    QStringList list;
    for (const FileInfoPtr& file : files) {
        list << file->name();
    }
    return list;
}
