// The home screen in the program's own window, and where the window stands
// on the way to each scan and back.

#include "HomeTrips.h"

#include "BenchSupport.h"
#include "WindowSupport.h"

#include "Foundation/UserDefaults.h"
#include "Main/ContentBox.h"
#include "Main/MainMenu.h"
#include "Main/MainViewController.h"
#include "Main/MainWindow.h"
#include "QVLibrary/RYTButton.h"
#include "QVLibrary/RYTDarkMode.h"
#include "QVLibrary/RYTFullSizeWindow.h"
#include "View/CustomView/FunctionButton.h"
#include "View/CustomView/KPLSwitchButton.h"
#include "View/DataDispaly/RightDataDetail/OutlineView/RightDataListViewController.h"
#include "View/DataDispaly/NotDataFinished/NotDataFinishedViewController.h"
#include "View/FolderSetViewController.h"
#include "View/LoadingView/LoadingViewController.h"
#include "View/ScanImagesViewController/ScanImagesViewController.h"
#include "View/ScanViewController.h"
#include "Window/DupImageNavigationWindowController.h"
#include "../LiveAppearance.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QStyle>
#include <QTest>

#include <cstdio>

namespace {

using State = ScanViewController::DisplayViewType;

void write(const QString& path, const QByteArray& contents)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(contents);
    }
}

void report(MainMenu& nib, const QString& step)
{
    const QRect frame = nib.window()->frameGeometry();
    std::printf("%-28s frame %4d,%4d %4d x %4d  centre %.1f,%.1f\n", qPrintable(step), frame.x(), frame.y(),
                frame.width(), frame.height(), QRectF(frame).center().x(), QRectF(frame).center().y());
    std::fflush(stdout);
}

FolderSetViewController* home(MainMenu& nib)
{
    return root(nib)->folderSetViewController();
}

void list(MainMenu& nib, const QString& folder)
{
    FolderSetViewController* h = home(nib);
    h->restartBtnAction();
    settle(900);
    h->dragDrop(h->dragDropView(), {QFile::encodeName(folder)});
    drain([&] { return h->dropsInFlight() == 0; }, 10000);
    settle(1200);
}

void scanWith(MainMenu& nib, FunctionButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton);
    drain([&] { return root(nib)->mainViewBox()->contentView() != home(nib); }, 10000);
    drain([&] {
        if (ScanViewController* s = screen(nib)) {
            return s->displayViewType() != State::displayViewTypeScanning && !s->loadingViewCtr()->isLoading();
        }
        return true;
    }, 60000);
    settle(900);
}

void back(MainMenu& nib)
{
    if (screen(nib)) {
        root(nib)->scanViewBackAction();
    } else {
        root(nib)->scanImagesViewBackAction();
    }
    settle(900);
}

// The whole screen, the window manager's frame and what lies around the
// window included.
void shootScreen(const QString& folder, const QString& name)
{
    const auto save = [&](const QString& tag) {
        const QString path = folder + QLatin1Char('/') + name + tag + QStringLiteral(".png");
        QGuiApplication::primaryScreen()->grabWindow(0).save(path);
        std::printf("wrote %s\n", qPrintable(path));
        std::fflush(stdout);
    };
    save(QString());
    LiveAppearance::across(RYTDarkMode::isDarkMode(), save);
}

// The one-time feature guide over the home, on the whole screen (it is a
// window of its own).
void guide(const QString& folder, const QString& look)
{
    DupImageNavigationWindowController::showNavigationWindow();
    settle(900);
    shootScreen(folder, QStringLiteral("home-guide") + look);
    DupImageNavigationWindowController::endSheet();
    settle(900);
}

// A result screen maximised, then home; and a window kept larger than the
// home after that, as a window manager may keep it.
void maximisedTrip(MainMenu& nib, const QString& folder, const QString& look)
{
    QWidget* window = nib.window();
    scanWith(nib, home(nib)->scanBtn());
    window->showMaximized();
    settle(1500);
    report(nib, QStringLiteral("maximised result"));
    shootScreen(folder, QStringLiteral("maximised-result") + look);
    back(nib);
    settle(600);
    report(nib, QStringLiteral("back from maximised"));
    shootScreen(folder, QStringLiteral("back-from-maximised") + look);
    const QRect area = window->screen()->availableGeometry();
    window->resize(area.size() - (window->frameGeometry().size() - window->size()));
    settle(1200);
    report(nib, QStringLiteral("home kept larger"));
    shoot(nib, folder, QStringLiteral("home-kept-larger") + look);
}

