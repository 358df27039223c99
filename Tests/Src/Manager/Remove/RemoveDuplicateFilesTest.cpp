#include "Manager/ScanManager.h"

#include "Foundation/Trash.h"
#include "Manager/RemoveOperation.h"
#include "GA/QVDAEventObserver.h"
#include "QVBaseLib/Helper.h"

#include "FileCallFaults.h"
#include "RemoveDuplicateFilesFixture.h"
#include "SpawnedProcess.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <tuple>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST_F(RemoveDuplicateFilesTest, ForeverDeletesSelectedFilesAndKeepsTotalsRight)
{
    std::atomic<int> reads{0};
    injectFreeSize(0, &reads);
    // Three files, one removed: the group stays.
    auto a1 = scanned("a/1.mp4", "aaaa", false);
    auto a2 = scanned("a/2.mp4", "aaaa", true);
    auto a3 = scanned("a/3.mp4", "aaaa", false);
    // Two files, one removed: dissolved, the one left no longer counts.
    auto b1 = scanned("b/1.txt", "bbbbbb", false);
    auto b2 = scanned("b/2.txt", "bbbbbb", true);
    // Both removed: dissolved.
    auto c1 = scanned("c/1.png", "cc", true);
    auto c2 = scanned("c/2.png", "cc", true);
    // Check box off: left alone although a file is selected.
    auto d1 = scanned("d/1.bin", "d", true);
    auto d2 = scanned("d/2.bin", "d", false);
    auto ga = group({a1, a2, a3});
    auto gb = group({b1, b2}, ControlState::mixed);
    auto gc = group({c1, c2});
    auto gd = group({d1, d2}, ControlState::off);
    file({ga, gb, gc, gd});

    removeAndWait(RemoveType::forever_());

    EXPECT_EQ(delegate.calls(), (QStringList{"startRemove", "removeFinished"}));
    EXPECT_EQ(reads.load(), 0);
    EXPECT_FALSE(exists(a2));
    EXPECT_FALSE(exists(b2));
    EXPECT_FALSE(exists(c1));
    EXPECT_FALSE(exists(c2));
    EXPECT_TRUE(exists(a1) && exists(a3) && exists(b1) && exists(d1) && exists(d2));
    EXPECT_EQ(engine().succeedRemoveCount(), 4);
    EXPECT_EQ(engine().failedRemoveCount(), 0);
    EXPECT_EQ(engine().succeedRemoveSize(), 4u + 6 + 2 + 2);
    EXPECT_TRUE(engine().removeFinished());
    EXPECT_EQ(label(), "4_0_File");

    const auto r = engine().results();
    EXPECT_EQ(r.totalFiles, (DuplicateFilesList{ga, gd}));
    EXPECT_EQ(r.totalFilesCount, 2 + 2);
    EXPECT_EQ(r.totalFilesSize, 8u + 2);
    EXPECT_EQ(r.videoFiles, DuplicateFilesList{ga});
    EXPECT_EQ(r.videoFilesCount, 2);
    EXPECT_EQ(r.videoFilesSize, 8u);
    EXPECT_TRUE(r.documentFiles.isEmpty());
    EXPECT_EQ(r.documentFilesCount, 0);
    EXPECT_EQ(r.documentFilesSize, 0u);
    EXPECT_TRUE(r.pictureFiles.isEmpty());
    EXPECT_EQ(r.pictureFilesCount, 0);
    EXPECT_EQ(r.otherFilesCount, 2);
    EXPECT_EQ(ga->totalSize(), 8u);
    // Groups run smallest first; one progress value per removed file, of
    // the four selected files in groups that are not off.
    EXPECT_EQ(progress, (QList<double>{0.25, 0.5, 0.75, 1.0}));
}

TEST_F(RemoveDuplicateFilesTest, TrashOnTheHomeVolumeNeedsNoFreeSpace)
{
    injectFreeSize(0);
    auto keep = scanned("x/photo.jpg", "pic", false);
    auto gone = scanned("y/photo.jpg", "pic", true);
    file({group({keep, gone})});

    removeAndWait(RemoveType::trash());

    EXPECT_EQ(delegate.calls(), (QStringList{"startRemove", "removeFinished"}));
    EXPECT_FALSE(exists(gone));
    EXPECT_EQ(names(QFile::decodeName(Trash::filesFolder())), QStringList{"photo.jpg"});
    EXPECT_EQ(names(QFile::decodeName(Trash::infoFolder())), QStringList{"photo.jpg.trashinfo"});
    EXPECT_TRUE(prompter.questions().empty());
    EXPECT_TRUE(engine().results().totalFiles.isEmpty());
    EXPECT_EQ(engine().results().totalFilesCount, 0);
}

