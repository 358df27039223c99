// What counts as a leftover of the program's own temporary items: only what
// its records prove it made, never a name that merely looks like its own.
#include "Foundation/FileManager.h"
#include "Foundation/TemporaryItems.h"
#include "Foundation/Trash.h"

#include "SpawnedProcess.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>

#include <algorithm>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Run as a child by the tests, never on its own: records the items listed
// in TWINSWEEP_RECORD_LIST as a run cut short would leave them, then ends.
TEST(TemporaryItemsChild, RecordsAndEnds)
{
    const QByteArray list = qgetenv("TWINSWEEP_RECORD_LIST");
    if (list.isEmpty()) {
        GTEST_SKIP() << "run by the leftover tests only";
    }
    qputenv("XDG_DATA_HOME", qgetenv("TWINSWEEP_RECORD_DATA_HOME"));
    QFile file(QFile::decodeName(list));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() != 4) {
            continue;
        }
        const QByteArray path = QByteArray::fromHex(fields[2]);
        TemporaryItems::Record record = TemporaryItems::recordBefore(path, fields[1], QByteArray::fromHex(fields[3]));
        ASSERT_TRUE(record.isRecorded());
        if (fields[0] == "file" || fields[0] == "empty") {
            ASSERT_TRUE(writeFileBytes(path, fields[0] == "file" ? "partial copy" : ""));
            record.created();
        } else if (fields[0] == "folder") {
            ASSERT_TRUE(writeFileBytes(path + "/inside", "partial bundle"));
            record.created();
        }
        record.keep();
    }
}

// An item as a run cut short leaves it: "file", "empty" (a file with
// nothing written yet) or "folder" made and recorded, or "recorded" only
// (the run ended before it made the item),
// with `extra` recorded beside it.
struct LeftItem {
    QByteArray how;
    QByteArray kind;
    QByteArray path;
    QByteArray extra = {};
};

// Records `items` from a child process that then ends.
void leaveRecordsOfAnEndedProcess(const std::vector<LeftItem>& items)
{
    const QString list = qEnvironmentVariable("XDG_DATA_HOME") + "/record-list";
    QByteArray text;
    for (const LeftItem& item : items) {
        text += item.how + ' ' + item.kind + ' ' + item.path.toHex() + ' ' + item.extra.toHex() + '\n';
    }
    ASSERT_TRUE(writeFileBytes(QFile::encodeName(list), text));
    SpawnedProcess child(QCoreApplication::applicationFilePath(), {"--gtest_filter=TemporaryItemsChild.RecordsAndEnds"},
                         {"TWINSWEEP_RECORD_LIST=" + list,
                          "TWINSWEEP_RECORD_DATA_HOME=" + qEnvironmentVariable("XDG_DATA_HOME")});
    ASSERT_GT(child.pid(), 0);
    ASSERT_TRUE(child.waitForFinished());
    ASSERT_TRUE(child.exitedWithZero());
    QFile::remove(list);
}

class TemporaryItemsTest : public TempHomeTest {
protected:
    void TearDown() override
    {
        FileManager::clearFaults();
        TempHomeTest::TearDown();
    }

