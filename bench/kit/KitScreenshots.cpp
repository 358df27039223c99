// Screenshots of the kit's shared dialogs and menus, light and dark: every
// sheet the program asks or tells with (their texts as the program passes
// them), the finish and About windows, the scan screen's removal-mode menu
// and the preferences' size-unit menu, each with another row checked, the
// update check's and the feedback dialogs and every page of the preferences
// window. With --live, each again after a switch of the desktop's appearance
// and after the switch back. The scale is the one the program runs with: set
// QT_SCALE_FACTOR=2 for 2x.

#include "KitScreenshots.h"

#include "Foundation/Bundle.h"
#include "Main/FeedbackManager.h"
#include "Main/UpdateManager.h"
#include "QVFeedback/RYFFeedback.h"
#include "Refreshkit/RYTUpdateDialog.h"
#include "Refreshkit/RYTUpdateManager.h"
#include "QVLibrary/RYTDarkMode.h"
#include "../LiveAppearance.h"
#include "View/CustomView/PopUpButton.h"
#include "View/CustomView/PopUpMenuWindow.h"
#include "View/FolderSetViewController.h"
#include "View/PreferenceView/PreferenceWIndowController.h"
#include "View/ScanViewController.h"
#include "Window/AboutWindowController.h"
#include "Window/FinishWindowController.h"
#include "Window/ModalOverlay.h"
#include "Window/SheetWindowController.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QMainWindow>
#include <QStyle>
#include <QTest>

#include <cstdio>
#include <functional>

namespace {

using Kind = SheetWindowController::SheetActionType;

bool waitFor(const std::function<bool()>& done, int ms = 5000)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void shoot(QWidget* window, const QString& folder, const QString& name)
{
    const auto save = [&](const QString& tag) {
        QApplication::processEvents();
        const QString file = folder + QLatin1Char('/') + name + tag + QStringLiteral(".png");
        if (!window->grab().save(file)) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(file));
        }
    };
    save(QString());
    LiveAppearance::across(RYTDarkMode::isDarkMode(), save);
}

bool sheetShown()
{
    SheetWindowController* sheet = SheetWindowController::globalSheetController();
    OverlayView* overlay = sheet ? ModalOverlay::overlayFor(sheet) : nullptr;
    return overlay && overlay->phase() == OverlayView::Phase::shown;
}

QString filled(QString text, const QStringList& values)
{
    for (const QString& value : values) {
        const qsizetype at = text.indexOf(QStringLiteral("%@"));
        if (at >= 0) {
            text.replace(at, 2, value);
        }
    }
    return text;
}

struct Sheet {
    const char* name;
    Kind kind;
    QString message;
    QString first;
    QString second;
};

QList<Sheet> sheets()
{
    const QString yes = localized("Yes");
    const QString cancel = localized("Cancel");
    const QString ok = localized("OK");
    // Where a user's settings file lies: a long path without spaces.
    const QString settings = QStringLiteral("/home/alexandra/.local/share/") + Bundle::main().bundleIdentifier()
                             + QStringLiteral("/PreferenceInfo.plist");
    return {
        {"stop-scan", Kind::uncertain,
         localized("Only partial duplicates can be found if you stop scanning. Are you sure you want to stop?"), yes,
         cancel},
        {"stop-largefile-scan", Kind::uncertain,
         localized("Once you stop the scan, only some large files can be found. Are you sure to stop?"), yes, cancel},
        {"back", Kind::uncertain, localized("The scanning results won't be saved if you go Back."), yes, cancel},
        {"last-file", Kind::filterFlag,
         filled(localized("Are you sure to select the last file in \"%@\" to remove duplicates?"),
                {QStringLiteral("IMG_2041.jpg")}),
         yes, cancel},
        {"removal", Kind::uncertain, localized("Are you sure to discard the selected files to the Trash?"), yes, cancel},
        {"stop-removal", Kind::uncertain,
         localized("Only partial duplicates can be removed if you stop deleting. Are you sure you want to stop?"), yes,
         cancel},
        {"space", Kind::determine,
         localized("The program can't work properly due to insufficient space on your computer, please release "
                   "enough space and then try again."),
         ok, QString()},
        {"disk-space", Kind::determine,
         filled(localized("There is insufficient space on disk %@. Please choose to permanently delete "
                          "these files or you can free up %@ space on disk %@ before removing duplicate "
                          "files."),
                {QStringLiteral("Backup"), QStringLiteral("1.2 GB"), QStringLiteral("Backup")}),
         ok, QString()},
        {"folder", Kind::determine,
         localized("The folder does not exist. Please choose another one. It may be moved, renamed or deleted."), ok,
         QString()},
        {"file", Kind::determine, localized("This file does not exist. It may be moved, renamed or deleted."), ok,
         QString()},
        {"trash-unusable", Kind::determine,
         localized("The Trash cannot be used: \u201C%1\u201D is not a folder. Nothing was moved.")
             .arg(QStringLiteral("/home/ana/.local/share/Trash/files")),
         ok, QString()},
        {"exit", Kind::uncertain, localized("Are you sure you want to exit the program?"), yes, cancel},
        {"settings-set-aside", Kind::determine,
         localized("Your settings could not be read, so Twinsweep started with its default settings. The damaged "
                   "file was kept as “%1”.")
             .arg(settings + QStringLiteral(".damaged-2026-12-10-21.52.03")),
         ok, QString()},
        {"settings-not-saved", Kind::determine,
         localized("Your settings could not be saved to “%1”. They stay as you set them here and are saved again "
                   "with your next change.")
             .arg(settings),
         ok, QString()},
    };
}

