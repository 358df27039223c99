// The large-file removal where a file has more than one name (a hard link
// outside the scan) or lies on a mount that stopped answering.
#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <unistd.h>

#include "Foundation/FileManager.h"
#include "Foundation/Trash.h"
#include "LargeFilesSupport.h"
#include "Manager/RemoveOperation.h"

#ifdef TWINSWEEP_HAVE_FUSE
#include "StalledRemoval.h"
#endif

namespace {

using G = LargeFilesManager;

class LargeFilesAcrossMountsTest : public LargeFilesTest {
protected:
    void selectAll()
    {
        for (const FileInfoPtr& file : engine().allFiles()[G::allGroup]->infos()) {
            file->setSelected(true);
        }
    }
    void remove(const RemoveType& type)
    {
        const int finished = delegate.count("removeFinished");
        engine().removeDuplicateFiles(type);
        ASSERT_TRUE(engine().waitUntilRemoveIdle(20000));
        ASSERT_TRUE(waitUntil([&] { return delegate.count("removeFinished") > finished; }));
    }
};

// A file with a second link outside the scan frees nothing when it goes: the
// finish window's saving is what the other file freed; both count as removed.
TEST_F(LargeFilesAcrossMountsTest, AFileWithAnotherLinkFreesNothing)
{
    for (const RemoveType& type : {RemoveType::forever_(), RemoveType::trash(),
                                   RemoveType::folder(QFile::encodeName(scratch() + "/dest"))}) {
        QDir().mkpath(scratch() + "/dest");
        const QString linked = sparseFile("big/linked.bin", 50'000'000);
        sparseFile("big/single.bin", 30'000'000);
        QDir().mkpath(scratch() + "/outside");
        ASSERT_EQ(::link(QFile::encodeName(linked).constData(),
                         QFile::encodeName(scratch() + "/outside/linked.bin").constData()),
                  0);
        scan({scratch() + "/big"});
        ASSERT_EQ(engine().allFiles()[G::allGroup]->fileCount(), 2);
        selectAll();

        remove(type);

        EXPECT_EQ(engine().removesucceedCount(), 2);
        EXPECT_EQ(engine().removesucceedSize(), 30'000'000u);
        EXPECT_EQ(engine().allFiles()[G::allGroup]->fileCount(), 0);
        EXPECT_TRUE(QFile::exists(scratch() + "/outside/linked.bin"));
        QDir(scratch() + "/outside").removeRecursively();
        QDir(scratch() + "/big").removeRecursively();
    }
}

// The chosen file lies on a mount that stopped answering, so its move to the
// Trash waits on a read. A stop ends the removal at once all the same; when
// the mount answers, the late outcome changes none of the figures shown.
TEST_F(LargeFilesAcrossMountsTest, AStopEndsTheRemovalWhileAFileWaitsOnAStalledMount)
{
#ifndef TWINSWEEP_HAVE_FUSE
    GTEST_SKIP() << "built without FUSE";
#else
    StalledRemoval stalled(scratch() + "/mount", {{"huge.bin", QByteArray(10'000'001, 'h')}}, "huge.bin");
    StalledFileSystem& mount = stalled.mount();
    if (!mount.mounted()) {
        GTEST_SKIP() << "no FUSE file system could be mounted here";
    }
    scan({mount.path()});
    ASSERT_EQ(engine().allFiles()[G::allGroup]->fileCount(), 1);
    selectAll();

    ASSERT_NO_FATAL_FAILURE(stalled.stopWhileInHand([&] { engine().removeDuplicateFiles(RemoveType::trash()); },
                                                    [&] { engine().stopRemove(); },
                                                    [&] { return delegate.count("removeFinished") == 1; }));
    EXPECT_EQ(engine().removesucceedCount(), 0);
    EXPECT_EQ(engine().removesucceedSize(), 0u);
    const QStringList calls = delegate.calls();

    ASSERT_NO_FATAL_FAILURE(stalled.answerLate());
    ASSERT_TRUE(engine().waitUntilRemoveIdle(20000));
    QCoreApplication::processEvents();
    EXPECT_EQ(delegate.calls(), calls);
    EXPECT_EQ(engine().removesucceedCount(), 0);
    EXPECT_EQ(engine().allFiles()[G::allGroup]->fileCount(), 1);
    EXPECT_TRUE(QFile::exists(mount.path() + "/huge.bin"));
#endif
}

}  // namespace
