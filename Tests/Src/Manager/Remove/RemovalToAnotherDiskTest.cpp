// Removals into a folder or the Trash on another disk that cannot go as
// asked: a bundle that cannot leave its place whole. What the user is told reaches the
// file's record; nothing is lost on the way.
#include "Manager/RemoveOperation.h"

#include "Foundation/Trash.h"

#include "Ext4Volume.h"
#include "RemoveTestSupport.h"

#include <atomic>
#include <cerrno>

namespace {

class RemovalToAnotherDiskTest : public RemoveTestBase, public ::testing::WithParamInterface<bool> {
protected:
    bool toTrash() const { return GetParam(); }
    // The folder the removal moves into: the Trash, or `folder`.
    QString destination(const QString& folder) const
    {
        return toTrash() ? QFile::decodeName(Trash::filesFolder()) : folder;
    }

    // Runs one removal operation of `files` into `folder`.
    void removeInto(const QList<FileInfoPtr>& files, const QString& folder)
    {
        OperationQueue queue;
        queue.setMaxConcurrentOperationCount(1);
        state.removeQueue = &queue;
        queue.addOperation(std::make_shared<RemoveOperation>(group(files), QFile::encodeName(folder), state));
        queue.waitUntilAllOperationsAreFinished();
        state.removeQueue = nullptr;
    }

    // A bundle of four members under `folder`, as a scan records it.
    FileInfoPtr scannedBundle(const QString& folder)
    {
        const QByteArray bundle = QFile::encodeName(folder + "/Tool.app");
        for (const char* member : {"/Contents/Info.plist", "/Contents/MacOS/tool", "/Contents/Resources/icon.png",
                                   "/Contents/Resources/data.bin"}) {
            EXPECT_TRUE(writeFileBytes(bundle + member, QByteArray("member ") + member));
        }
        return recorded(bundle, true);
    }

    RemoveState state;
};

// A bundle on a disk of its own with one immutable member stays whole in
// its place; nothing of it arrives, and the Trash holds no stray copy.
TEST_P(RemovalToAnotherDiskTest, ABundleThatCannotLeaveWholeStaysWhole)
{
    Ext4Volume volume;
    if (!volume.mounted()) {
        GTEST_SKIP() << volume.why().toStdString();
    }
    ASSERT_TRUE(Trash::createFolders());
    const FileInfoPtr bundle = scannedBundle(volume.path());
    const QString source = QFile::decodeName(bundle->path());
    ASSERT_TRUE(volume.setImmutable(source + "/Contents/MacOS/tool"));
    const auto whole = treeSnapshot(source);
    const QString dest = destination(folderAt("dest"));

    removeInto({bundle}, dest);

    EXPECT_EQ(state.failedRemoveCount.load(), 1);
    EXPECT_FALSE(bundle->deleted());
    ASSERT_TRUE(bundle->removeError().has_value());
    EXPECT_EQ(bundle->removeError()->code, EPERM);
    EXPECT_EQ(treeSnapshot(source), whole);
    EXPECT_TRUE(names(dest).isEmpty()) << names(dest).join(',').toStdString();
    EXPECT_TRUE(names(QFile::decodeName(Trash::infoFolder())).isEmpty());
}

// Where the source could only be removed in part after all, the full copy
// that arrived stays (in the Trash with the information file to put it
// back), the file counts as not removed, and its error says that part of
// the bundle stayed at its place.
TEST_P(RemovalToAnotherDiskTest, APartlyRemovedBundleKeepsItsCopyAndSaysSo)
{
    Ext4Volume volume;
    if (!volume.mounted()) {
        GTEST_SKIP() << volume.why().toStdString();
    }
    ASSERT_TRUE(Trash::createFolders());
    const FileInfoPtr bundle = scannedBundle(volume.path());
    const auto whole = treeSnapshot(QFile::decodeName(bundle->path()));
    const QString dest = destination(folderAt("dest"));
    auto removals = std::make_shared<std::atomic<int>>(0);
    FileManagerFaults faults;
    faults.fail = [removals](FileStep step, const QByteArray&) {
        return step == FileStep::remove && removals->fetch_add(1) == 2 ? EIO : 0;
    };
    FileManager::setFaults(faults);

    removeInto({bundle}, dest);

    EXPECT_EQ(state.failedRemoveCount.load(), 1);
    EXPECT_FALSE(bundle->deleted());
    ASSERT_TRUE(bundle->removeError().has_value());
    EXPECT_EQ(bundle->removeError()->localizedDescription(),
              QString("A full copy of \u201CTool.app\u201D is in %1, but part of it could not be removed and stayed at its "
                      "place. (Input/output error)")
                  .arg(toTrash() ? QStringLiteral("the Trash") : "\u201C" + dest + "\u201D"));
    EXPECT_EQ(treeSnapshot(dest + "/Tool.app"), whole);
    EXPECT_TRUE(QFileInfo::exists(QFile::decodeName(bundle->path())));
    if (toTrash()) {
        EXPECT_EQ(names(QFile::decodeName(Trash::infoFolder())), QStringList{"Tool.app.trashinfo"});
    }
}

INSTANTIATE_TEST_SUITE_P(FolderOrTrash, RemovalToAnotherDiskTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Trash" : "Folder");
                         });

}  // namespace
