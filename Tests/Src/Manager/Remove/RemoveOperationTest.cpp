#include "Manager/RemoveOperation.h"

#include "Foundation/Trash.h"
#include "QVBaseLib/RYLog.h"

#include "RemoveTestSupport.h"
#include "WindowsNamesVolume.h"

#include <QDate>
#include <QRegularExpression>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Removed {
    QByteArray path;
    FileType type;
};

class RemoveOperationTest : public RemoveTestBase {
protected:
    void SetUp() override
    {
        RemoveTestBase::SetUp();
        queue.setMaxConcurrentOperationCount(1);
        state.removeQueue = &queue;
    }
    void TearDown() override
    {
        queue.setSuspended(false);
        queue.waitUntilAllOperationsAreFinished();
        RemoveTestBase::TearDown();
    }

    std::shared_ptr<RemoveOperation> operation(const DuplicateFilesPtr& g, const QString& folder)
    {
        auto op = std::make_shared<RemoveOperation>(g, QFile::encodeName(folder), state);
        op->setRemoveBlock([this](const FileInfoPtr& f, FileType type, uint64_t) {
            std::lock_guard lock(mutex);
            removed.push_back({f->path(), type});
        });
        return op;
    }

    // Runs the operations on the queue and waits for them, answering
    // questions on the way.
    void run(const std::vector<std::shared_ptr<RemoveOperation>>& ops)
    {
        for (const auto& op : ops) {
            queue.addOperation(op);
        }
        ASSERT_TRUE(waitUntil([&] { return queue.operationCount() == 0; }));
    }

    std::vector<Removed> removedFiles()
    {
        std::lock_guard lock(mutex);
        return removed;
    }

    OperationQueue queue;
    RemoveState state;
    std::mutex mutex;
    std::vector<Removed> removed;
};

TEST_F(RemoveOperationTest, PermanentDeleteRemovesOnlySelectedFilesAndReadsNoFreeSpace)
{
    std::atomic<int> reads{0};
    injectFreeSize(0, &reads);
    auto keep = scanned("a/keep.mp3", "same", false);
    auto one = scanned("b/one.txt", "same", true);
    auto two = scanned("c/two.txt", "same", true);
    auto g = group({keep, one, two});

    run({operation(g, QString())});

    EXPECT_TRUE(exists(keep));
    EXPECT_FALSE(exists(one));
    EXPECT_FALSE(exists(two));
    EXPECT_TRUE(one->deleted());
    EXPECT_EQ(g->infos(), QList<FileInfoPtr>{keep});
    EXPECT_EQ(g->totalSize(), 4u);
    EXPECT_EQ(reads.load(), 0);
    EXPECT_EQ(state.failedRemoveCount.load(), 0);
    const auto reported = removedFiles();
    ASSERT_EQ(reported.size(), 2u);
    EXPECT_EQ(reported[0].path, one->path());
    EXPECT_EQ(reported[1].path, two->path());
    // The kind of the group (its first file), not of the removed file.
    EXPECT_EQ(reported[0].type, FileType::audio);
}

TEST_F(RemoveOperationTest, MoveIntoAFolderKeepsWhatIsThereAndStampsTheName)
{
    const QString dest = folderAt("dest");
    writeFile("dest/Report.pdf", "already there");
    writeFile("dest/Notes", "already there too");
    auto report = scanned("a/Report.pdf", "new report", true);
    auto notes = scanned("a/Notes", "new notes", true);
    auto g = group({scanned("b/Report.pdf", "new report", false), report});
    auto g2 = group({scanned("b/Notes", "new notes", false), notes});

    run({operation(g, dest), operation(g2, dest)});

    EXPECT_FALSE(exists(report));
    EXPECT_FALSE(exists(notes));
    const QStringList inDest = names(dest);
    ASSERT_EQ(inDest.size(), 4) << inDest.join(',').toStdString();
    const QString year = QString::number(QDate::currentDate().year());
    const QRegularExpression stamped("^Report " + year + R"(-\d\d-\d\d \d\d:\d\d:\d\d:\d\d\d\.pdf$)");
    const QRegularExpression bare("^Notes " + year + R"(-\d\d-\d\d \d\d:\d\d:\d\d:\d\d\d$)");
    EXPECT_EQ(inDest.filter(stamped).size(), 1) << inDest.join(',').toStdString();
    EXPECT_EQ(inDest.filter(bare).size(), 1) << inDest.join(',').toStdString();
    QFile old(dest + "/Report.pdf");
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "already there");
    QFile moved(dest + "/" + inDest.filter(stamped).first());
    ASSERT_TRUE(moved.open(QIODevice::ReadOnly));
    EXPECT_EQ(moved.readAll(), "new report");
    EXPECT_EQ(removedFiles().size(), 2u);
}

