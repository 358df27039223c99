// Removals into a folder or the Trash on another disk that cannot go as
// asked: a bundle that cannot leave its place whole, and names the
// destination's disk does not allow. What the user is told reaches the
// file's record; nothing is lost on the way.
#include "Manager/RemoveOperation.h"

#include "Foundation/Trash.h"

#include "Ext4Volume.h"
#include "RemoveTestSupport.h"
#include "WindowsNamesVolume.h"

#include <QRegularExpression>

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

// On an NTFS volume with Windows' naming rules, a name holding '?', ending
// in '.' or reserved ("CON") is refused: the file stays where it is and its
// error says that the name is not allowed on that disk.
TEST_P(RemovalToAnotherDiskTest, ANameTheDiskRefusesIsSaidSo)
{
    WindowsNamesVolume volume;
    if (!volume.mounted()) {
        GTEST_SKIP() << volume.why().toStdString();
    }
    QString dest = volume.path() + "/dest";
    ASSERT_TRUE(QDir().mkpath(dest));
    if (toTrash()) {
        // The Trash lies on such a disk when the data folder does.
        qputenv("XDG_DATA_HOME", QFile::encodeName(volume.path() + "/data"));
        ASSERT_TRUE(Trash::createFolders());
        dest = QFile::decodeName(Trash::filesFolder());
    }
    const QStringList refused = {"why?.txt", "notes.", "CON"};
    QList<FileInfoPtr> files;
    for (const QString& name : refused) {
        files.append(scanned("src/" + name, "text", true));
    }
    files.append(scanned("src/fine.txt", "text", true));
    // An allowed name without an extension that is taken there gets a
    // stamp, which must not end in a dot either.
    ASSERT_TRUE(writeFileBytes(QFile::encodeName(dest + "/README"), "there before"));
    files.append(scanned("src/README", "text", true));

    removeInto(files, dest);

    EXPECT_EQ(state.failedRemoveCount.load(), 3);
    const QString disk = volume.path();
    for (int i = 0; i < refused.size(); ++i) {
        SCOPED_TRACE(refused[i].toStdString());
        EXPECT_TRUE(exists(files[i]));
        ASSERT_TRUE(files[i]->removeError().has_value());
        const Error error = *files[i]->removeError();
        EXPECT_EQ(error.localizedDescription(),
                  toTrash() ? QString("\u201C%1\u201D couldn\u2019t be moved to the Trash: its name is not allowed on the "
                                      "disk \u201C%2\u201D.")
                                  .arg(refused[i], disk)
                            : QString("\u201C%1\u201D couldn\u2019t be moved to \u201C%2\u201D: its name is not allowed "
                                      "on the disk \u201C%3\u201D.")
                                  .arg(refused[i], dest, disk));
        EXPECT_EQ(error.localizedFailureReason(), QString("The name is not allowed on the disk \u201C%1\u201D.").arg(disk));
    }
    EXPECT_FALSE(exists(files[3]));
    EXPECT_FALSE(exists(files[4]));
    // Only the allowed names arrived; no copy was left under a temporary name.
    const QStringList arrived = names(dest);
    ASSERT_EQ(arrived.size(), 3) << arrived.join(',').toStdString();
    EXPECT_EQ(arrived[0], "README");
    EXPECT_TRUE(QRegularExpression(R"(^README \d{4}-\d\d-\d\d \d\d.\d\d.\d\d.\d{3}$)").match(arrived[1]).hasMatch())
        << arrived[1].toStdString();
    EXPECT_EQ(arrived[2], "fine.txt");
    if (toTrash()) {
        EXPECT_EQ(names(QFile::decodeName(Trash::infoFolder())),
                  (QStringList{arrived[1] + ".trashinfo", "fine.txt.trashinfo"}));
    }
}

INSTANTIATE_TEST_SUITE_P(FolderOrTrash, RemovalToAnotherDiskTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Trash" : "Folder");
                         });

class MoveIntoItselfTest : public RemoveTestBase {};

// A folder moved into a folder inside itself is refused as invalid too, but
// that is no matter of its name.
TEST_F(MoveIntoItselfTest, IsNoRefusedName)
{
    const QByteArray bundle = QFile::encodeName(folderAt("Tool.app/Contents"));
    const QByteArray item = bundle.left(bundle.lastIndexOf('/'));
    const auto values = ResourceValues::read(item);
    ASSERT_TRUE(values.has_value());
    Error error;
    EXPECT_FALSE(RemoveOperation::moveIntoFolder(item, values->identity(), bundle, &error));
    EXPECT_EQ(error.code, EINVAL);
    EXPECT_FALSE(error.localizedDescription().contains("not allowed")) << error.localizedDescription().toStdString();
    EXPECT_TRUE(QFileInfo(QFile::decodeName(bundle)).isDir());
}

}  // namespace
