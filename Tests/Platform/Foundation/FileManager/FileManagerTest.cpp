#include "Foundation/FileManager.h"
#include "Foundation/ResourceValues.h"

#include "ForceCopy.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>

#include <fcntl.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray bytes(const QString& path)
{
    return QFile::encodeName(path);
}

// Raw system calls: names need not be valid UTF-8.
void writeBytes(const QByteArray& path, const QByteArray& contents)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path.constData();
    ASSERT_EQ(::write(fd, contents.constData(), static_cast<size_t>(contents.size())), contents.size());
    ::close(fd);
}

QByteArray readBytes(const QByteArray& path)
{
    QFile f;
    const int fd = ::open(path.constData(), O_RDONLY);
    if (fd < 0 || !f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        return {};
    }
    return f.readAll();
}

// Names in a folder, the temporary copies of a move included.
QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

class FileManagerTest : public ::testing::Test {
protected:
    void TearDown() override { FileManager::clearFaults(); }

    QTemporaryDir dir_;
    QByteArray root() const { return bytes(dir_.path()); }
    FileManager& fm = FileManager::default_();
};

TEST_F(FileManagerTest, MoveWithinOneFileSystemNeverReplaces)
{
    writeBytes(root() + "/a", "source");
    writeBytes(root() + "/b", "already there");

    Error error;
    EXPECT_FALSE(fm.moveItem(root() + "/a", root() + "/b", &error));
    EXPECT_EQ(error.code, EEXIST);
    EXPECT_FALSE(error.localizedDescription().isEmpty());
    EXPECT_EQ(readBytes(root() + "/a"), "source");
    EXPECT_EQ(readBytes(root() + "/b"), "already there");

    EXPECT_TRUE(fm.moveItem(root() + "/a", root() + "/c", &error));
    EXPECT_FALSE(fm.fileExists(root() + "/a"));
    EXPECT_EQ(readBytes(root() + "/c"), "source");

    EXPECT_FALSE(fm.moveItem(root() + "/missing", root() + "/d", &error));
    EXPECT_EQ(error.code, ENOENT);
}

TEST_F(FileManagerTest, NamesThatAreNotUtf8AreMovedAndRemoved)
{
    const QByteArray odd = root() + "/caf\xe9 \xff.txt";
    writeBytes(odd, "latin-1 name");
    ASSERT_TRUE(fm.fileExists(odd));
    const QByteArray moved = root() + "/\xfe-moved";
    ASSERT_TRUE(fm.moveItem(odd, moved));
    EXPECT_EQ(readBytes(moved), "latin-1 name");
    EXPECT_TRUE(fm.removeItem(moved));
    EXPECT_FALSE(fm.fileExists(moved));
}

TEST_F(FileManagerTest, CopyAcrossDevicesKeepsContentModeAndTimes)
{
    QByteArray big(3 * 1024 * 1024 + 17, '\0');
    for (int i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>(i * 31);
    }
    const QByteArray from = root() + "/big.bin";
    writeBytes(from, big);
    ASSERT_EQ(::chmod(from.constData(), 0640), 0);
    const struct timespec times[2] = {{1000000000, 5}, {1200000000, 123456789}};
    ASSERT_EQ(::utimensat(AT_FDCWD, from.constData(), times, 0), 0);

    forceCopy();
    ASSERT_TRUE(QDir().mkdir(dir_.path() + "/dest"));
    const QByteArray to = root() + "/dest/big.bin";
    Error error;
    ASSERT_TRUE(fm.moveItem(from, to, &error)) << error.localizedDescription().toStdString();

    EXPECT_FALSE(fm.fileExists(from));
    struct stat st {};
    ASSERT_EQ(::stat(to.constData(), &st), 0);
    EXPECT_EQ(readBytes(to), big);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1200000000);
    EXPECT_EQ(st.st_mtim.tv_nsec, 123456789);
    EXPECT_EQ(st.st_atim.tv_sec, 1000000000);
    EXPECT_EQ(entries(dir_.path() + "/dest"), QStringList{"big.bin"});
}

