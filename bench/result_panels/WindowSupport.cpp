#include "WindowSupport.h"

#include "BenchSupport.h"
#include "../LiveAppearance.h"

#include "Main/MainMenu.h"
#include "Main/MainViewController.h"
#include "Main/MainWindow.h"
#include "Manager/ScanManager.h"
#include "Model/PerferenceInfo.h"
#include "QVLibrary/RYTDarkMode.h"
#include "QVLibrary/RYTButton.h"
#include "Window/SheetWindowController.h"

#include <QTest>

#include <cstdio>

std::unique_ptr<MainMenu> openWindow(QSize size)
{
    auto nib = std::make_unique<MainMenu>();
    nib->window()->resize(size);
    nib->window()->show();
    (void)QTest::qWaitForWindowExposed(nib->window());
    nib->mainWindow()->setupMainView();
    ScanManager::default_().setScanSetupObj(std::make_shared<PerferenceInfo>());
    return nib;
}

MainViewController* root(MainMenu& nib)
{
    return nib.mainWindow()->mainViewController();
}

ScanViewController* screen(MainMenu& nib)
{
    return root(nib)->scanViewController();
}

void settle(int ms)
{
    QElapsedTimer clock;
    clock.start();
    drain([&] { return clock.elapsed() > ms; });
}

void shoot(MainMenu& nib, const QString& folder, const QString& name)
{
    if (folder.isEmpty()) {
        return;
    }
    const auto save = [&](const QString& tag) {
        const QString path = folder + QLatin1Char('/') + name + tag + QStringLiteral(".png");
        nib.window()->grab().save(path);
        std::printf("wrote %s\n", qPrintable(path));
        std::fflush(stdout);
    };
    save(QString());
    LiveAppearance::across(RYTDarkMode::isDarkMode(), save);
}

void answerSheet(const QString& title)
{
    SheetWindowController* sheet = SheetWindowController::globalSheetController();
    if (!sheet) {
        return;
    }
    for (RYTButton* button : {sheet->determineBtn(), sheet->uncertainBtn()}) {
        if (button->isVisible() && button->title() == title) {
            button->click();
            return;
        }
    }
}
