// What the scan saw of an item, and the operations that act on nothing else:
// a file rewritten in place with its old size and times, and a bundle whose
// members changed, are no longer the item.
#include "Foundation/FileManager.h"
#include "Foundation/Trash.h"

#include "ForceCopy.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>

#include <atomic>
#include <cerrno>
#include <functional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class ItemIdentityTest : public TempHomeTest {
protected:
    void TearDown() override
    {
        FileManager::clearFaults();
        TempHomeTest::TearDown();
    }

    QByteArray path(const QString& relative) const { return QFile::encodeName(scratch() + "/" + relative); }
    QByteArray put(const QString& relative, const QByteArray& contents)
    {
        return QFile::encodeName(writeFile(relative, contents));
    }

    static ItemIdentity identityOf(const QByteArray& path)
    {
        struct stat st {};
        EXPECT_EQ(::lstat(path.constData(), &st), 0) << path.constData();
        return ItemIdentity::of(st);
    }
    // A bundle's identity as a scan records it: the folder and its members.
    static ItemIdentity bundleIdentityOf(const QByteArray& path)
    {
        ItemIdentity identity = identityOf(path);
        const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        EXPECT_GE(fd, 0);
        identity.members = FolderMembers::of(fd);
        ::close(fd);
        EXPECT_TRUE(identity.members.has_value());
        return identity;
    }

    static QStringList entries(const QByteArray& folder)
    {
        return QDir(QFile::decodeName(folder)).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    // No operation given `seen` acts on the item at `item`: not a permanent
    // delete, not a move within the file system or across devices, not the
    // Trash. Nothing changes, nothing arrives anywhere.
    void expectEveryOperationRefuses(const QByteArray& item, const ItemIdentity& seen)
    {
        const QByteArray dest = path("dest");
        ASSERT_TRUE(QDir().mkpath(QFile::decodeName(dest)));
        const QString root = QFile::decodeName(item).section('/', 0, -2);
        const auto before = treeSnapshot(root);
        FileManager& fm = FileManager::default_();
        EXPECT_EQ(fm.isItem(item, seen), std::optional<bool>(false));
        Error error;
        EXPECT_FALSE(fm.removeItem(item, seen, &error));
        EXPECT_EQ(error.localizedDescription(), "The file has changed since the scan.");
        EXPECT_FALSE(fm.moveItem(item, dest + "/moved", seen, &error));
        EXPECT_EQ(error.localizedDescription(), "The file has changed since the scan.");
        forceCopy();
        EXPECT_FALSE(fm.moveItem(item, dest + "/copied", seen, &error));
        FileManager::clearFaults();
        EXPECT_FALSE(Trash::trashItem(item, "trashed", seen, &error));
        EXPECT_EQ(error.localizedDescription(), "The file has changed since the scan.");
        EXPECT_EQ(treeSnapshot(root), before);
        EXPECT_TRUE(entries(dest).isEmpty());
        EXPECT_TRUE(entries(Trash::filesFolder()).isEmpty());
        EXPECT_TRUE(entries(Trash::infoFolder()).isEmpty());
    }
};

// Same inode, same size, the modification time set back: only the
// status-change time tells, and it is part of what the scan saw.
TEST_F(ItemIdentityTest, AFileRewrittenInPlaceWithItsTimesSetBackIsNoLongerTheItem)
{
    const QByteArray file = put("f/photo.jpg", "the photo as scanned");
    const ItemIdentity seen = identityOf(file);
    EXPECT_EQ(FileManager::default_().isItem(file, seen), std::optional<bool>(true));

    ASSERT_TRUE(rewriteInPlaceKeepingTimes(file, "ANOTHER PICTURE NOW!"));

    struct stat now {};
    ASSERT_EQ(::lstat(file.constData(), &now), 0);
    EXPECT_EQ(now.st_ino, seen.inode);
    EXPECT_EQ(now.st_size, seen.size);
    EXPECT_EQ(int64_t(now.st_mtim.tv_sec) * 1000000000 + now.st_mtim.tv_nsec, seen.modificationTimeNs);
    EXPECT_FALSE(seen.matches(now));
    expectEveryOperationRefuses(file, seen);
}

