#include <QCryptographicHash>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ScanFixture.h"

namespace {
using Md5Test = TempHomeTest;
}

TEST_F(Md5Test, DigestIsTheStandardMd5InLowerCaseHex)
{
    const QByteArray abc = QFile::encodeName(writeFile("abc", "abc"));
    EXPECT_EQ(md5File(abc, 3), QString("900150983cd24fb0d6963f7d28e17f72"));
    // More than one 1 MiB piece.
    const QByteArray big(3 * 1048576 + 17, 'z');
    const QByteArray path = QFile::encodeName(writeFile("big", big));
    EXPECT_EQ(md5File(path, big.size()),
              QString::fromLatin1(QCryptographicHash::hash(big, QCryptographicHash::Md5).toHex()));
}

TEST_F(Md5Test, FilesWithoutAWholeReadingHaveNoDigest)
{
    const QByteArray path = QFile::encodeName(writeFile("f", "12345"));
    EXPECT_EQ(md5File(path, 0), QString("0"));  // size 0 is never opened
    EXPECT_FALSE(md5File(path, 6));             // shorter than the walk saw
    EXPECT_FALSE(md5File(path, 4));             // longer than the walk saw
    EXPECT_FALSE(md5File(QFile::encodeName(scratch() + "/missing"), 5));

    // A FIFO is never opened for reading: no block, no digest.
    const QByteArray fifo = QFile::encodeName(scratch() + "/fifo");
    ASSERT_EQ(mkfifo(fifo.constData(), 0600), 0);
    EXPECT_FALSE(md5File(fifo, 5));
    // Nor is a link followed.
    const QByteArray link = QFile::encodeName(scratch() + "/link");
    ASSERT_EQ(symlink(path.constData(), link.constData()), 0);
    EXPECT_FALSE(md5File(link, 5));

    setMd5ReadFailureForTesting([&](const QByteArray& p) { return p == path; });
    EXPECT_FALSE(md5File(path, 5));
    setMd5ReadFailureForTesting(nullptr);
    EXPECT_TRUE(md5File(path, 5));
}

TEST_F(Md5Test, BundlesCompareByLayoutAndContent)
{
    writeFile("A.app/Contents/bin", "binary");
    writeFile("A.app/.hidden", "h");
    writeFile("B.app/Contents/bin", "binary");
    writeFile("B.app/.hidden", "h");
    writeFile("C.app/Contents/bix", "binary");
    writeFile("C.app/.hidden", "h");
    const auto a = md5Bundle(QFile::encodeName(scratch() + "/A.app"));
    ASSERT_TRUE(a);
    EXPECT_EQ(a, md5Bundle(QFile::encodeName(scratch() + "/B.app")));
    EXPECT_NE(a, md5Bundle(QFile::encodeName(scratch() + "/C.app")));

    const QByteArray inner = QFile::encodeName(scratch() + "/B.app/Contents/bin");
    setMd5ReadFailureForTesting([&](const QByteArray& p) { return p == inner; });
    EXPECT_FALSE(md5Bundle(QFile::encodeName(scratch() + "/B.app")));
    // The hook refers to this test's locals: gone with it.
    setMd5ReadFailureForTesting(nullptr);
}

// A bundle's members are noted as they are met, before their bytes are read:
// what was noted is the bundle as it stands after an undisturbed reading,
// and a member written to between its noting and the end of its reading
// leaves the bundle without a digest.
TEST_F(Md5Test, BundlesNoteTheirMembersBeforeReadingThem)
{
    writeFile("A.app/Contents/MacOS/tool", "the program");
    writeFile("A.app/Contents/Info.plist", "<plist/>");
    const QByteArray bundle = QFile::encodeName(scratch() + "/A.app");
    MembersDigest members{};
    ASSERT_TRUE(md5Bundle(bundle, &members));
    const int fd = ::open(bundle.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(FolderMembers::of(fd), std::optional<MembersDigest>(members));
    ::close(fd);

    const QByteArray tool = bundle + "/Contents/MacOS/tool";
    setMd5ReadFailureForTesting([&](const QByteArray& p) {
        if (p == tool) {
            // Between the noting and the opening: the same bytes written
            // again, its times put back. Only the status-change time tells.
            EXPECT_TRUE(rewriteInPlaceKeepingTimes(tool, "the program"));
        }
        return false;
    });
    EXPECT_FALSE(md5Bundle(bundle, &members));
    setMd5ReadFailureForTesting(nullptr);
    EXPECT_TRUE(md5Bundle(bundle, &members));
}
