#include <atomic>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <sys/stat.h>

#include "Foundation/FileManager.h"
#include "Foundation/Trash.h"
#include "Foundation/UserDefaults.h"
#include "LargeFilesSupport.h"
#include "Manager/ScanManager.h"
#include "View/Extension/KPLExtension.h"

namespace {

using G = LargeFilesManager;

class LargeFilesRemoveTest : public LargeFilesTest {
protected:
    void SetUp() override
    {
        LargeFilesTest::SetUp();
        engine().setRemoveProgressHandler([this](double value) { progress.append(value); });
    }
    void TearDown() override
    {
        FileManager::clearFaults();
        LargeFilesTest::TearDown();
    }

    // Runs a removal and waits for it and for its main-thread reports.
    void remove(const RemoveType& type, const QString& lastCall = QStringLiteral("removeFinished"))
    {
        engine().removeDuplicateFiles(type);
        ASSERT_TRUE(engine().waitUntilRemoveIdle(20000));
        if (!lastCall.isEmpty()) {
            ASSERT_TRUE(waitUntil([&] { return delegate.calls().contains(lastCall); }));
        }
        QCoreApplication::processEvents();
    }

    FileInfoPtr fileNamed(const QString& relativePath) const
    {
        const QByteArray path = QFile::encodeName(scratch() + QLatin1Char('/') + relativePath);
        for (const FileInfoPtr& file : LargeFilesManager::default_().allFiles()[G::allGroup]->infos()) {
            if (file->path() == path) {
                return file;
            }
        }
        return nullptr;
    }

    // Every group's total equals the sum of its files.
    void expectTotalsAreSums() const
    {
        for (const DuplicateFilesPtr& group : LargeFilesManager::default_().allFiles()) {
            uint64_t sum = 0;
            for (const FileInfoPtr& file : group->infos()) {
                sum += file->size();
            }
            EXPECT_EQ(group->totalSize(), sum);
        }
    }

