#include "AppDelegate.h"
#include "MainMenu.h"

#include "RYTFullSizeWindow.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Twinsweep"));
    QApplication::setDesktopFileName(QStringLiteral("twinsweep"));
    QApplication::setQuitOnLastWindowClosed(AppDelegate::applicationShouldTerminateAfterLastWindowClosed());

    MainMenu nib;
    AppDelegate* delegate = nib.appDelegate();
    QObject::connect(&app, &QCoreApplication::aboutToQuit, delegate, &AppDelegate::applicationWillTerminate);
    delegate->applicationWillFinishLaunching();
    delegate->applicationDidFinishLaunching();
    nib.window()->show();
    return QApplication::exec();
}
