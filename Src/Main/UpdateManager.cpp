#include "UpdateManager.h"

#include "Foundation/Bundle.h"
#include "GA/RYGALogManager.h"
#include "RYTButton.h"
#include "RYTDarkMode.h"
#include "Refreshkit/RYTConfigManager.h"
#include "Refreshkit/RYTUpdateManager.h"
#include "Window/ModalOverlay.h"

#include <cstdio>

namespace {
QColor themeColor()
{
    return QColor::fromRgbF(58.0F / 256.0F, 97.0F / 256.0F, 246.0F / 256.0F, 1.0F);
}
}  // namespace

UpdateManager& UpdateManager::default_()
{
    static UpdateManager manager;
    return manager;
}

UpdateManager::UpdateManager() : updateManager_(std::make_unique<RYTUpdateManager>()) {}

const char* UpdateManager::regionalServerURL()
{
    return "https://update-lantaro.twinsweep.example/";
}

void UpdateManager::respond(long type)
{
    std::printf("UpdateRespondType: %ld\n", type);
    std::fflush(stdout);
    if (type == quitToUpdateRespondType) {
        RYGALogManager::shared().setTerminationStatus(QStringLiteral("exited"));
    }
}

void UpdateManager::checkUpdate(bool silent)
{
    RYTConfigManager* config = RYTConfigManager::shared();
    if (config) {
        const QColor theme = themeColor();
        config->setThemeColor(theme);
        config->setLeftButtonTitleColors({theme, theme, theme, theme});
        config->setLeftButtonBorderColors({theme, theme, theme, theme});
        config->setRightButtonTitleColors({Qt::white});
        // The dialog is white in either appearance: its button takes the
        // light colours.
        RYTDarkMode::LightAppearanceScope light;
        config->setRightButtonColors({RYTButton::normalColor(), RYTButton::hoverColor(), RYTButton::disableColor()});
        config->setWindowBgColor(Qt::white);
        config->setWindowTitleBarColor(Qt::white);
        config->setProgressColor(theme);
        config->setProgressBackgroundColor(Qt::white);
        config->setTextColor(Qt::darkGray);
    }
    const QVariant mark = Bundle::main().objectForInfoDictionaryKey(QStringLiteral("WebMark"));
    if (config && mark.metaType().id() == QMetaType::QString && mark.toString() == QLatin1String("Lantaro")) {
        config->setIsLantaro(true);
        config->setSeverURL(QString::fromLatin1(regionalServerURL()));
    }
    updateManager_->setParentWindow(ModalOverlay::applicationMainWindow());
    updateManager_->setRespondBlock([](long type) { respond(type); });
    updateManager_->startCheckUpdate(silent);
}