TEST_F(RemoveDuplicateFilesTest, FolderWithExactlyEnoughSpaceProceeds)
{
    const QString dest = folderAt("dest");
    const QByteArray far = "/elsewhere";
    auto f1 = scanned("a/f.bin", QByteArray(300, 'f'), true, far);
    auto f2 = scanned("b/f.bin", QByteArray(300, 'f'), true, far);
    auto f3 = scanned("c/f.bin", QByteArray(300, 'f'), false, far);
    injectFreeSize(600);
    file({group({f1, f2, f3})});

    removeAndWait(RemoveType::folder(QFile::encodeName(dest)));

    EXPECT_EQ(delegate.calls(), (QStringList{"startRemove", "removeFinished"}));
    EXPECT_EQ(names(dest).size(), 2);
    EXPECT_TRUE(names(dest).contains("f.bin"));
    EXPECT_TRUE(prompter.questions().empty());
}

// Files on another volume than the destination must fit there; that holds
// for the Trash too, which lies on the home folder's volume.
TEST_F(RemoveDuplicateFilesTest, ShortOfSpaceForTheRunShowsTheNoticeAndRemovesNothing)
{
    const QString dest = folderAt("dest");
    ASSERT_TRUE(Trash::createFolders());
    const QByteArray far = "/elsewhere";
    auto f1 = scanned("a/f.bin", QByteArray(3000, 'f'), false, far);
    auto f2 = scanned("b/f.bin", QByteArray(3000, 'f'), true, far);
    injectFreeSize(1000);
    file({group({f1, f2})});

    for (const bool toTrash : {false, true}) {
        const size_t before = prompter.questions().size();
        engine().removeDuplicateFiles(toTrash ? RemoveType::trash() : RemoveType::folder(QFile::encodeName(dest)));
        ASSERT_TRUE(waitUntil([&] { return prompter.questions().size() > before; }));

        EXPECT_EQ(delegate.calls().count("stopRemove"), toTrash ? 2 : 1);
        EXPECT_FALSE(delegate.has("startRemove"));
        EXPECT_TRUE(exists(f2));
        EXPECT_TRUE(names(dest).isEmpty());
        EXPECT_TRUE(names(QFile::decodeName(Trash::filesFolder())).isEmpty());
        const auto q = prompter.questions().back();
        EXPECT_EQ(q.kind, UserPrompter::Kind::determine);
        EXPECT_EQ(q.firstTitle, "OK");
        const QString volume =
            *FileManager::default_().volumeName(toTrash ? Trash::filesFolder() : QFile::encodeName(dest));
        EXPECT_EQ(q.message, "There is insufficient space on disk " + volume +
                                 ". Please choose to permanently delete these files or you can free up 2  KB space "
                                 "on disk " + volume + " before removing duplicate files.");
        EXPECT_FALSE(engine().removeFinished());
    }
}

TEST_F(RemoveDuplicateFilesTest, MissingDestinationShowsTheNoticeOnly)
{
    auto f1 = scanned("a/f.txt", "f", false);
    auto f2 = scanned("b/f.txt", "f", true);
    file({group({f1, f2})});
    writeFile("not-a-folder", "x");

    for (const QString& where : {scratch() + "/no/such/folder", scratch() + "/not-a-folder"}) {
        prompter.script({});
        const size_t before = prompter.questions().size();
        engine().removeDuplicateFiles(RemoveType::folder(QFile::encodeName(where)));
        ASSERT_TRUE(waitUntil([&] { return prompter.questions().size() > before; }));
        EXPECT_EQ(prompter.questions().back().message,
                  "The folder does not exist. Please choose another one. It may be moved, renamed or deleted.");
    }
    EXPECT_TRUE(delegate.calls().isEmpty());
    EXPECT_TRUE(exists(f2));
    EXPECT_EQ(engine().results().totalFilesCount, 2);
}