TEST_F(FileManagerTest, CopyAcrossDevicesMovesFoldersAndLinks)
{
    ASSERT_TRUE(QDir().mkpath(dir_.path() + "/Tool.app/Contents/MacOS"));
    writeBytes(root() + "/Tool.app/Contents/Info", "info");
    writeBytes(root() + "/Tool.app/Contents/MacOS/tool", "binary");
    ASSERT_EQ(::symlink("MacOS/tool", (root() + "/Tool.app/Contents/link").constData()), 0);

    forceCopy();
    const QByteArray to = root() + "/Moved.app";
    ASSERT_TRUE(fm.moveItem(root() + "/Tool.app", to));
    EXPECT_FALSE(fm.fileExists(root() + "/Tool.app"));
    EXPECT_EQ(readBytes(to + "/Contents/MacOS/tool"), "binary");
    EXPECT_EQ(readBytes(to + "/Contents/Info"), "info");
    char target[64] = {};
    ASSERT_GT(::readlink((to + "/Contents/link").constData(), target, sizeof target - 1), 0);
    EXPECT_STREQ(target, "MacOS/tool");
}

// A failure at any step of a copy leaves the source whole and nothing (not
// even the temporary copy) at the destination.
TEST_F(FileManagerTest, FailedCopyLeavesSourceAndNoPartialFile)
{
    const QByteArray big(2 * 1024 * 1024 + 5, 'x');
    ASSERT_TRUE(QDir().mkdir(dir_.path() + "/dest"));
    const QByteArray to = root() + "/dest/file";

    for (const FileStep failing : {FileStep::copyData, FileStep::finalRename, FileStep::remove}) {
        const QByteArray from = root() + "/file";
        writeBytes(from, big);
        int calls = 0;
        forceCopy([&](FileStep step, const QByteArray&) {
            // Fail the second block of the copy, i.e. in the middle of it.
            if (step == failing && (step != FileStep::copyData || ++calls == 2)) {
                return step == FileStep::copyData ? ENOSPC : EIO;
            }
            return 0;
        });
        Error error;
        EXPECT_FALSE(fm.moveItem(from, to, &error)) << int(failing);
        EXPECT_NE(error.code, 0);
        EXPECT_EQ(readBytes(from), big) << int(failing);
        EXPECT_TRUE(entries(dir_.path() + "/dest").isEmpty()) << entries(dir_.path() + "/dest").join(',').toStdString();
        FileManager::clearFaults();
    }
}

TEST_F(FileManagerTest, CopyAcrossDevicesRefusesAnExistingDestination)
{
    writeBytes(root() + "/a", "mine");
    writeBytes(root() + "/b", "theirs");
    forceCopy();
    Error error;
    EXPECT_FALSE(fm.moveItem(root() + "/a", root() + "/b", &error));
    EXPECT_EQ(error.code, EEXIST);
    EXPECT_EQ(readBytes(root() + "/a"), "mine");
    EXPECT_EQ(readBytes(root() + "/b"), "theirs");
}

