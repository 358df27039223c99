#include "ToastWindowController.h"

#include "ModalOverlay.h"
#include "ui_ToastWindowController.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

namespace {

constexpr int kCornerRadius = 8;
// A longer message wraps at this width.
constexpr int kMaxMessageWidth = 360;

QPainterPath roundedShape(const QRect& rect)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(rect), kCornerRadius, kCornerRadius);
    return path;
}

}  // namespace

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
    QLabel* field = controller->ui_->messageTextField;
    field->setText(message);
    const bool wraps = field->fontMetrics().horizontalAdvance(message) > kMaxMessageWidth;
    field->setWordWrap(wraps);
    if (wraps) {
        field->setFixedWidth(kMaxMessageWidth);
    }
    QWidget* window = controller->window();
    window->adjustSize();
    // Without a compositor a translucent window shows black corners; the
    // mask keeps the window to its rounded shape everywhere.
    window->setMask(QRegion(roundedShape(window->rect()).toFillPolygon().toPolygon()));
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
    window->installEventFilter(this);
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

bool ToastWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window() && event->type() == QEvent::Paint) {
        // The rounded grey card; the message is drawn over it by the label.
        QPainter painter(window());
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(roundedShape(window()->rect()), QColor(72, 72, 72));
        return true;
    }
    return WindowController::eventFilter(watched, event);
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
