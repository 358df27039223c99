#include "ShellFixture.h"

#include "Foundation/Bundle.h"
#include "Main/FeedbackManager.h"
#include "Main/UpdateManager.h"
#include "QVFeedback/RYFConfigManager.h"
#include "QVFeedback/RYFFeedback.h"
#include "Refreshkit/RYTConfigManager.h"
#include "Refreshkit/RYTUpdateManager.h"
#include "RYTButton.h"
#include "RYTDarkMode.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QStyle>

class UpdateFeedbackTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        RYTConfigManager::shared()->reset();
        RYFConfigManager::shared()->reset();
    }
    void TearDown() override
    {
        delete RYFFeedback::currentDialog();
        if (RYTUpdateManager* update = UpdateManager::default_().updateManager(); update && update->dialog()) {
            delete update->dialog();
        }
        ShellTest::TearDown();
    }
};

TEST_F(UpdateFeedbackTest, UpdateCheckIsThemedAndStaysOnTheDefaultServer)
{
    UpdateManager::default_().checkUpdate(true);
    const RYTConfigManager* config = RYTConfigManager::shared();
    const QColor theme = QColor::fromRgbF(0.2265625F, 0.37890625F, 0.9609375F, 1.0F);
    EXPECT_EQ(config->themeColor(), theme);
    EXPECT_EQ(config->leftButtonTitleColors(), (QList<QColor>{theme, theme, theme, theme}));
    EXPECT_EQ(config->rightButtonColors(),
              (QList<QColor>{RYTButton::normalColor(), RYTButton::hoverColor(), RYTButton::disableColor()}));
    EXPECT_EQ(config->rightButtonTitleColors(), QList<QColor>{QColor(Qt::white)});
    EXPECT_EQ(config->textColor(), QColor(Qt::darkGray));
    // The bundle's mark is not the regional edition's.
    EXPECT_FALSE(config->isLantaro());
    EXPECT_EQ(UpdateManager::default_().updateManager()->checkURL(), RYTUpdateManager::defaultServerURL());
    EXPECT_TRUE(UpdateManager::default_().updateManager()->respondBlock() != nullptr);
}

TEST_F(UpdateFeedbackTest, OnlyTheQuitToUpdateAnswerRecordsExited)
{
    UpdateManager::respond(0);
    EXPECT_NE(terminationStatus(), QStringLiteral("exited"));
    UpdateManager::respond(2);
    EXPECT_NE(terminationStatus(), QStringLiteral("exited"));
    UpdateManager::respond(UpdateManager::quitToUpdateRespondType);
    EXPECT_EQ(terminationStatus(), QStringLiteral("exited"));
}

TEST_F(UpdateFeedbackTest, FeedbackGetsProductDataLogsAndVersionedLinks)
{
    FeedbackManager::showFeedback();
    const RYFConfigManager* config = RYFConfigManager::shared();
    EXPECT_EQ(config->productID(), QStringLiteral("twinsweep-linux"));
    EXPECT_EQ(config->logsPath(), supportFolder() + QStringLiteral("/Logs"));
    EXPECT_EQ(config->okImageName(), QStringLiteral("bigRight"));
    EXPECT_EQ(config->orderIssuesUrl(), QStringLiteral("https://twinsweep.example/order?p=twinsweep&v=100"));
    EXPECT_EQ(config->technicalProblemsUrl(), QStringLiteral("https://twinsweep.example/product?p=twinsweep&v=100"));
    EXPECT_EQ(config->productSupportUrl(), QStringLiteral("https://twinsweep.example/help?p=twinsweep&v=100"));
    const float grey = 230.0F / 256.0F;
    EXPECT_EQ(config->circleProgressBgColor(), QColor::fromRgbF(grey, grey, grey, 1.0F));
    EXPECT_EQ(config->rightButtonColors(), QList<QColor>{QColor::fromRgbF(0.2265625F, 0.37890625F, 0.9609375F, 1.0F)});
    ASSERT_NE(RYFFeedback::currentDialog(), nullptr);
    EXPECT_TRUE(RYFFeedback::currentDialog()->linksText().contains(QStringLiteral("order?p=twinsweep&amp;v=100")));
}

// The desktop switches its appearance while the dialogs may be open: the
// feedback dialog, which follows the appearance, takes it whole (its fields
// lie below its style sheet, which keeps Qt's own word of the change from
// them); the update dialog is white in both, so its button keeps the light
// colours whenever a check themes it.
TEST_F(UpdateFeedbackTest, TheFeedbackDialogFollowsASwitchOfAppearanceAndTheWhiteUpdateDialogKeepsItsLightButton)
{
    const QPalette light = QApplication::style()->standardPalette();
    const QPalette dark(QColor(40, 42, 46));
    RYTDarkMode::setForcedAppearance(-1);
    QApplication::setPalette(light);
    const auto restore = qScopeGuard([light] { QApplication::setPalette(light); });
    const auto lightButton = QList<QColor>{RYTDarkMode::colorNamed(QStringLiteral("ButtonNormalColor"), false),
                                           RYTDarkMode::colorNamed(QStringLiteral("ButtonHoverColor"), false),
                                           RYTDarkMode::colorNamed(QStringLiteral("ButtonDisableColor"), false)};
    FeedbackManager::showFeedback();
    RYFFeedbackDialog* feedback = RYFFeedback::currentDialog();
    ASSERT_NE(feedback, nullptr);
    const auto follows = [&](const QPalette& palette) {
        return feedback->emailField()->palette().color(QPalette::Base) == palette.color(QPalette::Base) &&
               feedback->messageField()->viewport()->palette().color(QPalette::Base) == palette.color(QPalette::Base) &&
               RYFConfigManager::shared()->submitButtonColors().value(0) == RYTButton::normalColor();
    };
    EXPECT_TRUE(follows(light));
    QApplication::setPalette(dark);
    ASSERT_TRUE(RYTDarkMode::isDarkMode());
    EXPECT_TRUE(waitUntil([&] { return follows(dark); }));
    UpdateManager::default_().checkUpdate(true);
    EXPECT_EQ(RYTConfigManager::shared()->rightButtonColors(), lightButton);
    QApplication::setPalette(light);
    EXPECT_TRUE(waitUntil([&] { return follows(light); }));
}
