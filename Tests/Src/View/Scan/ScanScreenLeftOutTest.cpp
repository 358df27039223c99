// The scan screen when the scan leaves chosen folders out: the results, or
// the no-result screen, name each one and why; a scan that left every one
// out says that nothing was scanned, not that nothing was found.

#include "ScanScreenFixture.h"

#include "Main/MainViewController.h"
#include "Manager/LargeFilesManager.h"
#include "Manager/ScanManager.h"
#include "Manager/UserHomes.h"
#include "QVLibrary/RYTButton.h"
#include "View/CustomView/KPLBox.h"
#include "View/DataDispaly/NotDataFinished/NotDataFinishedViewController.h"
#include "View/FolderSetViewController.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>

namespace {

class ScanScreenLeftOutTest : public ScanScreenTest {
protected:
    void SetUp() override
    {
        ScanScreenTest::SetUp();
        // Another user's home, as the user database would name it.
        bob_ = bytes(scratch() + QStringLiteral("/bob"));
        const QByteArray bob = bob_;
        UserHomes::setLookupForTesting([bob] { return std::vector<UserHomes::Account>{{1001, bob}}; });
        writeFile(QStringLiteral("bob/a.txt"), "bob's words");
        writeFile(QStringLiteral("bob/b.txt"), "bob's words");
    }
    void TearDown() override
    {
        UserHomes::setLookupForTesting(nullptr);
        ScanScreenTest::TearDown();
    }

    // Scans exactly `folders` from the home screen and waits for the end.
    ScanViewController* scanOnly(const QByteArrayList& folders, bool large)
    {
        FolderSetViewController* home = root()->folderSetViewController();
        while (!home->folderList().isEmpty()) {
            home->deleteFile(0);
        }
        scanFromHome(folders, large ? &FolderSetViewController::scanLargeFile : &FolderSetViewController::scanDuplicates);
        EXPECT_TRUE(waitForResults());
        return screen();
    }
    // Presses the no-result screen's button and waits until home shows.
    void pressAndGoHome(NotDataFinishedViewController* empty)
    {
        clickCentre(empty->finishedBtn());
        EXPECT_TRUE(waitUntil([this] { return root()->mainViewBox()->contentView() == root()->folderSetViewController(); }));
    }

    QByteArray bob_;
};

}  // namespace

TEST_F(ScanScreenLeftOutTest, TheResultsAndTheNoResultScreenNameTheFoldersLeftOut)
{
    // Beside the home folder, as /home/shared lies beside /home/ann.
    QTemporaryDir beside(QFileInfo(home()).path() + QStringLiteral("/shared-XXXXXX"));
    ASSERT_TRUE(beside.isValid());
    ASSERT_TRUE(writeFileBytes(bytes(beside.path()) + "/one.txt", "shared words"));
    ASSERT_TRUE(writeFileBytes(bytes(beside.path()) + "/two.txt", "shared words"));
    const QString bob = QFile::decodeName(bob_);

    ScanViewController* s = scanOnly({bytes(beside.path()), bob_}, false);
    ASSERT_EQ(s->contentBox()->contentView(), s->scanDataView());
    ASSERT_EQ(ScanManager::default_().totalFiles().size(), 1);
    EXPECT_EQ(QFileInfo(ScanManager::default_().totalFiles()[0]->infos()[0]->displayPath()).path(), beside.path());
    EXPECT_TRUE(s->leftOutNoticeView()->isVisible());
    EXPECT_EQ(s->leftOutNoticeLabel()->text().toStdString(), (QStringLiteral("Not scanned:\n") + bob +
                                                   QStringLiteral(": another user's home folder")).toStdString());

    // Nothing found in what was scanned: still congratulated, and told
    // what was not looked at.
    ASSERT_TRUE(QDir().mkpath(scratch() + QStringLiteral("/empty")));
    for (bool large : {false, true}) {
        s = scanOnly({bytes(scratch() + QStringLiteral("/empty")), bob_}, large);
        NotDataFinishedViewController* empty = s->notDataFinishedViewCtr();
        ASSERT_EQ(s->contentBox()->contentView(), empty);
        EXPECT_FALSE(empty->showsNothingScanned());
        EXPECT_EQ(empty->wellDoneLabel()->text(), QStringLiteral("Congratulations!"));
        EXPECT_TRUE(empty->leftOutLabel()->isVisible());
        EXPECT_EQ(empty->leftOutLabel()->text().toStdString(),
                  (QStringLiteral("Not scanned:\n") + bob + QStringLiteral(": another user's home folder")).toStdString());
        EXPECT_EQ(empty->finishedBtn()->title(), QStringLiteral("Complete"));
        pressAndGoHome(empty);
    }

    // Nothing left out: no notice.
    s = scanOnly({bytes(beside.path())}, false);
    ASSERT_EQ(s->contentBox()->contentView(), s->scanDataView());
    EXPECT_FALSE(s->leftOutNoticeView()->isVisible());
}