// Whatever moves the status-change time counts as a change: a second name
// made for the file or its mode changed (the safe side: it stays). A rename
// moves it as well, so what a move leaves is a new sight of the file.
TEST_F(ItemIdentityTest, ALinkCountOrModeChangeCountsAsChangedAndAMovedFileIsSeenAnew)
{
    FileManager& fm = FileManager::default_();
    const QByteArray file = put("g/song.mp3", "music");
    ItemIdentity seen = identityOf(file);
    ASSERT_EQ(::link(file.constData(), path("g/second name").constData()), 0);
    EXPECT_EQ(fm.isItem(file, seen), std::optional<bool>(false));

    seen = identityOf(file);
    ASSERT_EQ(::chmod(file.constData(), 0600), 0);
    EXPECT_EQ(fm.isItem(file, seen), std::optional<bool>(false));

    seen = identityOf(file);
    const QByteArray moved = path("g/moved.mp3");
    Error error;
    ASSERT_TRUE(fm.moveItem(file, moved, seen, &error)) << error.localizedDescription().toStdString();
    EXPECT_EQ(fm.isItem(moved, seen), std::optional<bool>(false));
    EXPECT_EQ(fm.isItem(moved, identityOf(moved)), std::optional<bool>(true));

    // Across devices the source goes once it is still what was copied, and
    // into the Trash the item is checked before and as it moves.
    forceCopy();
    const QByteArray copied = path("g/copied.mp3");
    ASSERT_TRUE(fm.moveItem(moved, copied, identityOf(moved), &error)) << error.localizedDescription().toStdString();
    EXPECT_FALSE(fm.fileExists(moved));
    ASSERT_TRUE(Trash::trashItem(copied, "song.mp3", identityOf(copied), &error))
        << error.localizedDescription().toStdString();
    FileManager::clearFaults();
    EXPECT_EQ(entries(Trash::filesFolder()), QStringList{"song.mp3"});
    EXPECT_EQ(entries(Trash::infoFolder()), QStringList{"song.mp3.trashinfo"});
}

