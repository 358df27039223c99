// The duplicate removal where one file has more than one name: a FUSE view
// of a folder scanned with it, a file on a mount that stopped answering, a
// file with a second hard link.
#include "FuseView.h"
#include "RemoveDuplicateFilesFixture.h"
#include "SpawnedProcess.h"
#include "TwoNameMount.h"

#ifdef TWINSWEEP_HAVE_FUSE
#include "PassThroughFileSystem.h"
#include "StalledRemoval.h"
#endif

#include "Foundation/TemporaryItems.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <csignal>
#include <memory>
#include <tuple>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class RemovalAcrossMountsTest : public RemoveDuplicateFilesTest {
protected:
    void scan(const QString& folder)
    {
        engine().setFolderList({QFile::encodeName(folder)});
        engine().scanDuplicateFile();
        ASSERT_TRUE(waitUntil([&] { return delegate.count("scanFinished") == 1 && !engine().scaning(); },
                              std::chrono::seconds(60)));
        ASSERT_TRUE(engine().waitUntilIdle(60000));
    }
    // One more run, however many came before it in this test.
    void runAndWait(const RemoveType& type)
    {
        const int finished = delegate.count("removeFinished");
        engine().removeDuplicateFiles(type);
        ASSERT_TRUE(waitUntil([&] { return delegate.count("removeFinished") > finished; }));
    }
    // Everything that arrived at any destination.
    QStringList arrived()
    {
        return names(folderAt("chosen-folder")) + names(QFile::decodeName(Trash::filesFolder())) +
               names(QFile::decodeName(Trash::infoFolder()));
    }
#ifdef TWINSWEEP_HAVE_FUSE
    // Starts a run of `type` whose file in hand waits on `stalled`, and stops
    // it as the removal screen does on "Yes": the run ends at once.
    void stopWhileInHand(StalledRemoval& stalled, const RemoveType& type)
    {
        ASSERT_NO_FATAL_FAILURE(stalled.stopWhileInHand(
            [type] { engine().removeDuplicateFiles(type); },
            [] {
                engine().setRemoveStop(true);
                engine().removeQueue().cancelAllOperations();
            },
            [&] { return delegate.count("removeFinished") == 1; }));
    }
    // A run killed while the chosen file is aside: a child checks `chosen`
    // against the kept copy on `mount`, whose second opening never answers,
    // and is killed there. `aside` is the name the file was left under.
    void leaveAsideByAKilledRun(const QString& chosen, StalledFileSystem& mount, const QString& tmp, QString& aside)
    {
        const QString folder = QFileInfo(chosen).path();
        QDir().mkpath(tmp);
        SpawnedProcess child(QCoreApplication::applicationFilePath(), {"--gtest_filter=AsideChild.ChecksUntilKilled"},
                             {"TWINSWEEP_ASIDE_CHOSEN=" + chosen, "TWINSWEEP_ASIDE_KEPT=" + mount.path() + "/k.bin",
                              "TWINSWEEP_ASIDE_DATA_HOME=" + qEnvironmentVariable("XDG_DATA_HOME"), "TMPDIR=" + tmp});
        ASSERT_GT(child.pid(), 0);
        ASSERT_TRUE(mount.waitStalled());
        const QStringList left = names(folder);
        ASSERT_EQ(left.size(), 1);
        aside = left.first();
        EXPECT_TRUE(aside.startsWith(QStringLiteral(".twinsweep-aside-%1-").arg(child.pid())));
        // Killed while it waits; it ends once the mount answers, before it
        // can take one more step.
        ASSERT_EQ(::kill(child.pid(), SIGKILL), 0);
        mount.release();
        ASSERT_TRUE(child.waitForFinished());
        EXPECT_EQ(names(folder), QStringList{aside});
        // The program's own record of it, with the name it gets back.
        const std::vector<TemporaryItems::Leftover> recorded = TemporaryItems::leftoversByPath(FileManager::asideKind);
        ASSERT_EQ(recorded.size(), 1u);
        EXPECT_EQ(recorded.front().path, QFile::encodeName(folder + '/' + aside));
        EXPECT_EQ(recorded.front().extra, QFile::encodeName(QFileInfo(chosen).fileName()));
    }
#endif
};

