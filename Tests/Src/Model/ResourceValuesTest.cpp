#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include "Foundation/ResourceValues.h"
#include "TestSupport.h"

namespace {

class ResourceValuesTest : public TempHomeTest {
protected:
    QByteArray at(const QString& relative) const { return QFile::encodeName(scratch() + "/" + relative); }
};

}  // namespace

TEST_F(ResourceValuesTest, RegularFileAndFolders)
{
    writeFile("plain.txt", "hello");
    writeFile(".secret", "x");
    QDir(scratch()).mkpath("Some.app/Contents");
    QDir(scratch()).mkpath("dir.app.bak");

    const auto file = ResourceValues::read(at("plain.txt"));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->name, "plain.txt");
    EXPECT_TRUE(file->isRegularFile);
    EXPECT_FALSE(file->isDirectory);
    EXPECT_FALSE(file->isAliasFile);
    EXPECT_EQ(file->totalFileSize, 5);
    EXPECT_TRUE(file->isReadable);
    EXPECT_TRUE(file->isWritable);
    EXPECT_FALSE(file->isHidden);
    EXPECT_FALSE(file->isApplication);
    EXPECT_NE(file->inode, 0u);
    EXPECT_GT(file->modificationTimeNs, 0);

    EXPECT_TRUE(ResourceValues::read(at(".secret"))->isHidden);
    const auto app = ResourceValues::read(at("Some.app"));
    EXPECT_TRUE(app->isDirectory && app->isApplication);
    EXPECT_FALSE(ResourceValues::read(at("dir.app.bak"))->isApplication);
    EXPECT_FALSE(ResourceValues::read(at("missing")));
}

// The identity of what was read: the status-change time with the rest, so a
// file rewritten in place with its size and times put back is not it; a
// bundle's values alone say nothing of its members (its reading notes them).
TEST_F(ResourceValuesTest, TheIdentityIsWhatWasReadToTheStatusChangeTime)
{
    const QByteArray file = QFile::encodeName(writeFile("doc.txt", "as read"));
    const auto values = ResourceValues::read(file);
    ASSERT_TRUE(values);
    struct stat st {};
    ASSERT_EQ(::lstat(file.constData(), &st), 0);
    const ItemIdentity identity = values->identity();
    EXPECT_EQ(identity.statusChangeTimeNs, int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec);
    EXPECT_TRUE(identity.matches(st));
    ASSERT_TRUE(rewriteInPlaceKeepingTimes(file, "AS READ"));
    ASSERT_EQ(::lstat(file.constData(), &st), 0);
    EXPECT_FALSE(identity.matches(st));

    QDir(scratch()).mkpath("Tool.app/Contents");
    EXPECT_FALSE(ResourceValues::read(at("Tool.app"))->identity().members.has_value());
}

TEST_F(ResourceValuesTest, LinksFifosAndSocketsAreAliasesAndNeverOpened)
{
    writeFile("target.bin", QByteArray(1000, 'x'));
    ASSERT_EQ(symlink("target.bin", at("link").constData()), 0);
    ASSERT_EQ(symlink("nowhere", at("dangling").constData()), 0);
    ASSERT_EQ(mkfifo(at("fifo").constData(), 0600), 0);

    const auto link = ResourceValues::read(at("link"));
    ASSERT_TRUE(link);
    EXPECT_TRUE(link->isAliasFile);
    EXPECT_TRUE(link->isSymbolicLink);
    EXPECT_FALSE(link->isRegularFile);
    EXPECT_EQ(link->totalFileSize, 10);  // the link text, not the target
    EXPECT_TRUE(ResourceValues::read(at("dangling"))->isAliasFile);

    // Reading the values of a FIFO with no writer returns: it is never opened.
    const auto fifo = ResourceValues::read(at("fifo"));
    ASSERT_TRUE(fifo);
    EXPECT_TRUE(fifo->isAliasFile);
    EXPECT_FALSE(fifo->isRegularFile);

    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = at("sock");
    ASSERT_LT(socketPath.size(), static_cast<qsizetype>(sizeof(address.sun_path)));
    memcpy(address.sun_path, socketPath.constData(), socketPath.size());
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    const auto socketValues = ResourceValues::read(socketPath);
    close(sock);
    ASSERT_TRUE(socketValues);
    EXPECT_TRUE(socketValues->isAliasFile);
}