// A plain file where the Trash keeps its files: the user learns that the
// Trash cannot be used and why, and nothing moves.
TEST_F(RemoveDuplicateFilesTest, ATrashThatCannotTakeFilesIsNamedAndNothingMoves)
{
    auto kept = scanned("a/f.txt", "f", false);
    auto chosen = scanned("b/f.txt", "f", true);
    file({group({kept, chosen})});
    ASSERT_TRUE(writeFileBytes(Trash::filesFolder(), "in the way"));

    engine().removeDuplicateFiles(RemoveType::trash());

    ASSERT_TRUE(waitUntil([&] { return !prompter.questions().empty(); }));
    const auto notice = prompter.questions().back();
    EXPECT_EQ(notice.kind, UserPrompter::Kind::determine);
    EXPECT_EQ(notice.message, "The Trash cannot be used: \u201C" + QFile::decodeName(Trash::filesFolder()) +
                                  "\u201D is not a folder. Nothing was moved.");
    EXPECT_TRUE(delegate.calls().isEmpty());
    EXPECT_TRUE(exists(chosen));
    EXPECT_FALSE(chosen->removeError().has_value());
    EXPECT_EQ(engine().results().totalFilesCount, 2);
}

TEST_F(RemoveDuplicateFilesTest, NothingSelectedStillStartsAndFinishes)
{
    auto g = group({scanned("a/f.txt", "f", false), scanned("b/f.txt", "f", false)}, ControlState::off);
    file({g});
    removeAndWait(RemoveType::forever_());
    EXPECT_EQ(delegate.calls(), (QStringList{"startRemove", "removeFinished"}));
    EXPECT_EQ(label(), "0_0_File");
    EXPECT_EQ(engine().results().totalFiles, DuplicateFilesList{g});
}

TEST_F(RemoveDuplicateFilesTest, StopBeforeTheFirstGroupLeavesEverything)
{
    auto f = scanned("b/f.txt", "f", true);
    file({group({scanned("a/f.txt", "f", false), f})});
    delegate.onStartRemove = [] { engine().setRemoveStop(true); };

    removeAndWait(RemoveType::forever_());

    EXPECT_EQ(delegate.calls(), (QStringList{"startRemove", "stopRemove", "removeFinished"}));
    EXPECT_EQ(label(), "0_0_File");
    EXPECT_TRUE(exists(f));
    EXPECT_EQ(engine().results().totalFilesCount, 2);
}

// A stop at any file of a run: what was removed is counted, the rest stays
// untouched, and the totals match the groups that are left.
TEST_F(RemoveDuplicateFilesTest, StopAtEveryPointKeepsTotalsConsistent)
{
    for (int stopAt = 1; stopAt <= 4; ++stopAt) {
        engine().updateResults([](ScanManager::Results& r) { r = ScanManager::Results(); });
        QList<FileInfoPtr> selected;
        QList<DuplicateFilesPtr> groups;
        for (int g = 0; g < 3; ++g) {
            const QString dir = QString("run%1/g%2/").arg(stopAt).arg(g);
            auto keep = scanned(dir + "keep.doc", QByteArray(10 + g, 'k'), false);
            auto s1 = scanned(dir + "s1.doc", QByteArray(10 + g, 'k'), true);
            auto s2 = scanned(dir + "s2.doc", QByteArray(10 + g, 'k'), true);
            selected << s1 << s2;
            groups << group({keep, s1, s2});
        }
        file(groups);
        std::atomic<int> deletes{0};
        FileManagerFaults faults;
        faults.fail = [&deletes, stopAt](FileStep step, const QByteArray&) {
            if (step == FileStep::remove && deletes.fetch_add(1) + 1 == stopAt) {
                engine().setRemoveStop(true);
            }
            return 0;
        };
        FileManager::setFaults(faults);
        QStringList before = delegate.calls();
        engine().removeDuplicateFiles(RemoveType::forever_());
        ASSERT_TRUE(waitUntil([&] { return delegate.calls().count("removeFinished") == stopAt; }));

        int gone = 0;
        for (const auto& f : selected) {
            gone += exists(f) ? 0 : 1;
            EXPECT_EQ(exists(f), !f->deleted());
        }
        EXPECT_EQ(gone, stopAt);
        EXPECT_EQ(engine().succeedRemoveCount(), stopAt);
        const auto r = engine().results();
        int count = 0;
        uint64_t size = 0;
        for (const auto& g : r.totalFiles) {
            count += g->fileCount();
            size += g->totalSize();
        }
        EXPECT_EQ(r.totalFilesCount, count);
        EXPECT_EQ(r.totalFilesSize, size);
        EXPECT_EQ(r.documentFilesCount, count);
        for (const auto& g : r.totalFiles) {
            EXPECT_GE(g->fileCount(), 2);
        }
        FileManager::clearFaults();
    }
}