// Opens `popUp`'s menu with row `row` checked and shoots `window`.
void shootMenu(PopUpButton* popUp, int row, QWidget* window, const QString& folder, const QString& name)
{
    // As after a choice, without the choice's own work (the folder item would
    // ask for a folder): that row checked, its title shown, the width fitted.
    popUp->selectItemAt(row);
    popUp->selectedTitle()->setText(popUp->itemTitles().value(row));
    popUp->updatePopUpButtonWidth();
    QTest::mouseClick(popUp, Qt::LeftButton, {}, popUp->rect().center());
    if (!waitFor([&] { return popUp->isPopupWindowOpen(); })) {
        std::fprintf(stderr, "%s: the menu did not open\n", qPrintable(name));
        return;
    }
    shoot(window, folder, name);
    popUp->closePopupWindow();
}

// An empty main window of the program's size, shown and made the window
// the sheets and the finish window are laid over.
void showStage(QMainWindow& window)
{
    window.setCentralWidget(new QWidget);
    window.resize(1000, 620);
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    ModalOverlay::setApplicationMainWindow(&window);
}

void shootSheets(const QString& folder, const QString& suffix)
{
    QMainWindow window;
    showStage(window);
    for (const Sheet& sheet : sheets()) {
        bool flag = false;
        SheetWindowController::beginSheet(sheet.kind, sheet.message, sheet.first, sheet.second, &window,
                                          sheet.kind == Kind::filterFlag ? &flag : nullptr, nullptr);
        if (!waitFor(sheetShown)) {
            std::fprintf(stderr, "%s: the sheet did not show\n", sheet.name);
        }
        shoot(&window, folder, QStringLiteral("sheet-%1-%2").arg(QLatin1String(sheet.name), suffix));
        SheetWindowController::endSheet();
    }
    ModalOverlay::setApplicationMainWindow(nullptr);
}

// The window every removal ends with, over the main window as the removal
// screens show it, with figures as they pass them.
void shootFinish(const QString& folder, const QString& suffix)
{
    QMainWindow window;
    showStage(window);
    {
        FinishWindowController finish;
        finish.loadWindow();
        finish.windowDidLoad();
        finish.showDataInfo(QStringLiteral("1.24 GB"), QStringLiteral("318"), QStringLiteral("0m 42s"));
        ModalOverlay::beginSheet(&window, &finish, true);
        OverlayView* overlay = ModalOverlay::overlayFor(&finish);
        if (!waitFor([&] { return overlay && overlay->phase() == OverlayView::Phase::shown; })) {
            std::fprintf(stderr, "finish: the window did not show\n");
        }
        shoot(&window, folder, QStringLiteral("finish-%1").arg(suffix));
        ModalOverlay::stopModal();
    }
    ModalOverlay::setApplicationMainWindow(nullptr);
}

void shootAbout(const QString& folder, const QString& suffix)
{
    AboutWindowController about;
    about.runModal(nullptr);
    (void)QTest::qWaitForWindowExposed(about.window());
    shoot(about.window(), folder, QStringLiteral("about-%1").arg(suffix));
    about.window()->close();
}

