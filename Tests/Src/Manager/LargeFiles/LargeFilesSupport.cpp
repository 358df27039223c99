#include "LargeFilesSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Manager/ScanManager.h"
#include "QVBaseLib/Helper.h"

void ScriptedPrompter::ask(Kind, const QString& message, const QString&, const QString&,
                           std::function<void(int)> completion)
{
    {
        std::lock_guard lock(mutex_);
        messages_.append(message);
    }
    if (completion) {
        completion(answer);
    }
}

QStringList ScriptedPrompter::messages() const
{
    std::lock_guard lock(mutex_);
    // A copy with a buffer of its own (see RecordingEngineDelegate::calls()).
    return {messages_.begin(), messages_.end()};
}

void LargeFilesTest::SetUp()
{
    TempHomeTest::SetUp();
    QDir().mkpath(scratch());
    settings_ = std::make_shared<PerferenceInfo>();
    ScanManager::default_().setScanSetupObj(settings_);
    engine().setSettingsReaderForTesting([settings = settings_] { return settings; });
    engine().setDelegate(&delegate);
    engine().setClockForTesting(nullptr);
    engine().setFolderList({});
    UserPrompter::setShared(&prompter);
    Helper::setNetworkReachableOverride(true);
}

void LargeFilesTest::TearDown()
{
    ASSERT_TRUE(engine().waitUntilRemoveIdle(20000));
    engine().setDelegate(nullptr);
    engine().setClockForTesting(nullptr);
    engine().setSettingsReaderForTesting(nullptr);
    engine().setRemoveProgressHandler(nullptr);
    UserPrompter::setShared(nullptr);
    Helper::setNetworkReachableOverride(std::nullopt);
    // Let blocks queued for the main thread run while the delegate is gone.
    QCoreApplication::processEvents();
    TempHomeTest::TearDown();
}

std::shared_ptr<PerferenceInfo> LargeFilesTest::settings()
{
    return settings_;
}

QString LargeFilesTest::sparseFile(const QString& relativePath, uint64_t size, std::optional<int64_t> mtime)
{
    const QString path = scratch() + QLatin1Char('/') + relativePath;
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    EXPECT_GE(fd, 0) << path.toStdString();
    if (fd >= 0) {
        EXPECT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
        ::close(fd);
    }
    if (mtime) {
        struct timespec times[2];
        times[0].tv_sec = static_cast<time_t>(*mtime);
        times[0].tv_nsec = 0;
        times[1] = times[0];
        EXPECT_EQ(::utimensat(AT_FDCWD, native.constData(), times, AT_SYMLINK_NOFOLLOW), 0);
    }
    return path;
}

void LargeFilesTest::scan(const QStringList& folders)
{
    QByteArrayList paths;
    for (const QString& folder : folders) {
        paths << QFile::encodeName(folder);
    }
    engine().setFolderList(paths);
    engine().scanLargeFile();
    QCoreApplication::processEvents();
}

QStringList LargeFilesTest::groupNames(const DuplicateFilesPtr& group) const
{
    QStringList names;
    for (const FileInfoPtr& file : group->infos()) {
        QString path = file->displayPath();
        if (path.startsWith(scratch() + QLatin1Char('/'))) {
            path = path.mid(scratch().size() + 1);
        }
        names.append(path);
    }
    names.sort();
    return names;
}

QStringList LargeFilesTest::groupNames(int index) const
{
    const DuplicateFilesList groups = LargeFilesManager::default_().allFiles();
    if (index < 0 || index >= groups.size()) {
        return {};
    }
    return groupNames(groups.at(index));
}