TEST_F(RemoveDuplicateFilesTest, ShortOfSpaceMidRunAsksOnceAndYesDeletesTheRest)
{
    const QString dest = folderAt("dest");
    const QByteArray far = "/elsewhere";
    QList<DuplicateFilesPtr> groups;
    QList<FileInfoPtr> selected;
    for (int g = 0; g < 3; ++g) {
        auto keep = scanned(QString("g%1/keep.bin").arg(g), QByteArray(100 + g, 'x'), false, far);
        auto s = scanned(QString("g%1/s.bin").arg(g), QByteArray(100 + g, 'x'), true, far);
        selected << s;
        groups << group({keep, s});
    }
    file(groups);
    // Enough for the run as a whole, then nothing left for the first file.
    std::atomic<int> reads{0};
    FileManagerFaults faults;
    faults.freeSize = [&reads](const QByteArray&) -> std::optional<uint64_t> {
        return reads.fetch_add(1) == 0 ? 1000 : 50;
    };
    FileManager::setFaults(faults);
    prompter.script({1});

    removeAndWait(RemoveType::folder(QFile::encodeName(dest)));

    ASSERT_EQ(prompter.questions().size(), 1u);
    EXPECT_EQ(prompter.questions()[0].kind, UserPrompter::Kind::uncertain);
    EXPECT_TRUE(exists(selected[0]));  // the file that did not fit stays, marked
    EXPECT_FALSE(selected[0]->selected());
    ASSERT_TRUE(selected[0]->removeError().has_value());
    EXPECT_EQ(selected[0]->removeError()->code, ENOSPC);
    EXPECT_FALSE(exists(selected[1]));
    EXPECT_FALSE(exists(selected[2]));
    EXPECT_TRUE(names(dest).isEmpty());  // deleted, not moved
    EXPECT_TRUE(engine().forceRemove());
    EXPECT_FALSE(engine().removeQueue().isSuspended());
    EXPECT_EQ(label(), "2_1_File");
}

TEST_F(RemoveDuplicateFilesTest, ShortOfSpaceWithoutAWindowMeansCancelAndTheRunEnds)
{
    UserPrompter::setShared(nullptr);
    const QString dest = folderAt("dest");
    const QByteArray far = "/elsewhere";
    auto big = scanned("g1/s.bin", QByteArray(200, 'b'), true, far);
    auto small = scanned("g0/s.bin", QByteArray(100, 's'), true, far);
    file({group({scanned("g1/k.bin", QByteArray(200, 'b'), false, far), big}),
          group({scanned("g0/k.bin", QByteArray(100, 's'), false, far), small})});
    std::atomic<int> reads{0};
    FileManagerFaults faults;
    faults.freeSize = [&reads](const QByteArray&) -> std::optional<uint64_t> {
        return reads.fetch_add(1) == 0 ? 1000 : 150;
    };
    FileManager::setFaults(faults);

    removeAndWait(RemoveType::folder(QFile::encodeName(dest)));

    // The smaller group went first and fitted; the big file did not.
    EXPECT_FALSE(exists(small));
    EXPECT_TRUE(exists(big));
    EXPECT_FALSE(big->selected());
    ASSERT_TRUE(big->removeError().has_value());
    EXPECT_EQ(big->removeError()->code, ENOSPC);
    EXPECT_FALSE(engine().forceRemove());
    EXPECT_TRUE(engine().freeSizeNotEnought());
    EXPECT_EQ(names(dest), QStringList{"s.bin"});
}

TEST_F(RemoveDuplicateFilesTest, FailuresAreCountedAndGroupsDissolvedRight)
{
    // Vanished: the other file of the group is removed, the group dissolves.
    auto v1 = scanned("v/1.txt", "vv", true);
    auto v2 = scanned("v/2.txt", "vv", true);
    // A delete that fails: the group keeps both files.
    auto e1 = scanned("e/1.txt", "eee", false);
    auto e2 = scanned("e/bad.txt", "eee", true);
    // Changed since the scan.
    auto c1 = scanned("c/1.txt", "c", false);
    auto c2 = scanned("c/2.txt", "c", true);
    writeFile("c/2.txt", "changed");
    ASSERT_TRUE(QFile::remove(QFile::decodeName(v1->path())));
    auto gv = group({v1, v2});
    auto ge = group({e1, e2});
    auto gc = group({c1, c2});
    file({gv, ge, gc});
    FileManagerFaults faults;
    faults.fail = [](FileStep step, const QByteArray& path) {
        return step == FileStep::remove && path.endsWith("bad.txt") ? EPERM : 0;
    };
    FileManager::setFaults(faults);

    removeAndWait(RemoveType::forever_());

    EXPECT_EQ(engine().succeedRemoveCount(), 1);
    EXPECT_EQ(engine().failedRemoveCount(), 3);
    EXPECT_EQ(label(), "1_3_File");
    EXPECT_TRUE(recorder.contains("AfterDeleter", "Fail"));
    EXPECT_FALSE(exists(v2));
    EXPECT_TRUE(exists(e2));
    EXPECT_TRUE(exists(c2));
    // The vanished file's group holds one file afterwards, the vanished one,
    // kept as a record of the failure: the group stays shown and counted.
    const auto r = engine().results();
    EXPECT_EQ(r.totalFiles, (DuplicateFilesList{gv, ge, gc}));
    EXPECT_EQ(gv->fileCount(), 1);
    EXPECT_TRUE(gv->infos().first()->removeError().has_value());
    EXPECT_EQ(r.totalFilesCount, 5);
    EXPECT_EQ(r.totalFilesSize, 2u + 6 + 2);
    EXPECT_EQ(ge->errorCount() + gc->errorCount(), 2);
}