// Copies of one picture that differ only in a folder, in the scan window's
// result lists.
void narrowLists(MainMenu& nib, const QString& folder, const QString& copies, const QString& look)
{
    list(nib, copies);
    scanWith(nib, home(nib)->scanBtn());
    shoot(nib, folder, QStringLiteral("narrow-preview") + look);
    QTest::mouseClick(screen(nib)->modeSwitchBtn(), Qt::LeftButton);
    settle(900);
    RightDataListViewController* lists = screen(nib)->rightDataListViewCtr();
    for (const DuplicateFilesPtr& group : lists->filesArray()) {
        lists->rightDataListMainTableCellViewArrowClick(group, true);
    }
    settle(600);
    shoot(nib, folder, QStringLiteral("narrow-list") + look);
    QTest::mouseClick(screen(nib)->modeSwitchBtn(), Qt::LeftButton);
    settle(600);
    back(nib);
}

void run(const QString& folder, const QString& tree, const QString& empty, bool dark)
{
    const QString look = dark ? QStringLiteral("-dark") : QStringLiteral("-light");
    std::unique_ptr<MainMenu> nib = openWindow(QSize(700, 420));
    QRect frame = nib->window()->frameGeometry();
    frame.moveCenter(nib->window()->screen()->availableGeometry().center());
    nib->window()->move(frame.topLeft());
    settle(900);
    report(*nib, QStringLiteral("home"));
    shoot(*nib, folder, QStringLiteral("home-empty") + look);

    list(*nib, tree);
    shoot(*nib, folder, QStringLiteral("home-list") + look);
    guide(folder, look);
    FolderSetViewController* h = home(*nib);
    scanWith(*nib, h->scanBtn());
    report(*nib, QStringLiteral("duplicate scan"));
    shoot(*nib, folder, QStringLiteral("trip-scan") + look);
    back(*nib);
    report(*nib, QStringLiteral("back"));
    shoot(*nib, folder, QStringLiteral("trip-back") + look);
    for (int round = 1; round <= 3; ++round) {
        for (FunctionButton* button : {h->scanBtn(), h->scanLargeFileBtn(), h->scanImagesBtn()}) {
            scanWith(*nib, button);
            report(*nib, QStringLiteral("round %1 %2").arg(round).arg(button->title()));
            back(*nib);
            report(*nib, QStringLiteral("round %1 back").arg(round));
        }
    }

    list(*nib, empty);
    scanWith(*nib, h->scanBtn());
    report(*nib, QStringLiteral("no result"));
    shoot(*nib, folder, QStringLiteral("no-result") + look);
    QTest::mouseClick(screen(*nib)->notDataFinishedViewCtr()->finishedBtn(), Qt::LeftButton);
    settle(1200);
    report(*nib, QStringLiteral("after Complete"));
    shoot(*nib, folder, QStringLiteral("no-result-complete") + look);

    list(*nib, tree);
    maximisedTrip(*nib, folder, look);
    nib.reset();
    nib = openWindow(QSize(700, 420));
    narrowLists(*nib, folder, QDir::homePath() + QStringLiteral("/Pictures kept from the old family computer"), look);
}

}  // namespace

void homeTripScreenshots(const QString& folder)
{
    QDir().mkpath(folder);
    const QString tree = QDir::homePath() + QStringLiteral("/Trip");
    write(tree + QStringLiteral("/a/photo.jpg"), QByteArray(4000, 'p'));
    write(tree + QStringLiteral("/b/photo.jpg"), QByteArray(4000, 'p'));
    write(tree + QStringLiteral("/a/notes.txt"), "the same notes");
    write(tree + QStringLiteral("/b/notes copy.txt"), "the same notes");
    for (const QString& year : {QStringLiteral("2021"), QStringLiteral("2022"), QStringLiteral("2023"),
                                QStringLiteral("2024")}) {
        const QString holidays = QDir::homePath() + QStringLiteral("/Pictures kept from the old family computer/Holidays/");
        write(holidays + year + QStringLiteral("/trip/IMG_0001.jpg"), QByteArray(5000, 'i'));
        write(holidays + year + QStringLiteral("/Weekend at the lake with the cousins/IMG_0002.jpg"),
              QByteArray(6000, 'j'));
    }
    const QString empty = QDir::homePath() + QStringLiteral("/Nothing twice");
    write(empty + QStringLiteral("/only.txt"), "alone");
    UserDefaults::standardUserDefaults().setBool(true, QStringLiteral("showNavigations2.1.0.0"));
    for (bool dark : {false, true}) {
        RYTDarkMode::setForcedAppearance(dark ? 1 : 0);
        QApplication::setPalette(dark ? QPalette(QColor(40, 42, 46)) : QApplication::style()->standardPalette());
        run(folder, tree, empty, dark);
    }
}
