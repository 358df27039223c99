#include "SessionScript.h"

#include "MainMenu.h"
#include "MainViewController.h"

#include "Manager/LargeFilesManager.h"
#include "Manager/ScanImagesManager.h"
#include "Manager/ScanManager.h"
#include "QVLibrary/RYTButton.h"
#include "View/FolderSetViewController.h"
#include "Window/SheetWindowController.h"

#include <QFile>
#include <QLabel>
#include <QTimer>

#include <algorithm>

void SessionScript::startFromEnvironment(MainMenu& nib)
{
    const QString scriptPath = qEnvironmentVariable("TWINSWEEP_SESSION_SCRIPT");
    const QString logPath = qEnvironmentVariable("TWINSWEEP_SESSION_LOG");
    if (scriptPath.isEmpty() || logPath.isEmpty()) {
        return;
    }
    QFile script(scriptPath);
    if (!script.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return;
    }
    QStringList commands;
    for (const QByteArray& line : script.readAll().split('\n')) {
        const QString command = QString::fromUtf8(line).trimmed();
        if (!command.isEmpty()) {
            commands << command;
        }
    }
    // Lives as long as the window it plays on.
    new SessionScript(nib, commands, logPath);
}

SessionScript::SessionScript(MainMenu& nib, QStringList commands, QString logPath)
    : QObject(nib.window()), nib_(nib), commands_(std::move(commands)), logPath_(std::move(logPath)),
      timer_(new QTimer(this))
{
    timer_->setInterval(20);
    connect(timer_, &QTimer::timeout, this, &SessionScript::tick);
    timer_->start();
}

void SessionScript::log(const QString& line) const
{
    QFile file(logPath_);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        file.write(line.toUtf8() + '\n');
    }
}

void SessionScript::tick()
{
    watchSheets();
    while (!commands_.isEmpty() && runCommand(commands_.first())) {
        commands_.removeFirst();
        if (commands_.isEmpty()) {
            log(QStringLiteral("done"));
        }
    }
}

void SessionScript::watchSheets()
{
    SheetWindowController* sheet = SheetWindowController::globalSheetController();
    if (sheet && sheet != lastSheet_.data() && sheet->isShowing()) {
        lastSheet_ = sheet;
        log(QStringLiteral("question: ") + sheet->labelTextField()->text());
    }
}

bool SessionScript::scanRuns() const
{
    MainViewController* root = nib_.mainWindow()->mainViewController();
    if (mode_ == QLatin1String("duplicates")) {
        return ScanManager::default_().scaning();
    }
    if (mode_ == QLatin1String("large")) {
        const ScanViewController* screen = root ? root->scanViewController() : nullptr;
        return screen && screen->displayViewType() == ScanViewController::DisplayViewType::displayViewTypeScanning;
    }
    return ScanImagesManager::shared().isSearching();
}

bool SessionScript::scanStopped() const
{
    if (mode_ == QLatin1String("duplicates")) {
        return ScanManager::default_().scanStop();
    }
    if (mode_ == QLatin1String("large")) {
        return LargeFilesManager::default_().stopScanLargeFileFig();
    }
    return ScanImagesManager::shared().scanState() == 3;
}

bool SessionScript::runCommand(const QString& command)
{
    const QString verb = command.section(QLatin1Char(' '), 0, 0);
    const QString rest = command.section(QLatin1Char(' '), 1);
    MainViewController* root = nib_.mainWindow()->mainViewController();
    if (verb == QLatin1String("scan")) {
        mode_ = rest.section(QLatin1Char(' '), 0, 0);
        const QByteArrayList folders{QFile::encodeName(rest.section(QLatin1Char(' '), 1))};
        FolderSetViewController* home = root->folderSetViewController();
        FolderSetViewController::setIsScanLargeFile(mode_ == QLatin1String("large"));
        const auto& start = mode_ == QLatin1String("images") ? home->startScanImagesClosure() : home->startScanClosure();
        if (start) {
            start(folders);
        }
        return true;
    }
    if (command == QLatin1String("wait scanning")) {
        if (!scanRuns()) {
            return false;
        }
        log(QStringLiteral("scanning"));
        return true;
    }
    if (command == QLatin1String("wait finished")) {
        // The screen has the end once it shows the results.
        const ScanViewController* screen = root->scanViewController();
        const ScanImagesViewController* images = root->scanImagesViewController();
        const bool shown = mode_ == QLatin1String("images")
                               ? images && !images->isScanning()
                               : screen && screen->displayViewType()
                                               != ScanViewController::DisplayViewType::displayViewTypeScanning;
        if (scanRuns() || !shown) {
            return false;
        }
        log(QStringLiteral("finished stopped=%1").arg(scanStopped() ? 1 : 0));
        return true;
    }
    if (verb == QLatin1String("pause")) {
        if (pauseEnd_.isForever()) {
            pauseEnd_ = QDeadlineTimer(std::max(0, rest.toInt()));
        }
        if (!pauseEnd_.hasExpired()) {
            return false;
        }
        pauseEnd_ = QDeadlineTimer(QDeadlineTimer::Forever);
        return true;
    }
    if (command == QLatin1String("stop")) {
        // The duplicate and large-file screens share one Stop button; it
        // asks first, as it does for a user.
        ScanViewController* screen = root->scanViewController();
        if (!screen || !screen->startBtn()->isVisible()) {
            return false;
        }
        screen->startBtn()->click();
        return true;
    }
    if (command == QLatin1String("close")) {
        nib_.window()->close();
        return true;
    }
    if (verb == QLatin1String("answer")) {
        watchSheets();
        SheetWindowController* sheet = SheetWindowController::globalSheetController();
        if (!sheet || !sheet->isShowing()) {
            return false;
        }
        RYTButton* button = nullptr;
        for (RYTButton* candidate : {sheet->uncertainBtn(), sheet->determineBtn()}) {
            if (candidate->isVisible() && candidate->title() == rest) {
                button = candidate;
            }
        }
        if (!button) {
            return false;
        }
        log(QStringLiteral("answer %1 while scanning=%2").arg(rest).arg(scanRuns() ? 1 : 0));
        button->click();
        return true;
    }
    log(QStringLiteral("unknown command: ") + command);
    return true;
}