    QByteArray folderAt(const QString& relative)
    {
        const QString path = scratch() + '/' + relative;
        QDir().mkpath(path);
        return QFile::encodeName(path);
    }
    static QStringList records()
    {
        return QDir(QFile::decodeName(TemporaryItems::recordFolder())).entryList(QDir::Files | QDir::Hidden);
    }
    static QStringList entries(const QByteArray& folder)
    {
        QStringList list = QDir(QFile::decodeName(folder))
                               .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        list.sort();
        return list;
    }
    static QByteArray read(const QByteArray& path)
    {
        QFile f(QFile::decodeName(path));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static QStringList paths(const std::vector<TemporaryItems::Leftover>& leftovers)
    {
        QStringList list;
        for (const auto& leftover : leftovers) {
            list.append(QFile::decodeName(leftover.path));
        }
        list.sort();
        return list;
    }
};

// A record proves an item only while the process that made it is gone and
// the item is still the node it made; records that prove nothing go, the
// items at their paths stay.
TEST_F(TemporaryItemsTest, OnlyWhatAnEndedProcessMadeAndIsStillAsMadeIsLeftOver)
{
    const QByteArray dest = folderAt("dest");
    const QByteArray elsewhere = folderAt("elsewhere");
    leaveRecordsOfAnEndedProcess({{"file", "test", dest + "/made"},
                                  {"folder", "test", dest + "/made-folder"},
                                  {"file", "test", dest + "/replaced"},
                                  {"recorded", "test", dest + "/never-made"},
                                  {"file", "test", dest + "/gone"},
                                  {"file", "other", dest + "/of-another-kind"},
                                  {"file", "test", elsewhere + "/made"}});
    ASSERT_EQ(records().size(), 7);
    // The user's own items at recorded paths.
    ASSERT_EQ(::unlink((dest + "/replaced").constData()), 0);
    ASSERT_TRUE(writeFileBytes(dest + "/replaced", "the user's"));
    ASSERT_TRUE(writeFileBytes(dest + "/never-made", "the user's too"));
    ASSERT_EQ(::unlink((dest + "/gone").constData()), 0);
    // What this process, which runs, is making.
    TemporaryItems::Record mine = TemporaryItems::recordBefore(dest + "/mine", "test");
    ASSERT_TRUE(writeFileBytes(dest + "/mine", "in progress"));
    mine.created();

    const auto found = TemporaryItems::leftoversIn(dest, "test");

    EXPECT_EQ(paths(found), (QStringList{QFile::decodeName(dest + "/made"), QFile::decodeName(dest + "/made-folder")}))
        << paths(found).join(',').toStdString();
    for (const auto& leftover : found) {
        EXPECT_TRUE(leftover.isStill());
    }
    // The records of the replaced, the never made and the gone item went;
    // nothing at a path was touched.
    EXPECT_EQ(records().size(), 5);
    EXPECT_EQ(read(dest + "/replaced"), "the user's");
    EXPECT_EQ(read(dest + "/never-made"), "the user's too");
    EXPECT_EQ(entries(dest), (QStringList{"made", "made-folder", "mine", "never-made", "of-another-kind", "replaced"}))
        << entries(dest).join(',').toStdString();

    // The same folder under another spelling holds the same leftovers.
    ASSERT_EQ(::symlink(dest.constData(), QFile::encodeName(scratch() + "/link").constData()), 0);
    EXPECT_EQ(paths(TemporaryItems::leftoversIn(QFile::encodeName(scratch() + "/link/"), "test")), paths(found));
    EXPECT_EQ(paths(TemporaryItems::leftoversIn(dest, "other")), QStringList{QFile::decodeName(dest + "/of-another-kind")});
    EXPECT_EQ(paths(TemporaryItems::leftoversIn(elsewhere, "test")), QStringList{QFile::decodeName(elsewhere + "/made")});

    for (const auto& leftover : found) {
        TemporaryItems::forget(leftover);
    }
    EXPECT_EQ(records().size(), 3);
    EXPECT_TRUE(TemporaryItems::leftoversIn(dest, "test").empty());
}

// Items that are only ever renamed back are found by their recorded path,
// whatever node stands there now, with the bytes their maker recorded
// beside them. A record whose item went from a folder that is there goes;
// one whose folder is away for now stays for a later look.
TEST_F(TemporaryItemsTest, ItemsRenamedBackAreFoundByTheirPathWhateverNodeTheyAreNow)
{
    const QByteArray dest = folderAt("dest");
    const QByteArray away = folderAt("away");
    leaveRecordsOfAnEndedProcess({{"file", "back", dest + "/made", "made\xff's name"},
                                  {"recorded", "back", dest + "/there-unmarked", "u"},
                                  {"file", "back", dest + "/numbered-anew", "n"},
                                  {"file", "back", dest + "/gone", "g"},
                                  {"recorded", "back", dest + "/never-there", "v"},
                                  {"file", "back", away + "/unplugged", "a"},
                                  {"file", "other", dest + "/of-another-kind", "o"}});
    // Killed after the item got there but before its mark was recorded.
    ASSERT_TRUE(writeFileBytes(dest + "/there-unmarked", "u"));
    // The same file under another inode number, as a FUSE file system may show it.
    ASSERT_EQ(::rename((dest + "/numbered-anew").constData(), (dest + "/numbered-anew.old").constData()), 0);
    ASSERT_TRUE(writeFileBytes(dest + "/numbered-anew", "partial copy"));
    ASSERT_EQ(::unlink((dest + "/gone").constData()), 0);
    ASSERT_EQ(::rename(away.constData(), (away + ".moved").constData()), 0);
    TemporaryItems::Record mine = TemporaryItems::recordBefore(dest + "/mine", "back", "m");
    ASSERT_TRUE(writeFileBytes(dest + "/mine", "in hand"));
    mine.created();
    ASSERT_EQ(records().size(), 8);

    const auto found = TemporaryItems::leftoversByPath("back");

    QMap<QString, QByteArray> extras;
    for (const auto& leftover : found) {
        extras.insert(QFile::decodeName(leftover.path), leftover.extra);
    }
    const QString d = QFile::decodeName(dest);
    EXPECT_EQ(extras, (QMap<QString, QByteArray>{
                          {d + "/made", "made\xff's name"}, {d + "/numbered-anew", "n"}, {d + "/there-unmarked", "u"}}));
    // The records of the gone and the never made item went, and nothing
    // at a path was touched.
    EXPECT_EQ(records().size(), 6);
    EXPECT_EQ(entries(dest), (QStringList{"made", "mine", "numbered-anew", "numbered-anew.old", "of-another-kind",
                                          "there-unmarked"}));

    ASSERT_EQ(::rename((away + ".moved").constData(), away.constData()), 0);
    EXPECT_EQ(paths(TemporaryItems::leftoversByPath("back")).size(), 4);
    EXPECT_EQ(paths(TemporaryItems::leftoversByPath("other")), QStringList{QFile::decodeName(dest + "/of-another-kind")});
}

// The records lie in a folder only this user can enter, and go with their
// item; a record folder that is not such a folder is never used.
TEST_F(TemporaryItemsTest, RecordsLiveInAPrivateFolderAndGoWithTheirItem)
{
    const QByteArray dest = folderAt("dest");
    const QByteArray folder = TemporaryItems::recordFolder();
    ASSERT_FALSE(folder.isEmpty());
    EXPECT_TRUE(folder.startsWith(QFile::encodeName(dataHome()) + '/'));
    struct stat st {};
    ASSERT_EQ(::lstat(folder.constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    {
        TemporaryItems::Record record = TemporaryItems::recordBefore(dest + "/a", "test");
        EXPECT_TRUE(record.isRecorded());
        EXPECT_EQ(records().size(), 1);
        TemporaryItems::Record moved = std::move(record);
        record.forget();  // a record moved away is no longer this one's
        EXPECT_EQ(records().size(), 1);
    }
    EXPECT_TRUE(records().isEmpty());

    // Half-written or damaged records of a process that ended go; those of a
    // process that runs stay.
    const QByteArray ended = QByteArray::number(endedProcessId());
    const QByteArray running = QByteArray::number(::getppid());
    ASSERT_TRUE(writeFileBytes(folder + "/item-" + ended + "-1-a", "<plist>cut off"));
    ASSERT_TRUE(writeFileBytes(folder + "/item-" + ended + "-2-b.new", "<?xml"));
    ASSERT_TRUE(writeFileBytes(folder + "/item-" + running + "-3-c.new", "<?xml"));
    EXPECT_TRUE(TemporaryItems::leftoversIn(dest, "test").empty());
    EXPECT_EQ(records(), QStringList{"item-" + running + "-3-c.new"});

    // Somebody else's folder (here: a link to one) in its place: nothing is
    // recorded there and nothing read from it.
    ASSERT_TRUE(QDir(QFile::decodeName(folder)).removeRecursively());
    const QByteArray theirs = folderAt("theirs");
    ASSERT_EQ(::symlink(theirs.constData(), folder.constData()), 0);
    EXPECT_TRUE(TemporaryItems::recordFolder().isEmpty());
    EXPECT_FALSE(TemporaryItems::recordBefore(dest + "/b", "test").isRecorded());
    EXPECT_TRUE(entries(theirs).isEmpty());
}

// Of a killed move's copies only those the records prove are cleared:
// files and folders alike, never one a running process is still writing,
// nor the user's items that carry such a name.
TEST_F(TemporaryItemsTest, MoveLeftoversGoOnlyWhenRecordedAndStillAsMade)
{
    const QByteArray dest = folderAt("dest");
    const QByteArray ended = QByteArray::number(endedProcessId());
    const QByteArray kind = FileManager::temporaryCopyKind;
    leaveRecordsOfAnEndedProcess({{"file", kind, dest + "/.twinsweep-move-1-1-aa"},
                                  {"folder", kind, dest + "/.twinsweep-move-1-2-bb"},
                                  {"file", kind, dest + "/.twinsweep-move-1-3-cc"}});
    ASSERT_EQ(::unlink((dest + "/.twinsweep-move-1-3-cc").constData()), 0);
    ASSERT_TRUE(writeFileBytes(dest + "/.twinsweep-move-1-3-cc", "the user's"));
    TemporaryItems::Record mine = TemporaryItems::recordBefore(dest + "/.twinsweep-move-1-4-dd", kind);
    ASSERT_TRUE(writeFileBytes(dest + "/.twinsweep-move-1-4-dd", "being written"));
    mine.created();
    const QStringList lookAlikes = {".twinsweep-move-" + ended + "-3-9af0", ".twinsweep-move-" + ended + "-4-1",
                                    ".twinsweep-move-notes", "photo.jpg"};
    ASSERT_TRUE(writeFileBytes(dest + '/' + QFile::encodeName(lookAlikes[0]), "mine"));
    ASSERT_TRUE(writeFileBytes(dest + '/' + QFile::encodeName(lookAlikes[1]) + "/inside", "mine too"));
    ASSERT_TRUE(writeFileBytes(dest + '/' + QFile::encodeName(lookAlikes[2]), "notes"));
    ASSERT_TRUE(writeFileBytes(dest + "/photo.jpg", "photo"));

    EXPECT_EQ(FileManager::default_().clearLeftoverMoves(dest), 2);

    QStringList expected = lookAlikes;
    expected << ".twinsweep-move-1-3-cc" << ".twinsweep-move-1-4-dd";
    expected.sort();
    EXPECT_EQ(entries(dest), expected);
    EXPECT_EQ(read(dest + "/.twinsweep-move-1-3-cc"), "the user's");
    EXPECT_EQ(read(dest + '/' + QFile::encodeName(lookAlikes[1]) + "/inside"), "mine too");
    // Only the running move's record is left.
    EXPECT_EQ(records().size(), 1);
    EXPECT_EQ(FileManager::default_().clearLeftoverMoves(QFile::encodeName(scratch() + "/no-such-folder")), 0);
}

// An information file a killed trashing move left goes only while the
// records prove it is ours, its item never arrived and the item is still
// where it came from, or it was cut short before it said where from; its
// name need not be valid UTF-8. The notes of earlier versions and the
// files of other programs are the user's.
TEST_F(TemporaryItemsTest, TrashInformationLeftoversGoOnlyWhenRecordedAndTheItemNeverArrived)
{
    ASSERT_TRUE(Trash::createFolders());
    const QByteArray info = Trash::infoFolder();
    const auto infoOf = [&](const QByteArray& name) { return info + '/' + name + ".trashinfo"; };
    const QByteArray stillThere = QFile::encodeName(writeFile("src/never.txt", "n"));
    const QByteArray rawStillThere = QFile::encodeName(scratch()) + "/src/raw\377.txt";
    ASSERT_TRUE(writeFileBytes(rawStillThere, "r"));
    const QByteArray arrivedFrom = QFile::encodeName(writeFile("src/arrived.txt", "a"));
    const QByteArray letter = QFile::encodeName(writeFile("src/letter.txt", "l"));
    const QByteArray kind = Trash::movingInformationKind;
    leaveRecordsOfAnEndedProcess({{"file", kind, infoOf("never.txt")},
                                  {"file", kind, infoOf("raw\377.txt")},
                                  {"empty", kind, infoOf("cut.txt")},
                                  {"file", kind, infoOf("arrived.txt")},
                                  {"file", kind, infoOf("lost.txt")}});
    // What the records point at, as a trashing move writes it (in place: the
    // nodes stay the ones recorded).
    const QDateTime now = QDateTime::currentDateTime();
    ASSERT_TRUE(writeFileBytes(infoOf("never.txt"), Trash::trashInfo(stillThere, now)));
    ASSERT_TRUE(writeFileBytes(infoOf("raw\377.txt"), Trash::trashInfo(rawStillThere, now)));
    ASSERT_TRUE(writeFileBytes(infoOf("arrived.txt"), Trash::trashInfo(arrivedFrom, now)));
    ASSERT_TRUE(writeFileBytes(infoOf("lost.txt"), Trash::trashInfo(QFile::encodeName(scratch()) + "/src/lost.txt", now)));
    ASSERT_TRUE(writeFileBytes(Trash::filesFolder() + "/arrived.txt", "a"));
    // A note that only looks like one of ours, naming an information file
    // of another program whose item is not in the Trash.
    const QByteArray note = Trash::homeTrash() + "/.twinsweep-trashing-" + QByteArray::number(endedProcessId()) + "-5-a";
    ASSERT_TRUE(writeFileBytes(note, "letter.txt"));
    ASSERT_TRUE(writeFileBytes(infoOf("letter.txt"), Trash::trashInfo(letter, now)));

    EXPECT_EQ(Trash::clearLeftovers(), 3);

    EXPECT_EQ(entryNames(info), (QByteArrayList{"arrived.txt.trashinfo", "letter.txt.trashinfo", "lost.txt.trashinfo"}));
    EXPECT_EQ(read(note), "letter.txt");
    EXPECT_EQ(read(stillThere), "n");
    EXPECT_TRUE(records().isEmpty());
}

}  // namespace
