#include "QVFeedback/RYFConfigManager.h"
#include "QVFeedback/RYFFeedback.h"
#include "QVFeedback/RYFFeedbackStore.h"

#include "Foundation/FileManager.h"
#include "TestSupport.h"

#include <cstring>

#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {
QString readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
}  // namespace

class QVFeedbackTest : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        RYFConfigManager::shared()->reset();
    }
    void TearDown() override
    {
        if (RYFFeedbackDialog* dialog = RYFFeedback::currentDialog()) {
            QPointer<RYFFeedbackDialog> guard(dialog);
            waitUntil([&] { return !guard || !guard->isSaving(); });
            delete guard.data();
        }
        RYFConfigManager::shared()->reset();
        TempHomeTest::TearDown();
    }
    QString support() const { return dataHome() + QStringLiteral("/example.twinsweep.Twinsweep"); }
};

TEST_F(QVFeedbackTest, SubmitSavesTheMessageWithACopyOfTheLogsAndSaysWhere)
{
    const QString logs = writeFile(QStringLiteral("Logs/Twinsweep.log"), "line one\n");
    writeFile(QStringLiteral("Logs/GALog/helper.log"), "helper\n");
    RYFConfigManager* config = RYFConfigManager::shared();
    config->setLogsPath(scratch() + QStringLiteral("/Logs"));
    config->setProductID(QStringLiteral("pid-1"));
    RYFFeedback::show();
    RYFFeedbackDialog* dialog = RYFFeedback::currentDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->attachLogsBox()->isChecked());

    QTest::keyClicks(dialog->emailField(), QStringLiteral("user@example.org"));
    dialog->messageField()->setPlainText(QStringLiteral("The scan stops at 50%."));
    QTest::mouseClick(dialog->submitButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return dialog->showsResult(); }));

    const QString folder = dialog->savedFolder();
    EXPECT_TRUE(folder.startsWith(support() + QStringLiteral("/Feedback/"))) << folder.toStdString();
    EXPECT_TRUE(dialog->statusText().contains(folder));
    const QString text = readAll(folder + QStringLiteral("/feedback.txt"));
    EXPECT_TRUE(text.contains(QStringLiteral("E-mail: user@example.org")));
    EXPECT_TRUE(text.contains(QStringLiteral("Product: pid-1")));
    EXPECT_TRUE(text.contains(QStringLiteral("The scan stops at 50%.")));
    EXPECT_TRUE(text.contains(QStringLiteral("Logs: 2 files attached")));
    EXPECT_EQ(readAll(folder + QStringLiteral("/Logs/Twinsweep.log")), QStringLiteral("line one\n"));
    EXPECT_EQ(readAll(folder + QStringLiteral("/Logs/GALog/helper.log")), QStringLiteral("helper\n"));
    // The original log stays where it was.
    EXPECT_TRUE(QFile::exists(logs));
}

TEST_F(QVFeedbackTest, InvalidInputIsRefusedAndNothingIsSaved)
{
    RYFFeedback::show();
    RYFFeedbackDialog* dialog = RYFFeedback::currentDialog();
    ASSERT_NE(dialog, nullptr);
    dialog->messageField()->setPlainText(QStringLiteral("hello"));
    dialog->emailField()->setText(QStringLiteral("not an address"));
    dialog->submit();
    EXPECT_EQ(dialog->statusText(), QStringLiteral("Please enter a valid e-mail address."));
    dialog->emailField()->setText(QStringLiteral("a@b.co"));
    dialog->messageField()->setPlainText(QStringLiteral("   \n"));
    dialog->submit();
    EXPECT_EQ(dialog->statusText(), QStringLiteral("Please enter your message."));
    EXPECT_FALSE(dialog->isSaving());
    EXPECT_FALSE(QDir(support() + QStringLiteral("/Feedback")).exists());
    // Without a log folder there is nothing to attach.
    EXPECT_FALSE(dialog->attachLogsBox()->isEnabled());
}

TEST_F(QVFeedbackTest, ShowingTwiceKeepsOneDialogAndOnlyGivenLinksAppear)
{
    RYFConfigManager::shared()->setOrderIssuesUrl(QStringLiteral("https://x.example/order"));
    RYFConfigManager::shared()->setProductSupportUrl(QStringLiteral("https://x.example/help"));
    RYFFeedback::show();
    RYFFeedbackDialog* first = RYFFeedback::currentDialog();
    RYFFeedback::show();
    EXPECT_EQ(RYFFeedback::currentDialog(), first);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->linksText().contains(QStringLiteral("https://x.example/order")));
    EXPECT_TRUE(first->linksText().contains(QStringLiteral("https://x.example/help")));
    EXPECT_FALSE(first->linksText().contains(QStringLiteral("Technical problems")));
}

