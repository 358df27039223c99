#include "ModalOverlay.h"

#include "WindowController.h"

#include <QAction>
#include <QApplication>
#include <QGraphicsOpacityEffect>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QShortcut>
#include <QWheelEvent>

namespace {

constexpr double kCornerRadius = 10.0;

QList<QPointer<OverlayView>>& liveOverlays()
{
    static QList<QPointer<OverlayView>> list;
    list.removeAll(nullptr);
    return list;
}

QPointer<OverlayView>& modalOverlay()
{
    static QPointer<OverlayView> overlay;
    return overlay;
}

// While a veil runs modally, input may reach only that veil and the veils
// laid after it (a notice shown over a modal dialog).
bool inputAllowed(const QWidget* widget)
{
    OverlayView* modal = modalOverlay();
    if (!modal) {
        return true;
    }
    const auto& list = liveOverlays();
    const qsizetype from = list.indexOf(modal);
    for (qsizetype i = qMax<qsizetype>(0, from); i < list.size(); ++i) {
        const OverlayView* overlay = list.at(i);
        if (overlay && (overlay == widget || overlay->isAncestorOf(widget))) {
            return true;
        }
    }
    return false;
}

bool isInputEvent(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

// Installed on the application only while a veil runs modally.
class ModalBlocker final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!modalOverlay()) {
            return false;
        }
        const QEvent::Type type = event->type();
        const bool closing = type == QEvent::Close && event->spontaneous();
        if (!isInputEvent(type) && !closing) {
            return false;
        }
        if (auto* widget = qobject_cast<QWidget*>(watched)) {
            if (inputAllowed(widget)) {
                return false;
            }
            if (closing) {
                event->ignore();
            }
            return true;
        }
        if (type == QEvent::Shortcut) {
            // Shortcuts of actions and of widgets outside the dialog.
            if (auto* shortcut = qobject_cast<QShortcut*>(watched)) {
                return !inputAllowed(qobject_cast<QWidget*>(shortcut->parent()));
            }
            return true;
        }
        // Window-level events are handed on to widgets, which decide.
        return false;
    }
};

ModalBlocker* blocker()
{
    static ModalBlocker* instance = nullptr;
    if (!instance) {
        instance = new ModalBlocker;
    }
    return instance;
}

void startModal(OverlayView* overlay)
{
    modalOverlay() = overlay;
    qApp->installEventFilter(blocker());
}

}  // namespace

OverlayView::OverlayView(QWidget* parentWindow, QWidget* content)
    : QWidget(parentWindow)
    , content_(content)
{
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
    dialogSize_ = content->size();
    content->setParent(this);
    content->setWindowFlags(Qt::Widget);
    // The dialog keeps its width; a text that needs room makes it taller.
    content->setFixedWidth(dialogSize_.width());
    content->setMinimumHeight(dialogSize_.height());
    content->setMaximumHeight(QWIDGETSIZE_MAX);
    content->show();

    effect_ = new QGraphicsOpacityEffect(this);
    effect_->setOpacity(0.0);
    setGraphicsEffect(effect_);

    setGeometry(parentWindow->rect());
    parentWindow->installEventFilter(this);
    content->installEventFilter(this);
    liveOverlays().append(this);
    layoutContent();
}

OverlayView::~OverlayView()
{
    if (modalOverlay() == this) {
        ModalOverlay::stopModal();
    }
    // The dialog's window belongs to its controller; give it back.
    releaseContent();
    if (closed_) {
        // The parent window went away under the dialog: still answer, later.
        QMetaObject::invokeMethod(qApp, std::move(closed_), Qt::QueuedConnection);
    }
}

bool OverlayView::isRunningModal() const
{
    return modalOverlay() == this;
}

double OverlayView::alpha() const
{
    return effect_ ? effect_->opacity() : 1.0;
}

void OverlayView::layoutContent()
{
    if (!content_) {
        return;
    }
    const int width = dialogSize_.width();
    int height = dialogSize_.height();
    if (content_->hasHeightForWidth()) {
        height = qMax(height, content_->heightForWidth(width));
    } else {
        height = qMax(height, content_->minimumSizeHint().height());
    }
    content_->setGeometry((this->width() - width) / 2, (this->height() - height) / 2, width, height);
}

void OverlayView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath veil;
    veil.addRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
    painter.fillPath(veil, QColor::fromRgbF(0, 0, 0, 0.4f));
}

void OverlayView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutContent();
}

bool OverlayView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        setGeometry(parentWidget()->rect());
    } else if (watched == content_ && event->type() == QEvent::LayoutRequest) {
        layoutContent();
    }
    return QWidget::eventFilter(watched, event);
}

void OverlayView::mousePressEvent(QMouseEvent* event)
{
    event->accept();
}

void OverlayView::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
}

void OverlayView::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
}

void OverlayView::wheelEvent(QWheelEvent* event)
{
    event->accept();
}

