#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include "ScanFixture.h"

#include <pwd.h>

#include "Manager/UserHomes.h"

namespace {

class ScanWalkTest : public ScanFixture {
protected:
    // Walks with the settings file as it stands.
    ScanManager::SizeMap walk(const QStringList& roots)
    {
        engine().setScanSetupObj(std::make_shared<PerferenceInfo>());
        QByteArrayList paths;
        for (const QString& root : roots) {
            paths << QFile::encodeName(root);
        }
        return engine().filterSameSize(paths);
    }
    QStringList recorded(const ScanManager::SizeMap& map) const
    {
        QStringList out;
        for (const auto& [size, records] : map) {
            for (const auto& record : records) {
                out << record.displayPath().mid(scratch().size() + 1) + "=" + QString::number(size);
            }
        }
        out.sort();
        return out;
    }
};

}  // namespace

TEST(ScanRootsTest, SystemFoldersAndOtherUsersHomesAreLeftOutWithTheirReason)
{
    using Reason = LeftOutFolder::Reason;
    const std::vector<QByteArray> others{"/home/bob", "/srv/homes/carol"};
    const QByteArrayList given{"/",           "/System/Library", "/Applications/Utilities", "/Library/Caches",
                            "/Systematic", "/Library2",       "/home/ann/Music",         "/home/bob",
                            "/home",       "/home/",          "/data//x/./y/../",        "",
                            "/home/shared", "/home/bob/Music/../Films", "/home/bobby", "/srv/homes/carol/"};
    const ScanManager::RootChoice choice = ScanManager::scanRoots(given, others);
    // Beside a home lies what is nobody's home: a shared folder, a sibling
    // whose name merely begins like another user's, the users folder itself.
    EXPECT_EQ(choice.roots,
              QList<QByteArray>({"/", "/home/ann/Music", "/home", "/home", "/data/x", "/home/shared", "/home/bobby"}));
    EXPECT_EQ(choice.leftOut, QList<LeftOutFolder>({{"/System/Library", Reason::systemFolder},
                                                    {"/Applications/Utilities", Reason::systemFolder},
                                                    {"/Library/Caches", Reason::systemFolder},
                                                    {"/Systematic", Reason::systemFolder},
                                                    {"/Library2", Reason::systemFolder},
                                                    {"/home/bob", Reason::otherUsersHome},
                                                    {"/home/bob/Films", Reason::otherUsersHome},
                                                    {"/srv/homes/carol", Reason::otherUsersHome}}));
    // A relative root is taken against the current folder.
    const QByteArray current = QFile::encodeName(QDir::currentPath());
    EXPECT_EQ(ScanManager::scanRoots({"x/./y"}, {}).roots, QList<QByteArray>({FilePath::normalized(current + "/x/y")}));
}

TEST(UserHomesTest, OtherPeoplesHomesComeFromTheUserDatabase)
{
    const std::vector<UserHomes::Account> accounts{
        {0, "/root"},        {1000, "/home/ann"}, {1001, "/home/bob/"}, {33, "/var/www"}, {1002, "/"},
        {1003, "/home"},     {1004, "relative"},   {65534, "/nonexistent"}, {1005, "/home/ann/guest"},
        {1006, "/home/bob"}};
    // Ann's own home, the folders that hold it, "/", service accounts and
    // the overflow user are nobody else's home; root's is.
    EXPECT_EQ(UserHomes::otherUsersHomes(accounts, 1000, "/home/ann", {1000, 60000}),
              (std::vector<QByteArray>{"/root", "/home/bob", "/home/ann/guest"}));
    // Root runs it with its own home elsewhere: root's database home is still its own.
    EXPECT_EQ(UserHomes::otherUsersHomes(accounts, 0, "/tmp/x", {1000, 60000}),
              (std::vector<QByteArray>{"/home/ann", "/home/bob", "/home", "/home/ann/guest"}));

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile defs(dir.filePath("login.defs"));
    ASSERT_TRUE(defs.open(QIODevice::WriteOnly));
    defs.write("# UID_MIN 1\nUID_MIN\t\t 500\nUID_MAX  abc\nUID_MAX 2000\n");
    defs.close();
    EXPECT_EQ(UserHomes::personUidRange(QFile::encodeName(defs.fileName())), std::make_pair(uid_t(500), uid_t(2000)));
    EXPECT_EQ(UserHomes::personUidRange(QFile::encodeName(dir.filePath("none"))), std::make_pair(uid_t(1000), uid_t(60000)));
}