TEST_F(RemoveOperationTest, RenamePathTriesStampedNamesUntilOneIsFree)
{
    int asked = 0;
    QByteArrayList seen;
    const QByteArray path = RemoveOperation::renamePath("/dest", "/src/Archive.tar.gz", [&](const QByteArray& c) {
        seen.append(c);
        return ++asked < 5;  // the plain name and three stamped ones are taken
    });
    EXPECT_EQ(seen.first(), "/dest/Archive.tar.gz");
    EXPECT_EQ(asked, 5);
    EXPECT_EQ(seen.last(), path);
    EXPECT_TRUE(path.startsWith("/dest/Archive.tar ")) << path.constData();
    EXPECT_TRUE(path.endsWith(".gz"));
    EXPECT_EQ(RemoveOperation::renamePath("/dest", "/src/free.txt", [](const QByteArray&) { return false; }),
              "/dest/free.txt");
}

TEST_F(RemoveOperationTest, TrashGetsInformationFilesAndStampedNamesForClashes)
{
    ASSERT_TRUE(Trash::createFolders());
    auto first = scanned("one/photo.jpg", "pixels", true);
    auto second = scanned("two/photo.jpg", "pixels", true);
    auto g = group({scanned("zero/photo.jpg", "pixels", false), first, second});

    run({operation(g, QFile::decodeName(Trash::filesFolder()))});

    EXPECT_FALSE(exists(first));
    EXPECT_FALSE(exists(second));
    const QStringList files = names(QFile::decodeName(Trash::filesFolder()));
    const QStringList infos = names(QFile::decodeName(Trash::infoFolder()));
    ASSERT_EQ(files.size(), 2) << files.join(',').toStdString();
    ASSERT_EQ(infos.size(), 2);
    EXPECT_TRUE(files.contains("photo.jpg"));
    for (const QString& name : files) {
        ASSERT_TRUE(infos.contains(name + ".trashinfo")) << name.toStdString();
        QFile info(QFile::decodeName(Trash::infoFolder()) + "/" + name + ".trashinfo");
        ASSERT_TRUE(info.open(QIODevice::ReadOnly));
        const QByteArray text = info.readAll();
        const QByteArray original = name == "photo.jpg" ? first->path() : second->path();
        EXPECT_TRUE(text.contains("Path=" + original.toPercentEncoding("/") + "\n")) << text.constData();
    }
}