bool OverlayView::focusNextPrevChild(bool next)
{
    if (!content_) {
        return true;
    }
    QWidget* from = QApplication::focusWidget();
    if (!from || !content_->isAncestorOf(from)) {
        from = content_;
    }
    // Round the dialog's chain; what lies under the veil is never reached.
    for (QWidget* w = next ? from->nextInFocusChain() : from->previousInFocusChain(); w && w != from;
         w = next ? w->nextInFocusChain() : w->previousInFocusChain()) {
        if (content_->isAncestorOf(w) && w->isVisibleTo(content_) && w->isEnabled() &&
            (w->focusPolicy() & Qt::TabFocus)) {
            w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return true;
}

void OverlayView::animateTo(double alpha, std::function<void()> done)
{
    if (animation_) {
        animation_->stop();
        delete animation_.data();
    }
    if (!effect_) {
        effect_ = new QGraphicsOpacityEffect(this);
        effect_->setOpacity(1.0);
        setGraphicsEffect(effect_);
    }
    auto* animation = new QPropertyAnimation(effect_, "opacity", this);
    animation->setDuration(fadeDuration());
    animation->setStartValue(effect_->opacity());
    animation->setEndValue(alpha);
    connect(animation, &QPropertyAnimation::finished, this, [done = std::move(done)] { done(); });
    animation_ = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void OverlayView::fadeIn(bool runModal)
{
    show();
    raise();
    if (content_) {
        content_->setFocus(Qt::OtherFocusReason);
        if (QWidget* first = content_->nextInFocusChain(); first && content_->isAncestorOf(first)) {
            first->setFocus(Qt::TabFocusReason);
        }
    }
    phase_ = Phase::fadingIn;
    animateTo(1.0, [this, runModal] {
        if (phase_ != Phase::fadingIn) {
            return;
        }
        phase_ = Phase::shown;
        // Fully shown: draw without the effect, crisp and cheap.
        setGraphicsEffect(nullptr);
        effect_ = nullptr;
        if (runModal && content_) {
            startModal(this);
        }
    });
}

void OverlayView::fadeOut(std::function<void()> closed)
{
    if (phase_ == Phase::fadingOut || phase_ == Phase::closed) {
        if (closed) {
            if (closed_) {
                closed_ = [first = std::move(closed_), second = std::move(closed)] {
                    first();
                    second();
                };
            } else {
                closed_ = std::move(closed);
            }
        }
        return;
    }
    if (isRunningModal()) {
        ModalOverlay::stopModal();
    }
    phase_ = Phase::fadingOut;
    closed_ = std::move(closed);
    animateTo(0.0, [this] { finishClose(); });
}

void OverlayView::closeNow()
{
    if (phase_ == Phase::closed) {
        return;
    }
    if (animation_) {
        animation_->stop();
        delete animation_.data();
    }
    if (isRunningModal()) {
        ModalOverlay::stopModal();
    }
    finishClose();
}

void OverlayView::releaseContent()
{
    if (content_ && content_->parentWidget() == this) {
        content_->removeEventFilter(this);
        content_->hide();
        content_->setParent(nullptr);
    }
}

void OverlayView::finishClose()
{
    phase_ = Phase::closed;
    hide();
    releaseContent();
    if (parentWidget()) {
        parentWidget()->removeEventFilter(this);
    }
    liveOverlays().removeAll(this);
    auto closed = std::move(closed_);
    closed_ = nullptr;
    deleteLater();
    if (closed) {
        closed();
    }
}

namespace ModalOverlay {

void beginSheet(QWidget* parentWindow, WindowController* controller, bool runModal)
{
    if (!parentWindow || !controller || !controller->window()) {
        return;
    }
    QWidget* window = controller->window();
    if (auto* current = qobject_cast<OverlayView*>(window->parentWidget())) {
        // Shown already: take it off its old veil first.
        current->closeNow();
    }
    auto* overlay = new OverlayView(parentWindow->window(), window);
    overlay->fadeIn(runModal);
}

void endSheet(QWidget* parentWindow, WindowController* controller, std::function<void()> closed)
{
    Q_UNUSED(parentWindow);
    OverlayView* overlay = overlayFor(controller);
    if (!overlay) {
        if (closed && controller && controller->window()) {
            closed();
        }
        return;
    }
    overlay->fadeOut(std::move(closed));
}

OverlayView* overlayFor(const WindowController* controller)
{
    if (!controller || !controller->window()) {
        return nullptr;
    }
    auto* overlay = qobject_cast<OverlayView*>(controller->window()->parentWidget());
    return overlay && overlay->phase() != OverlayView::Phase::closed ? overlay : nullptr;
}

OverlayView* modalWindow()
{
    return modalOverlay();
}

void stopModal()
{
    modalOverlay() = nullptr;
    qApp->removeEventFilter(blocker());
}

namespace {
QPointer<QWidget>& registeredMainWindow()
{
    static QPointer<QWidget> window;
    return window;
}
}  // namespace

QWidget* applicationMainWindow()
{
    QWidget* registered = registeredMainWindow();
    if (registered && registered->isVisible()) {
        return registered;
    }
    QWidget* active = QApplication::activeWindow();
    if (qobject_cast<QMainWindow*>(active) && active->isVisible()) {
        return active;
    }
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMainWindow*>(widget) && widget->isVisible()) {
            return widget;
        }
    }
    return nullptr;
}

void setApplicationMainWindow(QWidget* window)
{
    registeredMainWindow() = window;
}

}  // namespace ModalOverlay