TEST(UserHomesTest, TheRealDatabaseNamesRootsHomeAndNotAFolderBesideTheHome)
{
    const passwd* root = getpwnam("root");
    if (!root || !root->pw_dir || QByteArray(root->pw_dir) == "/") {
        GTEST_SKIP() << "no root account with a home of its own";
    }
    const QByteArray rootHome = FilePath::normalized(root->pw_dir);
    const QByteArray home = QFile::encodeName(QDir::homePath());
    ASSERT_FALSE(FilePath::isSameOrBelow(home, rootHome)) << "the tests run in a home of their own";
    // Seen by an ordinary user, root's home is another user's.
    const std::vector<QByteArray> others =
        UserHomes::otherUsersHomes(UserHomes::accounts(), 4242424, home, UserHomes::personUidRange());
    EXPECT_NE(std::find(others.begin(), others.end(), rootHome), others.end());
    const QByteArray beside = FilePath::normalized(home + "/../beside-the-home");
    const ScanManager::RootChoice choice = ScanManager::scanRoots({rootHome, beside}, others);
    EXPECT_EQ(choice.roots, QList<QByteArray>({beside}));
    EXPECT_EQ(choice.leftOut, QList<LeftOutFolder>({{rootHome, LeftOutFolder::Reason::otherUsersHome}}));
    // The program's own user is never another user.
    const std::vector<QByteArray> mine = UserHomes::otherUsersHomes();
    for (const UserHomes::Account& account : UserHomes::accounts()) {
        if (account.uid == geteuid()) {
            EXPECT_EQ(std::find(mine.begin(), mine.end(), FilePath::normalized(account.home)), mine.end());
        }
    }
}

TEST(SkippedExtensionTest, NamesAreTestedByTheirLowerCasedExtension)
{
    const auto skipped = [](const char* name) {
        return ScanManager::IgnoresPathExtention::matchesName(name, std::strlen(name));
    };
    EXPECT_TRUE(skipped("notes.JSON"));
    EXPECT_TRUE(skipped("main.c"));
    EXPECT_TRUE(skipped("X.Framework"));
    EXPECT_FALSE(skipped("a.Json.bak"));
    EXPECT_FALSE(skipped(".json"));
    EXPECT_FALSE(skipped("json"));
    EXPECT_FALSE(skipped("a.frameworks"));
    // A Kelvin sign lower-cases into "k", as text lower-casing gives it.
    EXPECT_TRUE(skipped("X.FRAMEWOR\xe2\x84\xaa"));
    EXPECT_FALSE(skipped("X.framewor\xff"));
}

TEST_F(ScanWalkTest, DefaultSettingsLeaveHiddenEmptyAndSkippedItemsOut)
{
    writeFile("keep.txt", "12345");
    writeFile(".hidden.txt", "0123456789");
    writeFile("empty.txt", "");
    writeFile("notes.JSON", "{}");
    writeFile("a.Json.bak", "{}");
    writeFile("X.framework/inside.txt", "abc");
    writeFile(".git/objects/o", "abc");
    writeFile(".cache.json/inner.txt", "abcd");  // a skipped extension wins over hiding
    ASSERT_EQ(symlink("keep.txt", bytesOf("link").constData()), 0);
    settings({});
    EXPECT_EQ(recorded(walk({scratch()})),
              QStringList({".cache.json/inner.txt=4", "X.framework/inside.txt=3", "a.Json.bak=2", "keep.txt=5"}));
}

TEST_F(ScanWalkTest, OnlyRegularFilesAreRecordedEvenWithZeroByteFilesTakenIn)
{
    writeFile("file.txt", "12345");
    writeFile("empty.txt", "");
    ASSERT_EQ(symlink("file.txt", bytesOf("link").constData()), 0);
    ASSERT_EQ(mkfifo(bytesOf("fifo").constData(), 0600), 0);
    includeEverything();
    EXPECT_EQ(recorded(walk({scratch()})), QStringList({"empty.txt=0", "file.txt=5"}));
}

