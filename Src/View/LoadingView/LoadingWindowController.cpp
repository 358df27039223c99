#include "LoadingWindowController.h"

#include "ui_LoadingWindowController.h"

#include "LoadingBackdrop.h"

#include "Window/ModalOverlay.h"

#include <QEvent>
#include <QPixmap>

LoadingWindowController::LoadingWindowController()
    : ui_(std::make_unique<Ui::LoadingWindowController>())
{
    auto* window = new QWidget(nullptr, Qt::Window);
    ui_->setupUi(window);
    setWindow(window);
    windowDidLoad();
}

LoadingWindowController::~LoadingWindowController() = default;

QWidget* LoadingWindowController::testView() const
{
    return ui_->testView;
}

void LoadingWindowController::windowDidLoad()
{
    ui_->testView->setAutoFillBackground(true);
    window()->installEventFilter(this);
}

bool LoadingWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window()) {
        const QEvent::Type type = event->type();
        if (type == QEvent::Show || type == QEvent::Resize || type == QEvent::Move) {
            refreshBackdrop();
        }
    }
    return WindowController::eventFilter(watched, event);
}

void LoadingWindowController::refreshBackdrop()
{
    QWidget* view = ui_->testView;
    QWidget* main = ModalOverlay::applicationMainWindow();
    QPalette palette = view->palette();
    palette.setBrush(QPalette::Window, palette.color(QPalette::Window));
    if (main && main != window() && view->isVisible()) {
        const QRect beneath(main->mapFromGlobal(view->mapToGlobal(QPoint(0, 0))), view->size());
        if (beneath.intersects(main->rect())) {
            QImage picture = main->grab(beneath).toImage();
            picture = LoadingBackdrop::applyFilters(picture);
            palette.setBrush(QPalette::Window, QBrush(QPixmap::fromImage(picture)));
        }
    }
    view->setPalette(palette);
}