// The Trash's information file adds ".trashinfo" to the name, so a name near
// the system's limit needs a shorter one in the Trash; the information file
// still leads back to the original path and name.
TEST_F(RemoveOperationTest, LongNamesGoToTheTrashUnderShorterNamesAndCanBeRestored)
{
    ASSERT_TRUE(Trash::createFolders());
    QList<FileInfoPtr> files;
    QMap<QByteArray, QByteArray> contents;  // original path -> contents
    const QList<QString> names = {QString(196, QLatin1Char('a')) + ".txt", QString(246, QLatin1Char('b')) + ".txt",
                                  QString(251, QLatin1Char('c')) + ".txt", QString(125, QChar(0xE9)) + ".jpg"};
    for (const QString& name : names) {
        for (const char* folder : {"one/", "two/"}) {  // the second is a clash
            const QByteArray body = QByteArray(folder) + name.toUtf8().left(8);
            auto f = scanned(QString::fromLatin1(folder) + name, body, true);
            contents.insert(f->path(), body);
            files.append(f);
        }
    }
    EXPECT_EQ(files[2]->name().toUtf8().size(), 250);
    EXPECT_EQ(files[4]->name().toUtf8().size(), 255);
    EXPECT_EQ(files[6]->name().toUtf8().size(), 254);
    auto g = group(files);

    run({operation(g, QFile::decodeName(Trash::filesFolder()))});

    EXPECT_EQ(state.failedRemoveCount.load(), 0);
    EXPECT_EQ(removedFiles().size(), files.size());
    const QDir info(QFile::decodeName(Trash::infoFolder()));
    const QStringList infos = info.entryList(QDir::Files | QDir::Hidden);
    ASSERT_EQ(infos.size(), files.size());
    QMap<QByteArray, QByteArray> restored;
    for (const QString& infoName : infos) {
        QFile file(info.filePath(infoName));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        const qsizetype at = text.indexOf("Path=");
        ASSERT_GE(at, 0);
        const QByteArray original = QByteArray::fromPercentEncoding(text.mid(at + 5, text.indexOf('\n', at) - at - 5));
        // The trashed item is the information file's name without its suffix.
        const QByteArray trashed = QFile::encodeName(infoName).chopped(10);
        EXPECT_LE(trashed.size(), 245);
        EXPECT_EQ(QString::fromUtf8(trashed).toUtf8(), trashed) << "a character was cut in two";
        QFile item(QFile::decodeName(Trash::filesFolder() + '/' + trashed));
        ASSERT_TRUE(item.open(QIODevice::ReadOnly)) << trashed.constData();
        restored.insert(original, item.readAll());
    }
    EXPECT_EQ(restored, contents);
    // A name that fits keeps itself.
    EXPECT_TRUE(QFile::exists(QFile::decodeName(Trash::filesFolder()) + "/" + names[0]));
}

TEST_F(RemoveOperationTest, VanishedAndChangedFilesAreFailuresAndStay)
{
    auto gone = scanned("a/gone.txt", "x", false);
    auto goneSelected = scanned("a/gone2.txt", "x", true);
    auto grown = scanned("a/grown.txt", "x", true);
    auto touched = scanned("a/touched.txt", "x", true);
    auto fine = scanned("a/fine.txt", "x", true);
    ASSERT_TRUE(QFile::remove(QFile::decodeName(gone->path())));
    ASSERT_TRUE(QFile::remove(QFile::decodeName(goneSelected->path())));
    writeFile("a/grown.txt", "xx");
    const struct timespec times[2] = {{UTIME_OMIT, 0}, {1500000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, touched->path().constData(), times, 0), 0);
    auto g = group({gone, goneSelected, grown, touched, fine});

    run({operation(g, QString())});

    EXPECT_EQ(state.failedRemoveCount.load(), 3);
    ASSERT_TRUE(goneSelected->removeError().has_value());
    EXPECT_EQ(*goneSelected->removeError(), RemoveOperation::vanishedError());
    EXPECT_EQ(goneSelected->removeError()->code, 1);
    EXPECT_FALSE(goneSelected->selected());
    // Nothing was asked of the file not chosen: gone, it has not failed.
    EXPECT_FALSE(gone->removeError().has_value());
    for (const auto& f : {grown, touched}) {
        ASSERT_TRUE(f->removeError().has_value());
        EXPECT_EQ(f->removeError()->localizedDescription(), "The file has changed since the scan.");
        EXPECT_FALSE(f->selected());
        EXPECT_TRUE(exists(f));
    }
    EXPECT_FALSE(exists(fine));
    EXPECT_EQ(g->fileCount(), 4);
    EXPECT_EQ(g->errorCount(), 3);
    EXPECT_EQ(removedFiles().size(), 1u);
}