TEST_F(ScanWalkTest, SizeLimitsAndKinds)
{
    writeFile("exact.bin", QByteArray(5000000, 'a'));
    writeFile("over.bin", QByteArray(5000001, 'a'));
    writeFile("small.bin", QByteArray(10, 'a'));
    writeFile("clip.mov", QByteArray(2000, 'a'));
    settings({{"maxSelect", true}, {"maxFileSize", "5"}, {"maxSizeType", "MB"},
              {"minSelect", true}, {"minFileSize", "1"}, {"minSizeType", "KB"}, {"video", false}});
    EXPECT_EQ(recorded(walk({scratch()})), QStringList({"exact.bin=5000000"}));
    // A limit switched on but empty limits nothing.
    settings({{"maxSelect", true}, {"maxFileSize", ""}});
    EXPECT_EQ(recorded(walk({scratch()})).size(), 4);
}

TEST_F(ScanWalkTest, WhiteListCoversRootsFoldersAndFiles)
{
    writeFile("a/keep.txt", "1");
    writeFile("a/skip/inner.txt", "2");
    writeFile("a/skipfile.txt", "3");
    writeFile("b/c/x.txt", "4");
    settings({{"whiteListPath", QVariantList{scratch() + "/a/skip", scratch() + "/a/skipfile.txt", scratch() + "/b"}}});
    EXPECT_EQ(recorded(walk({scratch() + "/a", scratch() + "/b/c"})), QStringList({"a/keep.txt=1"}));
}

TEST_F(ScanWalkTest, OneRecordPerFileAcrossLinksAndRoots)
{
    writeFile("d/one.txt", "abc");
    writeFile("d/sub/two.txt", "abcd");
    ASSERT_EQ(link(bytesOf("d/one.txt").constData(), bytesOf("d/hard.txt").constData()), 0);
    ASSERT_EQ(symlink("..", bytesOf("d/sub/loop").constData()), 0);
    ASSERT_EQ(symlink(bytesOf("d").constData(), bytesOf("viaLink").constData()), 0);
    settings({});
    const auto map = walk({scratch() + "/d", scratch() + "/d/sub", scratch() + "/d/", scratch() + "//d/sub/..",
                           scratch() + "/viaLink"});
    const QStringList files = recorded(map);
    EXPECT_EQ(files.size(), 2) << files.join(",").toStdString();
    EXPECT_TRUE(files.contains("d/sub/two.txt=4"));
}

TEST_F(ScanWalkTest, ApplicationBundlesAreOneItemSizedByTheirContents)
{
    writeFile("Tool.app/Contents/MacOS/tool", QByteArray(300, 'x'));
    writeFile("Tool.app/.hidden", QByteArray(20, 'y'));
    writeFile("Tool.app/Contents/Info.plist", QByteArray(5, 'z'));  // skipped extension inside: still counted
    settings({});
    EXPECT_EQ(recorded(walk({scratch()})), QStringList({"Tool.app=325"}));
}

TEST_F(ScanWalkTest, PseudoFileSystemsAreNotEntered)
{
    if (!QFileInfo::exists("/proc/self")) {
        GTEST_SKIP();
    }
    settings({});
    EXPECT_TRUE(walk({"/proc"}).empty());
}