TEST_F(FileManagerTest, MoveBetweenRealFileSystems)
{
    struct stat a {};
    struct stat b {};
    if (::stat("/dev/shm", &b) != 0 || ::stat(root().constData(), &a) != 0 || a.st_dev == b.st_dev) {
        GTEST_SKIP() << "/dev/shm is not a file system of its own here";
    }
    QTemporaryDir shm(QStringLiteral("/dev/shm/twinsweep-test-XXXXXX"));
    ASSERT_TRUE(shm.isValid());
    const QByteArray from = bytes(shm.path()) + "/photo.jpg";
    writeBytes(from, QByteArray(100000, 'p'));
    ASSERT_EQ(::chmod(from.constData(), 0604), 0);
    struct stat before {};
    ASSERT_EQ(::stat(from.constData(), &before), 0);

    const QByteArray to = root() + "/photo.jpg";
    ASSERT_TRUE(fm.moveItem(from, to));
    EXPECT_FALSE(fm.fileExists(from));
    struct stat after {};
    ASSERT_EQ(::stat(to.constData(), &after), 0);
    EXPECT_EQ(after.st_size, 100000);
    EXPECT_EQ(after.st_mode & 07777, 0604u);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);

    // Back again, now with an injected failure in the middle.
    FileManagerFaults faults;
    faults.fail = [](FileStep step, const QByteArray&) { return step == FileStep::copyData ? EIO : 0; };
    FileManager::setFaults(faults);
    EXPECT_FALSE(fm.moveItem(to, from));
    EXPECT_TRUE(fm.fileExists(to));
    EXPECT_TRUE(entries(shm.path()).isEmpty());
}

TEST_F(FileManagerTest, RemoveDeletesFilesFoldersAndLinksButNotTheirTargets)
{
    writeBytes(root() + "/kept", "target");
    ASSERT_EQ(::symlink((root() + "/kept").constData(), (root() + "/link").constData()), 0);
    ASSERT_EQ(::symlink("/nowhere", (root() + "/dangling").constData()), 0);
    ASSERT_TRUE(QDir().mkpath(dir_.path() + "/tree/a/b"));
    writeBytes(root() + "/tree/a/b/f", "f");

    EXPECT_TRUE(fm.fileExists(root() + "/dangling"));
    EXPECT_TRUE(fm.removeItem(root() + "/link"));
    EXPECT_TRUE(fm.removeItem(root() + "/dangling"));
    EXPECT_TRUE(fm.removeItem(root() + "/tree"));
    EXPECT_EQ(entries(dir_.path()), QStringList{"kept"});

    Error error;
    EXPECT_FALSE(fm.removeItem(root() + "/tree", &error));
    EXPECT_EQ(error.code, ENOENT);

    FileManagerFaults faults;
    faults.fail = [](FileStep step, const QByteArray&) { return step == FileStep::remove ? EACCES : 0; };
    FileManager::setFaults(faults);
    EXPECT_FALSE(fm.removeItem(root() + "/kept", &error));
    EXPECT_EQ(error.code, EACCES);
    EXPECT_TRUE(fm.fileExists(root() + "/kept"));
}

// A folder of a tree being deleted that is swapped for a link half-way must
// not lead the deletion out of the tree.
TEST_F(FileManagerTest, RemovingATreeNeverFollowsAFolderSwappedForALinkOnTheWay)
{
    ASSERT_TRUE(QDir().mkpath(dir_.path() + "/tree/sub"));
    ASSERT_TRUE(QDir().mkpath(dir_.path() + "/outside"));
    for (const char* name : {"one", "two"}) {
        writeBytes(root() + "/tree/sub/" + name, "inside");
        writeBytes(root() + "/outside/" + name, "keep me");
    }
    const QByteArray tree = root() + "/tree";
    bool swapped = false;
    FileManagerFaults faults;
    faults.fail = [&](FileStep step, const QByteArray& path) {
        if (step == FileStep::remove && !swapped && path.startsWith(tree + "/sub/")) {
            swapped = true;
            ::rename((tree + "/sub").constData(), (tree + "/sub.moved").constData());
            (void)::symlink((root() + "/outside").constData(), (tree + "/sub").constData());
        }
        return 0;
    };
    FileManager::setFaults(faults);

    (void)fm.removeItem(tree);

    EXPECT_TRUE(swapped);
    EXPECT_EQ(readBytes(root() + "/outside/one"), "keep me");
    EXPECT_EQ(readBytes(root() + "/outside/two"), "keep me");
}