    // A kept R/A/y.mov and a selected R/B/y.mov of the same size and time;
    // after the scan R/B becomes a link to R/A. Nothing may change.
    void expectSwappedFolderChangesNothing(const RemoveType& type)
    {
        sparseFile(QStringLiteral("R/A/y.mov"), 20'000'000, 1'600'000'000);
        sparseFile(QStringLiteral("R/B/y.mov"), 20'000'000, 1'600'000'000);
        QDir().mkpath(scratch() + QStringLiteral("/dest"));
        scan({scratch() + QStringLiteral("/R")});
        const FileInfoPtr chosen = fileNamed(QStringLiteral("R/B/y.mov"));
        ASSERT_TRUE(chosen);
        chosen->setSelected(true);
        const QString r = scratch() + QStringLiteral("/R");
        ASSERT_TRUE(QDir(r).rename(QStringLiteral("B"), QStringLiteral("B.moved")));
        ASSERT_TRUE(QFile::link(r + QStringLiteral("/A"), r + QStringLiteral("/B")));
        const auto before = treeSnapshot(r);

        remove(type);

        EXPECT_EQ(treeSnapshot(r), before);
        EXPECT_TRUE(QDir(scratch() + QStringLiteral("/dest")).isEmpty());
        EXPECT_TRUE(QDir(QFile::decodeName(Trash::filesFolder())).isEmpty());
        EXPECT_EQ(engine().removesucceedCount(), 0);
        ASSERT_TRUE(chosen->removeError().has_value());
        EXPECT_EQ(chosen->removeError()->localizedDescription(), QStringLiteral("The file has changed since the scan."));
        EXPECT_EQ(groupNames(G::allGroup).size(), 2);
    }

    QList<double> progress;
};

}  // namespace

// A folder swapped for a link after the scan never leads a removal to the
// file that stays, in any mode.
TEST_F(LargeFilesRemoveTest, FolderSwappedForALinkKeepsTheOtherFileInEveryMode)
{
    for (const RemoveType& type : {RemoveType::forever_(), RemoveType::trash(),
                                   RemoveType::folder(QFile::encodeName(scratch() + QStringLiteral("/dest")))}) {
        SCOPED_TRACE(static_cast<int>(type.kind()));
        expectSwappedFolderChangesNothing(type);
        QDir(scratch() + QStringLiteral("/R")).removeRecursively();
    }
}

// Rewritten in place after the scan, its size kept and its modification
// time set back: the status-change time still tells, in every mode.
TEST_F(LargeFilesRemoveTest, AFileRewrittenInPlaceWithItsTimesSetBackStaysInEveryMode)
{
    const QString dest = scratch() + QStringLiteral("/dest");
    ASSERT_TRUE(QDir().mkpath(dest));
    for (const RemoveType& type : {RemoveType::forever_(), RemoveType::trash(), RemoveType::folder(QFile::encodeName(dest))}) {
        SCOPED_TRACE(static_cast<int>(type.kind()));
        const QString folder = QStringLiteral("w%1").arg(static_cast<int>(type.kind()));
        const QString rewrittenPath = sparseFile(folder + QStringLiteral("/rewritten.mov"), 20'000'000, 1'600'000'000);
        const QString untouchedPath = sparseFile(folder + QStringLiteral("/untouched.mov"), 20'000'000, 1'600'000'000);
        scan({scratch() + QLatin1Char('/') + folder});
        const FileInfoPtr rewritten = fileNamed(folder + QStringLiteral("/rewritten.mov"));
        const FileInfoPtr untouched = fileNamed(folder + QStringLiteral("/untouched.mov"));
        ASSERT_TRUE(rewritten && untouched);
        rewritten->setSelected(true);
        untouched->setSelected(true);
        ASSERT_TRUE(rewriteInPlaceKeepingTimes(QFile::encodeName(rewrittenPath), "edited in place"));

        remove(type);

        QFile kept(rewrittenPath);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.read(15), "edited in place");
        ASSERT_TRUE(rewritten->removeError().has_value());
        EXPECT_EQ(rewritten->removeError()->localizedDescription(), QStringLiteral("The file has changed since the scan."));
        EXPECT_FALSE(QFile::exists(untouchedPath));
        EXPECT_EQ(engine().removesucceedCount(), 1);
        EXPECT_EQ(groupNames(G::allGroup), QStringList{folder + QStringLiteral("/rewritten.mov")});
    }
    EXPECT_EQ(QDir(dest).entryList(QDir::Files), QStringList{"untouched.mov"});
    EXPECT_EQ(QDir(QFile::decodeName(Trash::filesFolder())).entryList(QDir::Files), QStringList{"untouched.mov"});
}

TEST_F(LargeFilesRemoveTest, OneSelectedFileLeavesAllFourGroupsOnce)
{
    sparseFile(QStringLiteral("m/chosen.mov"), 20'000'000);
    sparseFile(QStringLiteral("m/kept.mov"), 30'000'000);
    scan({scratch() + QStringLiteral("/m")});
    fileNamed(QStringLiteral("m/chosen.mov"))->setSelected(true);

    remove(RemoveType::trash());

    EXPECT_EQ(delegate.calls().mid(2), (QStringList{"startRemove", "removeFinished"}));
    EXPECT_EQ(engine().removesucceedCount(), 1);
    EXPECT_EQ(engine().removesucceedSize(), 20'000'000u);
    EXPECT_EQ(progress.value(progress.size() - 1), 1.0);
    for (int index : {G::allGroup, G::size10MB, G::today, G::videoGroup}) {
        EXPECT_EQ(groupNames(index), QStringList{"m/kept.mov"}) << index;
        EXPECT_EQ(engine().allFiles()[index]->totalSize(), 30'000'000u) << index;
    }
    expectTotalsAreSums();

    // In the freedesktop Trash, with the information file beside it.
    EXPECT_FALSE(QFile::exists(scratch() + QStringLiteral("/m/chosen.mov")));
    EXPECT_TRUE(QFile::exists(scratch() + QStringLiteral("/m/kept.mov")));
    const QString trashed = QFile::decodeName(Trash::filesFolder()) + QStringLiteral("/chosen.mov");
    EXPECT_EQ(QFileInfo(trashed).size(), 20'000'000);
    QFile info(QFile::decodeName(Trash::infoFolder()) + QStringLiteral("/chosen.mov.trashinfo"));
    ASSERT_TRUE(info.open(QIODevice::ReadOnly));
    EXPECT_TRUE(info.readAll().contains("Path="));

    // The two before-removal events, each raising the counter once.
    EXPECT_TRUE(recorder.contains("BeforeDeleter", "LargeSelectquantity", "1_2"));
    EXPECT_TRUE(recorder.contains("BeforeDeleter", "LargeSelectsize",
                                  transformedFileSize(20'000'000, false, true) + "_" +
                                      transformedFileSize(50'000'000, false, true)));
    EXPECT_EQ(UserDefaults::standardUserDefaults().integerForKey("RemoverCount"), 2);
    engine().removeDuplicateFiles(RemoveType::forever_());
    ASSERT_TRUE(engine().waitUntilRemoveIdle(20000));
    EXPECT_EQ(UserDefaults::standardUserDefaults().integerForKey("RemoverCount"), 4);
}

// Many files over every band, age and kind, every third one chosen: each
// file is taken out of all four of its groups, once, and every group keeps
// the rest in its order; none is reported missing by a later group's turn.
TEST_F(LargeFilesRemoveTest, ManyChosenFilesLeaveEveryGroupTheirOthersInOrder)
{
    const int64_t now = QDateTime::currentSecsSinceEpoch();
    const uint64_t sizes[] = {6'000'000'000ULL, 2'000'000'000ULL, 700'000'000ULL, 20'000'000ULL};
    const int64_t ages[] = {400 * 86'400, 40 * 86'400, 10 * 86'400, 3 * 86'400, 60};
    const char* const kinds[] = {"mov", "mp3", "jpg", "pdf", "zip"};
    for (int i = 0; i < 120; ++i) {
        sparseFile(QStringLiteral("many/f%1.%2").arg(i).arg(QLatin1String(kinds[i % 5])), sizes[i % 4] + uint64_t(i),
                   now - ages[(i / 5) % 5]);
    }
    scan({scratch() + QStringLiteral("/many")});
    ASSERT_EQ(engine().allFiles()[G::allGroup]->fileCount(), 120);
    const auto inOrder = [](const DuplicateFilesPtr& group) {
        QStringList names;
        for (const FileInfoPtr& file : group->infos()) {
            names << file->name();
        }
        return names;
    };
    QList<QStringList> expected;
    for (const DuplicateFilesPtr& group : engine().allFiles()) {
        QStringList kept;
        for (const FileInfoPtr& file : group->infos()) {
            if (file->name().section(QLatin1Char('.'), 0, 0).mid(1).toInt() % 3 == 0) {
                file->setSelected(true);
            } else {
                kept << file->name();
            }
        }
        expected << kept;
    }

    remove(RemoveType::forever_());

    EXPECT_EQ(engine().removesucceedCount(), 40);
    for (int index = 0; index < engine().allFiles().size(); ++index) {
        EXPECT_EQ(inOrder(engine().allFiles()[index]), expected[index]) << index;
    }
    for (const FileInfoPtr& file : engine().allFiles()[G::allGroup]->infos()) {
        EXPECT_FALSE(file->removeError().has_value()) << file->name().toStdString();
    }
    expectTotalsAreSums();
    EXPECT_EQ(QDir(scratch() + QStringLiteral("/many")).entryList(QDir::Files).size(), 80);
}

TEST_F(LargeFilesRemoveTest, ToAFolderKeepsWhatIsThere)
{
    sparseFile(QStringLiteral("f/Report.pdf"), 15'000'000);
    sparseFile(QStringLiteral("f/Other.pdf"), 16'000'000);
    QDir().mkpath(scratch() + QStringLiteral("/dest"));
    QFile existing(scratch() + QStringLiteral("/dest/Report.pdf"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("already here");
    existing.close();
    scan({scratch() + QStringLiteral("/f")});
    fileNamed(QStringLiteral("f/Report.pdf"))->setSelected(true);
    fileNamed(QStringLiteral("f/Other.pdf"))->setSelected(true);

    remove(RemoveType::folder(QFile::encodeName(scratch() + QStringLiteral("/dest"))));

    EXPECT_EQ(engine().removesucceedCount(), 2);
    EXPECT_EQ(engine().removesucceedSize(), 31'000'000u);
    EXPECT_EQ(groupNames(G::allGroup), QStringList{});
    expectTotalsAreSums();
    QFile kept(scratch() + QStringLiteral("/dest/Report.pdf"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("already here"));
    const QStringList names = QDir(scratch() + QStringLiteral("/dest")).entryList(QDir::Files);
    ASSERT_EQ(names.size(), 3) << names.join(',').toStdString();
    EXPECT_TRUE(names.contains("Other.pdf"));
    const QStringList stamped = names.filter(QRegularExpression(QStringLiteral("^Report \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d:\\d{3}\\.pdf$")));
    ASSERT_EQ(stamped.size(), 1);
    EXPECT_EQ(QFileInfo(scratch() + "/dest/" + stamped.at(0)).size(), 15'000'000);
}

TEST_F(LargeFilesRemoveTest, PermanentlyNeedsNoSpace)
{
    sparseFile(QStringLiteral("d/gone.bin"), 11'000'000);
    sparseFile(QStringLiteral("d/stays.bin"), 12'000'000);
    scan({scratch() + QStringLiteral("/d")});
    fileNamed(QStringLiteral("d/gone.bin"))->setSelected(true);
    FileManagerFaults faults;
    faults.freeSize = [](const QByteArray&) { return std::optional<uint64_t>(0); };
    FileManager::setFaults(faults);

    remove(RemoveType::forever_());

    EXPECT_FALSE(QFile::exists(scratch() + QStringLiteral("/d/gone.bin")));
    EXPECT_TRUE(QFile::exists(scratch() + QStringLiteral("/d/stays.bin")));
    EXPECT_EQ(engine().removesucceedCount(), 1);
    EXPECT_EQ(groupNames(G::allGroup), QStringList{"d/stays.bin"});
    EXPECT_TRUE(prompter.messages().isEmpty());
    EXPECT_TRUE(QDir(QFile::decodeName(Trash::filesFolder())).isEmpty());
}

TEST_F(LargeFilesRemoveTest, MissingDestinationStartsNothing)
{
    sparseFile(QStringLiteral("n/a.bin"), 11'000'000);
    scan({scratch() + QStringLiteral("/n")});
    fileNamed(QStringLiteral("n/a.bin"))->setSelected(true);

    remove(RemoveType::folder(QFile::encodeName(scratch() + QStringLiteral("/no-such-folder"))), QString());
    QCoreApplication::processEvents();

    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_TRUE(prompter.messages().at(0).startsWith("The folder does not exist."));
    EXPECT_EQ(delegate.calls(), (QStringList{"startScan", "scanFinished"}));
    EXPECT_TRUE(QFile::exists(scratch() + QStringLiteral("/n/a.bin")));
    EXPECT_EQ(groupNames(G::allGroup), QStringList{"n/a.bin"});
}

TEST_F(LargeFilesRemoveTest, ATrashThatCannotTakeFilesIsNamedAndStartsNothing)
{
    sparseFile(QStringLiteral("n/a.bin"), 11'000'000);
    scan({scratch() + QStringLiteral("/n")});
    fileNamed(QStringLiteral("n/a.bin"))->setSelected(true);
    ASSERT_TRUE(writeFileBytes(Trash::filesFolder(), "in the way"));

    remove(RemoveType::trash(), QString());
    QCoreApplication::processEvents();

    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.messages().at(0), "The Trash cannot be used: \u201C" + QFile::decodeName(Trash::filesFolder()) +
                                             "\u201D is not a folder. Nothing was moved.");
    EXPECT_EQ(delegate.calls(), (QStringList{"startScan", "scanFinished"}));
    EXPECT_TRUE(QFile::exists(scratch() + QStringLiteral("/n/a.bin")));
    EXPECT_FALSE(fileNamed(QStringLiteral("n/a.bin"))->removeError().has_value());
}

TEST_F(LargeFilesRemoveTest, ShortOfSpaceNamesTheVolumeAndRemovesNothing)
{
    // A destination on another file system, so every byte must fit there.
    const QByteArray shm = "/dev/shm";
    struct stat here {}, there {};
    if (::stat(shm.constData(), &there) != 0 || ::stat(QFile::encodeName(scratch()).constData(), &here) != 0 ||
        here.st_dev == there.st_dev) {
        GTEST_SKIP() << "needs a second file system at /dev/shm";
    }
    QTemporaryDir destination(QStringLiteral("/dev/shm/large-files-XXXXXX"));
    ASSERT_TRUE(destination.isValid());
    for (int i = 0; i < 3; ++i) {
        sparseFile(QStringLiteral("q/f%1.bin").arg(i), 1'000'000'000ULL);
    }
    scan({scratch() + QStringLiteral("/q")});
    for (const FileInfoPtr& file : engine().allFiles()[G::allGroup]->infos()) {
        file->setSelected(true);
    }
    FileManagerFaults faults;
    faults.freeSize = [](const QByteArray&) { return std::optional<uint64_t>(2'000'000'000ULL); };
    FileManager::setFaults(faults);

    remove(RemoveType::folder(QFile::encodeName(destination.path())), QStringLiteral("stopRemove"));
    ASSERT_TRUE(waitUntil([&] { return !prompter.messages().isEmpty(); }));

    const QString message = prompter.messages().at(0);
    EXPECT_TRUE(message.startsWith(QStringLiteral("There is insufficient space on disk /dev/shm.")))
        << message.toStdString();
    EXPECT_TRUE(message.contains(transformedFileSize(1'000'000'000ULL, true, true))) << message.toStdString();
    EXPECT_FALSE(delegate.calls().contains("startRemove"));
    EXPECT_FALSE(delegate.calls().contains("removeFinished"));
    EXPECT_EQ(engine().removesucceedCount(), 0);
    EXPECT_EQ(groupNames(G::allGroup).size(), 3);
    EXPECT_TRUE(QDir(destination.path()).isEmpty());
}

TEST_F(LargeFilesRemoveTest, StopEndsTheRunWithItsFinishReport)
{
    for (int i = 0; i < 6; ++i) {
        sparseFile(QStringLiteral("s/f%1.bin").arg(i), 10'000'000 + i);
    }
    scan({scratch() + QStringLiteral("/s")});
    for (const FileInfoPtr& file : engine().allFiles()[G::allGroup]->infos()) {
        file->setSelected(true);
    }
    // The stop arrives while the first file is being moved.
    std::atomic<bool> stopped{false};
    FileManagerFaults faults;
    faults.fail = [&stopped](FileStep step, const QByteArray&) {
        // Settings written on the way (the removal counter) are no moves.
        if (step != FileStep::writeData && !stopped.exchange(true)) {
            LargeFilesManager::default_().stopRemove();
        }
        return 0;
    };
    FileManager::setFaults(faults);

    remove(RemoveType::trash());

    EXPECT_TRUE(stopped.load());
    const QStringList calls = delegate.calls();
    EXPECT_EQ(calls.count("removeFinished"), 1);
    EXPECT_LT(calls.indexOf("startRemove"), calls.indexOf("removeFinished"));
    EXPECT_TRUE(calls.contains("stopRemove"));
    EXPECT_EQ(engine().removesucceedCount(), 1);
    EXPECT_EQ(groupNames(G::allGroup).size(), 5);
    expectTotalsAreSums();
    FileManager::clearFaults();

    // The next run is not held back by the last one's stop.
    remove(RemoveType::trash());
    EXPECT_EQ(engine().removesucceedCount(), 5);
    EXPECT_EQ(groupNames(G::allGroup), QStringList{});
}

TEST_F(LargeFilesRemoveTest, LeftoversOfADuplicateRemovalDoNotReachThisRun)
{
    sparseFile(QStringLiteral("l/a.bin"), 13'000'000);
    sparseFile(QStringLiteral("l/b.bin"), 14'000'000);
    scan({scratch() + QStringLiteral("/l")});
    for (const FileInfoPtr& file : engine().allFiles()[G::allGroup]->infos()) {
        file->setSelected(true);
    }
    // A duplicate removal that was stopped, had "delete permanently"
    // answered and left its queue suspended.
    RemoveState& duplicate = ScanManager::default_().removeState();
    duplicate.removeStop.store(true);
    duplicate.forceRemove.store(true);
    duplicate.freeSizeNotEnought.store(true);
    ScanManager::default_().removeQueue().setSuspended(true);

    remove(RemoveType::trash());

    // Moved to the Trash, not deleted and not skipped.
    EXPECT_EQ(engine().removesucceedCount(), 2);
    const QString files = QFile::decodeName(Trash::filesFolder());
    EXPECT_TRUE(QFile::exists(files + QStringLiteral("/a.bin")));
    EXPECT_TRUE(QFile::exists(files + QStringLiteral("/b.bin")));
    // And the duplicate engine's state is left as it was.
    EXPECT_TRUE(duplicate.forceRemove.load());
    EXPECT_TRUE(ScanManager::default_().removeQueue().isSuspended());
    duplicate.reset();
}
