#include "ToastWindowController.h"

#include "ModalOverlay.h"
#include "ui_ToastWindowController.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

ToastWindowController::ToastWindowController()
    : ui_(std::make_unique<Ui::ToastWindowController>())
{
    auto* window = new QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->setAttribute(Qt::WA_TranslucentBackground);
    ui_->setupUi(window);
    setWindow(window);
}

ToastWindowController::~ToastWindowController() = default;

QLabel* ToastWindowController::messageTextField() const
{
    return ui_->messageTextField;
}

ToastWindowController* ToastWindowController::alertWithMessage(const QString& message)
{
    auto* controller = new ToastWindowController;
    controller->windowDidLoad();
    controller->ui_->messageTextField->setText(message);
    QWidget* window = controller->window();
    window->adjustSize();
    // Placed once its size is known: centred over the main window, or on the
    // primary screen when there is none.
    QRect area;
    if (QWidget* main = ModalOverlay::applicationMainWindow()) {
        area = main->frameGeometry();
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->geometry();
    }
    QRect frame = window->frameGeometry();
    frame.moveCenter(area.center());
    window->move(frame.topLeft());
    window->show();
    window->raise();
    return controller;
}

void ToastWindowController::closeAlertWindow(QTimer* timer)
{
    if (!timer) {
        return;
    }
    auto* controller = qobject_cast<ToastWindowController*>(timer->property("alertWindowController").value<QObject*>());
    if (controller) {
        controller->closeWindow();
    }
}

void ToastWindowController::windowDidLoad()
{
    QWidget* window = this->window();
    window->setObjectName(QStringLiteral("ToastWindowController"));
    window->setAttribute(Qt::WA_StyledBackground);
    window->setStyleSheet(
        QStringLiteral("#ToastWindowController { background-color: rgb(72, 72, 72); border-radius: 8px; }"));
    QPalette palette = ui_->messageTextField->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    ui_->messageTextField->setPalette(palette);
    QFont font = ui_->messageTextField->font();
    font.setPixelSize(13);
    ui_->messageTextField->setFont(font);

    auto* timer = new QTimer(this);
    // A coarse timer may fire up to 5 % early; the notice stays its full three seconds.
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(closeAfterMs);
    timer->setProperty("alertWindowController", QVariant::fromValue<QObject*>(this));
    connect(timer, &QTimer::timeout, this, [timer] { closeAlertWindow(timer); });
    closeWindowTimer_ = timer;
    timer->start();
}

void ToastWindowController::closeWindow()
{
    if (!closeWindowTimer_) {
        return;
    }
    QTimer* timer = closeWindowTimer_;
    closeWindowTimer_ = nullptr;
    timer->stop();
    timer->deleteLater();
    if (QWidget* window = this->window()) {
        window->close();
    }
    deleteLater();
}
