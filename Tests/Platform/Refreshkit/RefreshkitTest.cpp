#include "Refreshkit/RYTConfigManager.h"
#include "Refreshkit/RYTUpdateDialog.h"
#include "Refreshkit/RYTUpdateManager.h"

#include "TestSupport.h"

#include <QPushButton>
#include <QTest>

class RefreshkitTest : public ::testing::Test {
protected:
    void SetUp() override { RYTConfigManager::shared()->reset(); }
    void TearDown() override { RYTConfigManager::shared()->reset(); }
};

// There is no server to ask: a check ends as one that could not be made,
// never as a claim that the running version is the newest.
TEST_F(RefreshkitTest, SilentCheckAnswersThatItCouldNotCheckWithoutADialog)
{
    RYTUpdateManager manager;
    QList<long> answers;
    manager.setRespondBlock([&](long type) { answers << type; });
    manager.startCheckUpdate(true);
    // The answer never arrives inside the call that started the check.
    EXPECT_TRUE(answers.isEmpty());
    ASSERT_TRUE(waitUntil([&] { return !answers.isEmpty(); }));
    EXPECT_EQ(answers, QList<long>{UpdateRespondTypeCheckFailed});
    EXPECT_EQ(manager.dialog(), nullptr);
}

TEST_F(RefreshkitTest, VisibleCheckSaysItCouldNotCheckInOneThemedDialog)
{
    RYTConfigManager::shared()->setRightButtonColors({Qt::red, Qt::green, Qt::blue});
    RYTUpdateManager manager;
    int answers = 0;
    long last = -1;
    manager.setRespondBlock([&](long type) {
        ++answers;
        last = type;
    });
    manager.startCheckUpdate(false);
    ASSERT_TRUE(waitUntil([&] { return answers == 1; }));
    QPointer<RYTUpdateDialog> dialog = manager.dialog();
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(last, UpdateRespondTypeCheckFailed);
    EXPECT_EQ(dialog->headline(), QStringLiteral("Unable to check for updates"));
    EXPECT_EQ(dialog->message(), QStringLiteral("There is no update server for this copy of Twinsweep, so it could "
                                                "not be checked whether a version newer than 1.0.0 exists."));
    for (const QString& text : {dialog->headline(), dialog->message()}) {
        EXPECT_FALSE(text.contains(QStringLiteral("up to date"), Qt::CaseInsensitive));
        EXPECT_FALSE(text.contains(QStringLiteral("newest"), Qt::CaseInsensitive));
    }
    EXPECT_TRUE(dialog->styleSheet().contains(QStringLiteral("rgba(255,0,0,255)")));
    EXPECT_TRUE(dialog->styleSheet().contains(QStringLiteral("rgba(0,0,255,255)")));

    // A second check while the dialog is open reuses it.
    manager.startCheckUpdate(false);
    ASSERT_TRUE(waitUntil([&] { return answers == 2; }));
    EXPECT_EQ(manager.dialog(), dialog.data());

    QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return dialog.isNull(); }));
}

TEST_F(RefreshkitTest, RegionalEditionAsksItsOwnServer)
{
    RYTUpdateManager manager;
    EXPECT_EQ(manager.checkURL(), RYTUpdateManager::defaultServerURL());
    RYTConfigManager::shared()->setSeverURL(QStringLiteral("https://regional.example/"));
    EXPECT_EQ(manager.checkURL(), RYTUpdateManager::defaultServerURL());
    RYTConfigManager::shared()->setIsLantaro(true);
    EXPECT_EQ(manager.checkURL(), QStringLiteral("https://regional.example/"));
}

TEST(RYTConfigManagerTest, ColourListsPickNormalHoverAndDisabled)
{
    using S = RYTConfigManager::ButtonState;
    const QColor fallback(Qt::black);
    EXPECT_EQ(RYTConfigManager::colorAt({}, S::hover, fallback), fallback);
    EXPECT_EQ(RYTConfigManager::colorAt({Qt::red}, S::disabled, fallback), QColor(Qt::red));
    const QList<QColor> three{Qt::red, Qt::green, Qt::blue};
    EXPECT_EQ(RYTConfigManager::colorAt(three, S::normal, fallback), QColor(Qt::red));
    EXPECT_EQ(RYTConfigManager::colorAt(three, S::hover, fallback), QColor(Qt::green));
    EXPECT_EQ(RYTConfigManager::colorAt(three, S::disabled, fallback), QColor(Qt::blue));
    EXPECT_EQ(RYTConfigManager::colorAt({Qt::red, QColor()}, S::hover, fallback), fallback);
}