std::string modeName(RemoveType::Kind kind)
{
    switch (kind) {
    case RemoveType::Kind::trash:
        return "Trash";
    case RemoveType::Kind::folder:
        return "Folder";
    case RemoveType::Kind::forever_:
        break;
    }
    return "Permanently";
}

// R/photos and a FUSE view of it at R/view, scanned as R: every photo shows
// up as a group of two, one name on each side. With the names on one side
// chosen, the removal would take the kept names with them: nothing goes,
// each chosen name says why, and the photos stay byte for byte.
class FuseViewRemovalTest : public RemovalAcrossMountsTest,
                            public ::testing::WithParamInterface<std::tuple<FuseView::Kind, RemoveType::Kind, bool>> {
};

TEST_P(FuseViewRemovalTest, NoChosenNameTakesTheKeptCopyWithIt)
{
    const auto [viewKind, removalKind, keptInView] = GetParam();
    writeFile("R/photos/a.jpg", QByteArray(300 * 1024, 'a'));
    writeFile("R/photos/b.jpg", QByteArray(300 * 1024, 'b'));
    const QString photos = scratch() + "/R/photos";
    FuseView view(viewKind, photos, scratch() + "/R/view");
    if (!view.mounted()) {
        GTEST_SKIP() << FuseView::name(viewKind) << " cannot mount here";
    }
    const auto before = treeSnapshot(photos);
    scan(scratch() + "/R");
    ASSERT_FALSE(HasFatalFailure());
    const DuplicateFilesList groups = engine().totalFiles();
    ASSERT_EQ(groups.size(), 2);
    QList<FileInfoPtr> chosen;
    for (const DuplicateFilesPtr& group : groups) {
        ASSERT_EQ(group->fileCount(), 2);
        for (const FileInfoPtr& f : group->infos()) {
            const bool inView = f->displayPath().startsWith(view.path() + "/");
            f->setSelected(inView != keptInView);
            if (f->selected()) {
                chosen.append(f);
            }
        }
        group->setSelectState(ControlState::mixed);
    }
    ASSERT_EQ(chosen.size(), 2);

    runAndWait(removal(removalKind));

    // Nothing is left aside either.
    EXPECT_EQ(treeSnapshot(photos).keys(), before.keys());
    EXPECT_TRUE(treeSnapshot(photos) == before);
    EXPECT_TRUE(treeSnapshot(view.path()) == before);
    EXPECT_TRUE(arrived().isEmpty()) << arrived().join(", ").toStdString();
    for (const FileInfoPtr& f : chosen) {
        ASSERT_TRUE(f->removeError().has_value()) << f->displayPath().toStdString();
        EXPECT_EQ(f->removeError()->localizedDescription().toStdString(),
                  "This is the copy you kept, reached through another mount.");
        EXPECT_FALSE(f->selected());
    }
    EXPECT_EQ(engine().succeedRemoveCount(), 0);
    EXPECT_EQ(engine().succeedRemoveSize(), 0u);
    EXPECT_EQ(engine().failedRemoveCount(), 2);
}

INSTANTIATE_TEST_SUITE_P(
    EachViewModeAndSide, FuseViewRemovalTest,
    ::testing::Combine(::testing::Values(FuseView::Kind::bindfs, FuseView::Kind::mergerfs),
                       ::testing::Values(RemoveType::Kind::forever_, RemoveType::Kind::trash, RemoveType::Kind::folder),
                       ::testing::Bool()),
    [](const auto& info) {
        return std::string(FuseView::name(std::get<0>(info.param))) + modeName(std::get<1>(info.param)) +
               (std::get<2>(info.param) ? "KeptInView" : "ChosenInView");
    });

// Files with two names through a mount that answers for a file it no
// longer reaches (rclone opens at the first read; libfuse answers the open
// of a daemon without one; a daemon may read by a handle it holds) or that
// reaches them twice under made-up inode numbers (sshfs), scanned whole:
// the chosen names would take the kept ones with them. None goes, in any
// mode, each says why, and the files stay byte for byte.
class TwoNameRemovalTest : public RemovalAcrossMountsTest,
                           public ::testing::WithParamInterface<std::tuple<TwoNameMount::Kind, RemoveType::Kind>> {};