// A folder of the selection swapped for a link after the scan must not lead
// the removal to the copy the user kept, whatever the mode.
TEST_F(RemoveDuplicateFilesTest, FolderSwappedForALinkKeepsTheKeptCopyWhenDeleting)
{
    expectSwapChangesNothing(RemoveType::forever_());
}

TEST_F(RemoveDuplicateFilesTest, FolderSwappedForALinkKeepsTheKeptCopyWhenTrashing)
{
    expectSwapChangesNothing(RemoveType::trash());
}

TEST_F(RemoveDuplicateFilesTest, FolderSwappedForALinkKeepsTheKeptCopyWhenMoving)
{
    expectSwapChangesNothing(RemoveType::folder(QByteArray()));
}

TEST_F(RemoveDuplicateFilesTest, FolderSwappedForALinkToAnotherVolumeOrAFileForALinkIsRefused)
{
    struct stat shm {};
    struct stat here {};
    if (::stat("/dev/shm", &shm) != 0 || ::stat(QFile::encodeName(scratch()).constData(), &here) != 0 ||
        shm.st_dev == here.st_dev) {
        GTEST_SKIP() << "/dev/shm is not a file system of its own here";
    }
    QTemporaryDir other(QStringLiteral("/dev/shm/twinsweep-swap-XXXXXX"));
    ASSERT_TRUE(other.isValid());
    expectSwapChangesNothing(RemoveType::forever_(), other.path());
}

TEST_F(RemoveDuplicateFilesTest, SelectedFileSwappedForALinkIsRefused)
{
    expectSwapChangesNothing(RemoveType::forever_(), QString(), true);
}

TEST_F(RemoveDuplicateFilesTest, BundleInAFolderSwappedForALinkIsRefused)
{
    expectSwapChangesNothing(RemoveType::forever_(), QString(), false, true);
}

// Whatever the mode, a chosen copy goes only while a copy the user kept is
// still what the scan saw; else the content would exist nowhere.
class KeptCopyRemovalTest : public RemoveDuplicateFilesTest, public ::testing::WithParamInterface<RemoveType::Kind> {
protected:
    RemoveType mode() { return removal(GetParam()); }
    // What arrived at the destination (nothing for a permanent removal).
    QStringList arrived()
    {
        switch (GetParam()) {
        case RemoveType::Kind::trash:
            return names(QFile::decodeName(Trash::filesFolder()));
        case RemoveType::Kind::folder:
            return names(folderAt("chosen-folder"));
        case RemoveType::Kind::forever_:
            break;
        }
        return {};
    }
    static void setModificationTime(const FileInfoPtr& f, time_t seconds)
    {
        const struct timespec times[2] = {{UTIME_OMIT, 0}, {seconds, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, f->path().constData(), times, 0), 0);
    }
};

