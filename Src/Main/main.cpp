#include "AppDelegate.h"
#include "MainMenu.h"
#include "SessionScript.h"

#include "RYTFullSizeWindow.h"
#include "View/PreferenceView/PreferenceWIndowController.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Twinsweep"));
    QApplication::setDesktopFileName(QStringLiteral("twinsweep"));
    QApplication::setQuitOnLastWindowClosed(AppDelegate::applicationShouldTerminateAfterLastWindowClosed());

    registerPreferenceWindow();
    MainMenu nib;
    AppDelegate* delegate = nib.appDelegate();
    QObject::connect(&app, &QCoreApplication::aboutToQuit, delegate, &AppDelegate::applicationWillTerminate);
    delegate->applicationWillFinishLaunching();
    delegate->applicationDidFinishLaunching();
    nib.window()->show();
    // Only the program's own end-to-end tests set a script.
    SessionScript::startFromEnvironment(nib);
    return QApplication::exec();
}