TEST_P(TwoNameRemovalTest, NoChosenNameTakesTheKeptOneWithIt)
{
    const auto [kind, removalKind] = GetParam();
    TwoNameMount mount(kind, scratch(), {{"a.jpg", QByteArray(300 * 1024, 'a')}, {"b.jpg", QByteArray(300 * 1024, 'b')}});
    if (!mount.mounted()) {
        GTEST_SKIP() << mount.why().toStdString();
    }
    const auto before = treeSnapshot(mount.files());
    scan(mount.root());
    ASSERT_FALSE(HasFatalFailure());
    const DuplicateFilesList groups = engine().totalFiles();
    ASSERT_EQ(groups.size(), 2);
    QList<FileInfoPtr> chosen;
    for (const DuplicateFilesPtr& group : groups) {
        for (const FileInfoPtr& f : group->infos()) {
            f->setSelected(f->displayPath().startsWith(mount.chosen("")));
            if (f->selected()) {
                chosen.append(f);
            }
        }
        group->setSelectState(ControlState::mixed);
    }
    ASSERT_EQ(chosen.size(), 2);

    runAndWait(removal(removalKind));

    EXPECT_TRUE(treeSnapshot(mount.files()) == before);
    EXPECT_TRUE(arrived().isEmpty()) << arrived().join(", ").toStdString();
    for (const FileInfoPtr& f : chosen) {
        ASSERT_TRUE(f->removeError().has_value()) << f->displayPath().toStdString();
        EXPECT_EQ(f->removeError()->localizedDescription().toStdString(),
                  "This is the copy you kept, reached through another mount.");
    }
    EXPECT_EQ(engine().succeedRemoveCount(), 0);
    EXPECT_EQ(engine().failedRemoveCount(), 2);
}

INSTANTIATE_TEST_SUITE_P(
    EachMountAndMode, TwoNameRemovalTest,
    ::testing::Combine(::testing::ValuesIn(TwoNameMount::kinds),
                       ::testing::Values(RemoveType::Kind::forever_, RemoveType::Kind::trash, RemoveType::Kind::folder)),
    [](const auto& info) {
        return std::string(TwoNameMount::name(std::get<0>(info.param))) + modeName(std::get<1>(info.param));
    });

// The kept copy lies in a view that reads by the handles it holds and now
// fails to list its folder, so whether it is the chosen file cannot be
// told: the chosen file stays, and says why.
TEST_F(RemovalAcrossMountsTest, AChosenFileStaysWhenTheKeptCopyCannotBeToldApart)
{
#ifndef TWINSWEEP_HAVE_FUSE
    GTEST_SKIP() << "built without FUSE";
#else
    const QByteArray body(100 * 1024, 'u');
    auto chosen = scanned("photos/u.bin", body, true);
    PassThroughFileSystem view(scratch() + "/photos", scratch() + "/view", true);
    if (!view.mounted()) {
        GTEST_SKIP() << "no FUSE file system could be mounted here";
    }
    auto kept = recorded(QFile::encodeName(scratch() + "/view/u.bin"), false);
    file({group({kept, chosen}, ControlState::mixed)});
    view.setListing(false);

    runAndWait(RemoveType::forever_());

    EXPECT_TRUE(exists(chosen));
    ASSERT_TRUE(chosen->removeError().has_value());
    EXPECT_EQ(chosen->removeError()->localizedDescription().toStdString(), "The copy you kept cannot be checked.");
    EXPECT_EQ(engine().succeedRemoveCount(), 0);
#endif
}

// A real copy on another file system is no view: the chosen copy there goes,
// as does a chosen copy beside a kept one on the same device, and the check
// leaves nothing of its own behind.
TEST_F(RemovalAcrossMountsTest, ACopyOnAnotherFileSystemStillGoes)
{
    SmallFileSystem other(2048);
    if (!other.mounted()) {
        GTEST_SKIP() << "a second file system needs root";
    }
    const QByteArray body(100 * 1024, 'c');
    auto kept = scanned("keep/c.bin", body, false);
    const QString farPath = other.path() + "/c.bin";
    ASSERT_TRUE(writeFileBytes(QFile::encodeName(farPath), body));
    auto far = recorded(QFile::encodeName(farPath), true);
    auto near = scanned("near/c.bin", body, true);
    file({group({kept, far, near}, ControlState::mixed)});

    runAndWait(RemoveType::forever_());

    EXPECT_FALSE(exists(far));
    EXPECT_FALSE(exists(near));
    EXPECT_TRUE(exists(kept));
    EXPECT_TRUE(names(other.path()).isEmpty());
    EXPECT_EQ(engine().succeedRemoveCount(), 2);
    EXPECT_EQ(engine().succeedRemoveSize(), 2u * body.size());
    EXPECT_EQ(engine().failedRemoveCount(), 0);
}