TEST_F(ResourceValuesTest, VolumesOfTmpfsAndTheMainVolumeDiffer)
{
    writeFile("main.txt", "x");
    const auto main = ResourceValues::read(at("main.txt"));
    ASSERT_TRUE(main && main->volumeURL);
    EXPECT_TRUE(QFile::encodeName(scratch()).startsWith(*main->volumeURL));

    if (!QFileInfo::exists("/dev/shm")) {
        GTEST_SKIP() << "no /dev/shm";
    }
    QTemporaryDir shm("/dev/shm/twinsweep-XXXXXX");
    ASSERT_TRUE(shm.isValid());
    QFile file(shm.path() + "/f");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const auto onShm = ResourceValues::read(QFile::encodeName(shm.path() + "/f"));
    ASSERT_TRUE(onShm && onShm->volumeURL);
    EXPECT_EQ(*onShm->volumeURL, "/dev/shm");
    EXPECT_NE(*onShm->volumeURL, *main->volumeURL);
    EXPECT_TRUE(onShm->volumeIsLocal);
}

TEST_F(ResourceValuesTest, MountTableParsesEscapesAndKnowsRemoteAndPseudoSystems)
{
    const QString info = writeFile(
        "mountinfo",
        "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
        "30 22 8:2 / /my\\040disk rw shared:1 - ext4 /dev/sda2 rw\n"
        "31 22 0:40 / /net rw - nfs4 server:/x rw\n"
        "32 22 0:41 / /home/u/remote rw - fuse.sshfs u@h: rw\n"
        "33 22 0:5 / /proc rw - proc proc rw\n"
        "garbage line\n");
    const auto table = MountTable::read(info);
    ASSERT_EQ(table->entries().size(), 5u);
    EXPECT_EQ(table->entries()[1].mountPoint, "/my disk");
    EXPECT_EQ(table->volumeFor("/my disk/f", makedev(8, 2))->mountPoint, "/my disk");
    EXPECT_EQ(table->volumeFor("/my diskette/f", makedev(8, 1))->mountPoint, "/");
    // A path below a mount but on another device (a bind or a stale table)
    // still resolves by prefix.
    EXPECT_EQ(table->volumeFor("/net/a", makedev(9, 9))->mountPoint, "/net");
    EXPECT_FALSE(MountTable::isLocalFileSystem("nfs4"));
    EXPECT_FALSE(MountTable::isLocalFileSystem("fuse.sshfs"));
    EXPECT_TRUE(MountTable::isLocalFileSystem("ext4"));
    EXPECT_TRUE(MountTable::isLocalFileSystem("tmpfs"));
    EXPECT_TRUE(MountTable::isPseudoFileSystem("proc"));
    EXPECT_TRUE(MountTable::isPseudoFileSystem("sysfs"));
    EXPECT_FALSE(MountTable::isPseudoFileSystem("tmpfs"));
}

TEST(FilePathTest, NormalisingAndComponents)
{
    EXPECT_EQ(FilePath::normalized("/a/"), "/a");
    EXPECT_EQ(FilePath::normalized("//a//b/./c/../d"), "/a/b/d");
    EXPECT_EQ(FilePath::normalized("/.."), "/");
    EXPECT_EQ(FilePath::normalized("/"), "/");
    EXPECT_EQ(FilePath::lastComponent("/a/b.txt"), "b.txt");
    EXPECT_EQ(FilePath::lastComponent("/a/b/"), "b");
    EXPECT_EQ(FilePath::parentFolder("/a/b.txt"), "/a");
    EXPECT_EQ(FilePath::parentFolder("/b.txt"), "/");
    EXPECT_EQ(FilePath::parentFolder("/"), "/");
    EXPECT_EQ(FilePath::pathExtension("/a/x.tar.GZ"), "GZ");
    EXPECT_EQ(FilePath::pathExtension("/a/.bashrc"), "");
    EXPECT_EQ(FilePath::pathExtension("/a.d/noext"), "");
    EXPECT_TRUE(FilePath::isSameOrBelow("/a/b", "/a"));
    EXPECT_TRUE(FilePath::isSameOrBelow("/a", "/a"));
    EXPECT_FALSE(FilePath::isSameOrBelow("/ab", "/a"));
    EXPECT_TRUE(FilePath::isSameOrBelow("/x", "/"));
}