TEST_F(RemoveOperationTest, FailedMoveOrDeleteIsRecordedAndNeverReportedAsRemoved)
{
    const QString dest = folderAt("dest");
    for (const bool permanently : {false, true}) {
        removed.clear();
        state.reset();
        FileManagerFaults faults;
        faults.fail = [](FileStep step, const QByteArray& path) {
            return (step == FileStep::rename || step == FileStep::remove) && path.endsWith("bad.txt") ? EACCES : 0;
        };
        FileManager::setFaults(faults);
        auto bad = scanned("src/bad.txt", "y", true);
        auto good = scanned("src/good.txt", "y", true);
        auto g = group({scanned("src/keep.txt", "y", false), bad, good});

        run({operation(g, permanently ? QString() : dest)});

        EXPECT_TRUE(exists(bad));
        EXPECT_FALSE(exists(good));
        EXPECT_EQ(state.failedRemoveCount.load(), 1);
        ASSERT_TRUE(bad->removeError().has_value());
        EXPECT_EQ(bad->removeError()->code, EACCES);
        EXPECT_FALSE(bad->selected());
        EXPECT_FALSE(bad->deleted());
        EXPECT_EQ(g->fileCount(), 2);
        EXPECT_EQ(g->totalSize(), 2u);
        ASSERT_EQ(removedFiles().size(), 1u);
        EXPECT_EQ(removedFiles()[0].path, good->path());
        FileManager::clearFaults();
    }
    QFile log(RYLog::shared().logPath() + "/Twinsweep.log");
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(log.readAll()).contains(QStringLiteral("移除文件失败，源路径：")));
}

TEST_F(RemoveOperationTest, MovesWithinOneVolumeNeedNoFreeSpace)
{
    std::atomic<int> reads{0};
    injectFreeSize(0, &reads);
    const QString dest = folderAt("dest");
    auto f = scanned("src/big.bin", QByteArray(1000, 'b'), true);
    auto g = group({scanned("src/big2.bin", QByteArray(1000, 'b'), false), f});

    run({operation(g, dest)});

    EXPECT_FALSE(exists(f));
    EXPECT_EQ(names(dest), QStringList{"big.bin"});
    EXPECT_EQ(reads.load(), 0);
    EXPECT_TRUE(prompter.questions().empty());
}

TEST_F(RemoveOperationTest, UnreadableFreeSpaceIsAFailureOfThatFile)
{
    injectFreeSize(std::nullopt);
    const QString dest = folderAt("dest");
    auto f = scanned("src/far.bin", "far", true, QByteArray("/elsewhere"));
    auto g = group({scanned("src/far2.bin", "far", false), f});

    run({operation(g, dest)});

    EXPECT_TRUE(exists(f));
    EXPECT_FALSE(f->selected());
    EXPECT_EQ(state.failedRemoveCount.load(), 1);
    ASSERT_TRUE(f->removeError().has_value());
    EXPECT_EQ(*f->removeError(), RemoveOperation::freeSizeUnknownError());
    EXPECT_TRUE(removedFiles().empty());
}

// Short of space: the question comes once; "Yes" deletes the rest for good,
// in this operation and in those that wait.
TEST_F(RemoveOperationTest, ShortOfSpaceYesDeletesTheRestPermanently)
{
    injectFreeSize(10);
    prompter.setHold(true);
    const QString dest = folderAt("dest");
    const QByteArray far = "/elsewhere";
    auto big = scanned("src/big.bin", QByteArray(100, 'b'), true, far);
    auto next = scanned("src/next.bin", QByteArray(100, 'n'), true, far);
    auto later = scanned("src/later.bin", QByteArray(100, 'l'), true, far);
    auto g1 = group({scanned("k/big.bin", QByteArray(100, 'b'), false), big, next});
    auto g2 = group({scanned("k/later.bin", QByteArray(100, 'l'), false), later});
    auto op1 = operation(g1, dest);
    auto op2 = operation(g2, dest);
    queue.addOperation(op1);
    queue.addOperation(op2);

    ASSERT_TRUE(waitUntil([&] { return prompter.hasPending() && op1->isFinished(); }));
    // The big file stayed, marked with why; the next one was moved without
    // another check; the second group waits while the question is open.
    EXPECT_TRUE(exists(big));
    EXPECT_FALSE(big->selected());
    ASSERT_TRUE(big->removeError().has_value());
    EXPECT_EQ(big->removeError()->code, ENOSPC);
    EXPECT_FALSE(exists(next));
    EXPECT_EQ(names(dest), QStringList{"next.bin"});
    EXPECT_TRUE(queue.isSuspended());
    EXPECT_FALSE(op2->isFinished());
    EXPECT_TRUE(exists(later));

    prompter.answer(1);
    ASSERT_TRUE(waitUntil([&] { return op2->isFinished(); }));
    EXPECT_FALSE(queue.isSuspended());
    EXPECT_TRUE(state.forceRemove.load());
    EXPECT_FALSE(exists(later));
    EXPECT_EQ(names(dest), QStringList{"next.bin"});  // deleted, not moved

    const auto questions = prompter.questions();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].kind, UserPrompter::Kind::uncertain);
    EXPECT_EQ(questions[0].firstTitle, "Yes");
    EXPECT_EQ(questions[0].secondTitle, "Cancel");
    // The test folder's volume has no label here: its mount point names it.
    const QString volume = *FileManager::default_().volumeName(QFile::encodeName(dest));
    EXPECT_EQ(questions[0].message,
              "Some selected files will be permanently deleted because there is not enough space in " + volume +
                  ". Are you sure to continue?");
}

