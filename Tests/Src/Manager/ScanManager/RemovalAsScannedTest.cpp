// A scan's groups removed in every mode: a chosen copy goes only while it,
// and a copy the user kept, are still what the scan read. Real trees, the
// real walk and reading, then the real removal.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>

#include <sys/stat.h>
#include <unistd.h>

#include "Foundation/Trash.h"
#include "Manager/RemoveOperation.h"
#include "Manager/RemoveType.h"
#include "ScanFixture.h"

namespace {

// The mode by its name: "Permanently", "Trash" or "Folder".
class RemovalAsScannedTest : public ScanFixture, public ::testing::WithParamInterface<std::string> {
protected:
    void TearDown() override
    {
        engine().updateResults([](ScanManager::Results& r) { r = ScanManager::Results(); });
        ScanFixture::TearDown();
    }

    RemoveType mode() const
    {
        if (GetParam() == "Trash") {
            return RemoveType::trash();
        }
        return GetParam() == "Folder" ? RemoveType::folder(QFile::encodeName(destination())) : RemoveType::forever_();
    }
    QString destination() const { return home() + "/chosen-folder"; }
    // What arrived where the mode puts removed items (nothing when deleted).
    QStringList arrived() const
    {
        const RemoveType type = mode();
        if (type.kind() == RemoveType::Kind::forever_) {
            return {};
        }
        const QString folder =
            type.kind() == RemoveType::Kind::trash ? QFile::decodeName(Trash::filesFolder()) : destination();
        QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        names.sort();
        return names;
    }

    // Scans the scratch folder, chooses in every group all but its first
    // file (path order, as the result screen does), lets `afterScan` change
    // the tree and removes in the mode of the test.
    void scanChangeAndRemove(const std::function<void()>& afterScan)
    {
        ASSERT_TRUE(QDir().mkpath(destination()));
        scan({scratch()});
        for (const DuplicateFilesPtr& group : engine().totalFiles()) {
            group->setSelectState(ControlState::on);
            for (qsizetype i = 0; i < group->infos().size(); ++i) {
                group->infos()[i]->setSelected(i > 0);
            }
        }
        afterScan();
        engine().removeDuplicateFiles(mode());
        ASSERT_TRUE(waitUntil([&] { return delegate.count("removeFinished") == 1; }, std::chrono::seconds(30)));
        engine().removeQueue().waitUntilAllOperationsAreFinished();
    }

    FileInfoPtr recordOf(const QString& relative) const
    {
        const QByteArray path = bytesOf(relative);
        for (const DuplicateFilesPtr& group : engine().totalFiles()) {
            for (const FileInfoPtr& info : group->infos()) {
                if (info->path() == path) {
                    return info;
                }
            }
        }
        return nullptr;
    }
    // The chosen item stayed, unchosen, with the error it says.
    void expectStayed(const QString& relative, const QString& why)
    {
        SCOPED_TRACE(relative.toStdString());
        EXPECT_TRUE(QFileInfo::exists(scratch() + "/" + relative));
        const FileInfoPtr record = recordOf(relative);
        ASSERT_TRUE(record);
        EXPECT_FALSE(record->selected());
        ASSERT_TRUE(record->removeError().has_value());
        EXPECT_EQ(record->removeError()->localizedDescription(), why);
    }