// Given what the scan saw of an item, the operations act on that item only:
// not on a file rewritten or replaced since, nor on one reached through a
// folder that became a link.
TEST_F(FileManagerTest, OperationsGivenAnIdentityActOnlyOnThatItem)
{
    const auto identityOf = [](const QByteArray& path) {
        struct stat st {};
        EXPECT_EQ(::lstat(path.constData(), &st), 0);
        return ItemIdentity::of(st);
    };
    const QByteArray file = root() + "/f";
    writeBytes(file, "12345");
    const ItemIdentity seen = identityOf(file);
    ASSERT_TRUE(QDir().mkdir(dir_.path() + "/dest"));
    Error error;

    // Rewritten with another size: neither removed nor moved.
    writeBytes(file, "123456");
    EXPECT_FALSE(fm.removeItem(file, seen, &error));
    EXPECT_EQ(error.localizedDescription(), "The file has changed since the scan.");
    EXPECT_FALSE(fm.moveItem(file, root() + "/dest/f", seen, &error));
    forceCopy();
    EXPECT_FALSE(fm.moveItem(file, root() + "/dest/f", seen, &error));
    FileManager::clearFaults();
    EXPECT_EQ(readBytes(file), "123456");
    EXPECT_TRUE(entries(dir_.path() + "/dest").isEmpty());
    EXPECT_EQ(fm.isItem(file, seen), std::optional<bool>(false));
    EXPECT_EQ(fm.isItem(root() + "/none", seen), std::nullopt);

    // Replaced by another file of the same size and time.
    const ItemIdentity now = identityOf(file);
    writeBytes(root() + "/g", "123456");
    const struct timespec times[2] = {{1000, 0}, {now.modificationTimeNs / 1000000000, now.modificationTimeNs % 1000000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (root() + "/g").constData(), times, 0), 0);
    ASSERT_EQ(::rename((root() + "/g").constData(), file.constData()), 0);
    EXPECT_FALSE(fm.removeItem(file, now, &error));
    EXPECT_EQ(readBytes(file), "123456");

    // Reached through a folder swapped for a link to an equal file.
    ASSERT_TRUE(QDir().mkpath(dir_.path() + "/B"));
    ASSERT_TRUE(QDir().mkpath(dir_.path() + "/A"));
    writeBytes(root() + "/B/y", "same");
    writeBytes(root() + "/A/y", "same");
    const ItemIdentity chosen = identityOf(root() + "/B/y");
    ASSERT_EQ(::rename((root() + "/B").constData(), (root() + "/B.moved").constData()), 0);
    ASSERT_EQ(::symlink((root() + "/A").constData(), (root() + "/B").constData()), 0);
    EXPECT_FALSE(fm.removeItem(root() + "/B/y", chosen, &error));
    EXPECT_EQ(readBytes(root() + "/A/y"), "same");

    // The very item: removed, moved, also across devices, and a folder
    // whose contents changed is still the folder.
    const QByteArray moved = root() + "/B.moved/y";
    EXPECT_TRUE(fm.moveItem(moved, root() + "/dest/y", chosen, &error)) << error.localizedDescription().toStdString();
    ASSERT_TRUE(QDir().mkpath(dir_.path() + "/app.app/Contents"));
    const ItemIdentity bundle = identityOf(root() + "/app.app");
    writeBytes(root() + "/app.app/Contents/binary", "new");
    forceCopy();
    EXPECT_TRUE(fm.moveItem(root() + "/app.app", root() + "/dest/app.app", bundle, &error));
    FileManager::clearFaults();
    EXPECT_EQ(readBytes(root() + "/dest/app.app/Contents/binary"), "new");
    EXPECT_TRUE(fm.removeItem(root() + "/dest/y", identityOf(root() + "/dest/y"), &error));
    EXPECT_EQ(entries(dir_.path() + "/dest"), QStringList{"app.app"});
    // Nothing is known of an empty identity, so it matches nothing.
    EXPECT_FALSE(fm.removeItem(root() + "/A/y", ItemIdentity(), &error));
    EXPECT_TRUE(fm.fileExists(root() + "/A/y"));
}

