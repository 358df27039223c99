#include "PreferenceWIndowController.h"

#include "ui_PreferenceWIndowController.h"

#include "PreferenceViewController.h"

#include "Foundation/Bundle.h"
#include "Main/MainWindow.h"
#include "Window/ModalOverlay.h"

#include <QScreen>
#include <QVBoxLayout>

PreferenceWIndowController::PreferenceWIndowController(QWidget* parent)
    : QDialog(parent)
    , ui_(std::make_unique<Ui::PreferenceWIndowController>())
{
    ui_->setupUi(this);
    windowDidLoad();
}

PreferenceWIndowController::~PreferenceWIndowController() = default;

QDialog* PreferenceWIndowController::make()
{
    return new PreferenceWIndowController;
}

QWidget* PreferenceWIndowController::preferenceBox() const
{
    return ui_->preferenceBox;
}

PreferenceViewController* PreferenceWIndowController::preferenceViewController()
{
    if (!preferenceViewController_) {
        preferenceViewController_ = new PreferenceViewController(ui_->preferenceBox);
    }
    return preferenceViewController_;
}

void PreferenceWIndowController::windowDidLoad()
{
    setWindowTitle(localized("Preferences"));
    auto* layout = new QVBoxLayout(ui_->preferenceBox);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(preferenceViewController());
    // The pages are laid out for this size; the window does not resize.
    setFixedSize(sizeHint().expandedTo(QSize(620, 440)));
}

void PreferenceWIndowController::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!placed_) {
        // The first time, over the middle of the main window.
        placed_ = true;
        if (QWidget* main = ModalOverlay::applicationMainWindow()) {
            QRect frame = frameGeometry();
            frame.moveCenter(main->frameGeometry().center());
            // Kept whole on the screen, also over a smaller main window.
            if (QScreen* screen = main->screen()) {
                const QRect room = screen->availableGeometry();
                frame.moveLeft(qBound(room.left(), frame.left(), qMax(room.left(), room.right() - frame.width() + 1)));
                frame.moveTop(qBound(room.top(), frame.top(), qMax(room.top(), room.bottom() - frame.height() + 1)));
            }
            move(frame.topLeft());
        }
    }
    preferenceViewController()->viewWillAppear();
}

void PreferenceWIndowController::done(int result)
{
    // Title bar, Escape or code: every way out saves what the size fields
    // hold, as the close button's click does, then the window hides.
    if (isVisible()) {
        preferenceViewController()->viewWillDisappear();
    }
    QDialog::done(result);
}

void registerPreferenceWindow()
{
    MainWindow::setPreferenceWindowMaker(&PreferenceWIndowController::make);
}
