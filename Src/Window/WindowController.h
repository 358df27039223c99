#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

// Owns one window made from its layout file. A dialog's window is the
// content laid over its parent by the overlay; a standalone window is a
// top-level widget. The window outlives being closed and goes with the
// controller.
class WindowController : public QObject {
    Q_OBJECT
public:
    explicit WindowController(QObject* parent = nullptr);
    ~WindowController() override;

    QWidget* window() const { return window_; }
    // Takes ownership; a previous window is deleted.
    void setWindow(QWidget* window);

    // Called once the window is made; subclasses fill it here.
    virtual void windowDidLoad() {}

private:
    QPointer<QWidget> window_;
};