TEST_F(RemoveOperationTest, ShortOfSpaceCancelOrNoWindowMovesOn)
{
    for (const bool window : {true, false}) {
        state.reset();
        UserPrompter::setShared(window ? &prompter : nullptr);
        prompter.script({0});
        injectFreeSize(10);
        const QString dest = folderAt(window ? "dest1" : "dest2");
        const QByteArray far = "/elsewhere";
        auto big = scanned("src/big.bin", QByteArray(100, 'b'), true, far);
        auto later = scanned("src/later.bin", QByteArray(100, 'l'), true, far);
        auto g1 = group({scanned("k/big.bin", QByteArray(100, 'b'), false), big});
        auto g2 = group({scanned("k/later.bin", QByteArray(100, 'l'), false), later});

        run({operation(g1, dest), operation(g2, dest)});

        EXPECT_FALSE(queue.isSuspended());
        EXPECT_FALSE(state.forceRemove.load());
        EXPECT_TRUE(state.freeSizeNotEnought.load());
        // The file that did not fit stays where it was and says why.
        EXPECT_TRUE(exists(big));
        EXPECT_FALSE(big->selected());
        ASSERT_TRUE(big->removeError().has_value());
        EXPECT_EQ(big->removeError()->code, ENOSPC);
        EXPECT_EQ(names(dest), QStringList{"later.bin"});
    }
    EXPECT_EQ(prompter.questions().size(), 1u);
}

TEST_F(RemoveOperationTest, CancelledOrStoppedOperationLeavesItsGroupAlone)
{
    auto a = scanned("a.txt", "z", true);
    auto b = scanned("b.txt", "z", true);
    auto g = group({a, b});

    auto cancelled = operation(g, QString());
    cancelled->cancel();
    run({cancelled});
    state.removeStop.store(true);
    run({operation(g, QString())});
    EXPECT_TRUE(exists(a));
    EXPECT_TRUE(exists(b));
    EXPECT_EQ(g->fileCount(), 2);

    // A stop while the group is gone through: the rest stays.
    state.reset();
    auto op = operation(g, QString());
    op->setRemoveBlock([this](const FileInfoPtr&, FileType, uint64_t) { state.removeStop.store(true); });
    run({op});
    EXPECT_FALSE(exists(a));
    EXPECT_TRUE(exists(b));
    EXPECT_TRUE(b->selected());
    EXPECT_EQ(g->infos(), QList<FileInfoPtr>{b});
    EXPECT_EQ(g->totalSize(), 1u);
}

TEST_F(RemoveOperationTest, MoveToAnotherFileSystemCopiesAndRemovesTheSource)
{
    struct stat shm {};
    struct stat here {};
    if (::stat("/dev/shm", &shm) != 0 || ::stat(QFile::encodeName(scratch()).constData(), &here) != 0 ||
        shm.st_dev == here.st_dev) {
        GTEST_SKIP() << "/dev/shm is not a file system of its own here";
    }
    QTemporaryDir dest(QStringLiteral("/dev/shm/twinsweep-remove-XXXXXX"));
    ASSERT_TRUE(dest.isValid());
    auto f = scanned("src/movie.mkv", QByteArray(5000, 'm'), true);
    auto g = group({scanned("src/movie2.mkv", QByteArray(5000, 'm'), false), f});

    run({operation(g, dest.path())});

    EXPECT_FALSE(exists(f));
    EXPECT_EQ(names(dest.path()), QStringList{"movie.mkv"});
    EXPECT_EQ(QFileInfo(dest.path() + "/movie.mkv").size(), 5000);
}