TEST_P(KeptCopyRemovalTest, ChosenCopiesStayWhenNoKeptCopyIsAsScanned)
{
    // The kept copy deleted.
    auto deletedKept = scanned("del/keep.bin", "content one", false);
    auto deletedChosen = scanned("del/chosen1.bin", "content one", true);
    // Rewritten with other bytes of the same size (a write moves its time).
    auto rewrittenKept = scanned("rew/keep.bin", "content two", false);
    auto rewrittenChosen = scanned("rew/chosen2.bin", "content two", true);
    // Replaced by another file with the same bytes and times.
    auto replacedKept = scanned("rep/keep.bin", "content six", false);
    auto replacedChosen = scanned("rep/chosen3.bin", "content six", true);
    // Every copy chosen on purpose: the group goes whole.
    auto wholeOne = scanned("all/whole1.bin", "content ten", true);
    auto wholeTwo = scanned("all/whole2.bin", "content ten", true);
    // A kept copy as scanned: the chosen one goes.
    auto fineKept = scanned("ok/keep.bin", "content 11!", false);
    auto fineChosen = scanned("ok/chosen4.bin", "content 11!", true);
    file({group({deletedKept, deletedChosen}), group({rewrittenKept, rewrittenChosen}),
          group({replacedKept, replacedChosen}), group({wholeOne, wholeTwo}), group({fineKept, fineChosen})});
    const RemoveType type = mode();

    ASSERT_TRUE(QFile::remove(deletedKept->displayPath()));
    writeFile("rew/keep.bin", "CONTENT TWO");
    setModificationTime(rewrittenKept, 1500000000);
    const QString replacement = writeFile("rep/new.bin", "content six");
    copyTimes(replacedKept->displayPath(), replacement);
    ASSERT_TRUE(QFile::remove(replacedKept->displayPath()));
    ASSERT_TRUE(QFile::rename(replacement, replacedKept->displayPath()));

    removeAndWait(type);

    for (const auto& f : {deletedChosen, rewrittenChosen, replacedChosen}) {
        EXPECT_TRUE(exists(f)) << f->displayPath().toStdString();
        ASSERT_TRUE(f->removeError().has_value());
        EXPECT_EQ(f->removeError()->localizedDescription(), "The copy you kept has changed or is gone since the scan.");
        EXPECT_FALSE(f->selected());
    }
    EXPECT_FALSE(exists(wholeOne));
    EXPECT_FALSE(exists(wholeTwo));
    EXPECT_FALSE(exists(fineChosen));
    EXPECT_TRUE(exists(fineKept));
    if (GetParam() != RemoveType::Kind::forever_) {
        EXPECT_EQ(arrived(), (QStringList{"chosen4.bin", "whole1.bin", "whole2.bin"}));
    }
    if (GetParam() == RemoveType::Kind::trash) {
        EXPECT_EQ(names(QFile::decodeName(Trash::infoFolder())).size(), 3);
    }
    EXPECT_EQ(engine().succeedRemoveCount(), 3);
    EXPECT_EQ(engine().failedRemoveCount(), 3);
    EXPECT_EQ(label(), "3_3_File");
    // The refused groups stay on show with their marks.
    const auto r = engine().results();
    ASSERT_EQ(r.totalFiles.size(), 3);
    int marks = 0;
    for (const auto& g : r.totalFiles) {
        marks += g->errorCount();
    }
    EXPECT_EQ(marks, 3);
}

// A group of three whose two unchosen copies lose one: the other still holds
// the content, so the chosen copy goes, and nothing failed.
TEST_P(KeptCopyRemovalTest, OneOfTwoKeptCopiesGoneStillRemovesAndCountsNoFailure)
{
    auto kept = scanned("g/a.bin", "same bytes", false);
    auto lost = scanned("g/b.bin", "same bytes", false);
    auto chosen = scanned("g/c.bin", "same bytes", true);
    file({group({kept, lost, chosen})});
    const RemoveType type = mode();
    ASSERT_TRUE(QFile::remove(lost->displayPath()));

    removeAndWait(type);

    EXPECT_FALSE(exists(chosen));
    EXPECT_TRUE(exists(kept));
    EXPECT_FALSE(lost->removeError().has_value());
    EXPECT_EQ(engine().succeedRemoveCount(), 1);
    EXPECT_EQ(engine().failedRemoveCount(), 0);
    EXPECT_EQ(label(), "1_0_File");
    // Nothing marks the copy that went away: the screens count marks as
    // failures.
    const auto r = engine().results();
    ASSERT_EQ(r.totalFiles.size(), 1);
    EXPECT_EQ(r.totalFiles[0]->infos(), (QList<FileInfoPtr>{kept, lost}));
    EXPECT_EQ(r.totalFiles[0]->errorCount(), 0);
    EXPECT_EQ(r.totalFilesCount, 2);
}

INSTANTIATE_TEST_SUITE_P(EveryMode, KeptCopyRemovalTest,
                         ::testing::Values(RemoveType::Kind::forever_, RemoveType::Kind::trash, RemoveType::Kind::folder),
                         [](const ::testing::TestParamInfo<RemoveType::Kind>& info) {
                             switch (info.param) {
                             case RemoveType::Kind::trash:
                                 return std::string("Trash");
                             case RemoveType::Kind::folder:
                                 return std::string("Folder");
                             case RemoveType::Kind::forever_:
                                 break;
                             }
                             return std::string("Permanently");
                         });