TEST_F(ScanWalkTest, AFolderBesideTheHomeIsScannedAndAnotherUsersHomeIsNamedAsLeftOut)
{
    using Reason = LeftOutFolder::Reason;
    // Beside the home folder in use, as /home/shared lies beside /home/ann.
    QTemporaryDir beside(QFileInfo(home()).path() + "/shared-XXXXXX");
    ASSERT_TRUE(beside.isValid());
    const QByteArray shared = QFile::encodeName(beside.path());
    ASSERT_TRUE(writeFileBytes(shared + "/a.txt", "same words"));
    ASSERT_TRUE(writeFileBytes(shared + "/b.txt", "same words"));
    writeFile("bob/c.txt", "other words");
    writeFile("bob/d.txt", "other words");
    const QByteArray bob = bytesOf("bob");
    UserHomes::setLookupForTesting([bob] { return std::vector<UserHomes::Account>{{1001, bob}}; });
    const std::shared_ptr<void> restore(nullptr, [](void*) { UserHomes::setLookupForTesting(nullptr); });
    ASSERT_EQ(symlink(bob.constData(), bytesOf("toBob").constData()), 0);

    scan(QByteArrayList{shared, bob, bytesOf("toBob"), bytesOf("gone")});
    ASSERT_EQ(engine().totalFiles().size(), 1);
    QStringList found;
    for (const FileInfoPtr& file : engine().totalFiles()[0]->infos()) {
        found << QFile::encodeName(file->displayPath());
    }
    EXPECT_EQ(found, QStringList({shared + "/a.txt", shared + "/b.txt"}));
    // Also when reached through a link; a folder that is gone is named too.
    EXPECT_EQ(engine().leftOutFolders(), QList<LeftOutFolder>({{bob, Reason::otherUsersHome},
                                                               {bytesOf("toBob"), Reason::otherUsersHome},
                                                               {bytesOf("gone"), Reason::cannotOpen}}));
    EXPECT_FALSE(engine().scannedNoFolder());

    // Nothing left to walk: the scan says so instead of finding nothing.
    settings({{"whiteListPath", QVariantList{QFile::decodeName(shared)}}});
    delegate.events.clear();
    scan(QByteArrayList{bob + "/c.txt/..", shared});
    EXPECT_TRUE(engine().totalFiles().isEmpty());
    EXPECT_EQ(engine().leftOutFolders(),
              QList<LeftOutFolder>({{bob, Reason::otherUsersHome}, {shared, Reason::whiteListed}}));
    EXPECT_TRUE(engine().scannedNoFolder());

    // A scan that walked something is not one that scanned nothing.
    delegate.events.clear();
    scan(QByteArrayList{bob, bytesOf("later")});
    EXPECT_TRUE(engine().scannedNoFolder());
    ASSERT_TRUE(QDir().mkpath(scratch() + "/later"));
    delegate.events.clear();
    scan(QByteArrayList{bob, bytesOf("later")});
    EXPECT_FALSE(engine().scannedNoFolder());
    EXPECT_EQ(engine().leftOutFolders(), QList<LeftOutFolder>({{bob, Reason::otherUsersHome}}));
}

