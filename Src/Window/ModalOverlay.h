#pragma once

#include <functional>

#include <QPointer>
#include <QWidget>

class QGraphicsOpacityEffect;
class QPropertyAnimation;
class WindowController;

// The veil a dialog is shown on: a child widget over the whole of its
// parent window, black at 40 % with rounded corners, with the dialog's
// window centred on it at its own width and at least its own height. The
// veil follows the parent's size and takes the clicks meant for what lies
// under it, and Tab and Shift+Tab go round the dialog's own controls, never
// to those under the veil. It fades in and out; run modally, it also keeps
// every other window and shortcut of the program from receiving input until
// it ends.
class OverlayView : public QWidget {
    Q_OBJECT
public:
    enum class Phase { fadingIn, shown, fadingOut, closed };

    OverlayView(QWidget* parentWindow, QWidget* content);
    ~OverlayView() override;

    QWidget* content() const { return content_; }
    Phase phase() const { return phase_; }
    bool isRunningModal() const;
    // 0 (hidden) to 1 (fully shown).
    double alpha() const;
    // The dialog's own size when it began: its width is kept, its height is
    // the least it gets.
    QSize dialogSize() const { return dialogSize_; }

    void fadeIn(bool runModal);
    // Ends the veil with a fade; `closed` runs once it is gone (also when the
    // parent window goes away first).
    void fadeOut(std::function<void()> closed);
    // Ends it at once, without a fade.
    void closeNow();

    static int fadeDuration() { return 250; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void layoutContent();
    void animateTo(double alpha, std::function<void()> done);
    void finishClose();
    void releaseContent();

    QPointer<QWidget> content_;
    QSize dialogSize_;
    Phase phase_ = Phase::fadingIn;
    QGraphicsOpacityEffect* effect_ = nullptr;
    QPointer<QPropertyAnimation> animation_;
    std::function<void()> closed_;
};

// Laying a controller's window over a parent window, as a dialog.
namespace ModalOverlay {

// Shows the controller's window over `parentWindow` (a top-level widget).
// With `runModal`, the modal state starts when the fade-in ends, and only if
// the dialog is still showing then. Nothing happens without a parent window
// or a controller window.
void beginSheet(QWidget* parentWindow, WindowController* controller, bool runModal);
// Ends a dialog begun over `parentWindow`: stops its modal state at once,
// fades it out, then takes the window off the parent and runs `closed`.
void endSheet(QWidget* parentWindow, WindowController* controller, std::function<void()> closed = nullptr);

// The veil that holds a controller's window, or null.
OverlayView* overlayFor(const WindowController* controller);
// The veil running modally now, or null.
OverlayView* modalWindow();
// Ends the modal state (the veil stays).
void stopModal();

// The program's main window: the one the shell registers, else the active
// main window, else the first visible one; null when none shows.
QWidget* applicationMainWindow();
void setApplicationMainWindow(QWidget* window);

}  // namespace ModalOverlay