TEST_F(FileManagerTest, AtomicWritesAreWholeOrLeaveTheOldFile)
{
    const QByteArray path = root() + "/settings";
    writeBytes(path, "old");
    ASSERT_EQ(::chmod(path.constData(), 0600), 0);
    Error error;
    ASSERT_TRUE(fm.writeFileAtomically(path, "new contents", &error));
    EXPECT_EQ(readBytes(path), "new contents");
    struct stat st {};
    ASSERT_EQ(::stat(path.constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "the file keeps its permissions";

    // Out of space at the first write or at the flush: the old file stays.
    for (int failAt : {1, 2}) {
        int calls = 0;
        FileManagerFaults faults;
        faults.fail = [&](FileStep step, const QByteArray&) {
            return step == FileStep::writeData && ++calls == failAt ? ENOSPC : 0;
        };
        FileManager::setFaults(faults);
        EXPECT_FALSE(fm.writeFileAtomically(path, "lost", &error));
        EXPECT_EQ(error.code, ENOSPC);
        EXPECT_FALSE(error.localizedFailureReason().isEmpty());
        EXPECT_EQ(readBytes(path), "new contents");
        EXPECT_EQ(entries(dir_.path()), QStringList{"settings"}) << "no temporary file is left";
    }
    FileManager::clearFaults();

    // A file kept as a link is replaced where it lies; the link stays.
    ASSERT_TRUE(QDir().mkdir(dir_.path() + "/dotfiles"));
    writeBytes(root() + "/dotfiles/real", "one");
    ASSERT_EQ(::symlink((root() + "/dotfiles/real").constData(), (root() + "/linked").constData()), 0);
    ASSERT_TRUE(fm.writeFileAtomically(root() + "/linked", "two", &error));
    EXPECT_EQ(readBytes(root() + "/dotfiles/real"), "two");
    ASSERT_EQ(::lstat((root() + "/linked").constData(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST_F(FileManagerTest, FreeSpaceIsReadOrInjected)
{
    const auto real = fm.systemFreeSize(root());
    ASSERT_TRUE(real.has_value());
    EXPECT_GT(*real, 0u);
    EXPECT_FALSE(fm.systemFreeSize(root() + "/no/such/folder").has_value());

    FileManagerFaults faults;
    faults.freeSize = [](const QByteArray& path) -> std::optional<uint64_t> {
        return path.endsWith("/full") ? std::nullopt : std::optional<uint64_t>(42);
    };
    FileManager::setFaults(faults);
    EXPECT_EQ(fm.systemFreeSize(root()), std::optional<uint64_t>(42));
    EXPECT_FALSE(fm.systemFreeSize(root() + "/full").has_value());
}

TEST_F(FileManagerTest, VolumeIsTheMountHoldingThePath)
{
    EXPECT_EQ(fm.volumePath("/"), std::optional<QByteArray>("/"));
    EXPECT_FALSE(fm.volumePath(root() + "/missing").has_value());
    const auto here = fm.volume(root());
    ASSERT_TRUE(here.has_value());
    EXPECT_FALSE(here->name.isEmpty());
    EXPECT_TRUE(root().startsWith(here->mountPoint));
    // The walk's idea of a file's volume and ours of its folder agree.
    writeBytes(root() + "/f", "f");
    EXPECT_EQ(ResourceValues::read(root() + "/f")->volumeURL, fm.volumePath(root()));

    struct stat shm {};
    struct stat proc {};
    if (::stat("/dev/shm", &shm) == 0 && ::stat("/dev", &proc) == 0 && shm.st_dev != proc.st_dev) {
        EXPECT_EQ(fm.volumePath("/dev/shm"), std::optional<QByteArray>("/dev/shm"));
        // tmpfs has no label: the volume is named by its mount point.
        EXPECT_EQ(fm.volumeName("/dev/shm"), std::optional<QString>("/dev/shm"));
        EXPECT_TRUE(fm.volume("/dev/shm")->isLocal);
    }
}

}  // namespace
