#include "RYTUpdateManager.h"

#include "RYTConfigManager.h"
#include "RYTUpdateDialog.h"

#include "Foundation/Bundle.h"

RYTUpdateManager::RYTUpdateManager(QObject* parent) : QObject(parent) {}

RYTUpdateManager::~RYTUpdateManager()
{
    if (dialog_) {
        dialog_->close();
    }
}

QString RYTUpdateManager::defaultServerURL()
{
    return QStringLiteral("https://update.twinsweep.example/");
}

QString RYTUpdateManager::checkURL() const
{
    const RYTConfigManager* config = RYTConfigManager::shared();
    if (config->isLantaro() && !config->severURL().isEmpty()) {
        return config->severURL();
    }
    return defaultServerURL();
}

void RYTUpdateManager::startCheckUpdate(bool silent)
{
    ++checkCount_;
    // The answer comes back later, as it would from a server, so callers
    // never see the respond block run inside their own call.
    QMetaObject::invokeMethod(
        this, [this, silent] { finishCheck(silent); }, Qt::QueuedConnection);
}

void RYTUpdateManager::finishCheck(bool silent)
{
    if (!silent) {
        if (!dialog_) {
            const PlistDict& info = Bundle::main().infoDictionary();
            QString name = info.value(QStringLiteral("CFBundleDisplayName")).toString();
            if (name.isEmpty()) {
                name = info.value(QStringLiteral("CFBundleName")).toString();
            }
            QWidget* parent = parentWindow_ ? parentWindow_->window() : nullptr;
            dialog_ = new RYTUpdateDialog(name, info.value(QStringLiteral("CFBundleShortVersionString")).toString(),
                                          parent);
            if (parent) {
                dialog_->setWindowModality(Qt::WindowModal);
            }
        }
        dialog_->applyTheme(*RYTConfigManager::shared());
        dialog_->show();
        dialog_->raise();
        dialog_->activateWindow();
    }
    if (respondBlock_) {
        respondBlock_(UpdateRespondTypeCheckFailed);
    }
}
