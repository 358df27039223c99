#include "MainMenu.h"

#include "AppDelegate.h"
#include "ContentBox.h"
#include "MainViewController.h"
#include "MainWindow.h"

#include "Foundation/Bundle.h"
#include "RYTFullSizeWindow.h"
#include "RYTImage.h"
#include "Window/ModalOverlay.h"
#include "Window/SheetUserPrompter.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>

MainMenu::MainMenu()
    : appDelegate_(std::make_unique<AppDelegate>()),
      window_(std::make_unique<RYTFullSizeWindow>()),
      mainWindow_(std::make_unique<MainWindow>()),
      prompter_(std::make_unique<SheetUserPrompter>())
{
    window_->setObjectName(QStringLiteral("MainWindow"));
    window_->setWindowTitle(Bundle::main().infoDictionary().value(QStringLiteral("CFBundleName")).toString());
    const QIcon icon = RYTImage::named(QStringLiteral("AppIcon"));
    if (!icon.isNull()) {
        window_->setWindowIcon(icon);
        QApplication::setWindowIcon(icon);
    }

    auto* central = new QWidget(window_.get());
    central->setObjectName(QStringLiteral("mainView"));
    auto* title = new QLabel(QStringLiteral("Twinsweep"), central);
    title->setObjectName(QStringLiteral("windowTitle"));
    title->setAlignment(Qt::AlignCenter);
    QFont font = title->font();
    font.setBold(true);
    title->setFont(font);
    auto* box = new ContentBox(central);
    box->setObjectName(QStringLiteral("windowBox"));
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 4, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(title);
    layout->addWidget(box, 1);
    window_->setCentralWidget(central);
    window_->resize(initialWidth, initialHeight);

    mainWindow_->setWindowBox(box);
    mainWindow_->setWindowTitle(title);
    mainWindow_->setMainView(central);
    buildMenus();

    appDelegate_->setWindow(window_.get());
    appDelegate_->setMainWindow(mainWindow_.get());
    ModalOverlay::setApplicationMainWindow(window_.get());
    UserPrompter::setShared(prompter_.get());
}

MainMenu::~MainMenu()
{
    UserPrompter::setShared(nullptr);
    if (ModalOverlay::applicationMainWindow() == window_.get()) {
        ModalOverlay::setApplicationMainWindow(nullptr);
    }
    // The delegate watches the window and the main-window object: it goes first.
    appDelegate_.reset();
    mainWindow_.reset();
    window_.reset();
}

QList<QKeySequence> MainMenu::preferencesShortcuts()
{
    // Most desktops here define no key for preferences; Ctrl+, is the one
    // users of other programs reach for.
    QList<QKeySequence> keys = QKeySequence::keyBindings(QKeySequence::Preferences);
    if (keys.isEmpty()) {
        keys.append(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    }
    return keys;
}

void MainMenu::hideWhileEmpty(QMenu* menu)
{
    const auto update = [menu] {
        bool offers = false;
        for (const QAction* action : menu->actions()) {
            offers = offers || (action->isVisible() && !action->isSeparator());
        }
        menu->menuAction()->setVisible(offers);
    };
    for (QAction* action : menu->actions()) {
        QObject::connect(action, &QAction::changed, menu, update);
    }
    update();
}

void MainMenu::buildMenus()
{
    MainWindow* target = mainWindow_.get();
    QMenuBar* bar = window_->menuBar();
    const QString name = Bundle::main().infoDictionary().value(QStringLiteral("CFBundleName")).toString();

    QMenu* app = bar->addMenu(name);
    app->addAction(localized("About %1").arg(name), target, &MainWindow::aboutAction)
        ->setObjectName(QStringLiteral("aboutAction"));
    QAction* update = app->addAction(localized("Check for Updates…"), target, &MainWindow::checkUpdateAction);
    update->setObjectName(QStringLiteral("checkUpdateAction"));
    mainWindow_->setUpdateMenuBtn(update);
    app->addSeparator();
    QAction* preferences = app->addAction(localized("Preferences…"), target, &MainWindow::openPreferenceWindow);
    preferences->setObjectName(QStringLiteral("openPreferenceWindow"));
    preferences->setShortcuts(preferencesShortcuts());
    app->addSeparator();
    // Quitting asks the screen on display, as closing the window does.
    QAction* quit = app->addAction(localized("Quit %1").arg(name), window_.get(), &QWidget::close);
    quit->setObjectName(QStringLiteral("quitAction"));
    quit->setShortcut(QKeySequence::Quit);

    QMenu* view = bar->addMenu(localized("View"));
    view->addAction(window_->fullScreenAction());
    // The full-screen item shows only on a scan screen; on the home screen
    // the menu would open empty.
    hideWhileEmpty(view);

    QMenu* help = bar->addMenu(localized("Help"));
    help->addAction(localized("%1 Help").arg(name), target, &MainWindow::helpAction)
        ->setObjectName(QStringLiteral("helpAction"));
    help->addAction(localized("Feedback…"), target, &MainWindow::feedBackAction)
        ->setObjectName(QStringLiteral("feedBackAction"));
    help->addSeparator();
    QAction* privacy = help->addAction(localized("Privacy Policy"), target, &MainWindow::openPrivacyUrl);
    privacy->setObjectName(QStringLiteral("openPrivacyUrl"));
    mainWindow_->setPrivacyMenuBtn(privacy);
    QAction* user = help->addAction(localized("User Agreement"), target, &MainWindow::openUserUrl);
    user->setObjectName(QStringLiteral("openUserUrl"));
    mainWindow_->setUserMenuBtn(user);
    help->addSeparator();
    help->addAction(localized("Open Log Folder"), target, &MainWindow::openLogPath)
        ->setObjectName(QStringLiteral("openLogPath"));
}