// A chosen name whose file has another link outside the scan frees nothing:
// it is removed and counted, and the saving holds only what really went.
TEST_F(RemovalAcrossMountsTest, ANameOfAFileWithAnotherLinkFreesNothing)
{
    for (const RemoveType::Kind removalKind : {RemoveType::Kind::forever_, RemoveType::Kind::trash, RemoveType::Kind::folder}) {
        SCOPED_TRACE(modeName(removalKind));
        const QByteArray linked(50'000, 'l');
        const QByteArray single(30'000, 's');
        auto linkedKept = scanned("in/linked-keep.bin", linked, false);
        const QString linkedPath = writeFile("in/linked.bin", linked);
        const QString outside = scratch() + "/outside/linked-too.bin";
        QDir().mkpath(scratch() + "/outside");
        ASSERT_EQ(::link(QFile::encodeName(linkedPath).constData(), QFile::encodeName(outside).constData()), 0);
        auto linkedChosen = recorded(QFile::encodeName(linkedPath), true);
        auto singleKept = scanned("in/single-keep.bin", single, false);
        auto singleChosen = scanned("in/single.bin", single, true);
        engine().updateResults([](ScanManager::Results& r) { r = ScanManager::Results(); });
        file({group({linkedKept, linkedChosen}, ControlState::mixed), group({singleKept, singleChosen}, ControlState::mixed)});

        runAndWait(removal(removalKind));

        EXPECT_FALSE(exists(linkedChosen));
        EXPECT_FALSE(exists(singleChosen));
        EXPECT_TRUE(QFile::exists(outside));
        EXPECT_EQ(engine().succeedRemoveCount(), 2);
        EXPECT_EQ(engine().succeedRemoveSize(), uint64_t(single.size()));
        // The lists lose both names whole.
        EXPECT_EQ(engine().results().totalFilesCount, 0);
        EXPECT_EQ(engine().results().totalFilesSize, 0u);
        QDir(scratch() + "/in").removeRecursively();
        QDir(scratch() + "/outside").removeRecursively();
    }
}

// The chosen copy lies on a mount whose daemon stopped answering: its move
// to the Trash waits on a read that does not return. A stop ends the run at
// once all the same; when the mount answers again, the file's late outcome
// changes nothing the screen was shown, and no later run waits behind it.
TEST_F(RemovalAcrossMountsTest, AStopEndsTheRunWhileAFileWaitsOnAStalledMount)
{
#ifndef TWINSWEEP_HAVE_FUSE
    GTEST_SKIP() << "built without FUSE";
#else
    const QByteArray body(50'001, 'm');
    StalledRemoval stalled(scratch() + "/mount", {{"k.bin", body}, {"m.bin", body}}, "m.bin");
    StalledFileSystem& mount = stalled.mount();
    if (!mount.mounted()) {
        GTEST_SKIP() << "no FUSE file system could be mounted here";
    }
    auto kept = recorded(QFile::encodeName(mount.path() + "/k.bin"), false);
    auto stuck = recorded(QFile::encodeName(mount.path() + "/m.bin"), true);
    auto laterKept = scanned("later/keep.bin", "later bytes", false);
    auto later = scanned("later/chosen.bin", "later bytes", true);
    // The stuck group goes first (smaller), the other waits behind it.
    file({group({kept, stuck}, ControlState::mixed)});

    ASSERT_NO_FATAL_FAILURE(stopWhileInHand(stalled, RemoveType::trash()));
    EXPECT_EQ(engine().succeedRemoveCount(), 0);
    EXPECT_EQ(engine().failedRemoveCount(), 0);
    EXPECT_FALSE(stuck->removeError().has_value());

    // A new run is not held up by the file still in hand.
    engine().updateResults([](ScanManager::Results& r) { r = ScanManager::Results(); });
    file({group({laterKept, later}, ControlState::mixed)});
    runAndWait(RemoveType::forever_());
    EXPECT_FALSE(exists(later));
    EXPECT_EQ(engine().succeedRemoveCount(), 1);
    EXPECT_TRUE(mount.stalled());

    // The mount answers: the move fails there (it is read-only), and that
    // comes too late to count anywhere.
    ASSERT_NO_FATAL_FAILURE(stalled.answerLate());
    ASSERT_TRUE(waitUntil([&] { return engine().removeQueue().operationCount() == 0; }));
    EXPECT_EQ(delegate.count("removeFinished"), 2);
    EXPECT_EQ(engine().succeedRemoveCount(), 1);
    EXPECT_EQ(engine().failedRemoveCount(), 0);
    EXPECT_FALSE(stuck->removeError().has_value());
    EXPECT_TRUE(exists(stuck));
    EXPECT_TRUE(exists(kept));
    EXPECT_TRUE(names(QFile::decodeName(Trash::filesFolder())).isEmpty());
    EXPECT_TRUE(names(QFile::decodeName(Trash::infoFolder())).isEmpty());
#endif
}

// The kept copy lies on a mount that stopped answering, so the check that it
// is not the chosen file itself waits on its opening. A stop ends the run;
// a later run clears the stop; when the mount answers at last, the check
// comes back to a run that has ended, and the chosen file stays.
TEST_F(RemovalAcrossMountsTest, AStoppedRunRemovesNothingWhenItsCheckComesBackLate)
{
#ifndef TWINSWEEP_HAVE_FUSE
    GTEST_SKIP() << "built without FUSE";
#else
    const QByteArray body(50'002, 'c');
    StalledRemoval stalled(scratch() + "/mount", {{"k.bin", body}}, "k.bin", 1);
    StalledFileSystem& mount = stalled.mount();
    if (!mount.mounted()) {
        GTEST_SKIP() << "no FUSE file system could be mounted here";
    }
    auto kept = recorded(QFile::encodeName(mount.path() + "/k.bin"), false);
    auto chosen = scanned("in/chosen.bin", body, true);
    auto laterKept = scanned("later/keep.bin", "later bytes", false);
    auto later = scanned("later/chosen.bin", "later bytes", true);
    file({group({kept, chosen}, ControlState::mixed)});

    ASSERT_NO_FATAL_FAILURE(stopWhileInHand(stalled, RemoveType::forever_()));

    // A new run clears the stop.
    engine().updateResults([](ScanManager::Results& r) { r = ScanManager::Results(); });
    file({group({laterKept, later}, ControlState::mixed)});
    runAndWait(RemoveType::forever_());
    EXPECT_FALSE(exists(later));

    ASSERT_NO_FATAL_FAILURE(stalled.answerLate());
    ASSERT_TRUE(waitUntil([&] { return engine().removeQueue().operationCount() == 0; }));
    EXPECT_TRUE(exists(chosen));
    EXPECT_FALSE(chosen->removeError().has_value());
    EXPECT_EQ(engine().succeedRemoveCount(), 1);
#endif
}

// Run as a child by the test below, never on its own: checks a chosen file
// against a kept copy on another device whose second opening never answers,
// so it is killed while the chosen file is aside.
TEST(AsideChild, ChecksUntilKilled)
{
    const QByteArray chosen = qgetenv("TWINSWEEP_ASIDE_CHOSEN");
    if (chosen.isEmpty()) {
        GTEST_SKIP() << "run by the killed-while-aside test only";
    }
    qputenv("XDG_DATA_HOME", qgetenv("TWINSWEEP_ASIDE_DATA_HOME"));
    const QByteArray kept = qgetenv("TWINSWEEP_ASIDE_KEPT");
    const auto chosenValues = ResourceValues::read(chosen);
    const auto keptValues = ResourceValues::read(kept);
    ASSERT_TRUE(chosenValues && keptValues);
    ItemIdentity identity = chosenValues->identity();
    Error error;
    RemoveOperation::isApartFromKept(chosen, identity, {{kept, keptValues->identity()}}, &error);
    ADD_FAILURE() << "the check was to be killed before it ended";
}

// A program killed while a chosen file is aside leaves it under a name of
// its own; the next removal run puts it back under its name, whole.
TEST_F(RemovalAcrossMountsTest, AFileLeftAsideByAKilledRunIsPutBackByTheNext)
{
#ifndef TWINSWEEP_HAVE_FUSE
    GTEST_SKIP() << "built without FUSE";
#else
    const QByteArray body(20'001, 'k');
    StalledFileSystem mount(scratch() + "/mount", {{"k.bin", body}}, "k.bin", 2);
    if (!mount.mounted()) {
        GTEST_SKIP() << "no FUSE file system could be mounted here";
    }
    const QString chosen = writeFile("photos/k.bin", body);
    QString aside;
    leaveAsideByAKilledRun(chosen, mount, scratch() + "/child-tmp", aside);
    ASSERT_FALSE(HasFatalFailure());

    runAndWait(RemoveType::forever_());

    EXPECT_EQ(names(scratch() + "/photos"), QStringList{"k.bin"});
    QFile back(chosen);
    ASSERT_TRUE(back.open(QIODevice::ReadOnly));
    EXPECT_EQ(back.readAll(), body);
    // Nothing is left to put back.
    EXPECT_EQ(RemoveOperation::putBackAsideItems(), 0);
    EXPECT_TRUE(TemporaryItems::leftoversByPath(FileManager::asideKind).empty());
#endif
}

// The file was left aside in a FUSE view that is mounted again before the
// next run: the view now has another device number and, for mergerfs,
// gives the file another inode number. It is put back all the same.
class AsideInARemountedViewTest : public RemovalAcrossMountsTest,
                                  public ::testing::WithParamInterface<FuseView::Kind> {};

TEST_P(AsideInARemountedViewTest, AFileLeftAsideInAViewMountedAgainIsPutBack)
{
#ifndef TWINSWEEP_HAVE_FUSE
    GTEST_SKIP() << "built without FUSE";
#else
    const QByteArray body(20'001, 'v');
    writeFile("photos/k.bin", body);
    const QString photos = scratch() + "/photos";
    const QString viewPath = scratch() + "/view";
    auto view = std::make_unique<FuseView>(GetParam(), photos, viewPath);
    if (!view->mounted()) {
        GTEST_SKIP() << FuseView::name(GetParam()) << " cannot mount here";
    }
    StalledFileSystem mount(scratch() + "/mount", {{"k.bin", body}}, "k.bin", 2);
    if (!mount.mounted()) {
        GTEST_SKIP() << "no FUSE file system could be mounted here";
    }
    QString aside;
    leaveAsideByAKilledRun(viewPath + "/k.bin", mount, scratch() + "/child-tmp", aside);
    ASSERT_FALSE(HasFatalFailure());
    const auto asideFile = QFile::encodeName(viewPath + '/' + aside);
    struct stat before {};
    ASSERT_EQ(::lstat(asideFile.constData(), &before), 0);

    // Taken off and mounted again. A folder of the old view held open keeps
    // it alive, off its place, and with it its device number, which is so
    // not given out again at once.
    const std::shared_ptr<int> oldView(new int(::open(QFile::encodeName(viewPath).constData(), O_RDONLY | O_DIRECTORY)),
                                       [](const int* fd) {
                                           ::close(*fd);
                                           delete fd;
                                       });
    ASSERT_GE(*oldView, 0);
    view.reset();
    view = std::make_unique<FuseView>(GetParam(), photos, viewPath);
    ASSERT_TRUE(view->mounted());
    struct stat after {};
    ASSERT_EQ(::lstat(asideFile.constData(), &after), 0);
    EXPECT_NE(after.st_dev, before.st_dev);

    EXPECT_EQ(RemoveOperation::putBackAsideItems(), 1);

    EXPECT_EQ(names(viewPath), QStringList{"k.bin"});
    EXPECT_EQ(names(photos), QStringList{"k.bin"});
    QFile back(photos + "/k.bin");
    ASSERT_TRUE(back.open(QIODevice::ReadOnly));
    EXPECT_EQ(back.readAll(), body);
    EXPECT_TRUE(TemporaryItems::leftoversByPath(FileManager::asideKind).empty());
#endif
}

INSTANTIATE_TEST_SUITE_P(EachView, AsideInARemountedViewTest,
                         ::testing::Values(FuseView::Kind::bindfs, FuseView::Kind::mergerfs),
                         [](const auto& info) { return std::string(FuseView::name(info.param)); });

}  // namespace