TEST_F(ScanScreenLeftOutTest, WhenEveryFolderIsLeftOutTheScreenSaysNothingWasScannedAndGoesHome)
{
    QByteArrayList chosen{bob_};
    QString lines = QFile::decodeName(bob_) + QStringLiteral(": another user's home folder");
    if (QFileInfo(QStringLiteral("/proc/self")).exists()) {
        chosen << "/proc";
        lines += QStringLiteral("\n/proc: a system folder");
    }
    for (bool large : {false, true}) {
        ScanViewController* s = scanOnly(chosen, large);
        NotDataFinishedViewController* empty = s->notDataFinishedViewCtr();
        ASSERT_EQ(s->contentBox()->contentView(), empty);
        EXPECT_TRUE(empty->showsNothingScanned());
        EXPECT_EQ(empty->wellDoneLabel()->text(), QStringLiteral("Nothing was scanned"));
        EXPECT_EQ(empty->noDuplicateFilesLabel()->text(),
                  QStringLiteral("None of the folders you chose could be scanned:"));
        EXPECT_TRUE(empty->leftOutLabel()->isVisible());
        EXPECT_EQ(empty->leftOutLabel()->text().toStdString(), lines.toStdString());
        EXPECT_EQ(empty->finishedBtn()->title(), QStringLiteral("Back to Home"));
        QPointer<ScanViewController> released(s);
        pressAndGoHome(empty);
        EXPECT_TRUE(waitUntil([&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return released.isNull();
        }));
    }
}

TEST_F(ScanScreenLeftOutTest, TheTrashAndTheSystemsOwnFoldersAreNamedWithTheirReason)
{
    const QString trash = dataHome() + QStringLiteral("/Trash/files");
    ASSERT_TRUE(writeFileBytes(bytes(trash) + "/a.txt", "removed words"));
    ASSERT_TRUE(writeFileBytes(bytes(trash) + "/b.txt", "removed words"));
    const QString lines = trash + QStringLiteral(": the Trash\n/etc: a system folder");
    for (bool large : {false, true}) {
        ScanViewController* s = scanOnly({bytes(trash), "/etc"}, large);
        NotDataFinishedViewController* empty = s->notDataFinishedViewCtr();
        ASSERT_EQ(s->contentBox()->contentView(), empty);
        EXPECT_TRUE(empty->showsNothingScanned());
        EXPECT_TRUE(empty->leftOutLabel()->isVisible());
        EXPECT_EQ(empty->leftOutLabel()->text().toStdString(), lines.toStdString());
        pressAndGoHome(empty);
    }
    // Beside results, in the scan screen's notice.
    writeFile(QStringLiteral("mine/one.txt"), "my words");
    writeFile(QStringLiteral("mine/two.txt"), "my words");
    ScanViewController* s = scanOnly({bytes(scratch() + QStringLiteral("/mine")), bytes(trash), "/etc"}, false);
    ASSERT_EQ(s->contentBox()->contentView(), s->scanDataView());
    EXPECT_TRUE(s->leftOutNoticeView()->isVisible());
    EXPECT_EQ(s->leftOutNoticeLabel()->text().toStdString(), (QStringLiteral("Not scanned:\n") + lines).toStdString());
}

TEST(LeftOutLinesTest, EachFolderOnALineWithItsReasonLongPathsCutAndTheRestCounted)
{
    using Reason = LeftOutFolder::Reason;
    const QByteArray longPath = "/data/" + QByteArray(120, 'x') + "/end";
    const QList<LeftOutFolder> folders{{"/home/bob", Reason::otherUsersHome},
                                       {"/System", Reason::systemFolder},
                                       {"/w", Reason::whiteListed},
                                       {longPath, Reason::cannotOpen}};
    const QString lines = NotDataFinishedViewController::leftOutLines(folders, 3);
    EXPECT_EQ(lines, QStringLiteral("/home/bob: another user's home folder\n/System: a system folder\n"
                                    "/w: in the white list\nand 1 more"));
    const QStringList all = NotDataFinishedViewController::leftOutLines(folders, 4).split('\n');
    ASSERT_EQ(all.size(), 4);
    EXPECT_EQ(all[3], QStringLiteral("/data/") + QString(41, 'x') + QChar(0x2026) + QString(44, 'x') +
                          QStringLiteral("/end: could not be opened"));
}
