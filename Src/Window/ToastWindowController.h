#pragma once

#include <memory>

#include <QPointer>
#include <QTimer>

#include "WindowController.h"

class QLabel;

namespace Ui {
class ToastWindowController;
}

// A short notice in a small rounded grey window, centred over the program's
// main window (on the primary screen when there is none). It takes no focus
// and closes by itself three seconds after it appeared; the controller then
// deletes itself, so callers keep no reference.
class ToastWindowController : public WindowController {
    Q_OBJECT
public:
    // Shows `message`; the controller is returned only for looking at it.
    static ToastWindowController* alertWithMessage(const QString& message);
    // Closes the toast named in the timer's "alertWindowController" property.
    static void closeAlertWindow(QTimer* timer);

    static constexpr int closeAfterMs = 3000;

    QLabel* messageTextField() const;
    // None once the toast is closed.
    QTimer* closeWindowTimer() const { return closeWindowTimer_; }

    void windowDidLoad() override;

public slots:
    // Closes the window and stops the timer; later calls do nothing.
    void closeWindow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ToastWindowController();
    ~ToastWindowController() override;

    std::unique_ptr<Ui::ToastWindowController> ui_;
    QPointer<QTimer> closeWindowTimer_;
};