// "name 2026-12-10 15:52:19:298.ext" is no name on FAT, exFAT or NTFS with
// Windows' rules; such a volume gets "name 2026-12-10 15.52.19.298.ext".
TEST_F(RemoveOperationTest, AVolumeThatRefusesColonsGetsTheStampWithDots)
{
    WindowsNamesVolume volume;
    if (!volume.mounted()) {
        GTEST_SKIP() << volume.why().toStdString();
    }
    const QString dest = volume.path() + "/dest";
    ASSERT_TRUE(QDir().mkpath(dest));
    QFile there(dest + "/photo.jpg");
    ASSERT_TRUE(there.open(QIODevice::WriteOnly));
    there.write("already there");
    there.close();
    auto one = scanned("one/photo.jpg", "the pixels", true);
    auto two = scanned("two/photo.jpg", "the pixels", true);
    auto g = group({scanned("zero/photo.jpg", "the pixels", false), one, two});

    run({operation(g, dest)});

    EXPECT_EQ(state.failedRemoveCount.load(), 0);
    EXPECT_FALSE(exists(one));
    EXPECT_FALSE(exists(two));
    const QStringList arrived = names(dest);
    ASSERT_EQ(arrived.size(), 3) << arrived.join(',').toStdString();
    const QRegularExpression dotted(R"(^photo \d{4}-\d\d-\d\d \d\d\.\d\d\.\d\d\.\d\d\d\.jpg$)");
    EXPECT_EQ(arrived.filter(dotted).size(), 2) << arrived.join(',').toStdString();
    for (const QString& name : arrived.filter(dotted)) {
        QFile moved(dest + "/" + name);
        ASSERT_TRUE(moved.open(QIODevice::ReadOnly));
        EXPECT_EQ(moved.readAll(), "the pixels");
    }
    ASSERT_TRUE(there.open(QIODevice::ReadOnly));
    EXPECT_EQ(there.readAll(), "already there");
    // No copy was left behind under a temporary name.
    EXPECT_TRUE(QDir(dest).entryList({".twinsweep-move-*"}, QDir::AllEntries | QDir::Hidden).isEmpty());
}

// The same refusal, made by a hook so it is tested everywhere: into a folder
// and into the Trash, whose information file follows the item's name.
TEST_F(RemoveOperationTest, AStampedNameTheDestinationRefusesIsRetriedWithDots)
{
    FileManagerFaults faults;
    faults.fail = [](FileStep step, const QByteArray& path) {
        return step == FileStep::name && FilePath::lastComponent(path).contains(':') ? EINVAL : 0;
    };
    FileManager::setFaults(faults);
    const QString dest = folderAt("dest");
    writeFile("dest/song.mp3", "already there");
    ASSERT_TRUE(Trash::createFolders());
    auto first = scanned("a/song.mp3", "music", true);
    auto second = scanned("b/song.mp3", "music", true);
    auto toFolder = group({scanned("k/song.mp3", "music", false), first});
    auto toTrash = group({scanned("l/song.mp3", "music", false), second});
    ASSERT_TRUE(writeFileBytes(Trash::filesFolder() + "/song.mp3", "trashed before"));

    run({operation(toFolder, dest), operation(toTrash, QFile::decodeName(Trash::filesFolder()))});

    EXPECT_EQ(state.failedRemoveCount.load(), 0);
    const QRegularExpression dotted(R"(^song \d{4}-\d\d-\d\d \d\d\.\d\d\.\d\d\.\d\d\d\.mp3$)");
    EXPECT_EQ(names(dest).filter(dotted).size(), 1) << names(dest).join(',').toStdString();
    const QStringList trashed = names(QFile::decodeName(Trash::filesFolder())).filter(dotted);
    ASSERT_EQ(trashed.size(), 1);
    EXPECT_EQ(names(QFile::decodeName(Trash::infoFolder())), QStringList{trashed.first() + ".trashinfo"});
}

}  // namespace
