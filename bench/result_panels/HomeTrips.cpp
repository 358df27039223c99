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
#include "View/DataDispaly/NotDataFinished/NotDataFinishedViewController.h"
#include "View/FolderSetViewController.h"
#include "View/LoadingView/LoadingViewController.h"
#include "View/ScanImagesViewController/ScanImagesViewController.h"
#include "View/ScanViewController.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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
    const QString empty = QDir::homePath() + QStringLiteral("/Nothing twice");
    write(empty + QStringLiteral("/only.txt"), "alone");
    UserDefaults::standardUserDefaults().setBool(true, QStringLiteral("showNavigations2.1.0.0"));
    for (bool dark : {false, true}) {
        RYTDarkMode::setForcedAppearance(dark ? 1 : 0);
        QApplication::setPalette(dark ? QPalette(QColor(40, 42, 46)) : QApplication::style()->standardPalette());
        run(folder, tree, empty, dark);
    }
}