// A bundle is one item made of many: it is the item the scan saw only while
// every member is as it was read.
TEST_F(ItemIdentityTest, ABundleIsTheItemOnlyWhileItsMembersAreAsRead)
{
    const auto makeBundle = [&](const QString& name) {
        put(name + "/Contents/MacOS/tool", "the program");
        put(name + "/Contents/Info.plist", "<plist/>");
        put(name + "/Contents/Resources/icon.png", "icon");
        EXPECT_EQ(::symlink("MacOS/tool", path(name + "/Contents/run").constData()), 0);
        return path(name);
    };
    struct Change {
        const char* what;
        std::function<void(const QByteArray& bundle)> make;
    };
    const Change changes[] = {
        {"a member rewritten in place, times set back",
         [](const QByteArray& b) { EXPECT_TRUE(rewriteInPlaceKeepingTimes(b + "/Contents/MacOS/tool", "THE PROGRAM")); }},
        {"emptied", [](const QByteArray& b) { EXPECT_TRUE(QDir(QFile::decodeName(b + "/Contents")).removeRecursively()); }},
        {"a file added", [](const QByteArray& b) { EXPECT_TRUE(writeFileBytes(b + "/Contents/new.txt", "new")); }},
        {"a folder added", [](const QByteArray& b) { EXPECT_EQ(::mkdir((b + "/Contents/Plugins").constData(), 0755), 0); }},
        {"a member removed", [](const QByteArray& b) { EXPECT_EQ(::unlink((b + "/Contents/Info.plist").constData()), 0); }},
        {"a member renamed",
         [](const QByteArray& b) {
             EXPECT_EQ(::rename((b + "/Contents/Resources/icon.png").constData(), (b + "/Contents/Resources/i.png").constData()), 0);
         }},
        {"a link pointed elsewhere",
         [](const QByteArray& b) {
             EXPECT_EQ(::unlink((b + "/Contents/run").constData()), 0);
             EXPECT_EQ(::symlink("/bin/sh", (b + "/Contents/run").constData()), 0);
         }},
        {"a member replaced by an equal file",
         [](const QByteArray& b) {
             const QByteArray tool = b + "/Contents/MacOS/tool";
             struct stat st {};
             EXPECT_EQ(::lstat(tool.constData(), &st), 0);
             EXPECT_TRUE(writeFileBytes(tool + ".new", "the program"));
             const struct timespec times[2] = {st.st_atim, st.st_mtim};
             EXPECT_EQ(::utimensat(AT_FDCWD, (tool + ".new").constData(), times, 0), 0);
             EXPECT_EQ(::rename((tool + ".new").constData(), tool.constData()), 0);
         }},
    };
    int n = 0;
    for (const Change& change : changes) {
        SCOPED_TRACE(change.what);
        const QByteArray bundle = makeBundle(QStringLiteral("b%1/Tool.app").arg(n++));
        const ItemIdentity seen = bundleIdentityOf(bundle);
        EXPECT_EQ(FileManager::default_().isItem(bundle, seen), std::optional<bool>(true));
        change.make(bundle);
        expectEveryOperationRefuses(bundle, seen);
    }

    // Left as it was read, the bundle is the item: its members' times as the
    // reading left them (read, not written) are what was seen.
    const QByteArray same = makeBundle("same/Tool.app");
    const ItemIdentity seen = bundleIdentityOf(same);
    QFile tool(QFile::decodeName(same + "/Contents/MacOS/tool"));
    ASSERT_TRUE(tool.open(QIODevice::ReadOnly));
    EXPECT_EQ(tool.readAll(), "the program");
    tool.close();
    EXPECT_EQ(FileManager::default_().isItem(same, seen), std::optional<bool>(true));
    forceCopy();
    Error error;
    ASSERT_TRUE(Trash::trashItem(same, "Tool.app", seen, &error)) << error.localizedDescription().toStdString();
    FileManager::clearFaults();
    EXPECT_FALSE(FileManager::default_().fileExists(same));
    EXPECT_EQ(treeSnapshot(QFile::decodeName(Trash::filesFolder() + "/Tool.app")).size(), 7);
}

// A bundle that gains a member while it is copied to another device is not
// what was copied: it stays whole where it was, with the new member, and
// the copy goes again.
TEST_F(ItemIdentityTest, ABundleThatChangesWhileItIsCopiedStaysWholeAndTheCopyGoes)
{
    const QByteArray bundle = path("c/Big.app");
    put("c/Big.app/Contents/MacOS/big", QByteArray(3 * 1024 * 1024, 'b'));
    put("c/Big.app/Contents/Info.plist", "<plist/>");
    const ItemIdentity seen = bundleIdentityOf(bundle);
    const QByteArray dest = path("dest");
    ASSERT_TRUE(QDir().mkpath(QFile::decodeName(dest)));
    std::atomic<bool> added{false};
    forceCopy([&](FileStep step, const QByteArray&) {
        if (step == FileStep::copyData && !added.exchange(true)) {
            EXPECT_TRUE(writeFileBytes(bundle + "/Contents/saved while copying.txt", "keep me"));
        }
        return 0;
    });

    Error error;
    EXPECT_FALSE(FileManager::default_().moveItem(bundle, dest + "/Big.app", seen, &error));
    FileManager::clearFaults();

    EXPECT_TRUE(added.load());
    EXPECT_EQ(error.localizedDescription(), "The file has changed since the scan.");
    EXPECT_TRUE(entries(dest).isEmpty()) << entries(dest).join(',').toStdString();
    const auto left = treeSnapshot(QFile::decodeName(bundle));
    EXPECT_EQ(left.value("Contents/saved while copying.txt"), "file: keep me");
    EXPECT_EQ(left.value("Contents/MacOS/big").size(), 6 + 3 * 1024 * 1024);
}

}  // namespace