// The menus' update check (which says it could not be made) and the
// feedback dialog, as the main window's menu opens them.
void shootServiceDialogs(const QString& folder, const QString& suffix)
{
    QMainWindow window;
    showStage(window);
    UpdateManager::default_().checkUpdate(false);
    RYTUpdateManager* updates = UpdateManager::default_().updateManager();
    if (waitFor([&] { return updates->dialog() && updates->dialog()->isVisible(); })) {
        shoot(updates->dialog(), folder, QStringLiteral("update-%1").arg(suffix));
        updates->dialog()->close();
    } else {
        std::fprintf(stderr, "update: the dialog did not show\n");
    }
    FeedbackManager::showFeedback();
    if (waitFor([] { return RYFFeedback::currentDialog() && RYFFeedback::currentDialog()->isVisible(); })) {
        shoot(RYFFeedback::currentDialog(), folder, QStringLiteral("feedback-%1").arg(suffix));
        RYFFeedback::currentDialog()->close();
    } else {
        std::fprintf(stderr, "feedback: the dialog did not show\n");
    }
    waitFor([] { return !RYFFeedback::currentDialog(); }, 1000);
    ModalOverlay::setApplicationMainWindow(nullptr);
}

void shootRemovalMenu(const QString& folder, const QString& suffix)
{
    FolderSetViewController::setIsScanLargeFile(false);
    QMainWindow window;
    auto* screen = new ScanViewController;
    window.setCentralWidget(screen);
    window.resize(1000, 620);
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    PopUpButton* popUp = screen->popUpButton();
    popUp->show();
    for (const int row : {0, 1, 2}) {
        shootMenu(popUp, row, &window, folder, QStringLiteral("menu-removal-row%1-%2").arg(row).arg(suffix));
    }
}

void shootSizeUnitMenu(const QString& folder, const QString& suffix)
{
    PreferenceWIndowController window;
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    auto* popUp = window.findChild<PopUpButton*>(QStringLiteral("maxByteTypeBox"));
    auto* limit = window.findChild<QWidget*>(QStringLiteral("maxSelectBox"));
    if (!popUp || !limit) {
        std::fprintf(stderr, "no size-unit menu\n");
        return;
    }
    // The unit menu opens only while its size limit is on.
    if (!popUp->isEnabled()) {
        QTest::mouseClick(limit, Qt::LeftButton, {}, limit->rect().center());
    }
    const int rows = popUp->itemTitles().size();
    for (const int row : {0, rows - 1}) {
        shootMenu(popUp, row, &window, folder, QStringLiteral("menu-sizeunit-row%1-%2").arg(row).arg(suffix));
    }
}

// Every page of the preferences window, which is kept for the program's
// life (with --live, across a switch of the desktop's appearance too).
void shootPreferences(const QString& folder, const QString& suffix)
{
    PreferenceWIndowController window;
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    for (const char* page : {"generalSelectView", "whiteListSelectView", "repeatFileSelectView",
                             "similarImageSelectView"}) {
        auto* tab = window.findChild<QWidget*>(QLatin1String(page));
        if (!tab) {
            std::fprintf(stderr, "preferences: no %s\n", page);
            continue;
        }
        QTest::mouseClick(tab, Qt::LeftButton, {}, QPoint(10, 10));
        shoot(&window, folder, QStringLiteral("preferences-%1-%2").arg(QLatin1String(page), suffix));
    }
}

}  // namespace

int kitScreenshots(const QString& folder)
{
    QDir().mkpath(folder);
    const QString scale = qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR")
                              ? QStringLiteral("1x")
                              : qEnvironmentVariable("QT_SCALE_FACTOR") + QStringLiteral("x");
    for (const bool dark : {false, true}) {
        RYTDarkMode::setForcedAppearance(dark ? 1 : 0);
        QApplication::setPalette(dark ? QPalette(QColor(40, 42, 46)) : QApplication::style()->standardPalette());
        const QString suffix = (dark ? QStringLiteral("dark-") : QStringLiteral("light-")) + scale;
        shootSheets(folder, suffix);
        shootFinish(folder, suffix);
        shootAbout(folder, suffix);
        shootServiceDialogs(folder, suffix);
        shootRemovalMenu(folder, suffix);
        shootSizeUnitMenu(folder, suffix);
        shootPreferences(folder, suffix);
    }
    RYTDarkMode::setForcedAppearance(-1);
    std::printf("screenshots in %s\n", qPrintable(folder));
    return 0;
}