TEST_F(ScanWalkTest, LinksAndSpecialFilesNeverJoinTheGroupOfEmptyFiles)
{
    writeFile("empty-a", "");
    writeFile("empty-b", "");
    writeFile("big.bin", QByteArray(1000000, 'b'));
    writeFile("big copy.bin", QByteArray(1000000, 'b'));
    writeFile("folder/inside.txt", "x");
    ASSERT_EQ(symlink("big.bin", bytesOf("to-big").constData()), 0);
    ASSERT_EQ(symlink("folder", bytesOf("to-folder").constData()), 0);
    ASSERT_EQ(symlink("nowhere", bytesOf("dangling").constData()), 0);
    ASSERT_EQ(symlink("loop-b", bytesOf("loop-a").constData()), 0);
    ASSERT_EQ(symlink("loop-a", bytesOf("loop-b").constData()), 0);
    ASSERT_EQ(mkfifo(bytesOf("fifo").constData(), 0600), 0);
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = bytesOf("socket");
    ASSERT_LT(size_t(socketPath.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, socketPath.constData(), size_t(socketPath.size()));
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    // Device nodes where root may make them (never opened either way).
    const bool devices = mknod(bytesOf("char-device").constData(), S_IFCHR | 0600, makedev(1, 3)) == 0 &&
                         mknod(bytesOf("block-device").constData(), S_IFBLK | 0600, makedev(7, 0)) == 0;
    includeEverything();

    scan(QStringList{scratch()});
    ::close(sock);
    EXPECT_EQ(groups(), (std::vector<QStringList>{{"big copy.bin", "big.bin"}, {"empty-a", "empty-b"}}));
    expectConsistentResults();
    if (!devices) {
        GTEST_SKIP() << "device nodes cannot be made here; links, a FIFO and a socket were checked";
    }
}

TEST(ScanRootsTest, TheSystemsOwnFoldersAreLeftOutByWholeComponentsAndWhereALinkLeads)
{
    using Reason = LeftOutFolder::Reason;
    const QByteArrayList system{"/usr",  "/usr/share", "/etc",     "/etc/", "/boot", "/opt/tool", "/bin",   "/sbin",
                                "/lib",  "/lib32",     "/lib64",   "/libx32", "/var/lib", "/var/lib/dpkg", "/proc/self",
                                "/sys",  "/dev/shm",   "/snap",    "/run",  "/run/lock", "/run/systemd",
                                "/run/users", "/usr/../etc"};
    const ScanManager::RootChoice left = ScanManager::scanRoots(system, {});
    EXPECT_TRUE(left.roots.isEmpty()) << left.roots.join(' ').toStdString();
    ASSERT_EQ(left.leftOut.size(), system.size());
    for (const LeftOutFolder& folder : left.leftOut) {
        EXPECT_EQ(folder.reason, Reason::systemFolder) << folder.path.toStdString();
    }
    EXPECT_EQ(left.leftOut.last().path, QByteArray("/etc"));

    // Names that merely begin like one, the folders that hold one, and the
    // places where removable disks and the desktop's shares and phones are
    // mounted are the user's.
    const QByteArrayList scanned{"/",      "/usrdata",  "/etcetera", "/var",      "/var/library", "/varlib",
                                 "/runner", "/run/media", "/run/media/me/disk", "/media/disk", "/mnt/x", "/srv/data",
                                 "/run/user/1000/gvfs/smb-share:server=nas,share=photos",
                                 "/run/user/1000/gvfs/mtp:host=Phone_1234", "/run/user/1000/kio-fuse-AbCdEf/smb/nas/photos",
                                 "/run/user/1000/doc/1a2b3c4d"};
    EXPECT_EQ(ScanManager::scanRoots(scanned, {}).roots, QList<QByteArray>(scanned.begin(), scanned.end()));

    // A link is judged by where it leads, and named as chosen.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray toEtc = QFile::encodeName(dir.path()) + "/link-to-etc";
    const QByteArray toUsrShare = QFile::encodeName(dir.path()) + "/share";
    ASSERT_EQ(symlink("/etc", toEtc.constData()), 0);
    ASSERT_EQ(symlink("/usr/share", toUsrShare.constData()), 0);
    const ScanManager::RootChoice linked = ScanManager::scanRoots({toEtc, toUsrShare + "/doc", toEtc + "/.."}, {});
    EXPECT_EQ(linked.leftOut, QList<LeftOutFolder>({{toEtc, Reason::systemFolder},
                                                   {toUsrShare + "/doc", Reason::systemFolder}}));
    // "/link-to-etc/.." is the temporary folder itself, taken lexically.
    EXPECT_EQ(linked.roots, QList<QByteArray>({QFile::encodeName(dir.path())}));
}

TEST_F(ScanWalkTest, AFolderTheDesktopMountedForItsUserIsScanned)
{
    // Where a file manager mounts a network share or a phone.
    UserRuntimeFolder share;
    ASSERT_TRUE(share.valid());
    ASSERT_TRUE(writeFileBytes(share.path() + "/photo.jpg", "same bytes"));
    ASSERT_TRUE(writeFileBytes(share.path() + "/photo copy.jpg", "same bytes"));
    scan(QByteArrayList{share.path()});
    EXPECT_TRUE(engine().leftOutFolders().isEmpty());
    ASSERT_EQ(engine().totalFiles().size(), 1);
    EXPECT_EQ(engine().totalFiles().first()->fileCount(), 2);
}

TEST_F(ScanWalkTest, ASystemFolderSeenThroughABindMountIsScanned)
{
    // How the benchmarks time a scan of /usr: through a view that is no
    // system path. The folder itself stays left out.
    BindMount view(QStringLiteral("/etc"));
    if (!view.mounted()) {
        GTEST_SKIP() << "bind mounts need root";
    }
    settings({{"zeroByteFile", false}});
    const QByteArray path = QFile::encodeName(view.path());
    scan(QByteArrayList{"/etc", path});
    EXPECT_EQ(engine().leftOutFolders(), QList<LeftOutFolder>({{"/etc", LeftOutFolder::Reason::systemFolder}}));
    EXPECT_FALSE(engine().scannedNoFolder());
    bool fromTheView = false;
    for (const DuplicateFilesPtr& group : engine().totalFiles()) {
        for (const FileInfoPtr& file : group->infos()) {
            EXPECT_TRUE(FilePath::isSameOrBelow(QFile::encodeName(file->displayPath()), path));
            fromTheView = true;
        }
    }
    EXPECT_TRUE(fromTheView) << "no two equal files in /etc";
}

TEST_F(ScanWalkTest, TheTrashIsNeverTheCopyThatIsKept)
{
    using Reason = LeftOutFolder::Reason;
    const QByteArray report = "%PDF-1.4 the report as the user keeps it";
    writeFile("Documents/report.pdf", report);
    const QString trash = dataHome() + "/Trash";
    ASSERT_TRUE(writeFileBytes(QFile::encodeName(trash + "/files/report.pdf"), report));
    ASSERT_TRUE(writeFileBytes(QFile::encodeName(trash + "/info/report.pdf.trashinfo"), "[Trash Info]\n"));
    ASSERT_TRUE(writeFileBytes(QFile::encodeName(trash + "/files/old/report.pdf"), report));
    writeFile("Documents/notes.txt", "notes");
    writeFile("Documents/notes copy.txt", "notes");
    settings({{"hiddenFile", false}});

    // The Trash met below a chosen folder is not entered: the user's file is
    // no copy of one that the next emptying of the Trash destroys.
    scan(QStringList{home() + "/.local", scratch() + "/Documents"});
    EXPECT_EQ(groups(), (std::vector<QStringList>{{"Documents/notes copy.txt", "Documents/notes.txt"}}));
    EXPECT_TRUE(engine().leftOutFolders().isEmpty());

    // Chosen, it is named: the Trash, a folder in it, and either through a link.
    ASSERT_EQ(symlink(QFile::encodeName(trash + "/files").constData(), bytesOf("to-trash").constData()), 0);
    const QByteArrayList chosen{QFile::encodeName(trash), QFile::encodeName(trash + "/files/old"), bytesOf("to-trash"),
                                bytesOf("to-trash/old")};
    delegate.events.clear();
    scan(chosen);
    EXPECT_TRUE(engine().totalFiles().isEmpty());
    QList<LeftOutFolder> named;
    for (const QByteArray& path : chosen) {
        named.append({path, Reason::trash});
    }
    EXPECT_EQ(engine().leftOutFolders(), named);
    EXPECT_TRUE(engine().scannedNoFolder());

    // Also through a bind mount, which no link resolution sees.
    BindMount view(trash);
    if (view.mounted()) {
        delegate.events.clear();
        scan(QStringList{view.path() + "/files", scratch() + "/Documents"});
        EXPECT_EQ(engine().leftOutFolders(),
                  QList<LeftOutFolder>({{QFile::encodeName(view.path() + "/files"), Reason::trash}}));
        EXPECT_EQ(groups().size(), 1u);
    }
}

TEST_F(ScanWalkTest, TrashFoldersAtTheTopOfAVolumeAreLeftOut)
{
    using Reason = LeftOutFolder::Reason;
    SmallFileSystem volume(1024);
    if (!volume.mounted()) {
        GTEST_SKIP() << "mounting a file system needs root";
    }
    const QByteArray top = QFile::encodeName(volume.path());
    for (const QByteArray& folder : {top + "/.Trash-1000/files", top + "/.Trash/1000/files", top + "/kept"}) {
        ASSERT_TRUE(writeFileBytes(folder + "/a.txt", "the same words"));
        ASSERT_TRUE(writeFileBytes(folder + "/b.txt", "the same words"));
    }
    // The same names below the top of a volume are ordinary folders.
    const QByteArray deeper = bytesOf("sub/.Trash-1000/files");
    ASSERT_TRUE(writeFileBytes(deeper + "/c.txt", "other words"));
    ASSERT_TRUE(writeFileBytes(deeper + "/d.txt", "other words"));
    settings({{"hiddenFile", false}});

    const QByteArrayList trashes{top + "/.Trash-1000", top + "/.Trash-1000/files", top + "/.Trash",
                                 top + "/.Trash/1000/files"};
    scan(trashes + QByteArrayList{top, deeper});
    QList<LeftOutFolder> named;
    for (const QByteArray& path : trashes) {
        named.append({path, Reason::trash});
    }
    EXPECT_EQ(engine().leftOutFolders(), named);
    std::vector<QByteArrayList> found;
    for (const DuplicateFilesPtr& group : engine().totalFiles()) {
        QByteArrayList paths;
        for (const FileInfoPtr& file : group->infos()) {
            paths << QFile::encodeName(file->displayPath());
        }
        found.push_back(paths);
    }
    std::vector<QByteArrayList> expected{{deeper + "/c.txt", deeper + "/d.txt"}, {top + "/kept/a.txt", top + "/kept/b.txt"}};
    std::sort(found.begin(), found.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(found, expected);
}
