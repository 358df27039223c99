#include "WindowController.h"

WindowController::WindowController(QObject* parent)
    : QObject(parent)
{
}

WindowController::~WindowController()
{
    delete window_.data();
}

void WindowController::setWindow(QWidget* window)
{
    if (window_ == window) {
        return;
    }
    delete window_.data();
    window_ = window;
}
