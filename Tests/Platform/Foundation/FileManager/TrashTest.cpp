#include "Foundation/FileManager.h"
#include "Foundation/Trash.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#include <cerrno>

#include <sys/mount.h>
#include <unistd.h>

namespace {

class TrashTest : public TempHomeTest {
protected:
    void TearDown() override
    {
        FileManager::clearFaults();
        TempHomeTest::TearDown();
    }

    static QByteArray read(const QByteArray& path)
    {
        QFile f(QFile::decodeName(path));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // The value of `key` in an information file.
    static QByteArray field(const QByteArray& info, const QByteArray& key)
    {
        for (const QByteArray& line : info.split('\n')) {
            if (line.startsWith(key + '=')) {
                return line.mid(key.size() + 1);
            }
        }
        return {};
    }
};

TEST_F(TrashTest, FollowsTheDataHome)
{
    EXPECT_EQ(Trash::homeTrash(), QFile::encodeName(dataHome()) + "/Trash");
    qunsetenv("XDG_DATA_HOME");
    EXPECT_EQ(Trash::homeTrash(), QFile::encodeName(home()) + "/.local/share/Trash");
    qputenv("XDG_DATA_HOME", "relative/path");
    EXPECT_EQ(Trash::homeTrash(), QFile::encodeName(home()) + "/.local/share/Trash");
}

TEST_F(TrashTest, TrashedFileGetsAnInformationFileThatLeadsBack)
{
    // The data folder itself is missing: everything down to files/ is made.
    QDir(dataHome()).removeRecursively();
    const QByteArray original = QFile::encodeName(writeFile("My Docs/Report 100%.pdf", "report"));

    Error error;
    ASSERT_TRUE(Trash::trashItem(original, "Report 100%.pdf", &error)) << error.localizedDescription().toStdString();
    EXPECT_FALSE(FileManager::default_().fileExists(original));
    EXPECT_EQ(read(Trash::filesFolder() + "/Report 100%.pdf"), "report");

    const QByteArray info = read(Trash::infoFolder() + "/Report 100%.pdf.trashinfo");
    EXPECT_TRUE(info.startsWith("[Trash Info]\n"));
    const QByteArray path = field(info, "Path");
    EXPECT_FALSE(path.contains(' '));
    EXPECT_EQ(QByteArray::fromPercentEncoding(path), original);
    const QString date = QString::fromLatin1(field(info, "DeletionDate"));
    EXPECT_TRUE(QRegularExpression("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d$").match(date).hasMatch()) << date.toStdString();
    EXPECT_LE(qAbs(QDateTime::fromString(date, Qt::ISODate).secsTo(QDateTime::currentDateTime())), 5);
}

TEST_F(TrashTest, InformationOfRawBytePathsDecodesToTheSameBytes)
{
    const QByteArray info = Trash::trashInfo("/tmp/caf\xe9/a b#?.txt", QDateTime(QDate(2027, 1, 1), QTime(0, 0, 5)));
    EXPECT_EQ(info, "[Trash Info]\nPath=/tmp/caf%E9/a%20b%23%3F.txt\nDeletionDate=2027-01-01T00:00:05\n");
}

TEST_F(TrashTest, ATakenNameIsRefusedAndNothingMoves)
{
    ASSERT_TRUE(Trash::createFolders());
    const QByteArray first = QFile::encodeName(writeFile("one/a.txt", "first"));
    const QByteArray second = QFile::encodeName(writeFile("two/a.txt", "second"));
    ASSERT_TRUE(Trash::trashItem(first, "a.txt"));
    EXPECT_TRUE(Trash::isNameTaken("a.txt"));

    Error error;
    EXPECT_FALSE(Trash::trashItem(second, "a.txt", &error));
    EXPECT_EQ(error.code, EEXIST);
    EXPECT_EQ(read(second), "second");
    EXPECT_EQ(read(Trash::filesFolder() + "/a.txt"), "first");
    EXPECT_EQ(QByteArray::fromPercentEncoding(field(read(Trash::infoFolder() + "/a.txt.trashinfo"), "Path")), first);

    // A left-over information file holds its name as well, and is kept.
    QFile stale(QFile::decodeName(Trash::infoFolder() + "/b.txt.trashinfo"));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("stale");
    stale.close();
    EXPECT_TRUE(Trash::isNameTaken("b.txt"));
    EXPECT_FALSE(Trash::trashItem(second, "b.txt", &error));
    EXPECT_EQ(error.code, EEXIST);
    EXPECT_EQ(read(Trash::infoFolder() + "/b.txt.trashinfo"), "stale");
    EXPECT_EQ(read(second), "second");
}

TEST_F(TrashTest, FailuresLeaveTheFileAndNoInformationFile)
{
    const QByteArray file = QFile::encodeName(writeFile("c.txt", "c"));
    for (const FileStep failing : {FileStep::createInfo, FileStep::rename}) {
        FileManagerFaults faults;
        faults.fail = [failing](FileStep step, const QByteArray&) { return step == failing ? EIO : 0; };
        FileManager::setFaults(faults);
        Error error;
        EXPECT_FALSE(Trash::trashItem(file, "c.txt", &error));
        EXPECT_EQ(error.code, EIO);
        EXPECT_EQ(read(file), "c");
        EXPECT_FALSE(Trash::isNameTaken("c.txt"));
    }
    FileManager::clearFaults();
    Error error;
    EXPECT_FALSE(Trash::trashItem(file, "../escape", &error));
    EXPECT_EQ(error.code, EINVAL);
    EXPECT_EQ(read(file), "c");
}

// A Trash that cannot take files says so and why, naming the folder that
// stops it, never that some folder is missing.
TEST_F(TrashTest, AnUnusableTrashTellsWhichFolderAndWhy)
{
    const QString files = QFile::decodeName(Trash::filesFolder());
    const QString info = QFile::decodeName(Trash::infoFolder());
    const auto unusable = [](int code) {
        Error error;
        EXPECT_FALSE(Trash::checkUsable(&error));
        EXPECT_EQ(error.code, code);
        return error.localizedDescription();
    };

    ASSERT_TRUE(writeFileBytes(Trash::filesFolder(), "a plain file"));
    EXPECT_EQ(unusable(ENOTDIR),
              QString("The Trash cannot be used: \u201C%1\u201D is not a folder. Nothing was moved.").arg(files));
    ASSERT_TRUE(QFile::remove(files));
    ASSERT_TRUE(writeFileBytes(Trash::infoFolder(), "a plain file"));
    EXPECT_EQ(unusable(ENOTDIR),
              QString("The Trash cannot be used: \u201C%1\u201D is not a folder. Nothing was moved.").arg(info));
    ASSERT_TRUE(QFile::remove(info));

    EXPECT_TRUE(Trash::checkUsable());
    EXPECT_TRUE(QFileInfo(files).isDir() && QFileInfo(info).isDir());
}

TEST_F(TrashTest, ATrashOnAReadOnlyDiskIsUnusable)
{
    SmallFileSystem disk(256);
    if (!disk.mounted()) {
        GTEST_SKIP() << "a file system of its own needs root";
    }
    qputenv("XDG_DATA_HOME", QFile::encodeName(disk.path()));
    ASSERT_TRUE(Trash::createFolders());
    ASSERT_EQ(::mount(nullptr, QFile::encodeName(disk.path()).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    Error error;
    EXPECT_FALSE(Trash::checkUsable(&error));
    EXPECT_EQ(error.code, EROFS);
    EXPECT_EQ(error.localizedDescription(),
              QString("The Trash cannot be used: \u201C%1\u201D lies on a disk that is read-only. Nothing was moved.")
                  .arg(QFile::decodeName(Trash::filesFolder())));
}

}  // namespace