TEST_F(QVFeedbackTest, StoreNeverReusesAFolderAndSkipsLinksOutOfTheLogs)
{
    writeFile(QStringLiteral("Logs/a.log"), "a");
    writeFile(QStringLiteral("outside/secret.txt"), "secret");
    QFile::link(scratch() + QStringLiteral("/outside/secret.txt"), scratch() + QStringLiteral("/Logs/link.txt"));
    RYFFeedbackMessage feedback;
    feedback.email = QStringLiteral("a@b.co");
    feedback.message = QStringLiteral("m");
    feedback.attachLogs = true;
    feedback.logsPath = scratch() + QStringLiteral("/Logs");
    feedback.date = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5));
    const RYFFeedbackSaveResult first = RYFFeedbackStore::save(feedback, support());
    const RYFFeedbackSaveResult second = RYFFeedbackStore::save(feedback, support());
    ASSERT_TRUE(first.saved && second.saved);
    EXPECT_EQ(first.folder, support() + QStringLiteral("/Feedback/2026-01-02 03.04.05"));
    EXPECT_EQ(second.folder, support() + QStringLiteral("/Feedback/2026-01-02 03.04.05 2"));
    EXPECT_EQ(first.copiedLogFiles, 1);
    EXPECT_FALSE(QFile::exists(first.folder + QStringLiteral("/Logs/link.txt")));

    const RYFFeedbackSaveResult nowhere = RYFFeedbackStore::save(feedback, QString());
    EXPECT_FALSE(nowhere.saved);
    EXPECT_FALSE(nowhere.error.isEmpty());
}

// A message that cannot be written is never reported as saved: the dialog
// stays, keeps what the user wrote and says why; a later try can succeed.
TEST_F(QVFeedbackTest, AFailedWriteKeepsTheDialogAndTheTextAndSaysWhy)
{
    FileManagerFaults faults;
    faults.fail = [](FileStep step, const QByteArray& path) {
        return step == FileStep::writeData && path.endsWith("feedback.txt") ? ENOSPC : 0;
    };
    FileManager::setFaults(faults);
    RYFFeedback::show();
    RYFFeedbackDialog* dialog = RYFFeedback::currentDialog();
    ASSERT_NE(dialog, nullptr);
    dialog->emailField()->setText(QStringLiteral("user@example.org"));
    dialog->messageField()->setPlainText(QStringLiteral("A long story."));
    QTest::mouseClick(dialog->submitButton(), Qt::LeftButton);
    // The outcome is in once the form takes input again or the result shows.
    ASSERT_TRUE(waitUntil([&] { return dialog->submitButton()->isEnabled() || dialog->showsResult(); }));

    EXPECT_FALSE(dialog->showsResult());
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->statusText().contains(QStringLiteral("could not be saved"))) << dialog->statusText().toStdString();
    EXPECT_TRUE(dialog->statusText().contains(QString::fromLocal8Bit(std::strerror(ENOSPC))));
    EXPECT_EQ(dialog->messageField()->toPlainText(), QStringLiteral("A long story."));
    EXPECT_EQ(dialog->emailField()->text(), QStringLiteral("user@example.org"));
    EXPECT_TRUE(dialog->submitButton()->isEnabled());
    EXPECT_TRUE(dialog->messageField()->isEnabled());
    EXPECT_TRUE(QDir(support() + QStringLiteral("/Feedback")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());

    FileManager::clearFaults();
    QTest::mouseClick(dialog->submitButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return dialog->showsResult(); }));
    EXPECT_TRUE(readAll(dialog->savedFolder() + QStringLiteral("/feedback.txt")).contains(QStringLiteral("A long story.")));
}

TEST_F(QVFeedbackTest, AFullDiskIsNotReportedAsSaved)
{
    SmallFileSystem disk(64);
    if (!disk.mounted()) {
        GTEST_SKIP() << "a small file system of its own needs root here";
    }
    QDir().mkpath(disk.path() + QStringLiteral("/Feedback"));
    disk.fill();
    RYFFeedbackMessage feedback;
    feedback.email = QStringLiteral("a@b.co");
    feedback.message = QStringLiteral("Please keep this.");

    const RYFFeedbackSaveResult result = RYFFeedbackStore::save(feedback, disk.path());

    EXPECT_FALSE(result.saved);
    EXPECT_TRUE(result.error.contains(QString::fromLocal8Bit(std::strerror(ENOSPC)))) << result.error.toStdString();
    QDirIterator it(disk.path() + QStringLiteral("/Feedback"), {QStringLiteral("feedback.txt")}, QDir::Files,
                    QDirIterator::Subdirectories);
    EXPECT_FALSE(it.hasNext()) << "an empty message is left behind";
}

TEST(RYFFeedbackStoreTest, EmailCheck)
{
    EXPECT_TRUE(RYFFeedbackStore::isValidEmail(QStringLiteral("a.b@c.example.org")));
    EXPECT_TRUE(RYFFeedbackStore::isValidEmail(QStringLiteral("  a@b.co ")));
    for (const char* bad : {"", "a", "a@b", "@b.co", "a@.co", "a b@c.co", "a@b@c.co", "a@b."}) {
        EXPECT_FALSE(RYFFeedbackStore::isValidEmail(QString::fromLatin1(bad))) << bad;
    }
}
