// A move across file systems that cannot take its item away whole: the item
// stays whole where it is, or, where part of it went after all, its full
// copy stays at the destination (in the Trash with its information file)
// and the error says that part of it stayed.
#include "Foundation/FileManager.h"
#include "Foundation/Trash.h"

#include "Ext4Volume.h"
#include "FileCallFaults.h"
#include "ForceCopy.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>

#include <atomic>
#include <cerrno>

#include <unistd.h>

namespace {

class WholeMoveTest : public TempHomeTest {
protected:
    void TearDown() override
    {
        FileManager::clearFaults();
        TempHomeTest::TearDown();
    }

    // A bundle of four members under `folder`; gives its path.
    static QString bundleIn(const QString& folder)
    {
        const QString bundle = folder + "/Tool.app";
        for (const auto& [member, contents] : std::initializer_list<std::pair<const char*, QByteArray>>{
                 {"/Contents/Info.plist", "info"},
                 {"/Contents/MacOS/tool", "binary"},
                 {"/Contents/Resources/icon.png", "icon"},
                 {"/Contents/Resources/data.bin", QByteArray(300000, 'd')}}) {
            EXPECT_TRUE(writeFileBytes(QFile::encodeName(bundle + member), contents));
        }
        return bundle;
    }
    static QStringList entries(const QString& folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }
    // Makes every same-device rename report EXDEV, so the copy path runs,
    // and fails the `failing`th removal of a member with EIO.
    static void copyAndFailRemoval(int failing)
    {
        auto removals = std::make_shared<std::atomic<int>>(0);
        FileManagerFaults faults;
        faults.fail = [removals, failing](FileStep step, const QByteArray&) {
            if (step == FileStep::rename) {
                return EXDEV;
            }
            return step == FileStep::remove && removals->fetch_add(1) + 1 == failing ? EIO : 0;
        };
        FileManager::setFaults(faults);
    }
};

// On a real second file system: a member that is immutable or append-only,
// or a folder that takes no removals, keeps the whole item in its place,
// and nothing of it arrives, in a folder or in the Trash.
TEST_F(WholeMoveTest, AnItemThatCannotLeaveWholeIsNotMovedAtAll)
{
    Ext4Volume volume;
    if (!volume.mounted()) {
        GTEST_SKIP() << volume.why().toStdString();
    }
    const QString dest = scratch() + "/dest";
    ASSERT_TRUE(QDir().mkpath(dest));
    ASSERT_TRUE(Trash::createFolders());
    const QString bundle = bundleIn(volume.path());
    ASSERT_TRUE(writeFileBytes(QFile::encodeName(volume.path() + "/movie.mkv"), QByteArray(200000, 'm')));
    const auto before = treeSnapshot(volume.path());
    const struct {
        QString pinned;
        bool appendOnly;
        QString item;
    } cases[] = {{bundle + "/Contents/Resources/icon.png", false, bundle},
                 {bundle + "/Contents/MacOS", true, bundle},
                 {volume.path() + "/movie.mkv", false, volume.path() + "/movie.mkv"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pinned.toStdString());
        ASSERT_TRUE(c.appendOnly ? volume.setAppendOnly(c.pinned) : volume.setImmutable(c.pinned));
        const QByteArray item = QFile::encodeName(c.item);
        const QByteArray name = item.mid(item.lastIndexOf('/') + 1);
        Error error;
        EXPECT_FALSE(FileManager::default_().moveItem(item, QFile::encodeName(dest) + '/' + name, &error));
        EXPECT_EQ(error.code, EPERM);
        EXPECT_EQ(error.localizedDescription(),
                  QString("\u201C%1\u201D couldn\u2019t be moved to \u201C%2\u201D. (Operation not permitted)")
                      .arg(QString::fromUtf8(name), dest));
        EXPECT_FALSE(Trash::trashItem(item, name, &error));
        EXPECT_EQ(error.code, EPERM);

        EXPECT_EQ(treeSnapshot(volume.path()), before);
        EXPECT_TRUE(entries(dest).isEmpty()) << entries(dest).join(',').toStdString();
        EXPECT_TRUE(entries(QFile::decodeName(Trash::filesFolder())).isEmpty());
        EXPECT_TRUE(entries(QFile::decodeName(Trash::infoFolder())).isEmpty());
        ASSERT_TRUE(volume.clearFlags(c.pinned));
    }
}

// A removal of the source that fails part-way keeps the full copy where it
// arrived: into a folder, and into the Trash with the information file
// that lets it be put back. The error names the item and says that part of
// it stayed.
TEST_F(WholeMoveTest, APartlyRemovedSourceKeepsItsFullCopyAndSaysSo)
{
    const QString dest = scratch() + "/dest";
    ASSERT_TRUE(QDir().mkpath(dest));
    for (const bool toTrash : {false, true}) {
        SCOPED_TRACE(toTrash ? "Trash" : "folder");
        const QString source = scratch() + (toTrash ? "/for-trash" : "/for-folder");
        const QByteArray bundle = QFile::encodeName(bundleIn(source));
        const auto whole = treeSnapshot(QFile::decodeName(bundle));
        copyAndFailRemoval(3);

        Error error;
        const bool moved = toTrash ? Trash::trashItem(bundle, "Tool.app", &error)
                                   : FileManager::default_().moveItem(bundle, QFile::encodeName(dest) + "/Tool.app", &error);
        FileManager::clearFaults();

        EXPECT_FALSE(moved);
        EXPECT_EQ(error.domain, FileManager::partlyMovedDomain);
        EXPECT_EQ(error.code, EIO);
        const QString where = toTrash ? QStringLiteral("the Trash") : QStringLiteral("\u201C%1\u201D").arg(dest);
        EXPECT_EQ(error.localizedDescription(),
                  QString("A full copy of \u201CTool.app\u201D is in %1, but part of it could not be removed and stayed "
                          "at its place. (Input/output error)")
                      .arg(where));
        const QString copy = toTrash ? QFile::decodeName(Trash::filesFolder()) + "/Tool.app" : dest + "/Tool.app";
        EXPECT_EQ(treeSnapshot(copy), whole);
        // Two members went before the failure; the rest stayed.
        const auto left = treeSnapshot(QFile::decodeName(bundle));
        EXPECT_FALSE(left.isEmpty());
        EXPECT_LT(left.size(), whole.size());
        if (toTrash) {
            QFile info(QFile::decodeName(Trash::infoFolder()) + "/Tool.app.trashinfo");
            ASSERT_TRUE(info.open(QIODevice::ReadOnly));
            EXPECT_TRUE(info.readAll().contains("Path=" + bundle.toPercentEncoding("/") + '\n'));
        }
        EXPECT_EQ(entries(toTrash ? QFile::decodeName(Trash::filesFolder()) : dest), QStringList{"Tool.app"});
    }
}

// When the very first removal fails nothing of the source went: the copy is
// taken back and the item is whole in one place.
TEST_F(WholeMoveTest, AFailureBeforeAnyMemberWentTakesTheCopyBack)
{
    const QString dest = scratch() + "/dest";
    ASSERT_TRUE(QDir().mkpath(dest));
    const QByteArray bundle = QFile::encodeName(bundleIn(scratch() + "/src"));
    const auto whole = treeSnapshot(QFile::decodeName(bundle));
    for (const bool toTrash : {false, true}) {
        SCOPED_TRACE(toTrash ? "Trash" : "folder");
        copyAndFailRemoval(1);
        Error error;
        EXPECT_FALSE(toTrash ? Trash::trashItem(bundle, "Tool.app", &error)
                             : FileManager::default_().moveItem(bundle, QFile::encodeName(dest) + "/Tool.app", &error));
        FileManager::clearFaults();
        EXPECT_EQ(error.domain, "NSPOSIXErrorDomain");
        EXPECT_EQ(error.code, EIO);
        EXPECT_EQ(treeSnapshot(QFile::decodeName(bundle)), whole);
        EXPECT_TRUE(entries(dest).isEmpty());
    }
    EXPECT_TRUE(entries(QFile::decodeName(Trash::filesFolder())).isEmpty());
    EXPECT_TRUE(entries(QFile::decodeName(Trash::infoFolder())).isEmpty());
}

// A source that another program removes once its copy has arrived leaves
// the copy as the only one: it stays, in the Trash with its information
// file, and the error says what happened.
TEST_F(WholeMoveTest, ASourceRemovedByOthersAfterItsCopyArrivedLeavesTheCopyAndSaysSo)
{
    const QString dest = scratch() + "/dest";
    ASSERT_TRUE(QDir().mkpath(dest));
    for (const bool toTrash : {false, true}) {
        SCOPED_TRACE(toTrash ? "Trash" : "folder");
        const QByteArray source = QFile::encodeName(writeFile("src/movie.mkv", QByteArray(300000, 'm')));
        forceCopy([source](FileStep step, const QByteArray&) {
            if (step == FileStep::finalRename) {
                ::unlink(source.constData());
            }
            return 0;
        });

        Error error;
        const bool moved = toTrash ? Trash::trashItem(source, "movie.mkv", &error)
                                   : FileManager::default_().moveItem(source, QFile::encodeName(dest) + "/movie.mkv", &error);
        FileManager::clearFaults();

        EXPECT_FALSE(moved);
        EXPECT_EQ(error.domain, FileManager::sourceGoneDomain);
        EXPECT_EQ(error.localizedDescription(),
                  QString("\u201Cmovie.mkv\u201D was copied to %1, but meanwhile something else removed it from its "
                          "place: the copy %2 is the only one left.")
                      .arg(toTrash ? QString("the Trash") : "\u201C" + dest + "\u201D",
                           toTrash ? "in the Trash" : "there"));
        const QString folder = toTrash ? QFile::decodeName(Trash::filesFolder()) : dest;
        EXPECT_EQ(entries(folder), QStringList{"movie.mkv"});
        QFile copy(folder + "/movie.mkv");
        ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
        EXPECT_EQ(copy.readAll(), QByteArray(300000, 'm'));
        if (toTrash) {
            QFile info(QFile::decodeName(Trash::infoFolder()) + "/movie.mkv.trashinfo");
            ASSERT_TRUE(info.open(QIODevice::ReadOnly));
            EXPECT_TRUE(info.readAll().contains("Path=" + source.toPercentEncoding("/") + '\n'));
        }
    }
}

// Every flush a copied item depends on must succeed before its source goes:
// the destination folder's after the copy took its name, each copied
// folder's, and the Trash's information folder's. With one failing the item
// stays whole at its place, nothing of it is left at the destination, and
// the error says why.
class FailedFlushTest : public WholeMoveTest, public ::testing::WithParamInterface<int> {
protected:
    enum Flush { finalName, bundleFolder, trashInformation };
};

TEST_P(FailedFlushTest, KeepsTheSourceAndLeavesNothingAtTheDestination)
{
    ASSERT_TRUE(Trash::createFolders());
    const QString dest = scratch() + "/dest";
    ASSERT_TRUE(QDir().mkpath(dest));
    const QString source =
        GetParam() == bundleFolder ? bundleIn(scratch() + "/src") : writeFile("src/movie.mkv", QByteArray(300000, 'm'));
    const auto before = treeSnapshot(scratch() + "/src");
    const QByteArray failing[] = {QFile::encodeName(dest) + "@2", "*/.twinsweep-move-*/Contents/Resources",
                                  Trash::infoFolder()};
    forceCopy();
    FileCallFaults::failFlushes({failing[GetParam()]});
    Error error;
    const QByteArray from = QFile::encodeName(source);
    const bool moved = GetParam() == trashInformation
                           ? Trash::trashItem(from, "movie.mkv", &error)
                           : FileManager::default_().moveItem(from, QFile::encodeName(dest + "/moved"), &error);
    FileCallFaults::clear();

    EXPECT_FALSE(moved);
    EXPECT_EQ(error.code, EIO);
    EXPECT_TRUE(error.localizedDescription().endsWith("(Input/output error)")) << error.localizedDescription().toStdString();
    EXPECT_EQ(treeSnapshot(scratch() + "/src"), before);
    EXPECT_TRUE(entries(dest).isEmpty()) << entries(dest).join(',').toStdString();
    EXPECT_TRUE(entries(QFile::decodeName(Trash::filesFolder())).isEmpty());
    EXPECT_TRUE(entries(QFile::decodeName(Trash::infoFolder())).isEmpty());
}

std::string flushName(const ::testing::TestParamInfo<int>& info)
{
    static const char* const names[] = {"FinalName", "BundleFolder", "TrashInformation"};
    return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(EachFlush, FailedFlushTest, ::testing::Values(0, 1, 2), flushName);

}  // namespace