// Run as a child by the tests below, never on its own: moves one file (its
// path in hex, as it need not be UTF-8) into a folder or the Trash and
// waits to be killed where TWINSWEEP_MOVE_WAIT says: once the first block
// is copied to the other file system ("copying"), once the copy has its
// final name and the source is about to go ("arrived"), or while the
// Trash's information file is written (a write held by FileCallFaults).
TEST(InterruptedMoveChild, MovesUntilKilled)
{
    const QByteArray source = QByteArray::fromHex(qgetenv("TWINSWEEP_MOVE_SOURCE"));
    if (source.isEmpty()) {
        GTEST_SKIP() << "run by the interrupted-move tests only";
    }
    qputenv("XDG_DATA_HOME", qgetenv("TWINSWEEP_MOVE_DATA_HOME"));
    const QByteArray folder = qEnvironmentVariableIsSet("TWINSWEEP_MOVE_TO_TRASH") ? Trash::filesFolder()
                                                                                    : qgetenv("TWINSWEEP_MOVE_FOLDER");
    const FileStep waitAt = qgetenv("TWINSWEEP_MOVE_WAIT") == "arrived" ? FileStep::remove : FileStep::copyData;
    const QByteArray mark = qgetenv(FileCallFaults::heldVariable);
    FileManagerFaults faults;
    faults.fail = [waitAt, mark](FileStep step, const QByteArray&) {
        if (step == waitAt) {
            ::close(::open(mark.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
            for (;;) {
                ::pause();
            }
        }
        return 0;
    };
    if (qgetenv("TWINSWEEP_MOVE_WAIT") != "information") {
        FileManager::setFaults(faults);
    }
    const auto values = ResourceValues::read(source);
    ASSERT_TRUE(values.has_value());
    Error error;
    RemoveOperation::moveIntoFolder(source, values->identity(), folder, &error);
    ADD_FAILURE() << "the move was to be killed before it ended";
}

// Where a killed move was.
enum class KilledWhile { copying, arrived, writingInformation };

struct Interruption {
    bool toTrash;
    KilledWhile moment;
    int signal;
    bool rawName;  // a source name that is not valid UTF-8
};

// A removal killed (SIGKILL or SIGTERM) while it moves a file to another
// file system leaves what it made on the way: a partial copy and, in the
// Trash, an information file for an item that never arrived, or a whole
// copy under its final name beside the source that never went. The next
// removal into the same place clears all that is no more than a second
// copy of what stayed at its place, and nothing else.
class InterruptedMoveTest : public RemoveDuplicateFilesTest, public ::testing::WithParamInterface<Interruption> {
protected:
    bool toTrash() const { return GetParam().toTrash; }

    // The entries of `folder` that a move of process `pid` left.
    static QStringList leftoversOf(const QString& folder, qint64 pid)
    {
        return QDir(folder).entryList({QStringLiteral(".twinsweep-move-%1-*").arg(pid)},
                                      QDir::AllEntries | QDir::Hidden | QDir::System);
    }
    static QByteArray read(const QByteArray& path)
    {
        QFile file;
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        return fd >= 0 && file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle) ? file.readAll()
                                                                                             : QByteArray();
    }
};

TEST_P(InterruptedMoveTest, TheNextRemovalClearsWhatTheKilledOneLeft)
{
    SmallFileSystem other(16 * 1024);
    if (!other.mounted()) {
        GTEST_SKIP() << "a second file system needs root";
    }
    const QByteArray body(3 << 20, 'm');
    const QByteArray name = GetParam().rawName ? QByteArray("movie\377.mkv") : QByteArray("movie.mkv");
    const QByteArray source = QFile::encodeName(scratch()) + "/src/" + name;
    ASSERT_TRUE(writeFileBytes(source, body));
    QByteArray folder = QFile::encodeName(other.path()) + "/dest";
    QStringList environment;
    if (toTrash()) {
        qputenv("XDG_DATA_HOME", QFile::encodeName(other.path() + "/data"));
        ASSERT_TRUE(Trash::createFolders());
        folder = Trash::filesFolder();
        environment << "TWINSWEEP_MOVE_TO_TRASH=1";
    } else {
        ASSERT_TRUE(QDir().mkpath(QFile::decodeName(folder)));
        environment << "TWINSWEEP_MOVE_FOLDER=" + QFile::decodeName(folder);
    }
    // What is not ours stays: a name like ours but not of our form, and an
    // information file of another program whose item is not (yet) there.
    ASSERT_TRUE(writeFileBytes(folder + "/.twinsweep-move-draft", "mine"));
    const QByteArray info = Trash::infoFolder();
    if (toTrash()) {
        const QString elsewhere = writeFile("other/letter.txt", "letter");
        ASSERT_TRUE(writeFileBytes(Trash::infoFolder() + "/letter.txt.trashinfo",
                                   Trash::trashInfo(QFile::encodeName(elsewhere), QDateTime::currentDateTime())));
    }
    const QByteArrayList before = entryNames(folder);
    const QByteArrayList infosBefore = toTrash() ? entryNames(info) : QByteArrayList();

    QDir().mkpath(scratch() + "/child-tmp");
    const QString mark = scratch() + "/child-waits";
    const char* const moments[] = {"copying", "arrived", "information"};
    environment << "TWINSWEEP_MOVE_SOURCE=" + QString::fromLatin1(source.toHex())
                << "TWINSWEEP_MOVE_DATA_HOME=" + qEnvironmentVariable("XDG_DATA_HOME")
                << QStringLiteral("TWINSWEEP_MOVE_WAIT=") + moments[int(GetParam().moment)]
                << QString::fromLatin1(FileCallFaults::heldVariable) + '=' + mark << "TMPDIR=" + scratch() + "/child-tmp";
    if (GetParam().moment == KilledWhile::writingInformation) {
        environment << QString::fromLatin1(FileCallFaults::holdWritesVariable) + '=' + QFile::decodeName(info) + "/*";
    }
    SpawnedProcess child(QCoreApplication::applicationFilePath(),
                         {"--gtest_filter=InterruptedMoveChild.MovesUntilKilled"}, environment);
    ASSERT_GT(child.pid(), 0);
    const qint64 pid = child.pid();
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(mark); }));

    // While it runs, what it made is its own.
    const QByteArrayList made = entryNames(folder);
    RemoveOperation::clearLeftovers(folder);
    EXPECT_EQ(entryNames(folder), made);
    ASSERT_EQ(::kill(static_cast<pid_t>(pid), GetParam().signal), 0);
    ASSERT_TRUE(child.waitForFinished());
    EXPECT_EQ(read(source), body);
    if (GetParam().moment == KilledWhile::copying) {
        EXPECT_EQ(leftoversOf(QFile::decodeName(folder), pid).size(), 1);
    }
    if (GetParam().moment == KilledWhile::arrived) {
        EXPECT_EQ(read(folder + '/' + name), body);
    }
    // The user's own item under a name of the killed process's form is no
    // leftover: only what the records prove was made goes.
    const QByteArray lookAlike = ".twinsweep-move-" + QByteArray::number(pid) + "-99-abc";
    ASSERT_TRUE(writeFileBytes(folder + '/' + lookAlike, "the user's"));

    // The next removal into the same place.
    auto kept = scanned("next/a.txt", "next", false);
    auto chosen = scanned("next/b.txt", "next", true);
    file({group({kept, chosen})});
    removeAndWait(toTrash() ? RemoveType::trash() : RemoveType::folder(folder));

    EXPECT_FALSE(exists(chosen));
    QByteArrayList expected = before;
    expected << "b.txt" << lookAlike;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(entryNames(folder), expected);
    if (toTrash()) {
        QByteArrayList infos = infosBefore;
        infos.append("b.txt.trashinfo");
        std::sort(infos.begin(), infos.end());
        EXPECT_EQ(entryNames(info), infos);
        // No note of a move in flight is left either.
        EXPECT_EQ(names(QFile::decodeName(Trash::homeTrash())), (QStringList{"files", "info"}));
    }
    EXPECT_EQ(read(source), body);
}

std::string interruptionName(const ::testing::TestParamInfo<Interruption>& info)
{
    const char* const moments[] = {"", "Arrived", "WritingInformation"};
    return std::string(info.param.toTrash ? "Trash" : "Folder") + moments[int(info.param.moment)] +
           (info.param.rawName ? "RawName" : "") + (info.param.signal == SIGKILL ? "Sigkill" : "Sigterm");
}

INSTANTIATE_TEST_SUITE_P(KilledEitherWay, InterruptedMoveTest,
                         ::testing::Values(Interruption{true, KilledWhile::copying, SIGKILL, false},
                                           Interruption{true, KilledWhile::copying, SIGTERM, false},
                                           Interruption{false, KilledWhile::copying, SIGKILL, false},
                                           Interruption{false, KilledWhile::copying, SIGTERM, false},
                                           Interruption{true, KilledWhile::copying, SIGKILL, true},
                                           Interruption{true, KilledWhile::arrived, SIGKILL, false},
                                           Interruption{false, KilledWhile::arrived, SIGKILL, false},
                                           Interruption{true, KilledWhile::writingInformation, SIGKILL, false}),
                         interruptionName);

}  // namespace