TEST(FilePathTest, UrlsAndSettingsTextsKeepEveryByte)
{
    const QByteArray odd = "/R/r\xff\xfeoot/x y%#?.txt";
    EXPECT_EQ(FilePath::fromFileUrl(FilePath::fileUrl(odd)), odd);
    // A dropped item arrives as a URI list entry.
    EXPECT_EQ(FilePath::fromFileUrl(QUrl::fromEncoded("file:///R/r%FF%FEoot")), QByteArray("/R/r\xff\xfeoot"));
    EXPECT_EQ(FilePath::fromFileUrl(QUrl::fromLocalFile(QStringLiteral("/h\u00e9/a b"))), QByteArray("/h\xc3\xa9/a b"));
    EXPECT_EQ(FilePath::fileUrl("/h\xc3\xa9/a b"), QUrl::fromLocalFile(QStringLiteral("/h\u00e9/a b")));

    // UTF-8 paths stay plain texts, as older settings files hold them.
    EXPECT_EQ(FilePath::storedText("/h\xc3\xa9/a b"), QStringLiteral("/h\u00e9/a b"));
    EXPECT_EQ(FilePath::fromStoredText(QStringLiteral("/h\u00e9/a b")), QByteArray("/h\xc3\xa9/a b"));
    for (const QByteArray& path : {odd, QByteArray("/plain"), QByteArray("file:/looks/like/a/url"),
                                   QByteArray("/\xef\xbf\xbd")}) {
        // The text survives being written out as UTF-8 and read back.
        const QString text = QString::fromUtf8(FilePath::storedText(path).toUtf8());
        EXPECT_EQ(FilePath::fromStoredText(text), path) << text.toStdString();
    }
    EXPECT_NE(FilePath::storedText(odd), FilePath::storedText("/R/r\xef\xbf\xbd\xef\xbf\xbdoot/x y%#?.txt"));
}

TEST(FilePathTest, FittedNamesKeepTheExtensionAndWholeCharacters)
{
    EXPECT_EQ(FilePath::fittedName("short.txt", 245), "short.txt");
    EXPECT_EQ(FilePath::fittedName(QByteArray(300, 'a') + ".txt", 245), QByteArray(241, 'a') + ".txt");
    // Two-byte characters: the cut falls before a whole one.
    const QByteArray accents = QString(100, QChar(0xE9)).toUtf8() + ".jpg";
    const QByteArray fitted = FilePath::fittedName(accents, 100);
    EXPECT_EQ(fitted, QString(48, QChar(0xE9)).toUtf8() + ".jpg");
    // An extension too long to keep is cut with the rest.
    EXPECT_EQ(FilePath::fittedName("a." + QByteArray(300, 'x'), 50), "a." + QByteArray(48, 'x'));
}

// A chooser hands out decoded names; a folder whose name is not UTF-8 must
// still be found on disk, and an ambiguous one is left alone.
TEST(FilePathTest, PathsThatWentThroughTextAreFoundOnDisk)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray root = QFile::encodeName(dir.path());
    const QByteArray odd = root + "/r\xff\xfeoot";
    ASSERT_EQ(::mkdir(odd.constData(), 0700), 0);
    ASSERT_EQ(::mkdir((odd + "/inner").constData(), 0700), 0);

    const QByteArray viaText = QFile::encodeName(QFile::decodeName(odd + "/inner"));
    ASSERT_NE(viaText, odd + "/inner");
    EXPECT_EQ(FilePath::onDisk(viaText), odd + "/inner");
    EXPECT_EQ(FilePath::onDisk(odd), odd);
    EXPECT_EQ(FilePath::onDisk(root + "/missing"), root + "/missing");

    // Two names that decode alike: the text cannot tell which was meant.
    ASSERT_EQ(::mkdir((root + "/r\xfe\xffoot").constData(), 0700), 0);
    const QByteArray ambiguous = QFile::encodeName(QFile::decodeName(odd));
    EXPECT_EQ(FilePath::onDisk(ambiguous), ambiguous);
}
