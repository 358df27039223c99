#include "FeedbackManager.h"

#include "Foundation/Bundle.h"
#include "QVBaseLib/RYLog.h"
#include "QVFeedback/RYFConfigManager.h"
#include "QVFeedback/RYFFeedback.h"
#include "RYTAppearanceFollower.h"
#include "RYTButton.h"
#include "Utilities.h"
#include "Window/ModalOverlay.h"

#include <QPointer>

namespace {

// The submit button's colours are the appearance's, like the dialog's own.
QList<QColor> submitButtonColors()
{
    return {RYTButton::normalColor(), RYTButton::hoverColor(), RYTButton::disableColor()};
}

}  // namespace

void FeedbackManager::showFeedback()
{
    RYFConfigManager* config = RYFConfigManager::shared();
    const QColor theme = QColor::fromRgbF(58.0F / 256.0F, 97.0F / 256.0F, 246.0F / 256.0F, 1.0F);
    const float grey = 230.0F / 256.0F;
    config->setThemeColor(theme);
    config->setLinkColor(theme);
    config->setBorderColor(theme);
    config->setCircleProgressColor(theme);
    config->setCircleProgressBgColor(QColor::fromRgbF(grey, grey, grey, 1.0F));
    config->setSubmitButtonTitleColors({Qt::white});
    config->setSubmitButtonColors(submitButtonColors());
    config->setRightButtonTitleColors({Qt::white});
    config->setRightButtonColors({theme});
    config->setLogsPath(RYLog::shared().logPath());
    config->setOkImageName(QStringLiteral("bigRight"));
    const QVariant pid = Bundle::main().objectForInfoDictionaryKey(QStringLiteral("pid"));
    config->setProductID(pid.metaType().id() == QMetaType::QString ? pid.toString() : QString());

    if (const auto url = CBSUtilitie::url(QStringLiteral("OrderCommonURL"), true)) {
        config->setOrderIssuesUrl(url->toString(QUrl::FullyEncoded));
    }
    if (const auto url = CBSUtilitie::url(QStringLiteral("ProductCommonURL"), true)) {
        config->setTechnicalProblemsUrl(url->toString(QUrl::FullyEncoded));
    }
    if (const auto url = CBSUtilitie::url(QStringLiteral("HelpOnlineURL"), true)) {
        config->setProductSupportUrl(url->toString(QUrl::FullyEncoded));
    }
    RYFFeedback::show(ModalOverlay::applicationMainWindow());

    // It may stay open while the desktop switches its appearance.
    static QPointer<RYFFeedbackDialog> followed;
    RYFFeedbackDialog* dialog = RYFFeedback::currentDialog();
    if (dialog && dialog != followed) {
        followed = dialog;
        RYTAppearanceFollower::follow(dialog, [dialog] {
            RYFConfigManager::shared()->setSubmitButtonColors(submitButtonColors());
            dialog->applyColors();
        });
    }
}