    static constexpr const char* keptChanged = "The copy you kept has changed or is gone since the scan.";
    static constexpr const char* itselfChanged = "The file has changed since the scan.";
};

// A bundle is as the scan read it only while its members are: a kept one
// emptied or rewritten inside no longer holds what the chosen one holds,
// and a chosen one that gained a file would take that file with it.
TEST_P(RemovalAsScannedTest, BundlesGoOnlyWhileTheChosenAndAKeptOneHoldWhatWasRead)
{
    for (const QString group : {"Emptied", "Rewritten", "Gained", "Same"}) {
        for (const QString side : {"A", "B"}) {
            writeFile(side + "/" + group + ".app/Contents/MacOS/" + group, "the program " + group.toUtf8());
            writeFile(side + "/" + group + ".app/Contents/Info.plist", "<plist>" + group.toUtf8() + "</plist>");
            writeFile(side + "/" + group + ".app/Contents/Resources/en.lproj/Main.strings", "texts");
        }
    }
    scanChangeAndRemove([&] {
        ASSERT_EQ(engine().totalFiles().size(), 4);
        ASSERT_TRUE(QDir(scratch() + "/A/Emptied.app/Contents").removeRecursively());
        ASSERT_TRUE(rewriteInPlaceKeepingTimes(bytesOf("A/Rewritten.app/Contents/MacOS/Rewritten"), "THE PROGRAM"));
        writeFile("B/Gained.app/Contents/Resources/notes.txt", "written after the scan");
    });

    expectStayed("B/Emptied.app", keptChanged);
    expectStayed("B/Rewritten.app", keptChanged);
    expectStayed("B/Gained.app", itselfChanged);
    EXPECT_EQ(treeSnapshot(scratch() + "/B/Gained.app").value("Contents/Resources/notes.txt"),
              "file: written after the scan");
    EXPECT_EQ(treeSnapshot(scratch() + "/B/Rewritten.app").value("Contents/MacOS/Rewritten"),
              "file: the program Rewritten");
    EXPECT_FALSE(QFileInfo::exists(scratch() + "/B/Same.app"));
    EXPECT_TRUE(QFileInfo::exists(scratch() + "/A/Same.app/Contents/MacOS/Same"));
    if (GetParam() != "Permanently") {
        EXPECT_EQ(arrived(), QStringList{"Same.app"});
    }
    EXPECT_EQ(engine().succeedRemoveCount(), 1);
}

// In place, same size, the modification time set back: the status-change
// time still tells, of the kept copy and of the chosen one.
TEST_P(RemovalAsScannedTest, FilesRewrittenInPlaceWithTheirTimesSetBackAreNotAsScanned)
{
    writeFile("kept/a.doc", "kept copy content");
    writeFile("kept/b.doc", "kept copy content");
    writeFile("chosen/a.doc", "chosen content");
    writeFile("chosen/b.doc", "chosen content");
    writeFile("same/a.doc", "nothing changes here");
    writeFile("same/b.doc", "nothing changes here");
    scanChangeAndRemove([&] {
        ASSERT_EQ(engine().totalFiles().size(), 3);
        ASSERT_TRUE(rewriteInPlaceKeepingTimes(bytesOf("kept/a.doc"), "KEPT COPY CONTENT"));
        ASSERT_TRUE(rewriteInPlaceKeepingTimes(bytesOf("chosen/b.doc"), "CHOSEN CONTENT"));
    });

    expectStayed("kept/b.doc", keptChanged);
    expectStayed("chosen/b.doc", itselfChanged);
    EXPECT_EQ(treeSnapshot(scratch() + "/chosen").value("b.doc"), "file: CHOSEN CONTENT");
    EXPECT_EQ(treeSnapshot(scratch() + "/kept").value("b.doc"), "file: kept copy content");
    EXPECT_FALSE(QFileInfo::exists(scratch() + "/same/b.doc"));
    if (GetParam() != "Permanently") {
        EXPECT_EQ(arrived(), QStringList{"b.doc"});
    }
    EXPECT_EQ(engine().succeedRemoveCount(), 1);
    EXPECT_EQ(engine().failedRemoveCount(), 2);
}

// A chosen bundle put aside for a moment, while a kept copy on another
// device is looked at, comes back renamed but holding what it held: what
// the scan read of its members still decides whether it may go.
using BundleAsideTest = TempHomeTest;

TEST_F(BundleAsideTest, ABundlePutAsideAndBackStillAnswersForItsMembers)
{
    QTemporaryDir shm(QStringLiteral("/dev/shm/twinsweep-test-XXXXXX"));
    struct stat here {};
    struct stat there {};
    if (!shm.isValid() || ::stat(QFile::encodeName(home()).constData(), &here) != 0 ||
        ::stat(QFile::encodeName(shm.path()).constData(), &there) != 0 || here.st_dev == there.st_dev) {
        GTEST_SKIP() << "/dev/shm is not a file system of its own here";
    }
    const QByteArray bundle = QFile::encodeName(scratch()) + "/Tool.app";
    ASSERT_TRUE(writeFileBytes(bundle + "/Contents/MacOS/tool", "the program"));
    const QByteArray keptPath = QFile::encodeName(shm.path()) + "/Tool.app.bin";
    ASSERT_TRUE(writeFileBytes(keptPath, "the program"));
    struct stat st {};
    ASSERT_EQ(::lstat(bundle.constData(), &st), 0);
    ItemIdentity identity = ItemIdentity::of(st);
    const int fd = ::open(bundle.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    identity.members = FolderMembers::of(fd);
    ::close(fd);
    ASSERT_TRUE(identity.members);
    ASSERT_EQ(::lstat(keptPath.constData(), &st), 0);
    const std::vector<RemoveOperation::KeptCopy> kept{{keptPath, ItemIdentity::of(st)}};
    const std::optional<MembersDigest> read = identity.members;

    Error error;
    ASSERT_TRUE(RemoveOperation::isApartFromKept(bundle, identity, kept, &error))
        << error.localizedDescription().toStdString();

    EXPECT_EQ(identity.members, read);
    EXPECT_EQ(FileManager::default_().isItem(bundle, identity), std::optional<bool>(true));
    ASSERT_TRUE(writeFileBytes(bundle + "/Contents/added later", "x"));
    EXPECT_EQ(FileManager::default_().isItem(bundle, identity), std::optional<bool>(false));
}

INSTANTIATE_TEST_SUITE_P(EveryMode, RemovalAsScannedTest, ::testing::Values("Permanently", "Trash", "Folder"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
