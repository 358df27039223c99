#include "DupImageNavigationWindowController.h"

#include "ui_DupImageNavigationWindowController.h"

#include "ClickWindow.h"
#include "DupImageNavigationGuide.h"
#include "ModalOverlay.h"

#include "Foundation/NotificationCenter.h"

#include <QEvent>
#include <QKeyEvent>
#include <QStackedWidget>

namespace {
// The guide made last stays for the rest of the run, past the end of the
// application object, so it is never deleted at exit.
DupImageNavigationWindowController*& globalController()
{
    static DupImageNavigationWindowController* controller = nullptr;
    return controller;
}
}  // namespace

DupImageNavigationWindowController::DupImageNavigationWindowController()
    : ui_(std::make_unique<Ui::DupImageNavigationWindowController>())
{
    auto* window = new ClickWindow(nullptr);
    ui_->setupUi(window);
    window->setAttribute(Qt::WA_NoSystemBackground);
    window->setAutoFillBackground(false);
    ui_->contentBox->setCurrentWidget(ui_->scanDupView);
    DupImageNavigationGuide::dressPages(window);
    window->installEventFilter(this);
    setWindow(window);
}

DupImageNavigationWindowController::~DupImageNavigationWindowController() = default;

DupImageNavigationWindowController* DupImageNavigationWindowController::globalDupImageNavigationController()
{
    return globalController();
}

ClickWindow* DupImageNavigationWindowController::clickWindow() const
{
    return qobject_cast<ClickWindow*>(window());
}

QLabel* DupImageNavigationWindowController::duplicateBtnTitle() const { return ui_->duplicateBtnTitle; }
QLabel* DupImageNavigationWindowController::dupImagesBtnImages() const { return ui_->dupImagesBtnImages; }
QLabel* DupImageNavigationWindowController::dupImagesBtnTitle() const { return ui_->dupImagesBtnTitle; }
QLabel* DupImageNavigationWindowController::largeBtnTitle() const { return ui_->largeBtnTitle; }
QLabel* DupImageNavigationWindowController::duplicateFileTipLabel() const { return ui_->duplicateFileTipLabel; }
RYTView* DupImageNavigationWindowController::dupTextView() const { return ui_->dupTextView; }
QLabel* DupImageNavigationWindowController::dupImagesTipLabel() const { return ui_->dupImagesTipLabel; }
RYTView* DupImageNavigationWindowController::dupImageTextView() const { return ui_->dupImageTextView; }
QLabel* DupImageNavigationWindowController::largeFileTipLable() const { return ui_->largeFileTipLable; }
RYTView* DupImageNavigationWindowController::largeTextView() const { return ui_->largeTextView; }
QWidget* DupImageNavigationWindowController::scanDupView() const { return ui_->scanDupView; }
QWidget* DupImageNavigationWindowController::scanImageView() const { return ui_->scanImageView; }
QWidget* DupImageNavigationWindowController::scanLargeView() const { return ui_->scanLargeView; }
QStackedWidget* DupImageNavigationWindowController::contentBox() const { return ui_->contentBox; }

void DupImageNavigationWindowController::showNavigationWindow()
{
    auto& global = globalController();
    // The guide shown before leaves with its controller, veil and all.
    if (OverlayView* overlay = ModalOverlay::overlayFor(global)) {
        overlay->closeNow();
    }
    delete global;
    global = new DupImageNavigationWindowController;
    global->windowDidLoad();
    QWidget* mainWindow = ModalOverlay::applicationMainWindow();
    if (!mainWindow) {
        return;
    }
    // The window takes the main window's frame, so its pages lie over the
    // buttons they point at.
    global->window()->resize(mainWindow->window()->size());
    ModalOverlay::beginSheet(mainWindow, global, false);
    DupImageNavigationGuide::holdFocus(global->window());
}

void DupImageNavigationWindowController::updateView(RYTView* view, QLabel* textField)
{
    DupImageNavigationGuide::updateView(view, textField, textField && textField == ui_->largeFileTipLable);
}

void DupImageNavigationWindowController::windowDidLoad()
{
    DupImageNavigationGuide::fillPages(DupImageNavigationGuide::pagesOf(*ui_));
    NotificationCenter::defaultCenter().addObserver(this, ClickWindow::clickNotification(),
                                                    [this](const Notification&) { clickAction(); });
}

void DupImageNavigationWindowController::clickAction()
{
    switch (ClickWindow::clickCount()) {
    case 1:
        ui_->contentBox->setCurrentWidget(ui_->scanImageView);
        break;
    case 2:
        ui_->contentBox->setCurrentWidget(ui_->scanLargeView);
        break;
    default:
        endSheet();
        break;
    }
}

void DupImageNavigationWindowController::endSheet()
{
    DupImageNavigationWindowController* controller = globalController();
    // A guide that never came on screen was not seen: it stays to be offered.
    if (!controller || !controller->window() || !ModalOverlay::overlayFor(controller)) {
        return;
    }
    ModalOverlay::endSheet(nullptr, controller);
    DupImageNavigationGuide::setCompleted();
}

bool DupImageNavigationWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window()) {
        if (takeKey(event)) {
            return true;
        }
        switch (event->type()) {
        case QEvent::Resize:
        case QEvent::Move:
        case QEvent::Show:
            placeContent();
            break;
        default:
            break;
        }
    }
    return WindowController::eventFilter(watched, event);
}

bool DupImageNavigationWindowController::takeKey(QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) {
        return false;
    }
    // A step on counts as a press; Escape ends the guide as the last press
    // does, whichever page is up.
    return DupImageNavigationGuide::takeKey(static_cast<QKeyEvent*>(event),
                                            {&ClickWindow::countClick, [this] { showPreviousPage(); }, &endSheet});
}

void DupImageNavigationWindowController::showPreviousPage()
{
    QWidget* page = ui_->contentBox->currentWidget();
    if (page == ui_->scanLargeView) {
        ui_->contentBox->setCurrentWidget(ui_->scanImageView);
    } else if (page == ui_->scanImageView) {
        ui_->contentBox->setCurrentWidget(ui_->scanDupView);
    } else {
        return;
    }
    ClickWindow::uncountClick();
}

void DupImageNavigationWindowController::placeContent()
{
    ui_->contentBox->setGeometry(DupImageNavigationGuide::stageFrame(window()));
}
